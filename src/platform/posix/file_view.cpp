// File views on POSIX: a shared read-only mapping. The mapping may reach past
// the end of the file; the pages the file grows into are seen through it.
#include "platform/file_view.h"

#include <sys/mman.h>

namespace calvorn {

FileView FileView::of(std::FILE* file, std::uint64_t bytes)
{
    FileView view;
    if (file == nullptr || bytes == 0) return view;
    void* address = mmap(nullptr, static_cast<std::size_t>(bytes), PROT_READ, MAP_SHARED, fileno(file), 0);
    if (address == MAP_FAILED) return view;
    view.data_ = static_cast<const std::byte*>(address);
    view.size_ = bytes;
    return view;
}

void FileView::release() const
{
    // Advice only: where the system does not take it the pages just stay.
    if (data_ != nullptr) madvise(const_cast<std::byte*>(data_), static_cast<std::size_t>(size_), MADV_DONTNEED);
}

void FileView::close()
{
    if (data_ != nullptr) munmap(const_cast<std::byte*>(data_), static_cast<std::size_t>(size_));
    data_ = nullptr;
    size_ = 0;
}

} // namespace calvorn
