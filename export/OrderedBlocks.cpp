#include "OrderedBlocks.h"

#include <array>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// What the two threads share, under the mutex.
struct Shared
{
    std::mutex mutex;
    std::condition_variable changed;
    // The next block to be made, and how many are taken so far.
    qsizetype next = 0;
    qsizetype taken = 0;
    // The block made in each slot and not yet taken, or -1.
    std::array<qsizetype, OrderedBlocks::Slots> made;
    bool stop = false;

    Shared() { made.fill(-1); }

    // Whether another block may be made: it has a slot free.
    bool canMake(qsizetype count) const
    {
        return next < count && next < taken + OrderedBlocks::Slots;
    }
};

int slotOf(qsizetype block)
{
    return int(block % OrderedBlocks::Slots);
}

} // namespace

bool OrderedBlocks::run(qsizetype count, const Make& make, const Take& take)
{
    if (count <= 1) {
        for (qsizetype b = 0; b < count; ++b) {
            make(b, slotOf(b));
            if (!take(b, slotOf(b)))
                return false;
        }
        return true;
    }
    Shared shared;
    // Makes each block that has a slot free, until all are made or the work stops.
    const auto work = [&] {
        std::unique_lock lock(shared.mutex);
        for (;;) {
            shared.changed.wait(lock, [&] { return shared.stop || shared.canMake(count); });
            if (shared.stop)
                return;
            const qsizetype block = shared.next++;
            lock.unlock();
            make(block, slotOf(block));
            lock.lock();
            shared.made[size_t(slotOf(block))] = block;
            shared.changed.notify_all();
        }
    };
    std::thread worker;
    try {
        worker = std::thread(work);
    } catch (const std::system_error&) {
        // No second thread: this one makes every block in turn.
    }
    bool whole = true;
    {
        std::unique_lock lock(shared.mutex);
        while (shared.taken < count) {
            const qsizetype block = shared.taken;
            if (shared.made[size_t(slotOf(block))] == block) {
                lock.unlock();
                whole = take(block, slotOf(block));
                lock.lock();
                if (!whole)
                    break;
                shared.made[size_t(slotOf(block))] = -1;
                ++shared.taken;
                shared.changed.notify_all(); // a slot is free
            } else if (shared.canMake(count)) {
                // Rather than wait, this thread makes a block too.
                const qsizetype mine = shared.next++;
                lock.unlock();
                make(mine, slotOf(mine));
                lock.lock();
                shared.made[size_t(slotOf(mine))] = mine;
            } else {
                shared.changed.wait(lock);
            }
        }
        shared.stop = true;
    }
    shared.changed.notify_all();
    if (worker.joinable())
        worker.join();
    return whole;
}
