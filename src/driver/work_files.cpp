#include "driver/work_files.h"

#include "driver/decimal_output.h"
#include "platform/owned_files.h"

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

void WorkFiles::releaseAllButA()
{
    for (std::size_t i = count - 1; i > a; --i)
        if (numbers_[i] != nullptr) numbers_[i]->close();
    for (std::size_t i = b; i < count; ++i) {
        if (numbers_[i] == nullptr) continue;
        numbers_[i]->closeAndDelete();
        numbers_[i].reset();
    }
}

void WorkFiles::releaseAll()
{
    releaseAllButA();
    if (numbers_[a] != nullptr) {
        numbers_[a]->closeAndDelete();
        numbers_[a].reset();
    }
}

} // namespace calvorn
