// Blocks made on two threads come back on the calling thread in their order,
// each from its own slot, and a stop ends the work at once.
#include "OrderedBlocks.h"

#include <QTest>

#include <array>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

class OrderedBlocksTest : public QObject
{
    Q_OBJECT

private slots:
    // Blocks that take longer or shorter to make, so that they finish out of
    // order: each is taken once, in order, on the calling thread, from the
    // slot it was made in and before anything else is made there. The first
    // two blocks are made at once, one on each thread.
    void takenInOrder()
    {
        constexpr qsizetype Count = 60;
        const std::thread::id caller = std::this_thread::get_id();
        std::array<std::atomic<qsizetype>, OrderedBlocks::Slots> inSlot;
        for (auto& s : inSlot)
            s = -1;
        std::atomic<bool> secondBegun = false;
        std::atomic<bool> metSecond = false;
        std::atomic<int> clash = 0;
        qsizetype expected = 0;
        QList<qsizetype> wrong; // blocks taken out of order, off this thread or from another slot
        const bool whole = OrderedBlocks::run(
            Count,
            [&](qsizetype b, int slot) {
                if (b == 1)
                    secondBegun = true;
                if (b == 0) {
                    for (int i = 0; i < 500 && !secondBegun; ++i)
                        std::this_thread::sleep_for(10ms);
                    metSecond = bool(secondBegun);
                }
                // Still holding a block that was not taken: its slot was reused.
                if (inSlot[size_t(slot)].exchange(b) != -1)
                    ++clash;
                std::this_thread::sleep_for(std::chrono::microseconds((b * 7919) % 5 * 300));
            },
            [&](qsizetype b, int slot) {
                if (std::this_thread::get_id() != caller || b != expected ||
                    slot != int(b % OrderedBlocks::Slots) || inSlot[size_t(slot)].exchange(-1) != b)
                    wrong << b;
                ++expected;
                return true;
            });
        QVERIFY(whole);
        QCOMPARE(wrong, QList<qsizetype>());
        QCOMPARE(expected, Count);
        QCOMPARE(clash.load(), 0);
        QVERIFY(metSecond);
    }

    // A take that says stop: no block is taken after it, none is made once
    // run() is back, and only the few already under way were made beyond it.
    void stopsWhenTold()
    {
        for (const qsizetype stopAt : {0, 1, 7}) {
            std::atomic<bool> returned = false;
            std::atomic<int> madeLate = 0;
            std::atomic<qsizetype> highest = -1;
            qsizetype taken = 0;
            const bool whole = OrderedBlocks::run(
                1000,
                [&](qsizetype b, int) {
                    std::this_thread::sleep_for(200us);
                    if (returned)
                        ++madeLate;
                    qsizetype h = highest;
                    while (b > h && !highest.compare_exchange_weak(h, b)) {
                    }
                },
                [&](qsizetype b, int) {
                    ++taken;
                    return b < stopAt;
                });
            returned = true;
            QVERIFY(!whole);
            QCOMPARE(taken, stopAt + 1);
            std::this_thread::sleep_for(5ms);
            QCOMPARE(madeLate.load(), 0);
            QVERIFY(highest < stopAt + OrderedBlocks::Slots);
        }
    }

    // No block, and a single one, which is made here.
    void fewBlocks()
    {
        int made = 0;
        int taken = 0;
        QVERIFY(OrderedBlocks::run(
            0, [&](qsizetype, int) { ++made; }, [&](qsizetype, int) { return ++taken > 0; }));
        QCOMPARE(made + taken, 0);
        const std::thread::id caller = std::this_thread::get_id();
        QVERIFY(!OrderedBlocks::run(
            1,
            [&](qsizetype b, int slot) {
                QCOMPARE(std::this_thread::get_id(), caller);
                QCOMPARE(b + slot, 0);
                ++made;
            },
            [&](qsizetype, int) { return ++taken < 0; }));
        QCOMPARE(made, 1);
        QCOMPARE(taken, 1);
    }
};

QTEST_GUILESS_MAIN(OrderedBlocksTest)
#include "test_ordered_blocks.moc"
