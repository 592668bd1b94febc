// FFTW's plans by measurement take minutes at the longest lengths (about a
// minute per direction at 2^22 on the machine this was written on, several
// at 2^24). The benchmarks that compare with FFTW keep what the planner
// learned in one wisdom file, so each length is measured once per machine:
// $CALVORN_FFTW_WISDOM if set, else $XDG_CACHE_HOME/calvorn/fftw-wisdom, else
// ~/.cache/calvorn/fftw-wisdom. A missing or foreign file only means
// planning from scratch.
#pragma once

#include <fftw3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace calvorn::bench {

class FftwWisdom {
public:
    // Whether the file is read only (a program that plans nothing by
    // measurement, or that runs under a simulator, must not write it).
    enum class Use { readAndSave, readOnly };

    explicit FftwWisdom(Use use = Use::readAndSave) : path_(wisdomPath()), save_(use == Use::readAndSave)
    {
        if (!path_.empty()) fftw_import_wisdom_from_filename(path_.c_str());
    }
    // Saves what was learned. The file is written beside and renamed into
    // place, so a benchmark killed while planning leaves the old wisdom.
    ~FftwWisdom() { save(); }
    FftwWisdom(const FftwWisdom&) = delete;
    FftwWisdom& operator=(const FftwWisdom&) = delete;

    void save() const
    {
        if (path_.empty() || !save_) return;
        std::error_code error;
        std::filesystem::create_directories(path_.parent_path(), error);
        const std::filesystem::path side = path_.string() + ".new";
        if (fftw_export_wisdom_to_filename(side.c_str()) != 0) std::filesystem::rename(side, path_, error);
    }

    const std::filesystem::path& path() const { return path_; }

private:
    static std::filesystem::path wisdomPath()
    {
        if (const char* named = std::getenv("CALVORN_FFTW_WISDOM"); named != nullptr && *named != '\0') return named;
        if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache != '\0')
            return std::filesystem::path(cache) / "calvorn" / "fftw-wisdom";
        if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
            return std::filesystem::path(home) / ".cache" / "calvorn" / "fftw-wisdom";
        return {};
    }

    std::filesystem::path path_;
    bool save_;
};

} // namespace calvorn::bench
