#include "driver/work_files.h"

namespace calvorn {

void WorkFiles::create()
{
    constexpr std::array<const char*, count> names{"ia.dat", "ib.dat", "it.dat", "iv.dat",
                                                   "iw.dat", "ix.dat", "iy.dat"};
    for (std::size_t i = 0; i < count; ++i)
        if (numbers_[i] == nullptr) numbers_[i] = std::make_unique<StoredNumber>(names[i]);
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
