// What a run that did not end properly (killed, or the machine lost its
// power) leaves in its folder: work files, the side files of the digits and
// of the records, the lock file. The next run, once it holds the folder's
// lock, removes them and says which in its log.
#pragma once

#include <string>
#include <vector>

#include "common/messages.h"

namespace calvorn {

struct LeftBehind {
    std::vector<std::string> removed;  // in the order of the run's files, the lock file last
    std::string problem;               // why one could not be removed (the run must not start)
};

// Removes the run's own leftovers in the current folder (regular files only:
// anything else under those names is refused before). `lockFileLeft` adds
// the lock file that FolderLock took over to the list.
LeftBehind removeFilesLeftBehind(bool lockFileLeft);

// The log line that names them, ending in a line feed.
std::string leftBehindLine(const std::vector<std::string>& removed, Language language);

} // namespace calvorn
