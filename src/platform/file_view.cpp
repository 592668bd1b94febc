#include "platform/file_view.h"

#include <utility>

namespace calvorn {

FileView::~FileView() { close(); }

FileView::FileView(FileView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr))
{
}

FileView& FileView::operator=(FileView&& other) noexcept
{
    if (this != &other) {
        close();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapping_ = std::exchange(other.mapping_, nullptr);
    }
    return *this;
}

} // namespace calvorn
