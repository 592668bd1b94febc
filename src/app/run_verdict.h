// The verdict on a run as the stability test, the JSON report and the
// history of runs give it: passed, stopped, failed, or right digits from
// other arithmetic. Judged from the session's result alone.
#pragma once

#include <string_view>

#include "app/run_session.h"

namespace calvorn {

enum class RunVerdict {
    passed,             // digits verified, the fingerprint as every machine's where checked
    stopped,            // the user stopped it: not judged
    failed,             // the run failed or its digits are wrong
    fingerprintDiffers, // right digits from other arithmetic: a hardware or build fault
};

RunVerdict judgeRun(const SessionResult& run);

// The verdict's name in the files and reports: "passed", "stopped",
// "failed", "fingerprint-differs".
std::string_view verdictName(RunVerdict verdict);

} // namespace calvorn
