#include "app/left_behind.h"

#include <filesystem>
#include <system_error>

#include "app/record_file.h"
#include "app/text_format.h"
#include "driver/decimal_output.h"
#include "driver/work_files.h"
#include "platform/file_transfers.h"
#include "platform/owned_files.h"

namespace calvorn {

LeftBehind removeFilesLeftBehind(bool lockFileLeft)
{
    std::vector<std::string> names(workFileNames.begin(), workFileNames.end());
    names.push_back(std::string(decimalOutputFileName) + ".new");
    names.push_back(std::string(recordFileName) + ".new");
    LeftBehind left;
    for (const std::string& name : names) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(name, error))) continue;
        if (const int failed = removeFile(name)) {
            left.problem = "cannot remove " + name + ", left behind by a run that did not end properly: " +
                           systemErrorText(failed);
            return left;
        }
        left.removed.push_back(name);
    }
    if (lockFileLeft) left.removed.push_back(folderLockFileName);
    return left;
}

std::string leftBehindLine(const std::vector<std::string>& removed, Language language)
{
    std::string names;
    for (const std::string& name : removed) names += (names.empty() ? "" : ", ") + name;
    return formatText(messageText(MessageId::filesLeftBehind, language), names.c_str());
}

} // namespace calvorn
