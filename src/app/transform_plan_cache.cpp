#include "app/transform_plan_cache.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include "fft/transform_planner.h"
#include "platform/owned_files.h"
#include "platform/processor_model.h"
#include "platform/user_folders.h"

#ifndef CALVORN_VERSION
#define CALVORN_VERSION "unknown"
#endif

namespace calvorn {
namespace {

// More than any real plan needs: a larger file is not one of ours.
constexpr std::size_t cacheReadLimit = 64 * 1024;

} // namespace

std::optional<std::filesystem::path> transformPlanCacheFile()
{
    const auto folder = userCacheFolder();
    if (!folder) return std::nullopt;
    return *folder / "calvorn" / "transform-plans";
}

// The search's number of steps is part of the heading: a plan found by a
// search with fewer settings is searched again, not taken as finished.
std::string transformPlanCacheHeading()
{
    return "calvorn " CALVORN_VERSION " transform plans of " + std::to_string(fft::searchStepCount) + " steps for " +
           processorModel();
}

CachedPlans readTransformPlans(const std::filesystem::path& file)
{
    CachedPlans cached;
    const ReadableFile found = openRegularFileForReading(file.string());
    if (found.missing) return cached;
    if (found.file == nullptr) {
        cached.problem = found.problem;
        return cached;
    }
    std::string bytes(cacheReadLimit + 1, '\0');
    errno = 0;
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), found.file));
    const bool failed = std::ferror(found.file) != 0;
    const int error = errno;
    std::fclose(found.file);
    if (failed) {
        cached.problem = "cannot read " + file.string() + ": " + systemErrorText(error != 0 ? error : EIO);
        return cached;
    }
    if (bytes.size() > cacheReadLimit) {
        cached.problem = file.string() + " is too long to be a plan";
        return cached;
    }
    const fft::PlanCacheReading reading = fft::readPlanCache(transformPlanCacheHeading(), bytes);
    if (!reading.problem.empty()) {
        cached.problem = file.string() + ": " + reading.problem;
        return cached;
    }
    cached.choices = reading.choices;
    return cached;
}

std::optional<std::string> writeTransformPlans(const std::filesystem::path& file,
                                               const std::vector<fft::PlanChoice>& choices)
{
    std::error_code made;
    std::filesystem::create_directories(file.parent_path(), made);
    if (made) return "cannot make " + file.parent_path().string() + ": " + made.message();
    const std::string text = fft::planCacheText(transformPlanCacheHeading(), choices);
    try {
        SideFile side(file.string());
        if (const int error = side.write(text)) return "cannot write " + side.name() + ": " + systemErrorText(error);
        if (const int error = side.finish()) return "cannot write " + side.name() + ": " + systemErrorText(error);
        if (const int error = side.commit()) return "cannot replace " + file.string() + ": " + systemErrorText(error);
    } catch (const FileRefused& refused) {
        return refused.what();
    }
    return std::nullopt;
}

} // namespace calvorn
