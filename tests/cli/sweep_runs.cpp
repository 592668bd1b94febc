#include "cli/sweep_runs.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace calvorn::test {
namespace {

namespace fs = std::filesystem;

std::vector<TracedCall> readTrace(const fs::path& file)
{
    std::vector<TracedCall> calls;
    std::istringstream in(fileBytes(file));
    TracedCall call;
    while (in >> call.number >> call.operation >> call.name) calls.push_back(call);
    return calls;
}

} // namespace

bool TracedCall::onWorkFile() const
{
    return name.size() == 6 && name[0] == 'i' && name.ends_with(".dat");
}

bool TracedCall::isBlockTransfer() const { return onWorkFile() && (operation == "read" || operation == "write"); }

TracedRun traceRun(const SweepFolder& folder)
{
    const fs::path trace = folder.folders().elsewhere() / "trace.txt";
    fs::remove(trace);
    TracedRun traced;
    const auto start = std::chrono::steady_clock::now();
    ProgramRun run(
        folder.folders(), {folder.sizeArgument()}, [&trace] { setenv("CALVORN_FILE_TRACE", trace.c_str(), 1); },
        faultProbePath());
    const ProgramEnd end = run.wait();
    traced.seconds = secondsSince(start);
    traced.problems = judgeSuccess(folder, end, traced.seconds);
    traced.calls = readTrace(trace);
    folder.reset();
    return traced;
}

ProgramEnd runWithFault(const SweepFolder& folder, const std::string& order, double& seconds)
{
    const auto start = std::chrono::steady_clock::now();
    ProgramRun run(
        folder.folders(), {folder.sizeArgument()}, [&order] { setenv("CALVORN_FILE_FAULT", order.c_str(), 1); },
        faultProbePath());
    ProgramEnd end = run.wait();
    seconds = secondsSince(start);
    return end;
}

std::vector<TracedCall> chosenCalls(const std::vector<TracedCall>& calls, std::size_t blockStep)
{
    std::vector<TracedCall> chosen;
    std::size_t blocks = 0;
    for (const TracedCall& call : calls) {
        if (!call.isBlockTransfer()) chosen.push_back(call);
        else if (blockStep != 0 && blocks++ % blockStep == blockStep / 2) chosen.push_back(call);
    }
    return chosen;
}

std::uint64_t sweepSeed()
{
    if (const char* text = std::getenv("CALVORN_SWEEP_SEED")) return std::strtoull(text, nullptr, 10);
    return std::random_device{}();
}

} // namespace calvorn::test
