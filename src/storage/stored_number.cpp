#include "storage/stored_number.h"

#include <utility>

#include "platform/file_transfers.h"
#include "platform/owned_files.h"
#include "storage/run_errors.h"

namespace calvorn {

StoredNumber::StoredNumber(std::string fileName) : fileName_(std::move(fileName))
{
    try {
        file_ = createOwnedFile(fileName_);
    } catch (const FileRefused& refused) {
        throw RunFailure(refused.what());
    }
    // Every transfer is one whole block; the C library's own buffering would
    // only add a copy and hide write errors until a later call.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    onDisk_ = true;
}

StoredNumber::~StoredNumber() { close(); }

void StoredNumber::close()
{
    if (file_ != nullptr) {
        closeFile(file_, fileName_);
        file_ = nullptr;
    }
}

void StoredNumber::closeAndDelete()
{
    close();
    if (onDisk_) {
        removeFile(fileName_);
        onDisk_ = false;
    }
}

} // namespace calvorn
