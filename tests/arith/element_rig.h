// A small run for the element-wise operation tests: a scratch directory, a
// fake host, three stored numbers and the shapes (block length, number length)
// the operations are tried at, from one short block to many full ones.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include <gmpxx.h>

#include "storage/run_context.h"
#include "storage/stored_number.h"
#include "support/exact_integers.h"
#include "support/fake_host.h"
#include "support/scratch_directory.h"

namespace calvorn::test {

struct Shape {
    std::int32_t blockWords;
    std::int32_t n;
};

// n below the block length (one block), equal to it and many blocks of it,
// and the block geometry of a real "  16K" run.
inline constexpr std::array<Shape, 10> shapes{
    {{8, 2}, {8, 4}, {8, 8}, {8, 16}, {8, 64}, {16, 2}, {16, 8}, {16, 16}, {16, 64}, {512, 2048}}};

// Written past the last word of every number so that misplaced reads show.
inline constexpr std::int32_t poison = 0x2bad2bad;

struct Rig {
    explicit Rig(Shape s)
        : shape(s), run(host, SizeParameters::withBlockWords(std::max(s.n, s.blockWords), s.blockWords))
    {
    }

    std::int32_t words() const { return shape.n + 2; }
    std::int32_t lastBlock() const { return shape.n / shape.blockWords + 1; }
    void put(StoredNumber& number, const Words& w) { writeWords(run, number, w, poison); }
    Words get(StoredNumber& number) { return readWords(run, number, words()); }

    Shape shape;
    ScratchDirectory dir;
    FakeHost host;
    RunContext run;
    StoredNumber x{"ix.dat"};
    StoredNumber y{"iy.dat"};
    StoredNumber z{"iz.dat"};
};

// 10^(8 * count): the value 1 (a leading word of 10^8) in toInteger's scale.
inline mpz_class unitValue(std::int32_t count)
{
    mpz_class unit;
    mpz_ui_pow_ui(unit.get_mpz_t(), 10, static_cast<unsigned long>(8 * count));
    return unit;
}

// The words of a value of either sign: digits in [0, 10^8) below a leading
// word that takes the rest (negative for a negative value).
inline Words signedWords(const mpz_class& value, std::int32_t count)
{
    Words words(static_cast<std::size_t>(count));
    mpz_class rest = value;
    mpz_class digit;
    for (std::int32_t j = count - 1; j >= 1; --j) {
        mpz_fdiv_qr_ui(rest.get_mpz_t(), digit.get_mpz_t(), rest.get_mpz_t(), 100000000);
        words[static_cast<std::size_t>(j)] = static_cast<std::int32_t>(digit.get_si());
    }
    words[0] = static_cast<std::int32_t>(rest.get_si());
    return words;
}

inline Words filledWords(std::int32_t count, std::int32_t leading, std::int32_t digit)
{
    Words words(static_cast<std::size_t>(count), digit);
    words[0] = leading;
    return words;
}

} // namespace calvorn::test
