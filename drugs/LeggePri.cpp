#include "LeggePri.h"

#include "AppContext.h"
#include "ListSetup.h"
#include "RecordReader.h"
#include "Twips.h"

#include <QTreeWidget>

LeggePri::LeggePri(AppContext& context, QWidget* parent)
    : ListWindow(QStringLiteral("legge_pri"), QStringLiteral("listricette"),
                 QStringLiteral("Farmaci del principio attivo"), parent),
      listricette(list()), m_context(context)
{
    setWindowTitle(QStringLiteral("  PRINCIPIO ATTIVO"));
    setAccessibleName(QStringLiteral("PRINCIPIO ATTIVO"));
    resize(Twips::px(10005), Twips::px(2685));
    setListPointSize(9.75);

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
    const QList<QStringList> rows =
        RecordReader::read(m_context.service().readLines(StagingFolder::exportFile),
                           {QStringLiteral("ATC"), QStringLiteral("Molecola"),
                            QStringLiteral("AIC"), QStringLiteral("Farmaco")},
                           QStringLiteral("</FarmaciDPC>"));
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

bool LeggePri::listClicked(QMouseEvent*)
{
    // A click anywhere in the list picks the current row (none on an empty
    // list) and closes the window.
    pickAndClose();
    return true;
}

void LeggePri::enterPressed()
{
    if (listricette->topLevelItemCount() > 0)
        pickAndClose();
}

void LeggePri::escapePressed()
{
    m_context.utenti.AIC_SCELTO.clear();
    reject();
}
