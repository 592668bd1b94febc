// The reference column of the transform benchmark: FFTW's real transforms
// (r2c forward, c2r back, planned by measurement) at the lengths the
// products use, per element of forward plus inverse, beside our own.
// Benchmarks only: FFTW is never linked into the program.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstdint>
#include <random>

#include "fftw_wisdom.h"

namespace {

// A real array of n doubles and its half spectrum (n/2 + 1 complex values),
// with both plans made by FFTW_MEASURE before the data is filled in.
class FftwPair {
public:
    explicit FftwPair(std::int32_t k)
        : n_(std::size_t{1} << k),
          real_(fftw_alloc_real(n_)),
          spectrum_(fftw_alloc_complex(n_ / 2 + 1)),
          forward_(fftw_plan_dft_r2c_1d(static_cast<int>(n_), real_, spectrum_, FFTW_MEASURE)),
          inverse_(fftw_plan_dft_c2r_1d(static_cast<int>(n_), spectrum_, real_, FFTW_MEASURE))
    {
        std::mt19937_64 random(static_cast<std::uint64_t>(k));
        for (std::size_t i = 0; i < n_; ++i) real_[i] = i < n_ / 2 ? static_cast<double>(random() % 10000) : 0.0;
    }
    ~FftwPair()
    {
        fftw_destroy_plan(inverse_);
        fftw_destroy_plan(forward_);
        fftw_free(spectrum_);
        fftw_free(real_);
    }
    FftwPair(const FftwPair&) = delete;
    FftwPair& operator=(const FftwPair&) = delete;

    void forward() { fftw_execute(forward_); }
    void inverse() { fftw_execute(inverse_); }
    std::size_t size() const { return n_; }
    const double* data() const { return real_; }

private:
    std::size_t n_;
    double* real_;
    fftw_complex* spectrum_;
    fftw_plan forward_;
    fftw_plan inverse_;
};

// FFTW's c2r is unnormalised: the values grow by n a round and soon become
// infinities and NaNs, which the vector units work at full speed (only
// subnormal values are slow), so the time stays that of the arithmetic.
// One round goes untimed first, so that the spectrum's pages are mapped, as
// our own transforms' arrays are written before their timing starts: without
// it the page faults of a fresh spectrum tripled FFTW's time at 2^24.
void fftwForwardAndInverse(benchmark::State& state)
{
    // Plans come from the wisdom file when an earlier run measured them.
    const calvorn::bench::FftwWisdom wisdom;
    FftwPair pair(static_cast<std::int32_t>(state.range(0)));
    wisdom.save();
    pair.forward();
    pair.inverse();
    for (auto _ : state) {
        pair.forward();
        pair.inverse();
        benchmark::DoNotOptimize(pair.data());
        benchmark::ClobberMemory();
    }
    state.counters["per_element"] = benchmark::Counter(
        static_cast<double>(pair.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(fftwForwardAndInverse)->Arg(16)->Arg(20)->Arg(22)->Arg(24)->Unit(benchmark::kMillisecond);

} // namespace
