#include "SceltaFarmacia.h"

#include "AppContext.h"
#include "ListSetup.h"
#include "Twips.h"
#include "ValueReader.h"

#include <QTreeWidget>

#include <array>

SceltaFarmacia::SceltaFarmacia(AppContext& context, QWidget* parent)
    : ListWindow(QStringLiteral("scelta_farmacia"), QStringLiteral("listfarmacie"),
                 QStringLiteral("Farmacie trovate"), parent),
      listfarmacie(list()), m_context(context)
{
    setWindowTitle(QStringLiteral("  SCELTA FARMACIA"));
    setAccessibleName(QStringLiteral("SCELTA FARMACIA"));
    resize(Twips::px(10005), Twips::px(4500));

    connect(listfarmacie, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* row) { pick(row); });
    connect(listfarmacie, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* row) { pick(row); });

    LEGGE();
    listfarmacie->setFocus();
}

void SceltaFarmacia::LEGGE()
{
    ListSetup::prepare(listfarmacie,
                       {{QStringLiteral("CODICE"), 1000, Qt::AlignRight, "N|True|"},
                        {QStringLiteral("RAGIONE SOCIALE"), 4800, Qt::AlignLeft, "S|True|"},
                        {QStringLiteral("LOCALITA'"), 2400, Qt::AlignLeft, "S|True|"},
                        {QStringLiteral("DISTRETTO"), 1400, Qt::AlignLeft, "S|True|"}});
    static constexpr std::array<QStringView, 4> tags = {u"Codice", u"Ragsoc", u"Localita",
                                                        u"Distretto"};
    // A record's values start empty: a pharmacy never shows another's town.
    std::array<QString, 4> values;
    QList<QStringList> rows;
    m_context.service().forEachLine(StagingFolder::exportFile, [&](QStringView line) {
        if (ValueReader::hasTag(line, u"Farmacie"))
            values = {};
        for (size_t t = 0; t < tags.size(); ++t) {
            if (ValueReader::hasTag(line, tags[t]))
                values[t] = ValueReader::LEGGI_VALORE(line, tags[t]);
        }
        if (line.contains(u"</Farmacie>"))
            rows.append({values[0], values[1], values[2], values[3]});
        return true;
    });
    ListSetup::addRows(listfarmacie, rows);
    // Typing letters in the list jumps to the business names.
    if (listfarmacie->topLevelItemCount() > 0)
        listfarmacie->setCurrentItem(listfarmacie->topLevelItem(0), 1);
}

void SceltaFarmacia::pick(QTreeWidgetItem* row)
{
    if (!row)
        return;
    m_picked = true;
    m_codice = row->text(0);
    m_ragsoc = row->text(1);
    accept();
}

void SceltaFarmacia::enterPressed()
{
    pick(listfarmacie->currentItem());
}
