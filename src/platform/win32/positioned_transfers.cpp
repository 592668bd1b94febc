// Block transfers on Windows: a seek and one write or read of the whole
// block on the unbuffered stream (the C library moves it whole or reports an
// error); an end of file before the block is complete is a failure.
#include <cerrno>
#include <cstdio>

#include "platform/file_faults.h"
#include "platform/file_transfers.h"

namespace calvorn {
namespace {

int seekTo(std::FILE* file, std::uint64_t offset)
{
    errno = 0;
    if (_fseeki64(file, static_cast<long long>(offset), SEEK_SET) != 0) return errno != 0 ? errno : EIO;
    return 0;
}

} // namespace

int writeAt(std::FILE* file, std::string_view name, std::span<const std::byte> bytes, std::uint64_t offset)
{
    if (const int error = seekTo(file, offset)) return error;
    while (!bytes.empty()) {
        const FileFault fault = fileFaultBefore(FileOperation::write, name);
        if (fault.kind == FileFault::Kind::fail) return fault.error;
        if (fault.kind == FileFault::Kind::interrupt) continue;
        const std::size_t asked = fault.kind == FileFault::Kind::shorten ? shortenedCount(bytes.size()) : bytes.size();
        errno = 0;
        const std::size_t done = std::fwrite(bytes.data(), 1, asked, file);
        if (done != asked) return errno != 0 ? errno : EIO;
        bytes = bytes.subspan(done);
    }
    return 0;
}

int readAt(std::FILE* file, std::string_view name, std::span<std::byte> bytes, std::uint64_t offset)
{
    if (const int error = seekTo(file, offset)) return error;
    while (!bytes.empty()) {
        const FileFault fault = fileFaultBefore(FileOperation::read, name);
        if (fault.kind == FileFault::Kind::fail) return fault.error;
        if (fault.kind == FileFault::Kind::interrupt) continue;
        const std::size_t asked = fault.kind == FileFault::Kind::shorten ? shortenedCount(bytes.size()) : bytes.size();
        errno = 0;
        const std::size_t done = std::fread(bytes.data(), 1, asked, file);
        if (done != asked) return std::ferror(file) ? (errno != 0 ? errno : EIO) : unexpectedEndOfFile;
        bytes = bytes.subspan(done);
    }
    return 0;
}

} // namespace calvorn
