// The control group's memory limit read from a copied tree of /proc and
// /sys/fs/cgroup: version 2 and version 1 hierarchies, limits set above the
// process's own group, groups mounted from inside a container, and no limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/process_limits.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

namespace fs = std::filesystem;

void put(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

constexpr const char* v2Mounts =
    "30 22 0:27 / /sys/fs/cgroup rw,nosuid - cgroup2 cgroup2 rw,nsdelegate\n";
constexpr const char* v1Mounts =
    "30 22 0:27 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
    "31 30 0:28 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n"
    "34 30 0:31 / /sys/fs/cgroup/memory rw,relatime - cgroup cgroup rw,memory\n";

TEST(ControlGroupLimit, VersionTwoTakesTheSmallestLimitOnTheWayUp)
{
    test::ScratchDirectory dir;
    const fs::path root = dir.path();
    put(root / "proc/self/cgroup", "0::/user.slice/job/run\n");
    put(root / "proc/self/mountinfo", v2Mounts);
    put(root / "sys/fs/cgroup/user.slice/job/run/memory.max", "max\n");
    put(root / "sys/fs/cgroup/user.slice/job/memory.max", "536870912\n");
    put(root / "sys/fs/cgroup/user.slice/memory.max", "1073741824\n");
    EXPECT_EQ(controlGroupMemoryLimit(root), 536870912u);

    put(root / "sys/fs/cgroup/user.slice/job/run/memory.max", "268435456\n");
    EXPECT_EQ(controlGroupMemoryLimit(root), 268435456u);
}

TEST(ControlGroupLimit, VersionOneReadsTheMemoryHierarchyAndTreatsHugeAsNone)
{
    test::ScratchDirectory dir;
    const fs::path root = dir.path();
    put(root / "proc/self/cgroup", "9:name=systemd:/\n5:cpu:/\n4:memory:/process_api/abc\n0::/\n");
    put(root / "proc/self/mountinfo", v1Mounts);
    put(root / "sys/fs/cgroup/memory/process_api/abc/memory.limit_in_bytes", "9223372036854771712\n");
    put(root / "sys/fs/cgroup/memory/memory.limit_in_bytes", "9223372036854771712\n");
    EXPECT_EQ(controlGroupMemoryLimit(root), std::nullopt);

    put(root / "sys/fs/cgroup/memory/process_api/memory.limit_in_bytes", "104857600\n");
    EXPECT_EQ(controlGroupMemoryLimit(root), 104857600u);
}

TEST(ControlGroupLimit, AContainerSeesItsOwnGroupAtTheMount)
{
    // Inside a container the group's path may not exist under the mount,
    // which shows the container's own group.
    test::ScratchDirectory dir;
    const fs::path root = dir.path();
    put(root / "proc/self/cgroup", "0::/../../elsewhere\n");
    put(root / "proc/self/mountinfo", v2Mounts);
    put(root / "sys/fs/cgroup/memory.max", "2147483648\n");
    EXPECT_EQ(controlGroupMemoryLimit(root), 2147483648u);
}

TEST(ControlGroupLimit, NothingToReadIsNoLimit)
{
    test::ScratchDirectory dir;
    EXPECT_EQ(controlGroupMemoryLimit(dir.path()), std::nullopt);
    put(dir.path() / "proc/self/cgroup", "0::/a\n");
    put(dir.path() / "proc/self/mountinfo", v2Mounts);
    put(dir.path() / "sys/fs/cgroup/a/memory.max", "garbage\n");
    EXPECT_EQ(controlGroupMemoryLimit(dir.path()), std::nullopt);
}

} // namespace
} // namespace calvorn
