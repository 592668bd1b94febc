#include "platform/process_limits.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace calvorn {
namespace {

// Limits from this far up mean "no limit" (cgroup v1 writes one just below 2^63).
constexpr std::uint64_t unlimitedFrom = std::uint64_t{1} << 62;

std::optional<std::uint64_t> readLimitFile(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string text;
    if (!(in >> text) || text == "max") return std::nullopt;
    try {
        std::size_t used = 0;
        const std::uint64_t value = std::stoull(text, &used);
        if (used != text.size() || value >= unlimitedFrom) return std::nullopt;
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<std::string> fields(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string field; in >> field;) out.push_back(field);
    return out;
}

struct ControlGroupMount {
    std::filesystem::path mountPoint;
    std::string root;    // the part of the hierarchy mounted there
    std::string group;   // this process's group in that hierarchy
    const char* limitFile = nullptr;
};

// The mounted memory hierarchies that hold this process's group.
std::vector<ControlGroupMount> memoryHierarchies(const std::filesystem::path& root)
{
    std::string v2Group;
    std::string v1Group;
    bool haveV2 = false;
    bool haveV1 = false;
    std::ifstream cgroup(root / "proc/self/cgroup");
    for (std::string line; std::getline(cgroup, line);) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            v2Group = path;
            haveV2 = true;
        }
        std::istringstream names(controllers);
        for (std::string name; std::getline(names, name, ',');)
            if (name == "memory") {
                v1Group = path;
                haveV1 = true;
            }
    }

    std::vector<ControlGroupMount> mounts;
    std::ifstream mountInfo(root / "proc/self/mountinfo");
    for (std::string line; std::getline(mountInfo, line);) {
        const std::vector<std::string> f = fields(line);
        const auto dash = std::find(f.begin(), f.end(), "-");
        if (f.size() < 5 || dash == f.end() || dash + 1 == f.end()) continue;
        const std::string& type = *(dash + 1);
        const std::string superOptions = dash + 3 < f.end() ? *(dash + 3) : "";
        ControlGroupMount mount;
        mount.root = f[3];
        mount.mountPoint = root / std::filesystem::path(f[4]).relative_path();
        if (type == "cgroup2" && haveV2) {
            mount.group = v2Group;
            mount.limitFile = "memory.max";
        } else if (type == "cgroup" && haveV1 && ("," + superOptions + ",").find(",memory,") != std::string::npos) {
            mount.group = v1Group;
            mount.limitFile = "memory.limit_in_bytes";
        } else {
            continue;
        }
        mounts.push_back(mount);
    }
    return mounts;
}

// The group's folder under its mount: the group path less the mounted root.
std::filesystem::path groupFolder(const ControlGroupMount& mount)
{
    std::string relative = mount.group;
    if (mount.root != "/" && relative.starts_with(mount.root)) relative.erase(0, mount.root.size());
    return mount.mountPoint / std::filesystem::path(relative).relative_path();
}

// Kibibytes of a "Vm...:" line of /proc/self/status, in bytes.
std::uint64_t statusFigure(const std::string& status, const std::string& key)
{
    const auto at = status.find("\n" + key + ":");
    if (at == std::string::npos) return 0;
    std::istringstream in(status.substr(at + key.size() + 2));
    std::uint64_t kib = 0;
    in >> kib;
    return kib * 1024;
}

std::uint64_t headroom(std::uint64_t limit, std::uint64_t used) { return limit > used ? limit - used : 0; }

} // namespace

std::optional<std::uint64_t> controlGroupMemoryLimit(const std::filesystem::path& root)
{
    std::optional<std::uint64_t> smallest;
    for (const ControlGroupMount& mount : memoryHierarchies(root)) {
        // The group's own limit and every limit above it up to the mount.
        std::filesystem::path folder = groupFolder(mount);
        if (!std::filesystem::exists(folder)) folder = mount.mountPoint;
        for (;;) {
            if (const auto limit = readLimitFile(folder / mount.limitFile))
                smallest = smallest ? std::min(*smallest, *limit) : *limit;
            if (folder == mount.mountPoint || !folder.has_relative_path()) break;
            const std::filesystem::path parent = folder.parent_path();
            if (parent == folder || parent.native().size() < mount.mountPoint.native().size()) break;
            folder = parent;
        }
    }
    return smallest;
}

std::uint64_t processMemoryHeadroom()
{
    std::ifstream in("/proc/self/status");
    std::ostringstream text;
    text << "\n" << in.rdbuf();
    const std::string status = text.str();

    std::uint64_t smallest = noMemoryLimit;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        smallest = std::min<std::uint64_t>(smallest, headroom(limit.rlim_cur, statusFigure(status, "VmSize")));
    if (getrlimit(RLIMIT_DATA, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        smallest = std::min<std::uint64_t>(smallest, headroom(limit.rlim_cur, statusFigure(status, "VmData")));
    if (const auto groupLimit = controlGroupMemoryLimit())
        smallest = std::min(smallest, headroom(*groupLimit, statusFigure(status, "VmRSS")));
    return smallest;
}

} // namespace calvorn
