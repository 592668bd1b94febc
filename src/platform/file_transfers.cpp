#include "platform/file_transfers.h"

#include <cerrno>

#include "platform/file_faults.h"

namespace calvorn {

int writeAll(std::FILE* file, std::string_view name, std::span<const char> bytes)
{
    // A call the system interrupted is made again, and one that moved less
    // than asked is taken up where it stopped.
    while (!bytes.empty()) {
        const FileFault fault = fileFaultBefore(FileOperation::write, name);
        if (fault.kind == FileFault::Kind::fail) return fault.error;
        if (fault.kind == FileFault::Kind::interrupt) continue;
        const std::size_t asked = fault.kind == FileFault::Kind::shorten ? shortenedCount(bytes.size()) : bytes.size();
        errno = 0;
        const std::size_t done = std::fwrite(bytes.data(), 1, asked, file);
        bytes = bytes.subspan(done);
        if (done == asked) continue;
        if (errno != EINTR) return errno != 0 ? errno : EIO;
        std::clearerr(file);
    }
    return 0;
}

int readUpTo(std::FILE* file, std::string_view name, std::span<char> bytes, std::size_t& got)
{
    got = 0;
    while (got < bytes.size()) {
        const FileFault fault = fileFaultBefore(FileOperation::read, name);
        if (fault.kind == FileFault::Kind::fail) return fault.error;
        if (fault.kind == FileFault::Kind::interrupt) continue;
        const std::size_t left = bytes.size() - got;
        const std::size_t asked = fault.kind == FileFault::Kind::shorten ? shortenedCount(left) : left;
        errno = 0;
        const std::size_t done = std::fread(bytes.data() + got, 1, asked, file);
        got += done;
        if (done == asked) continue;
        if (std::feof(file)) return 0;
        if (errno != EINTR) return errno != 0 ? errno : EIO;
        std::clearerr(file);
    }
    return 0;
}

int closeFile(std::FILE* file, std::string_view name)
{
    // The stream is released whatever the close reports. An interrupted
    // close has released the descriptor too and is not made again (its
    // number may already belong to another file); whatever the caller needs
    // on the disk it has put there before.
    const bool faulted = faultReported(FileOperation::close, name);
    const int injected = errno;
    errno = 0;
    const int result = std::fclose(file);
    const int error = faulted ? injected : result != 0 ? (errno != 0 ? errno : EIO) : 0;
    return error == EINTR ? 0 : error;
}

int removeFile(const std::string& name)
{
    for (;;) {
        if (!faultReported(FileOperation::remove, name) && std::remove(name.c_str()) == 0) return 0;
        if (errno == ENOENT) return 0;
        if (errno != EINTR) return errno;
    }
}

} // namespace calvorn
