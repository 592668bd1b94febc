#include "platform/file_transfers.h"

#include <cerrno>

#include "platform/file_faults.h"

namespace calvorn {

int writeAll(std::FILE* file, std::string_view name, std::span<const char> bytes)
{
    const FileFault fault = fileFaultBefore(FileOperation::write, name);
    if (fault.kind == FileFault::Kind::fail) return fault.error;
    if (fault.kind == FileFault::Kind::interrupt) return EINTR;
    if (fault.kind == FileFault::Kind::shorten) {
        // The C library takes up a short system call where it stopped.
        const std::size_t first = shortenedCount(bytes.size());
        errno = 0;
        if (std::fwrite(bytes.data(), 1, first, file) != first) return errno != 0 ? errno : EIO;
        bytes = bytes.subspan(first);
    }
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) return errno != 0 ? errno : EIO;
    return 0;
}

int readUpTo(std::FILE* file, std::string_view name, std::span<char> bytes, std::size_t& got)
{
    got = 0;
    const FileFault fault = fileFaultBefore(FileOperation::read, name);
    if (fault.kind == FileFault::Kind::fail) return fault.error;
    if (fault.kind == FileFault::Kind::interrupt) return EINTR;
    errno = 0;
    got = std::fread(bytes.data(), 1, bytes.size(), file);
    if (std::ferror(file)) return errno != 0 ? errno : EIO;
    return 0;
}

int closeFile(std::FILE* file, std::string_view name)
{
    // The stream is released whatever the close reports.
    const bool faulted = faultReported(FileOperation::close, name);
    const int injected = errno;
    errno = 0;
    const int result = std::fclose(file);
    if (faulted) return injected;
    if (result != 0) return errno != 0 ? errno : EIO;
    return 0;
}

int removeFile(const std::string& name)
{
    if (faultReported(FileOperation::remove, name)) return errno;
    if (std::remove(name.c_str()) != 0 && errno != ENOENT) return errno;
    return 0;
}

} // namespace calvorn
