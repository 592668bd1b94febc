#include "storage/stored_number.h"

#include <algorithm>
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

std::span<const std::byte> StoredNumber::viewed(std::uint64_t offset, std::size_t count)
{
    const std::uint64_t end = offset + count;
    if (file_ == nullptr || end > written_ || viewRefused_) return {};
    if (view_.size() < end) {
        // A wider view only once the file has doubled since the last one
        // (until then such blocks are read): a file that grows a block at a
        // time is not viewed anew at every block.
        if (!view_.empty() && written_ < 2 * view_.size()) return {};
        // The blocks seen through the old view may still be in use: it stays
        // until the file is closed, without the pages it held.
        if (!view_.empty()) {
            view_.release();
            retired_.push_back(std::move(view_));
        }
        view_ = FileView::of(file_, std::max(2 * written_, viewReach));
        held_ = 0;
        // A system that gives no view of this file gives none later either.
        viewRefused_ = view_.empty();
        if (view_.size() < end) return {};
    }
    held_ += count;
    if (held_ > viewHeldBytes) {
        view_.release();
        held_ = count;
    }
    return {view_.data() + offset, count};
}

void StoredNumber::giveBackViewedPages()
{
    if (!view_.empty()) view_.release();
    held_ = 0;
}

std::string StoredNumber::close()
{
    // The views go first: a file with a view of it cannot be removed everywhere.
    view_ = {};
    retired_.clear();
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
