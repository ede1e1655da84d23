#pragma once

#include <QtGlobal>

#include <functional>

// Long work cut into blocks that can be made apart (such as the rows of a
// file, a few thousand at a time), made on the calling thread and on one
// worker thread at once, and taken back on the calling thread in their order
// (such as written out). Each block is made into one of a few slots that the
// caller keeps: block b into slot b % slots, never reused before the block in
// it is taken, so memory stays bounded whatever the number of blocks.
//
//     std::vector<Part> parts(OrderedBlocks::Slots);
//     OrderedBlocks::run(count, [&](qsizetype b, int slot) { parts[slot] = make(b); },
//                        [&](qsizetype b, int slot) { return write(parts[slot]); });
class OrderedBlocks
{
public:
    // Blocks made ahead of the one to be taken next, at most.
    static constexpr int Slots = 4;

    // `make` fills a slot with a block; it runs on either thread, and must
    // touch nothing but that slot and what no thread changes meanwhile.
    using Make = std::function<void(qsizetype block, int slot)>;
    // `take` uses the block in a slot, on the calling thread, block after
    // block; false stops the work (a failure, or the operator's cancel).
    using Take = std::function<bool(qsizetype block, int slot)>;

    // Makes and takes `count` blocks; false when `take` stopped them. The
    // worker has ended when it returns. A single block, or a thread that
    // cannot be started, is worked through on the calling thread alone.
    static bool run(qsizetype count, const Make& make, const Take& take);
};
