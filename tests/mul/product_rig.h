// A small run for the product tests: three stored numbers in a scratch
// directory, a chosen block length and a work area filled with NaN before
// each product, so that any element read before it is written spoils the
// rounding check instead of passing unnoticed.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "support/fake_host.h"
#include "support/number_io.h"
#include "support/scratch_directory.h"

namespace calvorn::test {

constexpr std::int32_t untouched = 77777777;  // z's words before a product

struct ProductRig {
    explicit ProductRig(std::int32_t blockWords, std::int32_t numberWords = 1 << 14)
        : run(host, SizeParameters::withBlockWords(numberWords, blockWords))
    {
    }

    // A work area of `length` doubles (plus the spare ones, and with
    // `withRoom` room for another `length`), all NaN.
    void workArea(std::int32_t length)
    {
        const std::int32_t room = withRoom ? length : 0;
        if (run.workArea.length() != length || run.workArea.room().size() < static_cast<std::size_t>(room))
            run.workArea.allocate(length, room);
        poisonWorkArea();
    }
    void poisonWorkArea()
    {
        for (double& d : run.workArea.doubles()) d = std::numeric_limits<double>::quiet_NaN();
        for (double& d : run.workArea.room()) d = std::numeric_limits<double>::quiet_NaN();
    }

    // Blocks 1 .. (n+1)/W + 1 of a number of length n: `words`, then `fill`.
    void put(StoredNumber& number, const Words& words, std::int32_t fill = 0) { writeWords(run, number, words, fill); }
    // z set to `untouched` in every position of the blocks of length n.
    void clearResult(std::int32_t n) { put(z, Words(static_cast<std::size_t>(n + 2), untouched), untouched); }
    // Every position of the blocks of length n.
    Words blocksOf(StoredNumber& number, std::int32_t n)
    {
        return readBlocks(run, number, (n + 1) / run.size.blockWords + 1);
    }

    bool withRoom = false;
    ScratchDirectory dir;
    FakeHost host;
    RunContext run;
    StoredNumber x{"ix.dat"};
    StoredNumber y{"iy.dat"};
    StoredNumber z{"iz.dat"};
};

} // namespace calvorn::test
