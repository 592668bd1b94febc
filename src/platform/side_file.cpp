#include <cerrno>
#include <utility>

#include "platform/file_transfers.h"
#include "platform/owned_files.h"

namespace calvorn {

SideFile::SideFile(std::string finalName) : finalName_(std::move(finalName)), sideName_(finalName_ + ".new")
{
    file_ = createOwnedFile(sideName_);
    std::setvbuf(file_, nullptr, _IONBF, 0);
    onDisk_ = true;
}

SideFile::~SideFile() { discard(); }

int SideFile::write(std::span<const char> bytes)
{
    if (file_ == nullptr) return EBADF;
    return writeAll(file_, sideName_, bytes);
}

int SideFile::finish()
{
    if (file_ == nullptr) return EBADF;
    int error = flushToDisk(file_, sideName_);
    const int closed = closeFile(file_, sideName_);
    if (error == 0) error = closed;
    file_ = nullptr;
    return error;
}

int SideFile::commit()
{
    if (file_ != nullptr || !onDisk_) return EBADF;
    if (nameInTheWay(finalName_)) return EEXIST;
    if (const int error = renameOver(sideName_, finalName_)) return error;
    onDisk_ = false;
    replaced_ = true;
    return syncFolderOf(finalName_);
}

void SideFile::discard()
{
    if (file_ != nullptr) {
        closeFile(file_, sideName_);
        file_ = nullptr;
    }
    if (onDisk_) {
        removeFile(sideName_);
        onDisk_ = false;
    }
}

} // namespace calvorn
