// Where the program keeps what belongs to the user rather than to a run
// folder: the cache of measurements (the transforms' plans).
#pragma once

#include <filesystem>
#include <optional>

namespace calvorn {

// $XDG_CACHE_HOME (when it is an absolute path), else ~/.cache; on Windows
// %LOCALAPPDATA%. Nothing when the environment names none.
std::optional<std::filesystem::path> userCacheFolder();

} // namespace calvorn
