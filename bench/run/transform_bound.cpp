// calvorn_transform_bound SIZE: one whole computation of SIZE digits (e.g.
// 4M) in a scratch folder, then the transforms it made by length and the
// run's transform-bound limit: the sum over lengths of count times FFTW's
// time for one transform of that length ((forward + inverse) / 2, planned by
// measurement), and the run's processor time over that limit.
// Benchmarks only: FFTW is never linked into the program.
#include <fftw3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/size_table.h"
#include "fftw_wisdom.h"
#include "driver/pi_computation.h"
#include "platform/posix/console_host.h"
#include "platform/run_clock.h"
#include "run/quiet_host.h"

namespace {

using namespace calvorn;

// User time of this process: other programs sharing the processor do not count.
double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec) + 1e-6 * static_cast<double>(usage.ru_utime.tv_usec);
}

// Processor seconds of one FFTW transform of 2^k doubles, (forward +
// inverse) / 2: the best of a few rounds of at least 2^24 elements, with the
// data refilled before each round (c2r does not scale).
double fftwSecondsPerTransform(std::int32_t k)
{
    const std::size_t n = std::size_t{1} << k;
    double* real = fftw_alloc_real(n);
    fftw_complex* spectrum = fftw_alloc_complex(n / 2 + 1);
    const fftw_plan forward = fftw_plan_dft_r2c_1d(static_cast<int>(n), real, spectrum, FFTW_MEASURE);
    const fftw_plan inverse = fftw_plan_dft_c2r_1d(static_cast<int>(n), spectrum, real, FFTW_MEASURE);
    const int repeats = std::max(1, static_cast<int>((std::size_t{1} << 24) / n));
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        for (std::size_t i = 0; i < n; ++i) real[i] = i < n / 2 ? static_cast<double>((i * 7919) % 10000) : 0.0;
        const double start = processorSeconds();
        for (int r = 0; r < repeats; ++r) {
            fftw_execute(forward);
            fftw_execute(inverse);
        }
        best = std::min(best, (processorSeconds() - start) / (2.0 * repeats));
    }
    fftw_destroy_plan(inverse);
    fftw_destroy_plan(forward);
    fftw_free(spectrum);
    fftw_free(real);
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const auto sizeExponent = argc == 2 ? sizeExponentFromName(argv[1]) : std::nullopt;
    if (!sizeExponent) {
        std::fprintf(stderr, "usage: calvorn_transform_bound SIZE (16K .. 32M)\n");
        return 2;
    }
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("calvorn-transform-bound-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(scratch);

    QuietHost host;
    RunSummary summary;
    const double before = processorSeconds();
    const RunClock clock(host);
    const int result = runPiComputation(host, *sizeExponent, clock, summary);
    const double runSeconds = processorSeconds() - before;
    std::filesystem::current_path(home);
    std::filesystem::remove_all(scratch);
    if (result != 0) {
        std::fprintf(stderr, "the run failed\n");
        return 1;
    }

    std::printf("size %s, work area %d doubles, %s\n", argv[1], summary.workAreaLength,
                summary.digitsVerified ? "digits verified" : "DIGITS WRONG");
    // FFTW plans each length once per machine and keeps it in the wisdom
    // file (the first run at 32M spends many minutes planning).
    const calvorn::bench::FftwWisdom wisdom;
    std::printf("%4s %10s %10s %14s %12s\n", "k", "forward", "inverse", "fftw ns/elem", "bound s");
    double limit = 0.0;
    for (std::size_t k = 0; k < summary.transforms.forward.size(); ++k) {
        const std::uint64_t count = summary.transforms.forward[k] + summary.transforms.inverse[k];
        if (count == 0) continue;
        const double seconds = fftwSecondsPerTransform(static_cast<std::int32_t>(k));
        const double bound = static_cast<double>(count) * seconds;
        limit += bound;
        std::printf("%4zu %10llu %10llu %14.3f %12.4f\n", k,
                    static_cast<unsigned long long>(summary.transforms.forward[k]),
                    static_cast<unsigned long long>(summary.transforms.inverse[k]),
                    1e9 * seconds / static_cast<double>(std::size_t{1} << k), bound);
        wisdom.save();
    }
    std::printf("run: %.3f s processor time; transform-bound limit: %.3f s; run / limit: %.2f\n", runSeconds, limit,
                runSeconds / limit);
    return summary.digitsVerified ? 0 : 1;
}
