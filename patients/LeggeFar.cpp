#include "LeggeFar.h"

#include "AppContext.h"
#include "BusyCursor.h"
#include "Controls.h"
#include "DispensingRecord.h"
#include "LeggeAtc.h"
#include "ListSetup.h"
#include "NumberText.h"
#include "Twips.h"

#include <QLayout>
#include <QMouseEvent>
#include <QTreeWidget>

LeggeFar::LeggeFar(AppContext& context, QWidget* parent)
    : ListWindow(QStringLiteral("legge_FAR"), QStringLiteral("listricette"),
                 QStringLiteral("Farmaci dispensati all'assistito"), parent),
      listricette(list()), m_context(context)
{
    const Utenti& u = m_context.utenti;
    setWindowTitle(QStringLiteral("    ") + u.Assistito + QStringLiteral(" - ") +
                   u.Codice_assistito);
    Controls::describe(this, QStringLiteral("Farmaci dell'assistito"));
    // The list leaves a thin strip of the window on its right and below it.
    resize(Twips::px(15570), Twips::px(4005));
    layout()->setContentsMargins(0, 0, Twips::px(15570 - 15495), Twips::px(4005 - 3975));
    QPalette palette = listricette->palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 192));
    listricette->setPalette(palette);
    setListPointSize(8.25);

    QString response;
    {
        BusyCursor busy;
        response = m_context.service().post(QStringLiteral("FindFarma"),
                                            {{QStringLiteral("provincia"), u.Prov.text()},
                                             {QStringLiteral("idassistito"), u.idassistito}});
    }
    // Not found: the window opens empty, without columns.
    if (m_context.stage(parentWidget(), response, QStringLiteral("FindFarma"),
                        StagingFolder::exportFile, true, QStringLiteral("ASSISTITO NON TROVATO")))
        LEGGE();
    listricette->setFocus();
}

void LeggeFar::LEGGE()
{
    const QString text = QStringLiteral("S|True|");
    ListSetup::prepare(listricette, {{QStringLiteral("GRUPPO"), 5200, Qt::AlignLeft, text},
                                     {QStringLiteral("ATC"), 1200, Qt::AlignLeft, text},
                                     {QStringLiteral("DESCRIZIONE"), 3600, Qt::AlignLeft, text},
                                     {QStringLiteral("INIZIO"), 1600, Qt::AlignLeft, text},
                                     {QStringLiteral("FINE"), 1600, Qt::AlignLeft, text},
                                     {QStringLiteral("CONF."), 1000, Qt::AlignRight, text},
                                     {QStringLiteral("DDD"), 900, Qt::AlignRight, QString()}});
    QList<QStringList> rows;
    for (const DispensingRecord& r : DispensingRecord::readStaged(m_context.service()))
        rows.append({r.gruppo, r.atc, r.descrizione, r.inizio, r.fine,
                     NumberText::count(NumberText::leadingNumber(r.confezioni)),
                     NumberText::count(NumberText::leadingNumber(r.ddd))});
    ListSetup::addRows(listricette, rows);
    if (listricette->topLevelItemCount() > 0)
        listricette->setCurrentItem(listricette->topLevelItem(0));
    trova();
}

void LeggeFar::trova()
{
    const int count = listricette->topLevelItemCount();
    if (count == 0)
        return;
    if (QTreeWidgetItem* current = listricette->currentItem())
        current->setSelected(false);
    const QString molecule = m_context.utenti.Molecola.trimmed();
    for (int r = 0; r < count; ++r) {
        QTreeWidgetItem* item = listricette->topLevelItem(r);
        for (int c = 1; c < listricette->columnCount(); ++c) {
            if (item->text(c).startsWith(molecule, Qt::CaseInsensitive)) {
                listricette->setCurrentItem(
                    item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                listricette->scrollToItem(item);
                return;
            }
        }
    }
    listricette->setCurrentItem(listricette->topLevelItem(0), 0,
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void LeggeFar::showEvent(QShowEvent* event)
{
    ListWindow::showEvent(event);
    // Scrolling needs the list's real size, known only now.
    if (QTreeWidgetItem* current = listricette->currentItem())
        listricette->scrollToItem(current);
}

bool LeggeFar::listClicked(QMouseEvent* event)
{
    // The press has already made the clicked row the current one.
    if (event->type() == QEvent::MouseButtonRelease && event->button() == Qt::LeftButton)
        openAtc();
    return false;
}

void LeggeFar::enterPressed()
{
    openAtc();
}

void LeggeFar::openAtc()
{
    QTreeWidgetItem* current = listricette->currentItem();
    if (listricette->topLevelItemCount() == 0 || !current)
        return;
    m_context.utenti.ATC_SCELTO = current->text(1);
    LeggeAtc window(m_context, this);
    window.exec();
    listricette->setFocus();
}
