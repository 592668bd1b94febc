#include "support/scratch_directory.h"

#include <algorithm>
#include <random>
#include <stdexcept>

namespace calvorn::test {

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path())
{
    // A new directory under a random name (create_directory reports whether
    // it made the directory, so a name already taken is never shared); the
    // same on POSIX and Windows.
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    std::random_device entropy;
    std::mt19937_64 random((std::uint64_t{entropy()} << 32) ^ entropy());
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        std::filesystem::path candidate = temp / ("calvorn-test-" + std::to_string(random() % 1000000000000ull));
        if (std::filesystem::create_directory(candidate)) path_ = std::move(candidate);
    }
    if (path_.empty()) throw std::runtime_error("no scratch directory could be made in " + temp.string());
    std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchDirectory::fileNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace calvorn::test
