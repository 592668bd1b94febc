// Reads single words of a stored number through one block buffer, reading a
// block only when the word lies outside the block already held. Used by the
// term routines, which need a handful of words from two or three blocks.
#pragma once

#include <cstdint>
#include <span>

#include "storage/block_transfer.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn::norm {

class WordReader {
public:
    WordReader(RunContext& run, StoredNumber& number, BlockBuffer& buffer)
        : run_(run), number_(number), buffer_(buffer) {}

    // Word j (from 1) of the number.
    std::int32_t word(std::int32_t j)
    {
        hold(j);
        return buffer_[(j - 1) % run_.size.blockWords];
    }

    // Words j .. last, or as many of them as lie in the block of word j.
    std::span<const std::int32_t> words(std::int32_t j, std::int32_t last)
    {
        hold(j);
        const std::int32_t w = run_.size.blockWords;
        const std::int32_t position = (j - 1) % w;
        const std::int32_t count = last - j + 1 < w - position ? last - j + 1 : w - position;
        return {buffer_.data() + position, static_cast<std::size_t>(count)};
    }

private:
    // Reads the block of word j unless it is the one held.
    void hold(std::int32_t j)
    {
        const std::int32_t block = (j - 1) / run_.size.blockWords + 1;
        if (block != heldBlock_) {
            readBlock(run_, number_, block, buffer_);
            heldBlock_ = block;
        }
    }

    RunContext& run_;
    StoredNumber& number_;
    BlockBuffer& buffer_;
    std::int32_t heldBlock_ = 0;
};

} // namespace calvorn::norm
