// calvorn_out_of_core_run SIZE CAP [ROUNDS] [reads]: whole computations of
// SIZE digits with the work area limited to CAP bytes (out of core) and
// without a limit (in core), alternating, ROUNDS times each (default 3);
// with "reads", each also with every block read into a buffer instead of
// seen through a view of its work file. Each run is a child process of its
// own in a scratch folder; for each the wall, user and system seconds, the
// peak resident size, the work files' bytes read (of them, seen through a
// view) and written (blocks times blockBytes) and the work fingerprint are
// printed, then the medians and the ratios to the in-core run.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/size_table.h"
#include "cli/options.h"
#include "common/size_parameters.h"
#include "driver/pi_computation.h"
#include "driver/work_fingerprint.h"
#include "platform/posix/console_host.h"
#include "platform/run_clock.h"
#include "run/quiet_host.h"

namespace {

using namespace calvorn;

// What a child reports through its pipe.
struct ChildReport {
    int result = 1;
    std::uint64_t blocksRead = 0;
    std::uint64_t blocksWritten = 0;
    std::uint64_t blocksViewed = 0;
    std::uint64_t fingerprint = 0;
    std::int32_t workAreaLength = 0;
};

struct Measured {
    ChildReport report;
    double wall = 0;
    double user = 0;
    double system = 0;
    double peakMiB = 0;
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); }

// One computation in a child process, in a scratch folder of its own.
Measured runChild(std::int32_t sizeExponent, std::uint64_t cap, bool views)
{
    int channel[2];
    if (pipe(channel) != 0) std::exit(1);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) std::exit(1);
    if (child == 0) {
        close(channel[0]);
        const std::filesystem::path scratch =
            std::filesystem::temp_directory_path() / ("calvorn-out-of-core-" + std::to_string(getpid()));
        std::filesystem::create_directories(scratch);
        std::filesystem::current_path(scratch);
        QuietHost host;
        RunSummary summary;
        RunOptions options;
        options.memoryCap = cap;
        options.viewWorkFiles = views;
        const RunClock clock(host);
        ChildReport report;
        report.result = runPiComputation(host, sizeExponent, clock, summary, options);
        report.blocksRead = summary.transfers.blocksRead;
        report.blocksWritten = summary.transfers.blocksWritten;
        report.blocksViewed = summary.transfers.blocksViewed;
        report.fingerprint = summary.workFingerprint;
        report.workAreaLength = summary.workAreaLength;
        std::filesystem::current_path("/");
        std::filesystem::remove_all(scratch);
        const ssize_t written = write(channel[1], &report, sizeof report);
        _exit(written == static_cast<ssize_t>(sizeof report) ? 0 : 1);
    }
    close(channel[1]);
    Measured measured;
    const ssize_t got = read(channel[0], &measured.report, sizeof measured.report);
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    if (got != static_cast<ssize_t>(sizeof measured.report) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        measured.report.result = 1;
    measured.wall = wall.count();
    measured.user = seconds(usage.ru_utime);
    measured.system = seconds(usage.ru_stime);
    measured.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return measured;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

struct Series {
    const char* name;
    std::vector<Measured> runs;

    double medianOf(double Measured::*field) const
    {
        std::vector<double> values;
        for (const Measured& m : runs) values.push_back(m.*field);
        return median(values);
    }
};

double mebibytes(std::uint64_t blocks, std::int32_t blockBytes)
{
    return static_cast<double>(blocks) * static_cast<double>(blockBytes) / (1024.0 * 1024.0);
}

void printRun(const char* name, const Measured& m, std::int32_t blockBytes)
{
    std::printf("%-22s %8.2f %8.2f %8.2f %8.1f %12.1f %12.1f %12.1f %10d  %s%s\n", name, m.wall, m.user, m.system,
                m.peakMiB, mebibytes(m.report.blocksRead, blockBytes), mebibytes(m.report.blocksViewed, blockBytes),
                mebibytes(m.report.blocksWritten, blockBytes),
                m.report.workAreaLength, workFingerprintText(m.report.fingerprint).c_str(),
                m.report.result == 0 ? "" : "  FAILED");
}

} // namespace

int main(int argc, char** argv)
{
    const auto sizeExponent = argc >= 3 ? sizeExponentFromName(argv[1]) : std::nullopt;
    const auto cap = argc >= 3 ? parseMemorySize(argv[2]) : std::nullopt;
    const int rounds = argc >= 4 ? std::atoi(argv[3]) : 3;
    const bool compareReads = argc >= 5 && std::string(argv[4]) == "reads";
    if (!sizeExponent || !cap || rounds < 1 || (argc >= 5 && !compareReads)) {
        std::fprintf(stderr, "usage: calvorn_out_of_core_run SIZE CAP [ROUNDS [reads]] (e.g. 8M 16M 3)\n");
        return 2;
    }
    const std::int32_t blockBytes = SizeParameters::forExponent(*sizeExponent).blockBytes;
    std::printf("size %s, cap %s, %d rounds; seconds, peak MiB, work files' MiB read (of them viewed) and written\n",
                argv[1], argv[2], rounds);
    std::printf("%-22s %8s %8s %8s %8s %12s %12s %12s %10s  %s\n", "run", "wall", "user", "system", "peak", "read",
                "viewed", "written", "area", "fingerprint");
    struct Kind {
        Series series;
        std::uint64_t cap;
        bool views;
    };
    std::vector<Kind> kinds{{{"out of core", {}}, *cap, true}, {{"in core", {}}, ~std::uint64_t{0}, true}};
    if (compareReads) {
        kinds.push_back({{"out of core, reads", {}}, *cap, false});
        kinds.push_back({{"in core, reads", {}}, ~std::uint64_t{0}, false});
    }
    bool failed = false;
    for (int round = 0; round < rounds; ++round) {
        for (Kind& kind : kinds) {
            const Measured m = runChild(*sizeExponent, kind.cap, kind.views);
            printRun(kind.series.name, m, blockBytes);
            failed = failed || m.report.result != 0;
            kind.series.runs.push_back(m);
        }
    }
    std::printf("medians\n");
    for (const Kind& kind : kinds) {
        Measured m = kind.series.runs.front();
        m.wall = kind.series.medianOf(&Measured::wall);
        m.user = kind.series.medianOf(&Measured::user);
        m.system = kind.series.medianOf(&Measured::system);
        m.peakMiB = kind.series.medianOf(&Measured::peakMiB);
        printRun(kind.series.name, m, blockBytes);
    }
    const Series& full = kinds[1].series;
    const auto cpu = [](const Series& s) { return s.medianOf(&Measured::user) + s.medianOf(&Measured::system); };
    for (const Kind& kind : kinds) {
        if (&kind.series == &full) continue;
        std::printf("%s / in core: wall %.2f, user + system %.2f\n", kind.series.name,
                    kind.series.medianOf(&Measured::wall) / full.medianOf(&Measured::wall), cpu(kind.series) / cpu(full));
    }
    return failed ? 1 : 0;
}
