#include "LoginPage.h"

#include "AppContext.h"
#include "Blanks.h"
#include "BusyCursor.h"
#include "ButtonKeys.h"
#include "Controls.h"
#include "EnterAsTab.h"
#include "FocusWatch.h"
#include "NumberText.h"
#include "Startup.h"
#include "ValueReader.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPixmap emblem(int size, const QColor& color)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(color);
    painter.setPen(Qt::NoPen);
    const int bar = size / 3;
    painter.drawRoundedRect(bar, 0, bar, size, 3, 3);
    painter.drawRoundedRect(0, bar, size, bar, 3, 3);
    return pixmap;
}

} // namespace

LoginPage::LoginPage(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    const QString notice3 = QStringLiteral(
        "L'accesso è strettamente riservato agli operatori sanitari e medico abilitato.");
    const QString notice4 =
        QStringLiteral("I dati contenuti sono soggetti alle vigenti leggi sulla privacy e devono "
                       "essere utilizzati sotto la propria responsabilità");
    const QString notice5 =
        QStringLiteral("e nel  ristretto  ambito  sanitario.  Ogni accesso  è  tracciato  e  "
                       "monitorato. Si  declina  ogni  responsabilità da un uso");
    const QString notice6 = QStringLiteral("improprio dei dati forniti.");
    const QString notice = notice3 + ' ' + notice4 + ' ' + notice5 + ' ' + notice6;

    Label3 = Controls::name(new QLabel(notice3, this), "Label3", notice);
    Label4 = Controls::name(new QLabel(notice4, this), "Label4", notice);
    Label5 = Controls::name(new QLabel(notice5, this), "Label5", notice);
    Label6 = Controls::name(new QLabel(notice6, this), "Label6", notice);
    Image3 = Controls::name(new QLabel(this), "Image3", QStringLiteral("Logo QuorvelDPC"));
    Image3->setPixmap(emblem(64, QColor(0, 128, 64)));
    Label17 = Controls::name(new QLabel(QStringLiteral("QuorvelDPC"), this), "Label17",
                             QStringLiteral("QuorvelDPC"));
    QFont title = Label17->font();
    title.setPointSize(22);
    title.setBold(true);
    Label17->setFont(title);
    Label22 = Controls::name(new QLabel(Startup::versionLabel(), this), "Label22",
                             Startup::versionLabel());

    Frame1 = Controls::name(new QGroupBox(this), "Frame1", QStringLiteral("Accesso"));
    Label1 = Controls::name(new QLabel(QStringLiteral("UTENTE"), Frame1), "Label1",
                            QStringLiteral("UTENTE"));
    Text_UTE = Controls::name(new QLineEdit(Frame1), "Text_UTE", QStringLiteral("UTENTE"));
    Label2 = Controls::name(new QLabel(QStringLiteral("PASSWORD"), Frame1), "Label2",
                            QStringLiteral("PASSWORD"));
    Text_PASS = Controls::name(new QLineEdit(Frame1), "Text_PASS", QStringLiteral("PASSWORD"));
    Text_PASS->setEchoMode(QLineEdit::Password);
    Text_PASS->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    Command1 = Controls::name(new QPushButton(QStringLiteral("ACCEDI"), Frame1), "Command1",
                              QStringLiteral("ACCEDI"));
    Command1->setAutoDefault(false);
    Label1->setBuddy(Text_UTE);
    Label2->setBuddy(Text_PASS);
    Image1 = Controls::name(new QLabel(Frame1), "Image1", QStringLiteral("Immagine"));
    Image1->setPixmap(emblem(24, QColor(0, 96, 160)));
    Image2 = Controls::name(new QLabel(Frame1), "Image2", QStringLiteral("Immagine"));
    Image2->setPixmap(emblem(24, QColor(0, 96, 160)));
    Shape1 = Controls::name(new QFrame(this), "Shape1", QStringLiteral("Cornice"));
    static_cast<QFrame*>(Shape1)->setFrameStyle(QFrame::HLine | QFrame::Plain);
    Bott_esci = Controls::name(new QPushButton(QStringLiteral("Esci"), this), "Bott_esci",
                               QStringLiteral("Esci"));
    Bott_esci->setAutoDefault(false);

    auto* form = new QGridLayout(Frame1);
    form->addWidget(Image1, 0, 0);
    form->addWidget(Label1, 0, 1);
    form->addWidget(Text_UTE, 0, 2);
    form->addWidget(Image2, 1, 0);
    form->addWidget(Label2, 1, 1);
    form->addWidget(Text_PASS, 1, 2);
    form->addWidget(Command1, 2, 2, Qt::AlignRight);

    auto* header = new QHBoxLayout;
    header->addWidget(Image3);
    auto* titles = new QVBoxLayout;
    titles->addWidget(Label17);
    titles->addWidget(Label22);
    header->addLayout(titles);
    header->addStretch(1);

    auto* noticeBox = new QVBoxLayout;
    noticeBox->setSpacing(0);
    for (QLabel* line : {Label3, Label4, Label5, Label6}) {
        line->setWordWrap(true);
        noticeBox->addWidget(line);
    }

    auto* page = new QVBoxLayout(this);
    page->addLayout(header);
    page->addWidget(Shape1);
    auto* centre = new QHBoxLayout;
    centre->addStretch(1);
    Frame1->setMinimumWidth(360);
    centre->addWidget(Frame1);
    centre->addStretch(1);
    page->addLayout(centre);
    page->addStretch(1);
    page->addLayout(noticeBox);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Bott_esci);
    page->addLayout(bottom);

    setTabOrder(Text_UTE, Text_PASS);
    setTabOrder(Text_PASS, Command1);
    setTabOrder(Command1, Bott_esci);

    EnterAsTab::install(Text_UTE);
    EnterAsTab::install(Text_PASS);
    ButtonKeys::keepOwnKeys(Command1);
    Command1->installEventFilter(this);

    FocusWatch::onLeave(Text_UTE,
                        [this] { m_context.menu.UTENTE_LOGIN = Blanks::trim(Text_UTE->text()); });
    FocusWatch::onLeave(
        Text_PASS, [this] { m_context.menu.PASSWORD_LOGIN = Blanks::trim(Text_PASS->text()); });
    FocusWatch::onLeave(Command1, [this] {
        // Only while the operator is still on this tab: after a successful log-in
        // the focus belongs to the drug search.
        if (!isVisible())
            return;
        if (Text_UTE->text().isEmpty() || Text_PASS->text().isEmpty())
            Text_UTE->setFocus(Qt::OtherFocusReason);
    });

    connect(Command1, &QPushButton::clicked, this, &LoginPage::accediRequested);
    connect(Bott_esci, &QPushButton::clicked, this, &LoginPage::esciRequested);
}

