// The carrying loops of the element-wise operations, four words at a time.
// Compiled for AVX2 alone; every lane does what the plain step does, and a
// group whose guessed carries do not hold is worked by the plain step.
#include "arith/word_chains.h"

#include <cassert>

#include "arith/word_steps.h"
#include "simd/quad_chains.h"

namespace calvorn::quads {
namespace {

// Formed where they are used: code for AVX2 must not run before the
// processor has been asked whether it can.
inline Quad wordBaseLanes() { return broadcast(wordBase); }
inline Quad inverseWordBaseLanes() { return broadcast(inverseWordBase); }

// Positions are indices into the spans.
struct OneInput {
    __m128i x;
};

struct TwoInputs {
    __m128i x;
    __m128i y;
};

// What every chain here shares: its words in place in x, four results per group.
struct InPlace {
    using Out = __m128i;
    std::int32_t* x;
    void put(std::int32_t base, __m128i out) const { storeWords(x + base, out); }
};

struct AddChain : InPlace {
    static constexpr int window = 1;
    using In = TwoInputs;
    const std::int32_t* y;
    In load(std::int32_t base) const { return {loadWords(x + base), loadWords(y + base)}; }
    template <int d>
    static In shifted(const In& low, const In& high, std::int32_t)
    {
        return {wordsFrom<d>(low.x, high.x), wordsFrom<d>(low.y, high.y)};
    }
    static Quad sum(const In& in, Quad carry) { return toDoubles(in.x) + toDoubles(in.y) + carry; }
    static Quad carryOnly(const In& in, Quad carry) { return truncate(sum(in, carry) * inverseWordBaseLanes()); }
    static Quad work(const In& in, Quad carry, Out& out)
    {
        const Quad s = sum(in, carry);
        const Quad leaving = truncate(s * inverseWordBaseLanes());
        out = toWords(s - leaving * wordBaseLanes());
        return leaving;
    }
    double one(std::int32_t i, double carry) const
    {
        x[i] = steps::addStep(x[i], y[i], carry);
        return carry;
    }
};

struct SubtractChain : InPlace {
    static constexpr int window = 1;
    using In = TwoInputs;
    const std::int32_t* y;
    In load(std::int32_t base) const { return {loadWords(x + base), loadWords(y + base)}; }
    template <int d>
    static In shifted(const In& low, const In& high, std::int32_t)
    {
        return {wordsFrom<d>(low.x, high.x), wordsFrom<d>(low.y, high.y)};
    }
    static Quad difference(const In& in, Quad borrow) { return toDoubles(in.x) - toDoubles(in.y) - borrow; }
    static Quad borrowOf(Quad d) { return truncate((broadcast(largestDigit) - d) * inverseWordBaseLanes()); }
    static Quad carryOnly(const In& in, Quad borrow) { return borrowOf(difference(in, borrow)); }
    static Quad work(const In& in, Quad borrow, Out& out)
    {
        const Quad d = difference(in, borrow);
        const Quad leaving = borrowOf(d);
        out = toWords(d + leaving * wordBaseLanes());
        return leaving;
    }
    double one(std::int32_t i, double borrow) const
    {
        x[i] = steps::subtractStep(x[i], y[i], borrow);
        return borrow;
    }
};

// A factor up to 2^26 makes carries up to 0.67 of a word: two positions.
struct MultiplyChain : InPlace {
    static constexpr int window = 2;
    using In = OneInput;
    double factor;
    In load(std::int32_t base) const { return {loadWords(x + base)}; }
    template <int d>
    static In shifted(const In& low, const In& high, std::int32_t)
    {
        return {wordsFrom<d>(low.x, high.x)};
    }
    Quad product(const In& in, Quad carry) const { return toDoubles(in.x) * broadcast(factor) + carry; }
    Quad carryOnly(const In& in, Quad carry) const { return truncate(product(in, carry) * inverseWordBaseLanes()); }
    Quad work(const In& in, Quad carry, Out& out) const
    {
        const Quad h = product(in, carry);
        const Quad leaving = truncate(h * inverseWordBaseLanes());
        out = toWords(h - leaving * wordBaseLanes());
        return leaving;
    }
    double one(std::int32_t i, double carry) const
    {
        x[i] = steps::multiplyStep(x[i], factor, carry);
        return carry;
    }
};

struct HalveChain : InPlace {
    static constexpr int window = 1;
    using In = OneInput;
    In load(std::int32_t base) const { return {loadWords(x + base)}; }
    template <int d>
    static In shifted(const In& low, const In& high, std::int32_t)
    {
        return {wordsFrom<d>(low.x, high.x)};
    }
    static Quad carryOnly(const In& in, Quad remainder)
    {
        const Quad h = remainder * wordBaseLanes() + toDoubles(in.x);
        return h - broadcast(2.0) * truncate(h * broadcast(0.5));
    }
    static Quad work(const In& in, Quad remainder, Out& out)
    {
        const Quad h = remainder * wordBaseLanes() + toDoubles(in.x);
        const Quad q = truncate(h * broadcast(0.5));
        out = toWords(q);
        return h - broadcast(2.0) * q;
    }
    double one(std::int32_t i, double remainder) const
    {
        x[i] = steps::halveStep(x[i], remainder);
        return remainder;
    }
};

std::int32_t last(std::size_t size) { return static_cast<std::int32_t>(size) - 1; }

} // namespace

double addWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double carry)
{
    assert(x.size() == y.size());
    AddChain chain{{x.data()}, y.data()};
    return downward(chain, 0, last(x.size()), carry);
}

double subtractWords(std::span<std::int32_t> x, std::span<const std::int32_t> y, double borrow)
{
    assert(x.size() == y.size());
    SubtractChain chain{{x.data()}, y.data()};
    return downward(chain, 0, last(x.size()), borrow);
}

double multiplyWords(std::span<std::int32_t> x, double factor, double carry)
{
    MultiplyChain chain{{x.data()}, factor};
    return downward(chain, 0, last(x.size()), carry);
}

double halveWords(std::span<std::int32_t> x, double remainder)
{
    HalveChain chain{{x.data()}};
    return upward(chain, 0, last(x.size()), remainder);
}

} // namespace calvorn::quads
