#include "storage/run_context.h"

#include <new>

namespace calvorn {

bool WorkArea::allocate(std::int32_t length)
{
    release();
    // Not zeroed: every method writes what it reads, and touching 256 MB
    // before the run would only cost time.
    data_.reset(new (std::nothrow) double[static_cast<std::size_t>(length) + 5]);
    if (data_ == nullptr) return false;
    length_ = length;
    return true;
}

void WorkArea::release()
{
    data_.reset();
    length_ = 0;
}

} // namespace calvorn
