// calvorn_load_share [K ...]: what loading the digits costs a product at
// 2^K doubles (default 19 to 22): the digit split of a product's words into
// the array's lower half followed by the product (the way every in-core
// product goes), against the same product of digits already in the array,
// with the caches flushed before each. The difference bounds what loading
// the digits inside the first forward pass could save; the third time is
// the product that takes the digits from the words as its first pass reads
// them, as the products now do. Arrays page-aligned, as the work area is;
// the least of nine rounds of each.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <span>
#include <vector>

#include "fft/fused_rounding.h"
#include "fft/real_fft.h"
#include "norm/digit_split.h"

namespace {

using namespace calvorn;

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

struct Aligned {
    explicit Aligned(std::size_t n) : storage(n + 512)
    {
        const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
        data = storage.data() + (4096 - address % 4096) % 4096 / sizeof(double);
        size = n;
    }
    std::span<double> span() const { return {data, size}; }
    std::vector<double> storage;
    double* data;
    std::size_t size;
};

// The words' digits as the first pass asks for them.
class WordDigits final : public fft::RealDataSource {
public:
    explicit WordDigits(std::span<const std::int32_t> words) : words_(words) {}
    void load(std::span<double> to, std::size_t element) const override
    {
        splitWords(words_.subspan(element / 2, to.size() / 2), to);
    }

private:
    std::span<const std::int32_t> words_;
};

fft::FusedRounding roundingAll(std::size_t n)
{
    fft::FusedRounding rounding;
    rounding.kept = n;
    rounding.squaredLimit = 1e300; // timing only: every sum passes
    return rounding;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> lengths;
    for (int i = 1; i < argc; ++i) lengths.push_back(std::atoi(argv[i]));
    if (lengths.empty()) lengths = {19, 20, 21, 22};
    std::vector<double> flush(std::size_t{8} << 20); // 64 MiB, past every cache
    const auto flushCaches = [&] {
        for (double& v : flush) v += 1.0;
    };
    for (const int k : lengths) {
        if (k < 6 || k > largestTransformExponent) {
            std::fprintf(stderr, "usage: calvorn_load_share [K ...]  (6 <= K <= %d)\n", largestTransformExponent);
            return 2;
        }
        const std::size_t n = std::size_t{1} << k;
        Aligned x(n);
        Aligned spectrum(n);
        std::vector<std::int32_t> words(n / 4);
        std::mt19937_64 random(static_cast<std::uint64_t>(k));
        for (std::int32_t& w : words) w = static_cast<std::int32_t>(random() % 100000000);
        fft::TransformPlans plans;
        const fft::TransformPlan& plan = plans.forLength(k);
        splitWords(words, spectrum.span().first(n / 2));
        std::fill(spectrum.span().begin() + static_cast<std::ptrdiff_t>(n / 2), spectrum.span().end(), 0.0);
        productFftForward(plan, spectrum.span());
        double withSplit = 1e30;
        double digitsThere = 1e30;
        double fused = 1e30;
        const WordDigits source(words);
        for (int round = 0; round < 9; ++round) {
            flushCaches();
            double start = now();
            splitWords(words, x.span().first(n / 2));
            fft::FusedRounding first = roundingAll(n);
            productFftTimes(plan, spectrum.span(), x.span(), first);
            withSplit = std::min(withSplit, now() - start);

            splitWords(words, x.span().first(n / 2));
            flushCaches();
            start = now();
            fft::FusedRounding second = roundingAll(n);
            productFftTimes(plan, spectrum.span(), x.span(), second);
            digitsThere = std::min(digitsThere, now() - start);

            flushCaches();
            start = now();
            fft::FusedRounding third = roundingAll(n);
            productFftTimes(plan, spectrum.span(), x.span(), third, &source);
            fused = std::min(fused, now() - start);
        }
        std::printf("2^%d: split and product %.3f ms, product of digits in place %.3f ms: the split costs %.1f%%; "
                    "digits taken in the first pass %.3f ms (%.1f%% less than split and product)\n",
                    k, withSplit * 1e3, digitsThere * 1e3, (withSplit - digitsThere) / digitsThere * 100.0,
                    fused * 1e3, (withSplit - fused) / withSplit * 100.0);
    }
    return 0;
}
