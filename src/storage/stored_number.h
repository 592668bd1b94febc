// A long number in base 10^8 kept in a work file of its own ("ia.dat" ..
// "iy.dat"), read and written one block at a time. The file is created new
// and never through a link (an old regular file of the same name is removed
// first, anything else there is refused) and is closed on destruction; the
// owner decides when it is deleted. A block that is only looked at may be
// taken through a view of the file instead of being read (see viewed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "platform/file_view.h"

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

    // Bytes offset .. offset + count - 1 through a view of the file, made or
    // widened here; empty when they lie past what was written through
    // noteWritten, when the file is closed, when the system gives no view,
    // or when they lie past the view and the file has not doubled since it
    // was made: the caller then reads them. They stay valid, and show what
    // the file holds, until the file is closed. What the process holds of
    // the view is given back once more than viewHeldBytes have passed
    // through it.
    std::span<const std::byte> viewed(std::uint64_t offset, std::size_t count);
    // Gives back what the process holds of the view now: for a step that
    // looked at more blocks at once than viewHeldBytes and is done with them.
    void giveBackViewedPages();
    // The file holds its bytes up to `end` (a block was written there).
    void noteWritten(std::uint64_t end) { written_ = end > written_ ? end : written_; }

    static constexpr std::uint64_t viewHeldBytes = std::uint64_t{4} << 20;
    // A new view reaches at least this far, so that a growing file is not
    // viewed anew at every block (where the system lets a view reach past
    // the end of the file).
    static constexpr std::uint64_t viewReach = std::uint64_t{64} << 20;

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
    std::uint64_t written_ = 0;
    FileView view_;
    std::vector<FileView> retired_; // narrower views whose blocks may still be looked at
    bool viewRefused_ = false;
    std::uint64_t held_ = 0; // bytes read through the view since its pages were last given back
};

} // namespace calvorn
