#include "storage/run_context.h"

#include <cstdlib>
#include <new>

#if defined(_WIN32)
#include <malloc.h>
#endif

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace calvorn {
namespace {

#if defined(__linux__)
// A transform sweeps the whole area again and again: on pages of 2 MiB its
// strided passes miss the address cache far less often than on pages of
// 4 KiB. Areas of at least one such page are aligned to it and the kernel is
// asked for them; it may refuse, which costs nothing but the speed.
constexpr std::size_t largePageBytes = std::size_t{1} << 21;

// Smaller areas start on a cache line, as the transforms' vectors like it.
constexpr std::size_t cacheLineBytes = 64;

double* allocateDoubles(std::size_t count)
{
    const std::size_t bytes = count * sizeof(double);
    const bool large = bytes >= largePageBytes;
    const std::size_t alignment = large ? largePageBytes : cacheLineBytes;
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    void* data = nullptr;
    if (posix_memalign(&data, alignment, rounded) != 0) return nullptr;
    if (large) madvise(data, rounded, MADV_HUGEPAGE);
    return static_cast<double*>(data);
}
#elif defined(_WIN32)
// The C library's heap gives 16 bytes of alignment only: a transform's
// vectors of 32 or 64 bytes would then cross cache lines at every load and
// store, and the stores past the caches could not run. The area starts on
// a page instead.
constexpr std::size_t pageBytes = 4096;

double* allocateDoubles(std::size_t count)
{
    return static_cast<double*>(_aligned_malloc(count * sizeof(double), pageBytes));
}
#else
double* allocateDoubles(std::size_t count) { return static_cast<double*>(std::malloc(count * sizeof(double))); }
#endif

} // namespace

#if defined(_WIN32)
void WorkArea::Release::operator()(double* data) const { _aligned_free(data); }
#else
void WorkArea::Release::operator()(double* data) const { std::free(data); }
#endif

bool WorkArea::allocate(std::int32_t length, std::int32_t room)
{
    release();
    const std::int32_t after = room > 5 ? room : 5;
    // Not zeroed: every method writes what it reads, and touching 256 MB
    // before the run would only cost time.
    data_.reset(allocateDoubles(static_cast<std::size_t>(length) + static_cast<std::size_t>(after)));
    if (data_ == nullptr) return false;
    length_ = length;
    roomLength_ = after;
    return true;
}

void WorkArea::release()
{
    data_.reset();
    length_ = 0;
    roomLength_ = 0;
}

} // namespace calvorn
