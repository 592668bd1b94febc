#include "arith/word_chains.h"

#include <cassert>

#include "arith/word_steps.h"
#include "common/vector_path.h"

namespace calvorn {

namespace plain {

double addWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double carry)
{
    assert(x.size() == y.size());
    for (std::size_t i = x.size(); i-- > 0;) x[i] = steps::addStep(x[i], y[i], carry);
    return carry;
}

double subtractWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double borrow)
{
    assert(x.size() == y.size());
    for (std::size_t i = x.size(); i-- > 0;) x[i] = steps::subtractStep(x[i], y[i], borrow);
    return borrow;
}

double multiplyWords(std::span<std::int32_t> x, double factor, double carry)
{
    for (std::size_t i = x.size(); i-- > 0;) x[i] = steps::multiplyStep(x[i], factor, carry);
    return carry;
}

double halveWords(std::span<std::int32_t> x, double remainder)
{
    for (std::int32_t& word : x) word = steps::halveStep(word, remainder);
    return remainder;
}

} // namespace plain

double addWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double carry)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::addWords(x, y, carry);
#endif
    return plain::addWords(x, y, carry);
}

double subtractWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double borrow)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::subtractWords(x, y, borrow);
#endif
    return plain::subtractWords(x, y, borrow);
}

double multiplyWords(std::span<std::int32_t> x, double factor, double carry)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::multiplyWords(x, factor, carry);
#endif
    return plain::multiplyWords(x, factor, carry);
}

double halveWords(std::span<std::int32_t> x, double remainder)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::halveWords(x, remainder);
#endif
    return plain::halveWords(x, remainder);
}

} // namespace calvorn
