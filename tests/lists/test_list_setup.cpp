#include "ColumnTag.h"
#include "ListSetup.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

class ListSetupTest : public QObject
{
    Q_OBJECT

private slots:
    void prepareRebuildsColumns()
    {
        QTreeWidget list;
        ListSetup::prepare(&list, {{"A", 1500, Qt::AlignLeft, "S|True|"},
                                   {"B", 0, Qt::AlignLeft, QString()},
                                   {"C", 1000, Qt::AlignRight, "N|True|"},
                                   {"D", 300, Qt::AlignLeft, "S|True|"}});
        ListSetup::addRow(&list, {"1", "2", "3", "4"});
        QVERIFY(list.header()->isSectionHidden(1));

        ListSetup::prepare(&list, {{" ATC ", 1300, Qt::AlignLeft, "S|True|"},
                                   {"MESE", 780, Qt::AlignRight, "N|True|"},
                                   {"", 0, Qt::AlignLeft, QString()}});
        QCOMPARE(list.topLevelItemCount(), 0);
        QCOMPARE(list.columnCount(), 3);
        QCOMPARE(list.headerItem()->text(0), QStringLiteral(" ATC "));
        QCOMPARE(list.headerItem()->text(1), QStringLiteral("MESE"));
        QCOMPARE(ColumnTag::headerTag(&list, 0), QStringLiteral("S|True|"));
        QCOMPARE(ColumnTag::headerTag(&list, 1), QStringLiteral("N|True|"));
        QCOMPARE(ColumnTag::headerTag(&list, 2), QString());
        QCOMPARE(list.header()->sectionSize(0), 87); // 1300 twips at 15 twips per pixel
        QCOMPARE(list.header()->sectionSize(1), 52);
        QVERIFY(!list.header()->isSectionHidden(1)); // was hidden under the first set-up
        QVERIFY(list.header()->isSectionHidden(2));
        QCOMPARE(list.headerItem()->textAlignment(1) & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignRight));

        QCOMPARE(list.selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(!list.rootIsDecorated());
        QVERIFY(!list.isSortingEnabled());
        QCOMPARE(list.editTriggers(), QAbstractItemView::NoEditTriggers);
        const QPalette p = list.palette();
        QCOMPARE(p.color(QPalette::Inactive, QPalette::Highlight),
                 p.color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(p.color(QPalette::Inactive, QPalette::HighlightedText),
                 p.color(QPalette::Active, QPalette::HighlightedText));

        // Tags are only written to existing columns.
        ColumnTag::setHeaderTag(&list, 5, QStringLiteral("S|True|"));
        QCOMPARE(list.columnCount(), 3);
    }

    void rowsTakeColumnAlignment()
    {
        QTreeWidget list;
        ListSetup::prepare(&list, {{"A", 900, Qt::AlignLeft, "S|True|"},
                                   {"B", 900, Qt::AlignRight, "N|True|"},
                                   {"C", 900, Qt::AlignHCenter, "S|True|"}});
        QTreeWidgetItem* one = ListSetup::addRow(&list, {"x", "1", "c"});
        ListSetup::addRows(&list, {{"y", "2", "d"}, {"z", "3"}});
        QCOMPARE(list.topLevelItemCount(), 3);
        QCOMPARE(list.topLevelItem(0), one);
        QCOMPARE(list.topLevelItem(2)->text(0), QStringLiteral("z"));
        for (int r = 0; r < 2; ++r) {
            const QTreeWidgetItem* item = list.topLevelItem(r);
            QCOMPARE(item->textAlignment(1) & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
            QCOMPARE(item->textAlignment(2) & Qt::AlignHorizontal_Mask, int(Qt::AlignHCenter));
        }
    }

    // One click sorts once, however often the connection was requested, and the list
    // gets the focus.
    void headerClickSorts()
    {
        QWidget window;
        QLineEdit* other = new QLineEdit(&window);
        QTreeWidget* list = new QTreeWidget(&window);
        list->move(0, 30);
        list->resize(300, 200);
        ListSetup::prepare(list, {{"N", 1500, Qt::AlignRight, "N|True|"}});
        ListSetup::addRows(list, {{"10"}, {"9"}, {"100"}});
        ListSetup::sortOnHeaderClick(list);
        ListSetup::sortOnHeaderClick(list);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();

        QHeaderView* header = list->header();
        const QPoint inSection(header->sectionViewportPosition(0) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, inSection);
        QTRY_VERIFY(list->hasFocus());
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("9"));
        QCOMPARE(list->topLevelItem(2)->text(0), QStringLiteral("100"));

        // A second click on the header sorts again, the other way.
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, inSection);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("100"));
    }

    void gridLinesArePainted()
    {
        QTreeWidget list;
        ListSetup::prepare(&list, {{"A", 1500, Qt::AlignLeft, "S|True|"}});
        ListSetup::addRows(&list, {{"x"}, {"y"}});
        list.setFocusPolicy(Qt::NoFocus);
        list.resize(200, 120);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QRect cell = list.visualItemRect(list.topLevelItem(1));
        const QImage image = list.viewport()->grab().toImage();
        const QRgb mid = list.palette().color(QPalette::Mid).rgb();
        QCOMPARE(image.pixel(cell.center().x(), cell.bottom()), mid);
        QCOMPARE(image.pixel(99, cell.center().y()), mid); // right border of the column
        QVERIFY(image.pixel(cell.center().x(), cell.center().y() + 2) != mid);
    }
};

QTEST_MAIN(ListSetupTest)
#include "test_list_setup.moc"