bool LoginPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Command1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Tab and Shift+Tab move the focus as on every other control.
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (!tab && (enter || !key->text().isEmpty())) {
            if (enter)
                EnterAsTab::sendTab(Command1);
            BusyCursor busy;
            emit accediRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LoginPage::LOGIN()
{
    BusyCursor busy;
    MenuState& menu = m_context.menu;
    menu.ERRORE_LOGIN = 0;
    if (menu.UTENTE_LOGIN.isEmpty() || menu.PASSWORD_LOGIN.isEmpty()) {
        menu.ERRORE_LOGIN = 1;
        return;
    }
    const QString response = m_context.service().post(
        QStringLiteral("LoginUser"), {{QStringLiteral("utente"), menu.UTENTE_LOGIN},
                                      {QStringLiteral("password"), menu.PASSWORD_LOGIN}});
    if (!m_context.stage(this, response, QStringLiteral("LoginUser"), StagingFolder::exportFile,
                         false, QStringLiteral("UTENZA O PASSWORD ERRATA"))) {
        m_context.utenti.Nome.set(u"");
        menu.ERRORE_LOGIN = 1;
    }
}

void LoginPage::LEGGE_LOGIN()
{
    Utenti& u = m_context.utenti;
    m_context.service().forEachLine(StagingFolder::exportFile, [&u](QStringView line) {
        if (ValueReader::hasTag(line, u"ID"))
            u.ID = NumberText::toInt32(
                NumberText::leadingNumber(ValueReader::LEGGI_VALORE(line, u"ID")));
        if (ValueReader::hasTag(line, u"Prov"))
            u.Prov.set(ValueReader::LEGGI_VALORE(line, u"Prov"));
        if (ValueReader::hasTag(line, u"Regione"))
            u.Regione.set(ValueReader::LEGGI_VALORE(line, u"Regione"));
        if (ValueReader::hasTag(line, u"ASP"))
            u.ASP.set(ValueReader::LEGGI_VALORE(line, u"ASP"));
        if (ValueReader::hasTag(line, u"Nome"))
            u.Nome.set(ValueReader::LEGGI_VALORE(line, u"Nome"));
        return true;
    });
}
