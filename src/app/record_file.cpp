#include "app/record_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "platform/text_encoding.h"

namespace calvorn {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

FileHandle openFile(const std::filesystem::path& file, const char* mode)
{
    return FileHandle(std::fopen(file.string().c_str(), mode));
}

std::string systemReason(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

[[noreturn]] void failWrite(const std::filesystem::path& file, int error)
{
    throw RecordFileError("cannot write " + file.string() + ": " + systemReason(error));
}

} // namespace

void loadRecords(RecordTable& table, const std::filesystem::path& file)
{
    FileHandle in = openFile(file, "rb");
    if (!in) {
        // Append mode creates the file without touching one that appeared meanwhile.
        openFile(file, "ab");
        return;
    }
    std::string bytes(recordReadLimit, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in.get()));
    table.parseRecordBytes(bytes);
}

std::string recordFileBytes(const RecordTable& table, std::int32_t computedSizeExponent)
{
    return utf8ToCp949(table.afterRunTable(computedSizeExponent, Language::korean));
}

void saveRecords(const RecordTable& table, std::int32_t computedSizeExponent, const std::filesystem::path& file)
{
    const std::string bytes = recordFileBytes(table, computedSizeExponent);
    std::filesystem::path sideFile = file;
    sideFile += ".new";

    errno = 0;
    FileHandle out = openFile(sideFile, "wb");
    if (!out) failWrite(file, errno);
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
    int error = written ? 0 : errno;
    // Closing flushes the buffer: a full disk may show only here.
    errno = 0;
    const bool closed = std::fclose(out.release()) == 0;
    if (!closed && error == 0) error = errno;
    std::error_code renameError;
    if (written && closed) std::filesystem::rename(sideFile, file, renameError);
    if (!written || !closed || renameError) {
        std::error_code ignored;
        std::filesystem::remove(sideFile, ignored);
        if (renameError) throw RecordFileError("cannot write " + file.string() + ": " + renameError.message());
        failWrite(file, error);
    }
}

} // namespace calvorn
