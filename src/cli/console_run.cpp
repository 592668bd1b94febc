#include "cli/console_run.h"

#include "app/log_lines.h"

namespace calvorn {

void writeBytes(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

RunOutcome runOnce(std::int32_t sizeExponent, Host& host, Language language)
{
    RunOutcome outcome;
    host.appendLog(startLogLine(sizeExponent, language));
    const std::uint32_t startTicks = host.tickCount();
    host.setStopRequested(false);
    outcome.result = runPiComputation(host, sizeExponent, startTicks, outcome.summary, language);
    outcome.stopped = host.stopRequested();
    host.setStopRequested(true);
    if (outcome.result != 0) return outcome;
    outcome.elapsed = host.tickCount() - startTicks;
    host.appendLog(outputTimeLogLine(outcome.elapsed, language) + "\n");
    return outcome;
}

} // namespace calvorn
