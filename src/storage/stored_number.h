// A long number in base 10^8 kept in a work file of its own ("ia.dat" ..
// "iy.dat"), read and written one block at a time. The file is created new
// and never through a link (an old regular file of the same name is removed
// first, anything else there is refused) and is closed on destruction; the
// owner decides when it is deleted.
#pragma once

#include <cstdio>
#include <string>

namespace calvorn {

class StoredNumber {
public:
    // Creates the work file; throws RunFailure naming the file and the
    // reason when it cannot.
    explicit StoredNumber(std::string fileName);
    ~StoredNumber();
    StoredNumber(const StoredNumber&) = delete;
    StoredNumber& operator=(const StoredNumber&) = delete;

    const std::string& fileName() const { return fileName_; }
    bool isOpen() const { return file_ != nullptr; }
    std::FILE* file() const { return file_; }

    // Closes the file (if open) and deletes it (if not yet deleted); safe to
    // call twice. Returns why it could not be closed or deleted ("cannot
    // remove ib.dat: ..."), or an empty text.
    std::string closeAndDelete();
    // Closes the file and leaves it on disk; the same result.
    std::string close();

private:
    std::string fileName_;
    std::FILE* file_ = nullptr;
    bool onDisk_ = false;
};

} // namespace calvorn
