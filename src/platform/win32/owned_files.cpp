#include "platform/owned_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>

#include "platform/file_faults.h"
#include "platform/file_transfers.h"
#include "platform/win32/wide_text.h"

namespace calvorn {
namespace {

bool missingError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// What stands at the name when it is not a regular file: a reparse point
// (a symbolic link or junction) is never followed.
const char* kindOf(DWORD attributes)
{
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return "a symbolic link";
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "a directory";
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return "a device";
    return nullptr;
}

[[noreturn]] void refuse(const char* what, const std::string& name, const std::string& reason)
{
    throw FileRefused(std::string(what) + " " + name + ": " + reason);
}

// A regular file of the disk, opened through its own name and not a link.
bool isRegularDiskFile(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
           kindOf(info.dwFileAttributes) == nullptr;
}

} // namespace

std::string systemErrorText(int error)
{
    if (error == unexpectedEndOfFile) return "unexpected end of file";
    return error != 0 ? std::strerror(error) : "unknown error";
}

std::optional<std::string> nameInTheWay(const std::string& name)
{
    const DWORD attributes = GetFileAttributesW(utf8ToWide(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (missingError(error)) return std::nullopt;
        return "cannot examine " + name + ": " + windowsErrorText(error);
    }
    if (const char* kind = kindOf(attributes)) return name + " is " + kind;
    return std::nullopt;
}

std::FILE* createOwnedFile(const std::string& name)
{
    const std::wstring wide = utf8ToWide(name);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (const char* kind = kindOf(attributes)) refuse("cannot create", name, std::string("it is ") + kind);
        if (faultReported(FileOperation::remove, name)) refuse("cannot create", name, systemErrorText(errno));
        if (!DeleteFileW(wide.c_str()) && !missingError(GetLastError()))
            refuse("cannot create", name, windowsErrorText(GetLastError()));
    }
    if (faultReported(FileOperation::create, name)) refuse("cannot create", name, systemErrorText(errno));
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) refuse("cannot create", name, windowsErrorText(GetLastError()));
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        DeleteFileW(wide.c_str());
        refuse("cannot create", name, "no descriptor left");
    }
    std::FILE* file = _fdopen(fd, "w+b");
    if (file == nullptr) {
        _close(fd);
        DeleteFileW(wide.c_str());
        refuse("cannot create", name, "no stream left");
    }
    return file;
}

ReadableFile openRegularFileForReading(const std::string& name)
{
    ReadableFile result;
    const std::wstring wide = utf8ToWide(name);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (missingError(error)) result.missing = true;
        else result.problem = "cannot read " + name + ": " + windowsErrorText(error);
        return result;
    }
    if (const char* kind = kindOf(attributes)) {
        result.problem = name + " is " + kind;
        return result;
    }
    if (faultReported(FileOperation::open, name)) {
        result.problem = "cannot read " + name + ": " + systemErrorText(errno);
        return result;
    }
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (missingError(error)) result.missing = true;
        else result.problem = "cannot read " + name + ": " + windowsErrorText(error);
        return result;
    }
    if (!isRegularDiskFile(handle)) {
        CloseHandle(handle);
        result.problem = name + " is not a regular file";
        return result;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        result.problem = "cannot read " + name + ": no descriptor left";
        return result;
    }
    result.file = _fdopen(fd, "rb");
    if (result.file == nullptr) {
        _close(fd);
        result.problem = "cannot read " + name + ": no stream left";
    }
    return result;
}

int flushToDisk(std::FILE* file, std::string_view name)
{
    errno = 0;
    if (std::fflush(file) != 0) return errno != 0 ? errno : EIO;
    if (faultReported(FileOperation::sync, name)) return errno;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) return EIO;
    return 0;
}

int renameOver(const std::string& from, const std::string& to)
{
    if (faultReported(FileOperation::rename, to)) return errno;
    if (MoveFileExW(utf8ToWide(from).c_str(), utf8ToWide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    switch (GetLastError()) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_DISK_FULL: return ENOSPC;
    default: return EIO;
    }
}

int syncFolderOf(const std::string& renamed)
{
    // MOVEFILE_WRITE_THROUGH has put the rename on the disk already.
    return faultReported(FileOperation::syncFolder, renamed) ? errno : 0;
}

FolderLock::~FolderLock() { release(); }

FolderLock::Outcome FolderLock::acquire()
{
    release();
    const std::string name = folderLockFileName;
    if (const auto inTheWay = nameInTheWay(name)) {
        problem_ = *inTheWay;
        return Outcome::failed;
    }
    if (faultReported(FileOperation::open, name)) {
        problem_ = "cannot create " + name + ": " + systemErrorText(errno);
        return Outcome::failed;
    }
    // Opened without sharing: a second run cannot open it while this one
    // lives, and the system closes (and so deletes) it when this one ends.
    HANDLE handle = CreateFileW(utf8ToWide(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) return Outcome::heldByAnotherRun;
        problem_ = "cannot create " + name + ": " + windowsErrorText(error);
        return Outcome::failed;
    }
    // The system deletes the file when its last handle closes, however the
    // process ends; one that is there all the same outlived a system crash.
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        CloseHandle(handle);
        return Outcome::heldByAnotherRun;
    }
    handle_ = handle;
    leftBehind_ = existed;
    return Outcome::acquired;
}

std::string FolderLock::release()
{
    if (handle_ == nullptr) return {};
    // Closing the only handle deletes the file.
    faultReported(FileOperation::close, folderLockFileName);
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    leftBehind_ = false;
    return {};
}

} // namespace calvorn
