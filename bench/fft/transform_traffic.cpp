// calvorn_transform_traffic ours|fftw K [REPEATS]: REPEATS (default 2)
// forward plus inverse transforms of 2^K doubles, ours in the products'
// pair order or FFTW's r2c + c2r, all inside measuredTransforms(), so that a
// cache simulator can count the instructions and misses of the transforms
// alone, e.g. with
//   valgrind --tool=callgrind --cache-sim=yes '--toggle-collect=*measuredTransforms*'
// followed by: calvorn_transform_traffic ours 20
// Valgrind has no AVX-512: run ours with CALVORN_LANE_PATH=quads, and FFTW
// picks its AVX2 code by itself; its plan comes from the wisdom file when one
// was measured for this length without AVX-512, else from FFTW's estimate.
// Benchmarks only: FFTW is never linked into the program.
#include <fftw3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fft/real_fft.h"
#include "fftw_wisdom.h"

namespace {

[[gnu::noinline]] void measuredTransforms(const calvorn::fft::TransformPlan& plan, std::vector<double>& x,
                                          int repeats)
{
    for (int r = 0; r < repeats; ++r) {
        calvorn::productFftForward(plan, x);
        calvorn::productFftInverse(plan, x);
    }
}

[[gnu::noinline]] void measuredTransforms(fftw_plan forward, fftw_plan inverse, int repeats)
{
    for (int r = 0; r < repeats; ++r) {
        fftw_execute(forward);
        fftw_execute(inverse);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const bool ours = argc >= 3 && std::strcmp(argv[1], "ours") == 0;
    const bool fftw = argc >= 3 && std::strcmp(argv[1], "fftw") == 0;
    const int k = argc >= 3 ? std::atoi(argv[2]) : 0;
    const int repeats = argc >= 4 ? std::atoi(argv[3]) : 2;
    if ((!ours && !fftw) || k < 6 || k > calvorn::largestTransformExponent || repeats < 1) {
        std::fprintf(stderr, "usage: calvorn_transform_traffic ours|fftw K [REPEATS] (6 <= K <= 24)\n");
        return 2;
    }
    const std::size_t n = std::size_t{1} << k;
    if (ours) {
        calvorn::fft::TransformPlans plans;
        const calvorn::fft::TransformPlan& plan = plans.forLength(k);
        std::vector<double> x(n, 0.0);
        for (std::size_t i = 0; i < n / 2; ++i) x[i] = static_cast<double>((i * 7919) % 10000);
        measuredTransforms(plan, x, repeats);
        std::printf("ours, k = %d, lane path %s: %d forward + inverse\n", k,
                    std::string(calvorn::fft::lanePathName(plan.path)).c_str(), repeats);
        return 0;
    }
    const calvorn::bench::FftwWisdom wisdom(calvorn::bench::FftwWisdom::Use::readOnly);
    double* real = fftw_alloc_real(n);
    fftw_complex* spectrum = fftw_alloc_complex(n / 2 + 1);
    const int size = static_cast<int>(n);
    fftw_plan forward = fftw_plan_dft_r2c_1d(size, real, spectrum, FFTW_MEASURE | FFTW_WISDOM_ONLY);
    fftw_plan inverse = fftw_plan_dft_c2r_1d(size, spectrum, real, FFTW_MEASURE | FFTW_WISDOM_ONLY);
    const bool measured = forward != nullptr && inverse != nullptr;
    if (forward == nullptr) forward = fftw_plan_dft_r2c_1d(size, real, spectrum, FFTW_ESTIMATE);
    if (inverse == nullptr) inverse = fftw_plan_dft_c2r_1d(size, spectrum, real, FFTW_ESTIMATE);
    for (std::size_t i = 0; i < n; ++i) real[i] = i < n / 2 ? static_cast<double>((i * 7919) % 10000) : 0.0;
    measuredTransforms(forward, inverse, repeats);
    std::printf("fftw, k = %d, plans %s: %d forward + inverse\n", k, measured ? "from the wisdom file" : "estimated",
                repeats);
    fftw_destroy_plan(inverse);
    fftw_destroy_plan(forward);
    fftw_free(spectrum);
    fftw_free(real);
    return 0;
}
