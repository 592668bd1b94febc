#include "platform/user_folders.h"

#include <cstdlib>
#include <string>

namespace calvorn {
namespace {

// A variable that is set to an absolute path, or nothing.
std::optional<std::filesystem::path> absolutePathFrom(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    std::filesystem::path path(value);
    if (!path.is_absolute()) return std::nullopt;
    return path;
}

} // namespace

std::optional<std::filesystem::path> userCacheFolder()
{
#ifdef _WIN32
    return absolutePathFrom("LOCALAPPDATA");
#else
    if (auto cache = absolutePathFrom("XDG_CACHE_HOME")) return cache;
    if (auto home = absolutePathFrom("HOME")) return *home / ".cache";
    return std::nullopt;
#endif
}

} // namespace calvorn
