#include "app/run_session.h"

#include <exception>

#include "app/record_file.h"
#include "app/run_history.h"
#include "driver/work_files.h"
#include "platform/owned_files.h"
#include "platform/run_clock.h"

namespace calvorn {
namespace {

constexpr const char* failureCaption = "ERROR";

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
                                   const RunOptions& options)
{
    SessionResult session;
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
