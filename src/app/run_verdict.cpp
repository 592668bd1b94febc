#include "app/run_verdict.h"

namespace calvorn {

RunVerdict judgeRun(const SessionResult& run)
{
    switch (run.outcome) {
    case SessionResult::Outcome::recorded: return RunVerdict::passed;
    case SessionResult::Outcome::stopped: return RunVerdict::stopped;
    case SessionResult::Outcome::failed: break;
    }
    const RunSummary& s = run.summary;
    if (s.digitsVerified && s.fingerprintChecked && !s.fingerprintMatched) return RunVerdict::fingerprintDiffers;
    return RunVerdict::failed;
}

std::string_view verdictName(RunVerdict verdict)
{
    switch (verdict) {
    case RunVerdict::passed: return "passed";
    case RunVerdict::stopped: return "stopped";
    case RunVerdict::fingerprintDiffers: return "fingerprint-differs";
    case RunVerdict::failed: break;
    }
    return "failed";
}

} // namespace calvorn
