// Block transfers on POSIX: one positioned call does the seek and the
// transfer together. A regular file moves the whole block at once; a shorter
// count is taken up where it stopped, an interrupted call is made again, and
// an end of file before the block is complete is a failure.
#include <cerrno>
#include <sys/types.h>
#include <unistd.h>

#include "platform/file_faults.h"
#include "platform/file_transfers.h"

namespace calvorn {
namespace {

// One pread or pwrite of at most `count` bytes, after the fault point.
template <typename Call>
ssize_t transferCall(FileOperation operation, std::string_view name, std::size_t count, Call call)
{
    const FileFault fault = fileFaultBefore(operation, name);
    switch (fault.kind) {
    case FileFault::Kind::fail: errno = fault.error; return -1;
    case FileFault::Kind::interrupt: errno = EINTR; return -1;
    case FileFault::Kind::shorten: return call(shortenedCount(count));
    case FileFault::Kind::none: break;
    }
    return call(count);
}

} // namespace

int writeAt(std::FILE* file, std::string_view name, std::span<const std::byte> bytes, std::uint64_t offset)
{
    const int fd = fileno(file);
    while (!bytes.empty()) {
        errno = 0;
        const ssize_t done = transferCall(FileOperation::write, name, bytes.size(), [&](std::size_t count) {
            return pwrite(fd, bytes.data(), count, static_cast<off_t>(offset));
        });
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) return errno;
        if (done == 0) return EIO;
        bytes = bytes.subspan(static_cast<std::size_t>(done));
        offset += static_cast<std::uint64_t>(done);
    }
    return 0;
}

int readAt(std::FILE* file, std::string_view name, std::span<std::byte> bytes, std::uint64_t offset)
{
    const int fd = fileno(file);
    while (!bytes.empty()) {
        errno = 0;
        const ssize_t done = transferCall(FileOperation::read, name, bytes.size(), [&](std::size_t count) {
            return pread(fd, bytes.data(), count, static_cast<off_t>(offset));
        });
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) return errno;
        if (done == 0) return unexpectedEndOfFile;
        bytes = bytes.subspan(static_cast<std::size_t>(done));
        offset += static_cast<std::uint64_t>(done);
    }
    return 0;
}

} // namespace calvorn
