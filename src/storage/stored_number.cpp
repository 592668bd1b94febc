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

std::string StoredNumber::close()
{
    if (file_ == nullptr) return {};
    const int error = closeFile(file_, fileName_);
    file_ = nullptr;
    return error != 0 ? "cannot close " + fileName_ + ": " + systemErrorText(error) : std::string();
}

std::string StoredNumber::closeAndDelete()
{
    std::string problem = close();
    if (onDisk_) {
        if (const int error = removeFile(fileName_)) {
            // Still there: a later call tries again.
            if (problem.empty()) problem = "cannot remove " + fileName_ + ": " + systemErrorText(error);
            return problem;
        }
        onDisk_ = false;
    }
    return problem;
}

} // namespace calvorn
