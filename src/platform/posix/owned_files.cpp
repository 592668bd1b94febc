#include "platform/owned_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_faults.h"
#include "platform/file_transfers.h"

namespace calvorn {
namespace {

// "a symbolic link", "a directory", ... for anything that is not a regular file.
const char* kindOf(mode_t mode)
{
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

std::string isKind(const std::string& name, mode_t mode) { return name + " is " + kindOf(mode); }

[[noreturn]] void refuse(const char* what, const std::string& name, const std::string& reason)
{
    throw FileRefused(std::string(what) + " " + name + ": " + reason);
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

} // namespace

std::string systemErrorText(int error)
{
    if (error == unexpectedEndOfFile) return "unexpected end of file";
    return error != 0 ? std::strerror(error) : "unknown error";
}

std::optional<std::string> nameInTheWay(const std::string& name)
{
    struct stat status {};
    if (lstat(name.c_str(), &status) != 0) {
        if (errno == ENOENT) return std::nullopt;
        return "cannot examine " + name + ": " + systemErrorText(errno);
    }
    if (S_ISREG(status.st_mode)) return std::nullopt;
    return isKind(name, status.st_mode);
}

std::FILE* createOwnedFile(const std::string& name)
{
    struct stat status {};
    if (lstat(name.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) refuse("cannot create", name, std::string("it is ") + kindOf(status.st_mode));
        // A file of an earlier run: its name goes, whatever else links to it.
        if ((faultReported(FileOperation::remove, name) || unlink(name.c_str()) != 0) && errno != ENOENT)
            refuse("cannot create", name, systemErrorText(errno));
    } else if (errno != ENOENT) {
        refuse("cannot create", name, systemErrorText(errno));
    }
    const int fd = faultReported(FileOperation::create, name)
                       ? -1
                       : open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        const int error = errno;
        // Something appeared there in the meantime.
        if (error == EEXIST && lstat(name.c_str(), &status) == 0)
            refuse("cannot create", name, std::string("it is ") + kindOf(status.st_mode));
        refuse("cannot create", name, systemErrorText(error));
    }
    std::FILE* file = fdopen(fd, "w+b");
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        unlink(name.c_str());
        refuse("cannot create", name, systemErrorText(error));
    }
    return file;
}

ReadableFile openRegularFileForReading(const std::string& name)
{
    ReadableFile result;
    struct stat status {};
    if (lstat(name.c_str(), &status) != 0) {
        if (errno == ENOENT) result.missing = true;
        else result.problem = "cannot read " + name + ": " + systemErrorText(errno);
        return result;
    }
    if (!S_ISREG(status.st_mode)) {
        result.problem = isKind(name, status.st_mode);
        return result;
    }
    // Neither a link nor a FIFO put there since the look above can hold the open.
    const int fd = faultReported(FileOperation::open, name)
                       ? -1
                       : open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) result.missing = true;
        else if (errno == ELOOP) result.problem = name + " is a symbolic link";
        else result.problem = "cannot read " + name + ": " + systemErrorText(errno);
        return result;
    }
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        result.problem = isKind(name, opened.st_mode);
        close(fd);
        return result;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    result.file = fdopen(fd, "rb");
    if (result.file == nullptr) {
        result.problem = "cannot read " + name + ": " + systemErrorText(errno);
        close(fd);
    }
    return result;
}

int flushToDisk(std::FILE* file, std::string_view name)
{
    errno = 0;
    if (std::fflush(file) != 0) return errno != 0 ? errno : EIO;
    if (faultReported(FileOperation::sync, name) || fsync(fileno(file)) != 0) return errno;
    return 0;
}

int renameOver(const std::string& from, const std::string& to)
{
    if (faultReported(FileOperation::rename, to)) return errno;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

FolderLock::~FolderLock() { release(); }

FolderLock::Outcome FolderLock::acquire()
{
    release();
    const std::string name = folderLockFileName;
    // A run that ends removes the lock file while it still holds the lock; a
    // lock taken on a file that is no longer under the name does not count.
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (const auto inTheWay = nameInTheWay(name)) {
            problem_ = *inTheWay;
            return Outcome::failed;
        }
        // Read-only: the lock file is never written, whatever it is linked to.
        const int fd = faultReported(FileOperation::open, name)
                           ? -1
                           : open(name.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
        if (fd < 0) {
            problem_ = errno == ELOOP ? name + " is a symbolic link"
                                      : "cannot create " + name + ": " + systemErrorText(errno);
            return Outcome::failed;
        }
        struct stat opened {};
        if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            problem_ = isKind(name, opened.st_mode);
            close(fd);
            return Outcome::failed;
        }
        if (faultReported(FileOperation::lock, name) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            if (error == EWOULDBLOCK) return Outcome::heldByAnotherRun;
            problem_ = "cannot lock " + name + ": " + systemErrorText(error);
            return Outcome::failed;
        }
        struct stat named {};
        if (lstat(name.c_str(), &named) == 0 && sameFile(named, opened)) {
            fd_ = fd;
            return Outcome::acquired;
        }
        close(fd);
    }
    problem_ = "cannot lock " + name + ": it keeps being replaced";
    return Outcome::failed;
}

void FolderLock::release()
{
    if (fd_ < 0) return;
    struct stat opened {};
    struct stat named {};
    if (fstat(fd_, &opened) == 0 && lstat(folderLockFileName, &named) == 0 && sameFile(opened, named) &&
        !faultReported(FileOperation::remove, folderLockFileName))
        unlink(folderLockFileName);
    faultReported(FileOperation::close, folderLockFileName);
    close(fd_);
    fd_ = -1;
}

} // namespace calvorn
