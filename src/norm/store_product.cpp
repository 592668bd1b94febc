#include "norm/store_product.h"

#include "norm/carry_release.h"
#include "norm/word_release.h"

namespace calvorn {
namespace {

// Stores the words 1 .. top of an array whose word 1 lands on z word
// offset + 1, from the least significant word up.
void storeWords(RunContext& run, std::span<const double> e, StoredNumber& z, std::int32_t offset, std::int32_t top)
{
    double carry = norm::startingCarry(e[2 * top - 1], e[2 * top]);
    // Words 2 and above by the pair rule; word 1 is e[0] plus the carry.
    const auto release = [&](std::int32_t firstWord, std::int32_t lastWord, std::span<std::int32_t> slots) {
        const bool leading = firstWord == offset + 1;
        const std::int32_t from = leading ? firstWord + 1 : firstWord;
        const auto count = static_cast<std::size_t>(lastWord - from + 1);
        if (count > 0) carry = releaseWords(e, from - offset, slots.last(count), carry);
        if (leading) slots[0] = toWord(e[0] + carry);
    };
    norm::walkBlocksDownward(run, z, offset + 1, offset + top, false, release);
}

} // namespace

void storeProduct(RunContext& run, std::span<const double> e, StoredNumber& z, std::int32_t n)
{
    storeWords(run, e, z, 0, n + 2);
}

void storeUpperHalf(RunContext& run, std::span<const double> e, StoredNumber& z, std::int32_t n)
{
    storeWords(run, e, z, n / 2, n / 2 + 2);
}

} // namespace calvorn
