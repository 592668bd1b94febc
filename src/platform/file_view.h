// A read-only view of one of the program's open files: reading through it
// reads the system's file cache itself, so no bytes are copied on the way.
// A block that a reader only looks at (the spectra a product sums, the words
// it loads) is taken this way instead of being read into a buffer. Where the
// system gives no view the view is empty and the caller reads as before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace calvorn {

class FileView {
public:
    FileView() = default;
    ~FileView();
    FileView(FileView&& other) noexcept;
    FileView& operator=(FileView&& other) noexcept;
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;

    // A view of the first `bytes` bytes of `file` (an unbuffered stream the
    // program opened for reading). It may reach past what the file holds now
    // (where the system allows it, the bytes written later are seen through
    // it), but only bytes the file holds may be read: size() says how far
    // the view reaches, 0 when there is none.
    static FileView of(std::FILE* file, std::uint64_t bytes);

    bool empty() const { return data_ == nullptr; }
    std::uint64_t size() const { return size_; }
    const std::byte* data() const { return data_; }

    // Takes the view's pages out of the process's memory: they stay in the
    // file cache, and a later read through the view finds them there. Keeps
    // what the process holds of the file small while its traffic passes
    // through the view.
    void release() const;

private:
    void close();

    const std::byte* data_ = nullptr;
    std::uint64_t size_ = 0;
    void* mapping_ = nullptr; // the system's mapping object, where it has one
};

} // namespace calvorn
