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

// open(2) through the fault point, made again when the system interrupts it.
int openFile(FileOperation operation, const std::string& name, int flags, mode_t mode = 0)
{
    for (;;) {
        const int fd = faultReported(operation, name) ? -1 : open(name.c_str(), flags, mode);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

// Removes the name, made again when interrupted; 0 or the error (a name
// already gone is none).
int unlinkFile(const std::string& name)
{
    for (;;) {
        if (!faultReported(FileOperation::remove, name) && unlink(name.c_str()) == 0) return 0;
        if (errno == ENOENT) return 0;
        if (errno != EINTR) return errno;
    }
}

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
        if (const int error = unlinkFile(name)) refuse("cannot create", name, systemErrorText(error));
    } else if (errno != ENOENT) {
        refuse("cannot create", name, systemErrorText(errno));
    }
    const int fd = openFile(FileOperation::create, name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
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
    const int fd = openFile(FileOperation::open, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
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
    for (;;) {
        errno = 0;
        if (std::fflush(file) == 0) break;
        if (errno != EINTR) return errno != 0 ? errno : EIO;
        std::clearerr(file);
    }
    for (;;) {
        if (!faultReported(FileOperation::sync, name) && fsync(fileno(file)) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

int renameOver(const std::string& from, const std::string& to)
{
    for (;;) {
        if (!faultReported(FileOperation::rename, to) && std::rename(from.c_str(), to.c_str()) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

int syncFolderOf(const std::string& renamed)
{
    // Names are plain names: the folder is the current one.
    for (;;) {
        if (faultReported(FileOperation::syncFolder, renamed)) {
            if (errno == EINTR) continue;
            return errno;
        }
        const int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 && errno == EINTR) continue;
        if (fd < 0) return errno;
        int error = 0;
        while (fsync(fd) != 0 && (error = errno) == EINTR) error = 0;
        close(fd);
        // A file system that cannot put a folder on the disk by itself
        // (EINVAL) leaves nothing more to do.
        return error == EINVAL ? 0 : error;
    }
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
        // Made new where there is none; one that is there and can be locked
        // was left by a run that did not end properly.
        constexpr int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        bool made = true;
        int fd = openFile(FileOperation::open, name, flags | O_CREAT | O_EXCL, 0644);
        if (fd < 0 && errno == EEXIST) {
            made = false;
            fd = openFile(FileOperation::open, name, flags);
            if (fd < 0 && errno == ENOENT) continue;
        }
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
        int locked = -1;
        while ((locked = faultReported(FileOperation::lock, name) ? -1 : flock(fd, LOCK_EX | LOCK_NB)) != 0 &&
               errno == EINTR) {
        }
        if (locked != 0) {
            const int error = errno;
            close(fd);
            if (error == EWOULDBLOCK) return Outcome::heldByAnotherRun;
            // A lock file made here and never locked is not left behind.
            if (made) unlinkFile(name);
            problem_ = "cannot lock " + name + ": " + systemErrorText(error);
            return Outcome::failed;
        }
        struct stat named {};
        if (lstat(name.c_str(), &named) == 0 && sameFile(named, opened)) {
            fd_ = fd;
            leftBehind_ = !made;
            return Outcome::acquired;
        }
        close(fd);
    }
    problem_ = "cannot lock " + name + ": it keeps being replaced";
    return Outcome::failed;
}

std::string FolderLock::release()
{
    if (fd_ < 0) return {};
    std::string problem;
    struct stat opened {};
    struct stat named {};
    if (fstat(fd_, &opened) == 0 && lstat(folderLockFileName, &named) == 0 && sameFile(opened, named))
        if (const int error = unlinkFile(folderLockFileName))
            problem = std::string("cannot remove ") + folderLockFileName + ": " + systemErrorText(error);
    // Read-only and never written: nothing of it can be lost by a failed close.
    faultReported(FileOperation::close, folderLockFileName);
    close(fd_);
    fd_ = -1;
    leftBehind_ = false;
    return problem;
}

} // namespace calvorn
