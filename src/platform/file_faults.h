// The point every file operation of the program passes just before it calls
// the system. The program itself never intervenes here; the test build of the
// console program links another definition that makes a chosen operation
// fail, be interrupted, move fewer bytes or end the process, so that the
// tests can prove each of these is handled.
#pragma once

#include <cerrno>
#include <cstddef>
#include <string_view>

namespace calvorn {

enum class FileOperation {
    create,     // a new file of the run (work file, side file)
    open,       // an existing file opened for reading, or the lock file
    read,
    write,
    sync,       // a file's data put on the disk
    syncFolder, // the folder put on the disk after a rename; `name` is the renamed file
    rename,
    close,
    remove,
    lock,
};

struct FileFault {
    enum class Kind {
        none,      // the call goes ahead
        fail,      // the call reports `error` and does nothing
        interrupt, // the call reports EINTR and does nothing
        shorten,   // a read or write moves fewer bytes than asked (at least one)
    };
    Kind kind = Kind::none;
    int error = 0;
};

// Asked once before every system call on one of the program's files.
FileFault fileFaultBefore(FileOperation operation, std::string_view name);

// The fault point before a call that moves no bytes: true when the call is
// not to be made and is to report errno instead.
inline bool faultReported(FileOperation operation, std::string_view name)
{
    const FileFault fault = fileFaultBefore(operation, name);
    if (fault.kind == FileFault::Kind::fail) errno = fault.error;
    else if (fault.kind == FileFault::Kind::interrupt) errno = EINTR;
    else return false;
    return true;
}

// The count a shortened transfer moves instead of `count`.
constexpr std::size_t shortenedCount(std::size_t count) { return count > 1 ? count / 2 : count; }

} // namespace calvorn
