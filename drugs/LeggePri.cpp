#include "LeggePri.h"

#include "AppContext.h"
#include "ListSetup.h"
#include "Twips.h"
#include "ValueReader.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

LeggePri::LeggePri(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("legge_pri"));
    setWindowTitle(QStringLiteral("  PRINCIPIO ATTIVO"));
    setAccessibleName(QStringLiteral("PRINCIPIO ATTIVO"));
    resize(Twips::px(10005), Twips::px(2685));

    listricette = new QTreeWidget(this);
    listricette->setObjectName(QStringLiteral("listricette"));
    listricette->setAccessibleName(QStringLiteral("Farmaci del principio attivo"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(listricette);
    ListSetup::sortOnHeaderClick(listricette);
    listricette->installEventFilter(this);
    listricette->viewport()->installEventFilter(this);

    m_context.utenti.AIC_SCELTO.clear();
    LEGGE();
    listricette->setFocus();
}

void LeggePri::LEGGE()
{
    m_context.utenti.AIC_SCELTO.clear();
    ListSetup::prepare(listricette, {{QStringLiteral(" ATC "), 1300, Qt::AlignLeft, "S|True|"},
                                     {QStringLiteral("MOLECOLA"), 2500, Qt::AlignLeft, "S|True|"},
                                     {QStringLiteral("AIC"), 1800, Qt::AlignLeft, "S|True|"},
                                     {QStringLiteral("FARMACO"), 4350, Qt::AlignLeft, "S|True|"}});
    // Holders are kept between records: a record missing an element repeats
    // the previous record's value.
    QString atc, molecule, aic, name;
    QList<QStringList> rows;
    const QStringList lines = m_context.service().readLines(StagingFolder::exportFile);
    for (const QString& line : lines) {
        if (ValueReader::hasTag(line, u"ATC"))
            atc = ValueReader::LEGGI_VALORE(line, u"ATC");
        if (ValueReader::hasTag(line, u"Molecola"))
            molecule = ValueReader::LEGGI_VALORE(line, u"Molecola");
        if (ValueReader::hasTag(line, u"AIC"))
            aic = ValueReader::LEGGI_VALORE(line, u"AIC");
        if (ValueReader::hasTag(line, u"Farmaco"))
            name = ValueReader::LEGGI_VALORE(line, u"Farmaco");
        if (line.contains(QStringLiteral("</FarmaciDPC>")))
            rows.append({atc, molecule, aic, name});
    }
    ListSetup::addRows(listricette, rows);
    if (listricette->topLevelItemCount() > 0)
        listricette->setCurrentItem(listricette->topLevelItem(0));
}

void LeggePri::pickAndClose()
{
    if (QTreeWidgetItem* current = listricette->currentItem())
        m_context.utenti.AIC_SCELTO = current->text(2);
    accept();
}

bool LeggePri::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == listricette->viewport() && (event->type() == QEvent::MouseButtonRelease ||
                                               event->type() == QEvent::MouseButtonDblClick)) {
        // A click anywhere in the list picks the current row (none on an empty
        // list) and closes the window.
        pickAndClose();
        return true;
    }
    if (watched == listricette && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (listricette->topLevelItemCount() > 0)
                pickAndClose();
            return true;
        }
        if (key == Qt::Key_Escape) {
            m_context.utenti.AIC_SCELTO.clear();
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
