#include "RegistraLayout.h"

#include "AicField.h"
#include "CharacterFilter.h"
#include "Controls.h"
#include "PanelStatusBar.h"
#include "SplitEntry.h"
#include "TabRing.h"
#include "Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QColor focusedColour(0, 255, 255);
const QColor idleColour(192, 255, 255);
const QColor blue(0, 0, 255);
const QColor lightBlue(128, 128, 255);
const QString readerTip = QStringLiteral("Si può usare il lettore di codici a barre");

void setRole(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QFont boxFont(const QFont& base, qreal points)
{
    QFont font = base;
    font.setBold(true);
    font.setPointSizeF(points);
    return font;
}

} // namespace

RegistraLayout::RegistraLayout(QWidget* page)
{
    const int t = Controls::tabRowTwips;
    const QFont big = boxFont(page->font(), 12);
    const QFont normal = boxFont(page->font(), 9.75);

    Frame6 = Controls::place(new QGroupBox(QStringLiteral("NUMERO RICETTA"), page), "Frame6",
                             QStringLiteral("NUMERO RICETTA"), 120, 960 - t, 11775, 4455);
    setRole(Frame6, QPalette::WindowText, blue);
    Text120 =
        Controls::place(new QLineEdit(Frame6), "Text120",
                        QStringLiteral("Numero ricetta, primi 5 caratteri"), 240, 360, 1455, 420);
    Text120->setMaxLength(5);
    Text12 = Controls::place(new QLineEdit(Frame6), "Text12",
                             QStringLiteral("Numero ricetta, ultimi 10 caratteri"), 1800, 360, 2775,
                             420);
    Text12->setMaxLength(10);
    // A barcode reader types the whole number into the first part.
    SplitEntry::join(Text120, Text12);
    Text120->setToolTip(readerTip);
    Label18 = Controls::placeData(new QLabel(Frame6), "Label18", QStringLiteral("Progressivo"),
                                  6240, 360, 2400, 420);
    QFont labelFont = page->font();
    labelFont.setPointSizeF(12);
    Label18->setFont(labelFont);
    setRole(Label18, QPalette::WindowText, blue);

    // The inner frames keep the ordinary caption colour.
    const QColor caption = page->palette().color(QPalette::WindowText);
    Frame3 = Controls::place(new QGroupBox(QStringLiteral("AIC FARMACO"), Frame6), "Frame3",
                             QStringLiteral("AIC FARMACO"), 120, 840, 11415, 1455);
    Text_COD_AIC = Controls::place(new QLineEdit(Frame3), "Text_COD_AIC",
                                   QStringLiteral("Codice AIC del farmaco"), 240, 360, 1425, 360);
    AicField::acceptReaderMark(Text_COD_AIC);
    Text_COD_AIC->setToolTip(readerTip);
    Text_DESCR_AIC = Controls::place(new QLineEdit(Frame3), "Text_DESCR_AIC",
                                     QStringLiteral("Farmaco"), 1800, 360, 9285, 360);
    Text_DESCR_AIC->setReadOnly(true);
    // Passed over by Tab: a click in it moves on to the error code (RegistraPage).
    Text_DESCR_AIC->setFocusPolicy(Qt::ClickFocus);
    Text_ATCX = Controls::place(new QLineEdit(Frame3), "Text_ATCX", QStringLiteral("ATC"), 240, 840,
                                1425, 360);
    Text_ATCX->setMaxLength(9);
    Text_MOLECO = Controls::place(new QLineEdit(Frame3), "Text_MOLECO", QStringLiteral("Molecola"),
                                  1800, 840, 5565, 360);
    Text_MOLECO->setReadOnly(true);

    Frame5 = Controls::place(new QGroupBox(QStringLiteral("ERRORE"), Frame6), "Frame5",
                             QStringLiteral("ERRORE"), 120, 2400, 9975, 1815);
    Text_COD_ERR = Controls::place(new QLineEdit(Frame5), "Text_COD_ERR",
                                   QStringLiteral("Codice errore"), 240, 360, 1425, 360);
    Text_COD_ERR->setMaxLength(5);
    Text_COD_ERR->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text_DESCR_ERR = Controls::place(new QPlainTextEdit(Frame5), "Text_DESCR_ERR",
                                     QStringLiteral("Descrizione errore"), 1800, 360, 8085, 825);
    Text_DESCR_ERR->setTabChangesFocus(true);
    BOTT_SVUOTA = Controls::place(new QPushButton(QStringLiteral("SVUOTA"), Frame5), "BOTT_SVUOTA",
                                  QStringLiteral("Svuota errore"), 240, 1320, 1455, 375);
    Text_add = Controls::place(new QLineEdit(Frame5), "Text_add", QStringLiteral("Tipo addebito"),
                               1800, 1320, 3645, 360);
    Text_add->setReadOnly(true);
    Text_sogg = Controls::place(new QLineEdit(Frame5), "Text_sogg",
                                QStringLiteral("Soggetto addebito"), 5640, 1320, 4245, 360);
    Text_sogg->setReadOnly(true);

    Frame4 = Controls::place(new QGroupBox(QStringLiteral("QUANTITA'"), Frame6), "Frame4",
                             QStringLiteral("QUANTITA'"), 10200, 2400, 1335, 855);
    Text_QTA_AIC = Controls::place(new QLineEdit(QStringLiteral("2"), Frame4), "Text_QTA_AIC",
                                   QStringLiteral("Quantità"), 240, 360, 825, 360);
    Text_QTA_AIC->setMaxLength(2);
    Text_QTA_AIC->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CharacterFilter::digitsCommaMinus(Text_QTA_AIC);
    CharacterFilter::upperCase(Text120);
    CharacterFilter::upperCase(Text12);

    for (QGroupBox* frame : {Frame3, Frame4, Frame5})
        setRole(frame, QPalette::WindowText, caption);
    for (QLineEdit* box : {Text120, Text12, Text_QTA_AIC})
        box->setFont(big);
    for (QWidget* box :
         std::initializer_list<QWidget*>{Text_COD_AIC, Text_DESCR_AIC, Text_ATCX, Text_MOLECO,
                                         Text_COD_ERR, Text_DESCR_ERR, Text_add, Text_sogg})
        box->setFont(normal);
    for (QWidget* box : std::initializer_list<QWidget*>{
             Text120, Text12, Text_COD_AIC, Text_DESCR_AIC, Text_ATCX, Text_MOLECO, Text_COD_ERR,
             Text_DESCR_ERR, Text_add, Text_sogg, Text_QTA_AIC})
        showFocus(box, false);
    for (QWidget* box : std::initializer_list<QWidget*>{Text_COD_AIC, Text_DESCR_AIC})
        setRole(box, QPalette::Text, blue);
    for (QWidget* box : std::initializer_list<QWidget*>{Text_ATCX, Text_MOLECO})
        setRole(box, QPalette::Text, lightBlue);

    bott_assi =
        Controls::placeData(new QPushButton(page), "bott_assi",
                            QStringLiteral("Assistito della ricetta"), 120, 5640 - t, 8535, 615);
    bott_assi->setEnabled(false);
    Comm_REGISTRA =
        Controls::place(new QPushButton(QStringLiteral("REGISTRA ERRORE"), page), "Comm_REGISTRA",
                        QStringLiteral("REGISTRA ERRORE"), 9000, 5520 - t, 2775, 855);
    Command3 = Controls::place(new QPushButton(QStringLiteral("Svuota"), page), "Command3",
                               QStringLiteral("Svuota"), 9000, 6480 - t, 855, 855);
    Command3->setToolTip(QStringLiteral("Svuota Dati"));
    Command5 = Controls::place(new QPushButton(QStringLiteral("Riduci"), page), "Command5",
                               QStringLiteral("Riduci"), 9960, 6480 - t, 855, 855);
    Com_02 = Controls::place(new QPushButton(QStringLiteral("Esci"), page), "Com_02",
                             QStringLiteral("Esci"), 10920, 6480 - t, 855, 855);
    for (QPushButton* b : {BOTT_SVUOTA, bott_assi, Comm_REGISTRA, Command3, Command5, Com_02})
        b->setAutoDefault(false);

    StatusBar4 = new PanelStatusBar(page);
    StatusBar4->setObjectName(QStringLiteral("StatusBar4"));
    StatusBar4->setAccessibleName(QStringLiteral("Ricetta"));
    StatusBar4->dockAtBottom(1, Twips::px(8900));
    StatusBar2 = new PanelStatusBar(page);
    StatusBar2->setObjectName(QStringLiteral("StatusBar2"));
    StatusBar2->setAccessibleName(QStringLiteral("Sessione"));
    StatusBar2->dockAtBottom();

    // Tab order by the tab indexes, round the tab: the usual path is number,
    // drug code, error code, then (after a choice) straight to "REGISTRA ERRORE",
    // which the drug fields also lead on to; the quantity is the next stop.
    TabRing::install(page, {Comm_REGISTRA, Text_QTA_AIC, Text_DESCR_ERR, Text_add, BOTT_SVUOTA,
                            Command3, Command5, Com_02, Text_sogg, bott_assi, Text120, Text12,
                            Text_COD_AIC, Text_COD_ERR, Text_ATCX, Text_MOLECO, Text_DESCR_AIC});
}

void RegistraLayout::showFocus(QWidget* field, bool focused)
{
    setRole(field, QPalette::Base, focused ? focusedColour : idleColour);
}
