#include "platform/user_data.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_faults.h"
#include "platform/owned_files.h"

namespace calvorn {
namespace {

std::string cannotWrite(const std::filesystem::path& file, int error)
{
    return "cannot write " + pathText(file) + ": " + systemErrorText(error);
}

// Makes every missing folder of `folder`, each readable by the user alone.
std::optional<std::string> makeFolders(const std::filesystem::path& folder)
{
    std::filesystem::path made;
    for (const std::filesystem::path& part : folder) {
        made /= part;
        if (mkdir(made.c_str(), 0700) == 0) continue;
        const int error = errno;
        struct stat status {};
        if (stat(made.c_str(), &status) == 0) {
            if (S_ISDIR(status.st_mode)) continue;
            return "cannot make the folder " + pathText(made) + ": a file of that name is in the way";
        }
        return "cannot make the folder " + pathText(made) + ": " + systemErrorText(error);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::filesystem::path> userDataFolder()
{
    // Relative paths in the variable are to be ignored.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') return std::filesystem::path(dataHome);
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return std::nullopt;
    return std::filesystem::path(home) / ".local" / "share";
}

std::optional<std::string> appendWholeLine(const std::filesystem::path& file, std::string_view line)
{
    if (auto problem = makeFolders(file.parent_path())) return problem;
    // Read as well as append: the last byte tells whether the file ends a line.
    const std::string name = pathText(file);
    if (faultReported(FileOperation::open, name)) return cannotWrite(file, errno);
    const int fd = open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                        0666);
    if (fd < 0) {
        if (errno == ELOOP) return pathText(file) + " is a symbolic link";
        return cannotWrite(file, errno);
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return pathText(file) + " is not a regular file";
    }
    std::string text;
    char last = '\n';
    if (status.st_size > 0 && pread(fd, &last, 1, status.st_size - 1) == 1 && last != '\n') text.push_back('\n');
    text += line;
    // An interrupted or short write goes on with the rest; a line cut short
    // by a failure is a damaged line that readers skip and the next append ends.
    int error = 0;
    for (std::size_t done = 0; done < text.size() && error == 0;) {
        const FileFault fault = fileFaultBefore(FileOperation::write, name);
        std::size_t count = text.size() - done;
        if (fault.kind == FileFault::Kind::fail) {
            error = fault.error;
            break;
        }
        if (fault.kind == FileFault::Kind::interrupt) continue;
        if (fault.kind == FileFault::Kind::shorten) count = shortenedCount(count);
        errno = 0;
        const ssize_t written = write(fd, text.data() + done, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) error = errno != 0 ? errno : ENOSPC;
        else done += static_cast<std::size_t>(written);
    }
    if (error == 0) {
        if (faultReported(FileOperation::sync, name)) error = errno;
        else if (fdatasync(fd) != 0 && errno != EINVAL) error = errno;
    }
    if (faultReported(FileOperation::close, name)) {
        if (error == 0) error = errno;
        close(fd);
    } else if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) return cannotWrite(file, error);
    return std::nullopt;
}

} // namespace calvorn
