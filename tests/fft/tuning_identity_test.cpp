// Every tuning the planner can choose against the reference written from the
// definition, bit for bit, on every lane path: the tunings only move memory
// traffic (chunk buffers, prefetches, stores past the caches), so each must
// give the reference's doubles for the forward transform, the inverse, the
// product and square in one descent and the square that keeps its spectrum.
// The lengths cover the three shapes of the first pass and every row stride
// a choice acts on; arrays are aligned as the work area is, so the stores
// past the caches really run.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "fft/lane_path_tests.h"
#include "fft/lane_paths.h"
#include "fft/reference/real_fft.h"
#include "fft/transform_oracles.h"
#include "fft/transform_planner.h"

namespace calvorn {
namespace {

using test::firstDifference;
using test::pairsReversed;

// An array of n doubles starting on a page, as the work area does.
class AlignedArray {
public:
    explicit AlignedArray(std::size_t n) : n_(n), storage_(n + pageDoubles)
    {
        const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
        const std::size_t skip = (pageBytes - address % pageBytes) % pageBytes / sizeof(double);
        data_ = storage_.data() + skip;
    }
    std::span<double> span() const { return {data_, n_}; }
    void assign(const std::vector<double>& values) { std::memcpy(data_, values.data(), n_ * sizeof(double)); }

private:
    static constexpr std::size_t pageBytes = 4096;
    static constexpr std::size_t pageDoubles = pageBytes / sizeof(double);
    std::size_t n_;
    std::vector<double> storage_;
    double* data_ = nullptr;
};

// What the reference makes of two factors of 2^k doubles (digits in the
// lower halves), in the products' pair order where the products keep it.
struct Expected {
    std::vector<double> x, y;
    std::vector<double> xSpectrum;   // products' order
    std::vector<double> ySpectrum;   // products' order
    std::vector<double> product;     // x * y back from the spectra
    std::vector<double> square;      // x * x
    std::vector<double> squaredSpectrum; // x's spectrum squared, products' order
};

Expected expectedAt(std::int32_t k, std::mt19937_64& random)
{
    const std::size_t n = std::size_t{1} << k;
    Expected e;
    e.x.assign(n, 0.0);
    e.y.assign(n, 0.0);
    for (std::size_t i = 0; i < n / 2; ++i) {
        e.x[i] = static_cast<double>(random() % 10000);
        e.y[i] = static_cast<double>(random() % 10000);
    }
    std::vector<double> xs = e.x;
    reference::realFftForward(k, xs);
    std::vector<double> ys = e.y;
    reference::realFftForward(k, ys);
    e.product = xs;
    test::multiplyPackedSpectra(e.product, ys);
    reference::realFftInverse(k, e.product);
    e.square = xs;
    test::multiplyPackedSpectra(e.square, xs);
    e.squaredSpectrum = pairsReversed(e.square, k);
    reference::realFftInverse(k, e.square);
    e.xSpectrum = pairsReversed(xs, k);
    e.ySpectrum = pairsReversed(ys, k);
    return e;
}

// Every tuning the planner's candidate lists hold, each setting over all its
// values, as distinct work at 2^k doubles.
std::vector<fft::TreeTuning> everyTuningAt(std::int32_t k, fft::LanePath path)
{
    std::set<std::uint32_t> froms, prefetches;
    fft::TreeVariant start;
    start.path = path;
    for (std::size_t step = 0; step < fft::searchStepCount; ++step) {
        for (const fft::TreeVariant& v : fft::searchStepCandidates(k, step, start, path)) {
            froms.insert(v.tuning.chunkFrom);
            prefetches.insert(v.tuning.prefetchAt);
        }
    }
    std::vector<fft::TreeVariant> distinct;
    for (const std::uint32_t from : froms) {
        for (const std::uint32_t columns : fft::chunkColumnChoices) {
            for (const std::uint32_t prefetch : prefetches) {
                for (const bool streaming : {false, true}) {
                    for (const bool top : {false, true}) {
                        fft::TreeVariant v;
                        v.path = path;
                        v.tuning = {from, columns, prefetch, streaming, top};
                        bool seen = false;
                        for (const fft::TreeVariant& d : distinct) seen = seen || fft::sameWorkAt(k, d, v);
                        if (!seen) distinct.push_back(v);
                    }
                }
            }
        }
    }
    std::vector<fft::TreeTuning> tunings;
    for (const fft::TreeVariant& v : distinct) tunings.push_back(v.tuning);
    return tunings;
}

std::string describe(std::int32_t k, fft::LanePath path, const fft::TreeTuning& tuning, const char* what)
{
    return std::string(what) + ", k = " + std::to_string(k) + ", " + fft::variantName({path, tuning});
}

// The lower half of some data, given run by run as the first pass asks;
// counts what it gave, so that an element asked twice or never shows.
class CountingSource final : public fft::RealDataSource {
public:
    explicit CountingSource(const std::vector<double>& data) : data_(data), given_(data.size(), 0) {}
    void load(std::span<double> to, std::size_t element) const override
    {
        for (std::size_t i = 0; i < to.size(); ++i) {
            to[i] = data_[element + i];
            ++given_[element + i];
        }
    }
    // Whether every element of the lower half was given exactly once.
    bool gaveEachOnce() const
    {
        for (std::size_t i = 0; i < given_.size(); ++i) {
            if (given_[i] != (i < given_.size() / 2 ? 1 : 0)) return false;
        }
        return true;
    }

private:
    const std::vector<double>& data_;
    mutable std::vector<int> given_;
};

// An array whose lower half no sourced transform may read.
void spoil(AlignedArray& a)
{
    for (double& value : a.span()) value = std::numeric_limits<double>::quiet_NaN();
}

fft::FusedRounding wholeValues()
{
    fft::FusedRounding rounding;
    rounding.kept = 0;
    rounding.squaredLimit = 1e300;
    return rounding;
}

// The forward transform, the rounding product and square and the square
// that keeps its spectrum, each taking x from a source into a spoilt array:
// the doubles of the data in place, and every element asked for once.
void expectSourcedMatch(const fft::TransformPlan& plan, fft::LanePath path, const Expected& e, AlignedArray& a,
                        AlignedArray& b, const AlignedArray& other, const std::string& what)
{
    const std::size_t n = e.x.size();
    const auto check = [&](const char* step, std::span<double> result, const std::vector<double>& want,
                           const CountingSource& source) {
        EXPECT_EQ(firstDifference(result, want), n) << what << ", sourced " << step;
        EXPECT_TRUE(source.gaveEachOnce()) << what << ", sourced " << step;
    };
    {
        const CountingSource source(e.x);
        spoil(a);
        fft::forwardTransform(plan, path, a.span(), fft::SpectrumOrder::pairsReversed, &source);
        check("forward", a.span(), e.xSpectrum, source);
    }
    {
        const CountingSource source(e.x);
        spoil(a);
        fft::FusedRounding rounding = wholeValues();
        fft::productTransform(plan, path, a.span(), other.span(), rounding, &source);
        check("product", a.span(), e.product, source);
    }
    {
        const CountingSource source(e.x);
        spoil(a);
        fft::FusedRounding rounding = wholeValues();
        fft::productTransform(plan, path, a.span(), {}, rounding, &source);
        check("square", a.span(), e.square, source);
    }
    {
        const CountingSource source(e.x);
        spoil(a);
        fft::FusedRounding rounding = wholeValues();
        fft::squareKeepingSpectrum(plan, path, a.span(), b.span(), rounding, &source);
        check("kept spectrum", a.span(), e.xSpectrum, source);
        check("kept square", b.span(), e.square, source);
    }
}

void expectEveryTuningMatches(fft::LanePath path, std::int32_t k, const std::vector<fft::TreeTuning>& tunings,
                              std::mt19937_64& random)
{
    const Expected e = expectedAt(k, random);
    const std::size_t n = e.x.size();
    fft::TransformPlans plans(path);
    AlignedArray a(n);
    AlignedArray b(n);
    AlignedArray other(n);
    other.assign(e.ySpectrum);
    for (const fft::TreeTuning& tuning : tunings) {
        plans.choose(k, path, tuning);
        const fft::TransformPlan& plan = plans.forLength(k);

        a.assign(e.x);
        fft::forwardTransform(plan, path, a.span(), fft::SpectrumOrder::pairsReversed);
        ASSERT_EQ(firstDifference(a.span(), e.xSpectrum), n) << describe(k, path, tuning, "forward");
        a.assign(e.squaredSpectrum);
        fft::inverseTransform(plan, path, a.span(), fft::SpectrumOrder::pairsReversed);
        ASSERT_EQ(firstDifference(a.span(), e.square), n) << describe(k, path, tuning, "inverse");

        a.assign(e.x);
        fft::productTransform(plan, path, a.span(), other.span());
        ASSERT_EQ(firstDifference(a.span(), e.product), n) << describe(k, path, tuning, "product");
        a.assign(e.x);
        fft::productTransform(plan, path, a.span(), {});
        ASSERT_EQ(firstDifference(a.span(), e.square), n) << describe(k, path, tuning, "square");

        // The kept spectrum and the square come back whole, whatever the rounding decides.
        a.assign(e.x);
        fft::FusedRounding rounding;
        rounding.kept = 0;
        rounding.squaredLimit = 1e300;
        fft::squareKeepingSpectrum(plan, path, a.span(), b.span(), rounding);
        ASSERT_EQ(firstDifference(a.span(), e.xSpectrum), n) << describe(k, path, tuning, "kept spectrum");
        ASSERT_EQ(firstDifference(b.span(), e.square), n) << describe(k, path, tuning, "kept square");

        expectSourcedMatch(plan, path, e, a, b, other, describe(k, path, tuning, "tuning"));
        if (::testing::Test::HasFailure()) return;
    }
}

// A fixture of its own, so that only these tests run under it.
class TuningsOnEveryLanePath : public test::OnEveryLanePath {};

// Every distinct tuning at lengths of each first-pass shape whose strides
// reach every chunk stride and prefetch stride but the longest.
TEST_P(TuningsOnEveryLanePath, EveryTuningMatchesTheReference)
{
    std::mt19937_64 random(6128);
    for (const std::int32_t k : {12, 13, 15, 16, 17}) {
        const std::vector<fft::TreeTuning> tunings = everyTuningAt(k, GetParam());
        ASSERT_GE(tunings.size(), 4u) << "k = " << k;
        expectEveryTuningMatches(GetParam(), k, tunings, random);
        if (HasFailure()) return;
    }
}

// The longest chunk stride acts from 2^20 doubles on (the radix-4 first pass's
// rows lie 2^15 apart): the tunings that chunk only there.
TEST_P(TuningsOnEveryLanePath, TheLongestChunkStrideMatchesTheReference)
{
    std::mt19937_64 random(6129);
    std::vector<fft::TreeTuning> tunings;
    for (const std::uint32_t columns : fft::chunkColumnChoices) {
        tunings.push_back({32768, columns, 0, false});
        tunings.push_back({32768, columns, 4096, true});
    }
    expectEveryTuningMatches(GetParam(), 20, tunings, random);
}

// The short lengths, where the transforms without a tree take the whole
// lower half from a source at once and the first pass's rows are shorter
// than a run of the source, under every tuning.
TEST_P(TuningsOnEveryLanePath, DataFromASourceMatchesAtTheShortLengths)
{
    std::mt19937_64 random(6130);
    for (std::int32_t k = 1; k <= 11; ++k) {
        const Expected e = expectedAt(k, random);
        const std::size_t n = e.x.size();
        fft::TransformPlans plans(GetParam());
        AlignedArray a(n);
        AlignedArray b(n);
        AlignedArray other(n);
        other.assign(e.ySpectrum);
        for (const fft::TreeTuning& tuning : everyTuningAt(k, GetParam())) {
            plans.choose(k, GetParam(), tuning);
            expectSourcedMatch(plans.forLength(k), GetParam(), e, a, b, other,
                               describe(k, GetParam(), tuning, "tuning"));
            if (HasFailure()) return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Tunings, TuningsOnEveryLanePath, ::testing::ValuesIn(fft::everyLanePath),
                         test::lanePathTestName);

} // namespace
} // namespace calvorn
