// A fresh temporary directory that becomes the working directory for the
// life of the object, so work files and "pi_data.txt" land there; removed with
// everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace calvorn::test {

class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Names of the files in the directory, sorted.
    std::vector<std::string> fileNames() const;

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

} // namespace calvorn::test
