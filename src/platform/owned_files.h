// The files a run makes in its folder, made so that nothing else is ever
// touched: created exclusively and never through a link, opened without
// blocking on a FIFO, replaced by renaming a finished side file over them,
// and one run per folder by a lock the system drops when the process ends.
// Names are plain names in the current directory.
#pragma once

#include <cstdio>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace calvorn {

// A file that could not be made or opened safely; what() names the file and
// the reason ("cannot create ia.dat: it is a symbolic link").
class FileRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What stands at `name` when it is neither missing nor a regular file:
// "pi_rec.txt is a symbolic link" (a directory, a FIFO, a device, ...).
// Nothing when the name is free or holds a regular file. Links are not followed.
std::optional<std::string> nameInTheWay(const std::string& name);

// Creates `name` for reading and writing, empty, exclusively and never
// through a link. A regular file of that name (left by an earlier run) is
// removed first; anything else there is refused. Throws FileRefused.
std::FILE* createOwnedFile(const std::string& name);

// An existing regular file opened for reading: a link is not followed and a
// FIFO does not block the open.
struct ReadableFile {
    std::FILE* file = nullptr;    // open for reading, or nullptr
    bool missing = false;         // there is no file of that name
    std::string problem;          // otherwise: why it cannot be read ("cannot read pi_rec.txt: ...")
};
ReadableFile openRegularFileForReading(const std::string& name);

// Flushes the stream `name` and asks the system to put its data on the disk.
// Returns 0 or the system's error number.
int flushToDisk(std::FILE* file, std::string_view name);

// Renames `from` over `to` in one step; `to` may exist. Returns 0 or the
// system's error number.
int renameOver(const std::string& from, const std::string& to);

// Puts the folder of the file just renamed to `renamed` (the current one) on
// the disk, so that a power cut cannot undo the rename. Returns 0 or the
// system's error number. Windows makes the rename itself durable.
int syncFolderOf(const std::string& renamed);

// The text of a system error number.
std::string systemErrorText(int error);

// A new version of `finalName` written under `finalName` + ".new" and put in
// place whole by commit(): a failure or an abandoned file leaves `finalName`
// as it was. The side file is created as createOwnedFile does, unbuffered, so
// that a failing write is reported by the write that meets it; destruction
// without commit() closes and removes it.
class SideFile {
public:
    explicit SideFile(std::string finalName);   // throws FileRefused
    ~SideFile();
    SideFile(const SideFile&) = delete;
    SideFile& operator=(const SideFile&) = delete;

    const std::string& name() const { return sideName_; }
    const std::string& finalName() const { return finalName_; }

    // Writes all of `bytes` at the end of what is written; 0 or the system's
    // error number.
    int write(std::span<const char> bytes);
    // Flushes, puts the data on the disk and closes the side file; 0 or the
    // system's error number. The file stays under its side name.
    int finish();
    // Renames the finished side file over the final name and puts the folder
    // on the disk; 0 or the error. Refuses (EEXIST) when something other than
    // a regular file stands there. After an error, replaced() says whether the
    // final name already holds the new file (only the folder could not be
    // put on the disk).
    int commit();
    bool replaced() const { return replaced_; }
    // Closes (if open) and removes the side file.
    void discard();

private:
    std::string finalName_;
    std::string sideName_;
    std::FILE* file_ = nullptr;
    bool onDisk_ = false;
    bool replaced_ = false;
};

// One run per folder: a lock on "calvorn.lock" in the current directory that
// the system releases when the process ends, however it ends. The lock file
// is removed again when the lock is given up; a lock file found there and
// taken over was left by a run that did not end properly (a kill, a power
// cut), which leftBehind() tells.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    enum class Outcome { acquired, heldByAnotherRun, failed };
    // Takes the lock without waiting. On failed, problem() says why.
    Outcome acquire();
    const std::string& problem() const { return problem_; }
    bool leftBehind() const { return leftBehind_; }
    // Gives the lock up and removes the lock file; why the file could not be
    // removed, or nothing.
    std::string release();

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    std::string problem_;
    bool leftBehind_ = false;
};

constexpr const char* folderLockFileName = "calvorn.lock";

} // namespace calvorn
