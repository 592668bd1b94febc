#include "mul/digit_loader.h"

#include <algorithm>
#include <utility>

#include "norm/digit_split.h"
#include "storage/block_transfer.h"

namespace calvorn {
namespace {

// Calls piece(block, position, count, element) for each block that holds
// part of words j .. j+m-1, from the block of word j upward: the run's words
// in it start at `position` within the block, `count` of them, and their
// digits at array element `element`.
template <typename Piece>
void forEachBlockOfRun(const RunContext& run, std::int32_t j, std::int32_t m, Piece piece)
{
    const std::int32_t w = run.size.blockWords;
    const std::int32_t last = j + m - 1;
    std::int32_t element = 0;
    for (std::int32_t word = j; word <= last;) {
        const std::int32_t block = (word - 1) / w + 1;
        const std::int32_t position = (word - 1) % w;
        const std::int32_t inBlock = w - position < last - word + 1 ? w - position : last - word + 1;
        piece(block, position, inBlock, element);
        element += 2 * inBlock;
        word += inBlock;
    }
}

std::span<const std::int32_t> wordsOf(std::span<const std::int32_t> held, std::int32_t position,
                                      std::int32_t count)
{
    return held.subspan(static_cast<std::size_t>(position), static_cast<std::size_t>(count));
}

} // namespace

void loadDigits(RunContext& run, StoredNumber& x, std::span<double> array, std::int32_t j, std::int32_t m)
{
    // Each block that holds part of the run is read once; a run inside one
    // block reads just that block.
    forEachBlockOfRun(run, j, m, [&](std::int32_t block, std::int32_t position, std::int32_t count, auto element) {
        const std::span<const std::int32_t> held = viewBlock(run, x, block, run.firstBlockBuffer);
        splitWords(wordsOf(held, position, count),
                   array.subspan(static_cast<std::size_t>(element), 2 * static_cast<std::size_t>(count)));
    });
}

DigitSource viewDigits(RunContext& run, StoredNumber& x, std::span<double> array, std::int32_t j, std::int32_t m)
{
    DigitSource source;
    source.array_ = array;
    source.blockWords_ = static_cast<std::size_t>(run.size.blockWords);
    source.firstPosition_ = static_cast<std::size_t>((j - 1) % run.size.blockWords);
    source.words_ = static_cast<std::size_t>(m);
    const std::int32_t* const buffer = run.firstBlockBuffer.data();
    forEachBlockOfRun(run, j, m, [&](std::int32_t block, std::int32_t position, std::int32_t count, auto element) {
        const std::span<const std::int32_t> held = viewBlock(run, x, block, run.firstBlockBuffer);
        const std::span<const std::int32_t> words = wordsOf(held, position, count);
        if (held.data() != buffer) {
            source.pieces_.push_back(words);
            return;
        }
        splitWords(words, array.subspan(static_cast<std::size_t>(element), 2 * static_cast<std::size_t>(count)));
        source.pieces_.emplace_back();
    });
    const auto bytes = static_cast<std::uint64_t>(m) * sizeof(std::int32_t);
    if (bytes > StoredNumber::viewHeldBytes) source.viewedFrom_ = &x;
    return source;
}

DigitSource::DigitSource(DigitSource&& other) noexcept
    : fft::RealDataSource(other), pieces_(std::move(other.pieces_)), viewedFrom_(other.viewedFrom_),
      array_(other.array_), blockWords_(other.blockWords_), firstPosition_(other.firstPosition_),
      words_(other.words_)
{
    other.viewedFrom_ = nullptr;
}

DigitSource::~DigitSource()
{
    if (viewedFrom_ != nullptr) viewedFrom_->giveBackViewedPages();
}

void DigitSource::load(std::span<double> to, std::size_t element) const
{
    // Run word r lies in piece (r + firstPosition_) / blockWords_.
    std::size_t word = element / 2;
    const std::size_t end = word + to.size() / 2;
    std::size_t done = 0;
    while (word < end) {
        if (word >= words_) {
            std::fill(to.begin() + static_cast<std::ptrdiff_t>(done), to.end(), 0.0);
            return;
        }
        const std::size_t piece = (word + firstPosition_) / blockWords_;
        const std::size_t pieceStart = piece == 0 ? 0 : piece * blockWords_ - firstPosition_;
        const std::size_t pieceEnd = std::min((piece + 1) * blockWords_ - firstPosition_, words_);
        const std::size_t count = std::min(end, pieceEnd) - word;
        const std::span<double> digits = to.subspan(done, 2 * count);
        if (!pieces_[piece].empty()) {
            splitWords(pieces_[piece].subspan(word - pieceStart, count), digits);
        } else {
            const std::span<const double> split = array_.subspan(2 * word, 2 * count);
            if (split.data() != digits.data()) std::copy(split.begin(), split.end(), digits.begin());
        }
        word += count;
        done += 2 * count;
    }
}

} // namespace calvorn
