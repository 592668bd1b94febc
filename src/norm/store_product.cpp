#include "norm/store_product.h"

#include "norm/carry_release.h"

namespace calvorn {
namespace {

// Stores the words 1 .. top of an array whose word 1 lands on z word
// offset + 1, from the least significant word up.
void storeWords(RunContext& run, std::span<const double> e, StoredNumber& z, std::int32_t offset, std::int32_t top)
{
    double carry = norm::startingCarry(e[2 * top - 1], e[2 * top]);
    norm::walkWordsDownward(run, z, offset + 1, offset + top, false, [&](std::int32_t word, std::int32_t& slot) {
        const std::int32_t k = word - offset;
        slot = k == 1 ? norm::toWord(e[0] + carry) : norm::releaseWord(e[2 * k - 3], e[2 * k - 2], carry);
    });
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
