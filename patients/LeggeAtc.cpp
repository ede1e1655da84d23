#include "LeggeAtc.h"

#include "AppContext.h"
#include "BusyCursor.h"
#include "Controls.h"
#include "DispensingRecord.h"
#include "ListSetup.h"
#include "NumberText.h"
#include "Twips.h"

#include <QTreeWidget>

LeggeAtc::LeggeAtc(AppContext& context, QWidget* parent)
    : ListWindow(QStringLiteral("legge_ATC"), QStringLiteral("listfarmaci"),
                 QStringLiteral("Confezioni dispensate per ATC"), parent),
      listfarmaci(list()), m_context(context)
{
    const Utenti& u = m_context.utenti;
    setWindowTitle(QStringLiteral("    ") + u.Assistito + QStringLiteral(" - ") +
                   u.Codice_assistito + QStringLiteral(" - ATC : ") + u.ATC_SCELTO);
    Controls::describe(this, QStringLiteral("Farmaci dell'assistito per ATC"));
    resize(Twips::px(13335), Twips::px(2895));
    const QColor lightBlue(192, 192, 255);
    QPalette window = palette();
    window.setColor(QPalette::Window, lightBlue);
    window.setColor(QPalette::WindowText, QColor(128, 128, 255));
    setPalette(window);
    setAutoFillBackground(true);
    QPalette listColours = listfarmaci->palette();
    listColours.setColor(QPalette::Base, lightBlue);
    listColours.setColor(QPalette::Text, Qt::black);
    listfarmaci->setPalette(listColours);
    setListPointSize(8.25);

    QString response;
    {
        BusyCursor busy;
        response = m_context.service().post(QStringLiteral("FindFarmaById"),
                                            {{QStringLiteral("provincia"), u.Prov.text()},
                                             {QStringLiteral("idassistito"), u.idassistito},
                                             {QStringLiteral("atc"), u.ATC_SCELTO}});
    }
    // Not found: the window opens empty, without columns.
    if (m_context.stage(parentWidget(), response, QStringLiteral("FindFarmaById"),
                        StagingFolder::exportFile, true, QStringLiteral("FARMACI NON TROVATI")))
        LEGGE();
    listfarmaci->setFocus();
}

void LeggeAtc::LEGGE()
{
    const QString text = QStringLiteral("S|True|");
    ListSetup::prepare(listfarmaci, {{QStringLiteral("AIC"), 1100, Qt::AlignLeft, text},
                                     {QStringLiteral("DESCRIZIONE"), 3500, Qt::AlignLeft, text},
                                     {QStringLiteral("DATA INIZIO"), 1500, Qt::AlignLeft, text},
                                     {QStringLiteral("DATA FINE"), 1500, Qt::AlignLeft, text},
                                     {QStringLiteral("CONF."), 1000, Qt::AlignRight, text},
                                     {QStringLiteral("DDD"), 900, Qt::AlignRight, text},
                                     {QStringLiteral("GRUPPO"), 3900, Qt::AlignLeft, QString()}});
    QList<QStringList> rows;
    for (const DispensingRecord& r : DispensingRecord::readStaged(m_context.service()))
        rows.append({NumberText::zeroPadded(NumberText::leadingNumber(r.atc), 9), r.descrizione,
                     r.inizio, r.fine, NumberText::count(NumberText::leadingNumber(r.confezioni)),
                     NumberText::count(NumberText::leadingNumber(r.ddd)), r.gruppo});
    ListSetup::addRows(listfarmaci, rows);
    if (listfarmaci->topLevelItemCount() > 0)
        listfarmaci->setCurrentItem(listfarmaci->topLevelItem(0));
}
