#include "app/run_session.h"

#include <exception>

#include "app/record_file.h"
#include "app/text_format.h"
#include "app/transform_plan_cache.h"
#include "app/run_history.h"
#include "driver/work_files.h"
#include "platform/owned_files.h"
#include "platform/run_clock.h"

namespace calvorn {
namespace {

constexpr const char* failureCaption = "ERROR";

// The plans an earlier run measured, for a run that keeps them: taken up
// unless every length is to be measured anew. A file that cannot be read is
// said in the log and left alone, and the run takes the static plan.
struct PlanCacheUse {
    std::optional<std::filesystem::path> file; // where this run's measurements go
    std::vector<fft::PlanChoice> earlier;      // what the file held
};

PlanCacheUse takeUpPlans(Host& host, RunOptions& options)
{
    PlanCacheUse use;
    if (!options.planCacheFile) return use;
    CachedPlans cached = readTransformPlans(*options.planCacheFile);
    if (cached.problem && !options.replanTransforms) {
        host.appendLog(formatText(messageText(MessageId::planCacheUnreadable, options.language), cached.problem->c_str()));
        options.planTransforms = false;
        return use;
    }
    // Asked to measure anew, the run writes over a file it could not read.
    use.file = options.planCacheFile;
    use.earlier = std::move(cached.choices);
    if (!options.replanTransforms) options.knownPlans = use.earlier;
    return use;
}

// What this run measured, with what the file held for the lengths and kinds
// it did not use, written back.
void keepPlans(Host& host, const PlanCacheUse& use, const fft::TransformPlanner& planner, Language language)
{
    if (!use.file || !planner.measuredAnything()) return;
    std::vector<fft::PlanChoice> choices = planner.choices();
    const auto inThisRun = [&](const fft::PlanChoice& earlier) {
        for (const fft::PlanChoice& now : choices) {
            if (now.k == earlier.k && now.work == earlier.work) return true;
        }
        return false;
    };
    for (const fft::PlanChoice& earlier : use.earlier) {
        if (!inThisRun(earlier)) choices.push_back(earlier);
    }

    if (const auto problem = writeTransformPlans(*use.file, choices))
        host.appendLog(formatText(messageText(MessageId::planCacheNotSaved, language), problem->c_str()));
}

// A run that ended by itself goes into the history, whatever its verdict.
void addToHistory(const std::optional<std::filesystem::path>& historyFile, std::int32_t sizeExponent,
                  SessionResult& session)
{
    if (!historyFile) return;
    if (auto problem = appendToHistory(*historyFile, historyEntryOf(sizeExponent, session)))
        session.historyProblem = std::move(*problem);
}

} // namespace

std::optional<std::string> folderFileInTheWay()
{
    if (auto inTheWay = runFileInTheWay()) return inTheWay;
    const std::string records(recordFileName);
    if (auto inTheWay = nameInTheWay(records)) return inTheWay;
    return nameInTheWay(records + ".new");
}

SessionResult runUnrecordedSession(Host& host, std::int32_t sizeExponent, SessionFront& front,
                                   const RunOptions& givenOptions)
{
    SessionResult session;
    RunOptions options = givenOptions;
    const PlanCacheUse planCache = takeUpPlans(host, options);
    const RunClock clock(host);
    host.setStopRequested(false);
    int result = 1;
    try {
        result = runPiComputation(host, sizeExponent, clock, session.summary, options);
        // A stop asked for after the last block transfer still counts: look
        // once more before anything is recorded.
        if (result == 0 && !host.stopRequested()) host.checkForStop();
    } catch (const std::exception& e) {
        host.showError(e.what(), failureCaption);
        result = 1;
    }
    const bool stopped = host.stopRequested();
    host.setStopRequested(true);
    front.computationEnded();
    keepPlans(host, planCache, session.summary.planner, options.language);

    if (stopped) {
        session.outcome = SessionResult::Outcome::stopped;
        return session;
    }
    // A wrong result must never become a best time.
    if (result != 0 || !session.summary.digitsVerified) {
        session.outcome = SessionResult::Outcome::failed;
        return session;
    }

    session.elapsed = session.summary.elapsed;
    front.runFinished(session.elapsed, session.summary);
    session.outcome = SessionResult::Outcome::recorded;
    return session;
}

SessionResult runSession(Host& host, std::int32_t sizeExponent, RecordTable& records, SessionFront& front,
                         const RunOptions& options, const std::optional<std::filesystem::path>& historyFile)
{
    SessionResult session = runUnrecordedSession(host, sizeExponent, front, options);
    if (session.outcome == SessionResult::Outcome::stopped) return session;
    if (session.outcome == SessionResult::Outcome::failed) {
        addToHistory(historyFile, sizeExponent, session);
        return session;
    }
    records.recordRun(sizeExponent, session.elapsed);
    try {
        saveRecords(records, sizeExponent);
    } catch (const RecordFileError& e) {
        session.recordsError = e.what();
    }
    addToHistory(historyFile, sizeExponent, session);
    return session;
}

} // namespace calvorn
