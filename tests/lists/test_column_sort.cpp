#include "ColumnSort.h"
#include "ColumnTag.h"
#include "ListSetup.h"
#include "SortKeys.h"

#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

std::unique_ptr<QTreeWidget> makeList(const QStringList& tags, const QList<QStringList>& rows)
{
    auto list = std::make_unique<QTreeWidget>();
    QList<ListColumn> columns;
    for (const QString& tag : tags)
        columns.append({QStringLiteral("C%1").arg(columns.size() + 1), 1500, Qt::AlignLeft, tag});
    ListSetup::prepare(list.get(), columns);
    ListSetup::addRows(list.get(), rows);
    return list;
}

std::unique_ptr<QTreeWidget> makeColumn(const QString& tag, const QStringList& cells)
{
    QList<QStringList> rows;
    for (const QString& cell : cells)
        rows.append({cell});
    return makeList({tag}, rows);
}

QStringList texts(const QTreeWidget* list, int column0 = 0)
{
    QStringList result;
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        result.append(list->topLevelItem(r)->text(column0));
    return result;
}

QStringList reversed(QStringList l)
{
    std::reverse(l.begin(), l.end());
    return l;
}

} // namespace

class ColumnSortTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void numericOrder_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("ascending");
        QTest::newRow("C") << QLocale::c()
                           << QStringList{"-1e21",
                                          "-100000000000000000000",
                                          "-99999999999999999999",
                                          "-12.5",
                                          "-1",
                                          "-0.5",
                                          "0",
                                          "0.25",
                                          "9",
                                          "1E1",
                                          " +12.5 ",
                                          "1,234.5",
                                          "99999999999999999999",
                                          "100000000000000000000",
                                          "1e21"};
        QTest::newRow("Italian") << QLocale(QLocale::Italian, QLocale::Italy)
                                 << QStringList{"-1.234,5", "-2",    "0,5",    "12.5",
                                                "13",       "1.234", "1.234,5"};
    }

    // Distinct values put in reverse order come out in value order, then reversed.
    void numericOrder()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, ascending);
        QLocale::setDefault(locale);
        auto list = makeColumn(QStringLiteral("n|true|"), reversed(ascending));
        ColumnSort::ORDINA_COLONNA(list.get(), 1);
        QCOMPARE(texts(list.get()), ascending);
        QCOMPARE(ColumnTag::headerTag(list.get(), 0), QStringLiteral("n|true|")); // not "True"
        ColumnSort::ORDINA_COLONNA(list.get(), 1);
        QCOMPARE(texts(list.get()), ascending); // lower-case flag never toggles
    }

    // Each click flips the column's flag; descending keeps non-numbers last, in their order.
    void nonNumbersFirstAndTextsRestored()
    {
        auto list = makeColumn(QStringLiteral("N|True|"), {"-5", "3", "", "abc", "1.2.3", "--5"});
        ColumnSort::ORDINA_COLONNA(list.get(), 1);
        QCOMPARE(texts(list.get()), QStringList({"", "abc", "1.2.3", "--5", "-5", "3"}));
        QCOMPARE(ColumnTag::headerTag(list.get(), 0), QStringLiteral("N|False|"));
        ColumnSort::ORDINA_COLONNA(list.get(), 1);
        QCOMPARE(texts(list.get()), QStringList({"3", "-5", "", "abc", "1.2.3", "--5"}));
        QCOMPARE(ColumnTag::headerTag(list.get(), 0), QStringLiteral("N|True|"));
    }

    void numberKeys()
    {
        const QLocale c = QLocale::c();
        QCOMPARE(SortKeys::numberKey(u"12.5", c),
                 QStringLiteral("00000000000000000012.5000000000"));
        QCOMPARE(SortKeys::numberKey(u"-12.5", c),
                 QStringLiteral("&99999999999999999987.4999999999"));
        QCOMPARE(SortKeys::numberKey(u"0", c), QStringLiteral("00000000000000000000.0000000000"));
        QCOMPARE(SortKeys::numberKey(u"-0", c), SortKeys::numberKey(u"0", c));
        QCOMPARE(SortKeys::numberKey(u"0.99999999995", c),
                 QStringLiteral("00000000000000000001.0000000000"));
        QCOMPARE(SortKeys::numberKey(u"12,5", QLocale(QLocale::Italian, QLocale::Italy)),
                 QStringLiteral("00000000000000000012,5000000000"));
        for (const char16_t* bad : {u"", u"  ", u"abc", u"12abc", u"1e", u"1,23", u".", u"-"})
            QVERIFY2(SortKeys::numberKey(bad, c).isEmpty(),
                     qPrintable(QStringView(bad).toString()));
        // A tiny negative rounds to zero magnitude but stays below zero.
        QVERIFY(SortKeys::numberKey(u"-1e-12", c) < SortKeys::numberKey(u"0", c));
        QVERIFY(SortKeys::numberKey(u"-1e-12", c) > SortKeys::numberKey(u"-1e-10", c));
        QVERIFY(SortKeys::numberKey(u"1e999", c).isEmpty()); // beyond any real number
    }

    void dateKeys()
    {
        const QLocale it(QLocale::Italian, QLocale::Italy);
        QCOMPARE(SortKeys::dateKey(u"07/03/2024 09:05:00", it), QStringLiteral("20240307090500"));
        QCOMPARE(SortKeys::dateKey(u"7/3/24 9:05", it), QStringLiteral("20240307090500"));
        QCOMPARE(SortKeys::dateKey(u"2024-03-07T23:59:59", it), QStringLiteral("20240307235959"));
        QCOMPARE(SortKeys::dateKey(u"07.03.1999", it), QStringLiteral("19990307000000"));
        QCOMPARE(SortKeys::dateKey(u"giovedì 7 marzo 2024", it), QStringLiteral("20240307000000"));
        QCOMPARE(SortKeys::dateKey(u"3/7/2024", QLocale(QLocale::English, QLocale::UnitedStates)),
                 QStringLiteral("20240307000000"));
        QCOMPARE(SortKeys::dateKey(u"   ", it), QStringLiteral("   "));
        for (const char16_t* bad : {u"abc", u"31/02/2024", u"07/03/2024 24:00", u"12", u"1/2/345"})
            QVERIFY2(SortKeys::dateKey(bad, it).isEmpty(), qPrintable(QStringView(bad).toString()));
    }

    void dateOrderPutsBlanksAndNonDatesFirst()
    {
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        auto list =
            makeColumn(QStringLiteral("D|True|"), {"15/01/2023", "", "01/12/2022 10:00", "n.d.",
                                                   "\u00A0", "01/12/2022 09:00:30", "2021-06-30"});
        ColumnSort::ORDINA_COLONNA(list.get(), 1);
        QCOMPARE(texts(list.get()),
                 QStringList({"", "n.d.", "\u00A0", "2021-06-30", "01/12/2022 09:00:30",
                              "01/12/2022 10:00", "15/01/2023"}));
    }

    void textOrderIgnoresCaseAndIsStable()
    {
        auto list = makeList({"S|True|", "S|True|"},
                             {{"b", "1"}, {"A", "2"}, {"a", "3"}, {"", "4"}, {"B", "5"}});
        ColumnSort::ORDINA_COLONNA(list.get(), 1);
        QCOMPARE(texts(list.get(), 1), QStringList({"4", "2", "3", "1", "5"}));
        ColumnSort::ORDINA_COLONNA(list.get(), 1);
        QCOMPARE(texts(list.get(), 1), QStringList({"1", "5", "2", "3", "4"}));

        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        auto accents = makeColumn(QStringLiteral("S|True|"), {"f", "è", "E", "Z", "a"});
        ColumnSort::ORDINA_COLONNA(accents.get(), 1);
        QCOMPARE(texts(accents.get()), QStringList({"a", "E", "è", "f", "Z"}));
    }

    void clickedColumnTogglesOthersReset()
    {
        auto list = makeList({"S|True|", "S|True|", "N|False|"},
                             {{"x", "b", "2"}, {"y", "c", "10"}, {"z", "a", "1"}});
        ColumnSort::ORDINA_COLONNA(list.get(), 2);
        QCOMPARE(texts(list.get(), 1), QStringList({"a", "b", "c"}));
        QCOMPARE(ColumnTag::headerTag(list.get(), 1), QStringLiteral("S|False|"));
        QCOMPARE(ColumnTag::headerTag(list.get(), 2), QStringLiteral("N|True|"));

        ColumnSort::ORDINA_COLONNA(list.get(), 3);
        QCOMPARE(texts(list.get(), 2), QStringList({"1", "2", "10"}));
        QCOMPARE(ColumnTag::headerTag(list.get(), 1), QStringLiteral("S|True|"));
        QCOMPARE(ColumnTag::headerTag(list.get(), 2), QStringLiteral("N|False|"));
    }

    void unsortableColumnsDoNothing_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("column");
        QTest::newRow("empty") << QString() << 2;
        QTest::newRow("blank") << QStringLiteral("   ") << 2;
        QTest::newRow("no closing bar") << QStringLiteral("S|True") << 2;
        QTest::newRow("bad flag") << QStringLiteral("S|maybe|") << 2;
        QTest::newRow("column 0") << QStringLiteral("S|True|") << 0;
        QTest::newRow("past last") << QStringLiteral("S|True|") << 3;
    }

    void unsortableColumnsDoNothing()
    {
        QFETCH(QString, tag);
        QFETCH(int, column);
        auto list = makeList({"N|False|", tag}, {{"2", "b"}, {"1", "c"}, {"3", "a"}});
        ColumnSort::ORDINA_COLONNA(list.get(), column);
        QCOMPARE(texts(list.get(), 1), QStringList({"b", "c", "a"}));
        QCOMPARE(ColumnTag::headerTag(list.get(), 0), QStringLiteral("N|False|"));
        QCOMPARE(ColumnTag::headerTag(list.get(), 1), tag);
        QCOMPARE(list->columnCount(), 2);
    }

    // Rows move as whole objects: texts, cell tags, selection, current and hidden rows follow.
    void rowStatePreserved()
    {
        auto list = makeList({"S|True|", "N|True|"},
                             {{"c", "30"}, {"a", "10"}, {"d", "-4"}, {"b", "20"}, {"e", ""}});
        QList<QTreeWidgetItem*> items;
        for (int r = 0; r < list->topLevelItemCount(); ++r) {
            QTreeWidgetItem* item = list->topLevelItem(r);
            items.append(item);
            ColumnTag::setCellTag(item, 0, QStringLiteral("row%1").arg(r));
            ColumnTag::setCellTag(item, 1, QStringLiteral("id\u0000%1").arg(r));
        }
        items[0]->setSelected(true);
        items[3]->setSelected(true);
        list->setCurrentItem(items[3], 1, QItemSelectionModel::NoUpdate);
        items[1]->setHidden(true);

        ColumnSort::ORDINA_COLONNA(list.get(), 2);
        QCOMPARE(texts(list.get(), 1), QStringList({"", "-4", "10", "20", "30"}));
        const QStringList original{"30", "10", "-4", "20", ""};
        for (int r = 0; r < items.size(); ++r) {
            QCOMPARE(items[r]->text(1), original[r]);
            QCOMPARE(ColumnTag::cellTag(items[r], 0), QStringLiteral("row%1").arg(r));
            QCOMPARE(ColumnTag::cellTag(items[r], 1), QStringLiteral("id\u0000%1").arg(r));
        }
        QCOMPARE(list->selectedItems().size(), 2);
        QVERIFY(items[0]->isSelected() && items[3]->isSelected());
        QCOMPARE(list->currentItem(), items[3]);
        QCOMPARE(list->currentColumn(), 1);
        QVERIFY(items[1]->isHidden());
        QCOMPARE(list->topLevelItem(3)->isHidden(), false);
    }

    void scrollPositionKept()
    {
        QStringList cells;
        for (int i = 0; i < 300; ++i)
            cells.append(QString::number((i * 7919) % 300));
        auto list = makeColumn(QStringLiteral("N|True|"), cells);
        list->resize(200, 150);
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        list->verticalScrollBar()->setValue(120);
        ColumnSort::ORDINA_COLONNA(list.get(), 1);
        QCOMPARE(list->topLevelItem(299)->text(0), QStringLiteral("299"));
        QCoreApplication::processEvents();
        QCOMPARE(list->verticalScrollBar()->value(), 120);
    }

    void campoTag()
    {
        QCOMPARE(ColumnTag::CAMPO_TAG(u"S|True|", u'|', 1), QStringLiteral("S"));
        QCOMPARE(ColumnTag::CAMPO_TAG(u"S|True|", u'|', 2), QStringLiteral("True"));
        QCOMPARE(ColumnTag::CAMPO_TAG(u"S|True|", u'|', 3), QString());
        QCOMPARE(ColumnTag::CAMPO_TAG(u"S|True", u'|', 2), QString());
        QCOMPARE(ColumnTag::CAMPO_TAG(u"S|True", u'|', 0), QString());
        QCOMPARE(ColumnTag::CAMPO_TAG(u"||x|", u'|', 2), QString());
        QCOMPARE(ColumnTag::CAMPO_TAG(u"||x|", u'|', 3), QStringLiteral("x"));
        QCOMPARE(ColumnTag::CAMPO_TAG(u"a;b|c;", u';', 2), QStringLiteral("b|c"));
    }

    void complemento()
    {
        QCOMPARE(SortKeys::COMPLEMENTO(u"0123456789-.,x"), QStringLiteral("9876543210 .,x"));
        QCOMPARE(SortKeys::COMPLEMENTO(u""), QString());
    }
};

QTEST_MAIN(ColumnSortTest)
#include "test_column_sort.moc"
