// File views on Windows: a read-only file mapping. A read-only mapping cannot
// reach past the end of the file, so a view reaches as far as the file holds
// when it is made, and the caller makes a new one once the file has grown.
#include "platform/file_view.h"

#include <io.h>
#include <windows.h>

namespace calvorn {

FileView FileView::of(std::FILE* file, std::uint64_t bytes)
{
    FileView view;
    if (file == nullptr || bytes == 0) return view;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER held{};
    if (handle == INVALID_HANDLE_VALUE || GetFileSizeEx(handle, &held) == 0 || held.QuadPart <= 0) return view;
    const auto reach = static_cast<std::uint64_t>(held.QuadPart) < bytes ? static_cast<std::uint64_t>(held.QuadPart)
                                                                          : bytes;
    HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) return view;
    void* address = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(reach));
    if (address == nullptr) {
        CloseHandle(mapping);
        return view;
    }
    view.data_ = static_cast<const std::byte*>(address);
    view.size_ = reach;
    view.mapping_ = mapping;
    return view;
}

void FileView::release() const
{
    // Unlocking pages that are not locked takes them out of the working set
    // (and reports that they were not locked, which is expected here).
    if (data_ != nullptr) VirtualUnlock(const_cast<std::byte*>(data_), static_cast<SIZE_T>(size_));
}

void FileView::close()
{
    if (data_ != nullptr) UnmapViewOfFile(data_);
    if (mapping_ != nullptr) CloseHandle(static_cast<HANDLE>(mapping_));
    data_ = nullptr;
    size_ = 0;
    mapping_ = nullptr;
}

} // namespace calvorn
