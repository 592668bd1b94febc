#include "driver/work_files.h"

#include "driver/decimal_output.h"
#include "platform/owned_files.h"
#include "storage/run_errors.h"

namespace calvorn {

std::optional<std::string> runFileInTheWay()
{
    for (const char* name : workFileNames)
        if (auto inTheWay = nameInTheWay(name)) return inTheWay;
    const std::string output = decimalOutputFileName;
    if (auto inTheWay = nameInTheWay(output)) return inTheWay;
    return nameInTheWay(output + ".new");
}

void WorkFiles::create()
{
    static_assert(workFileNames.size() == count);
    for (std::size_t i = 0; i < count; ++i)
        if (numbers_[i] == nullptr) numbers_[i] = std::make_unique<StoredNumber>(workFileNames[i]);
}

void WorkFiles::release(Index first, bool report)
{
    std::string problem;
    // A file that could not be deleted stays held, so that the next release
    // (at the latest the destructor's) tries again.
    const auto drop = [this, &problem](std::size_t i) {
        if (numbers_[i] == nullptr) return;
        std::string found = numbers_[i]->closeAndDelete();
        if (found.empty()) numbers_[i].reset();
        else if (problem.empty()) problem = std::move(found);
    };
    // Y, X, W, V, T, B are closed before any is deleted; A goes last.
    for (std::size_t i = count - 1; i >= b; --i)
        if (numbers_[i] != nullptr)
            if (std::string found = numbers_[i]->close(); !found.empty() && problem.empty()) problem = std::move(found);
    for (std::size_t i = b; i < count; ++i) drop(i);
    if (first == a) drop(a);
    if (report && !problem.empty()) throw RunFailure(problem);
}

} // namespace calvorn
