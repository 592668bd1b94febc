// The memory this process may still take before one of its own limits stops
// it: the address-space and data limits (setrlimit, `ulimit -v`, `ulimit -d`)
// and the memory limit of its control group (a container's limit), each less
// what the process already uses. Reads the system's figures only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>

namespace calvorn {

constexpr std::uint64_t noMemoryLimit = std::numeric_limits<std::uint64_t>::max();

// The smallest headroom under the process's limits; noMemoryLimit when none applies.
std::uint64_t processMemoryHeadroom();

// The smallest memory limit of the control group of this process and of its
// ancestors (cgroup v2 "memory.max", v1 "memory.limit_in_bytes"), found
// through proc/self/cgroup and proc/self/mountinfo under `root`; nothing when
// no limit is set or none can be read.
std::optional<std::uint64_t> controlGroupMemoryLimit(const std::filesystem::path& root = "/");

} // namespace calvorn
