#include <cerrno>
#include <utility>

#include "platform/owned_files.h"

namespace calvorn {

SideFile::SideFile(std::string finalName) : finalName_(std::move(finalName)), sideName_(finalName_ + ".new")
{
    file_ = createOwnedFile(sideName_);
    onDisk_ = true;
}

SideFile::~SideFile() { discard(); }

int SideFile::finish()
{
    if (file_ == nullptr) return EBADF;
    int error = flushToDisk(file_);
    errno = 0;
    if (std::fclose(file_) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    file_ = nullptr;
    return error;
}

int SideFile::commit()
{
    if (file_ != nullptr || !onDisk_) return EBADF;
    if (nameInTheWay(finalName_)) return EEXIST;
    const int error = renameOver(sideName_, finalName_);
    if (error == 0) onDisk_ = false;
    return error;
}

void SideFile::discard()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (onDisk_) {
        std::remove(sideName_.c_str());
        onDisk_ = false;
    }
}

} // namespace calvorn
