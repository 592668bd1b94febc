#include "cli/console_run.h"

#include "app/log_lines.h"

namespace calvorn {

void writeBytes(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

SessionResult runOnce(std::int32_t sizeExponent, Host& host, RecordTable& records, SessionFront& front,
                      const RunOptions& options, const std::optional<std::filesystem::path>& historyFile)
{
    host.appendLog(startLogLine(sizeExponent, options.language));
    return runSession(host, sizeExponent, records, front, options, historyFile);
}

} // namespace calvorn
