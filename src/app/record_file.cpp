#include "app/record_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/file_transfers.h"
#include "platform/owned_files.h"
#include "platform/text_encoding.h"

namespace calvorn {
namespace {

[[noreturn]] void failWrite(const std::filesystem::path& file, const std::string& reason)
{
    throw RecordFileError("cannot write " + file.string() + ": " + reason);
}

} // namespace

std::optional<std::string> loadRecords(RecordTable& table, const std::filesystem::path& file)
{
    ReadableFile found = openRegularFileForReading(file.string());
    if (found.missing) {
        // No records yet: the file is created empty, as a file of our own.
        try {
            closeFile(createOwnedFile(file.string()), file.string());
        } catch (const FileRefused&) {
        }
        return std::nullopt;
    }
    if (found.file == nullptr) return found.problem;
    std::string bytes(recordReadLimit, '\0');
    std::size_t got = 0;
    const int error = readUpTo(found.file, file.string(), bytes, got);
    closeFile(found.file, file.string());
    if (error != 0) return "cannot read " + file.string() + ": " + systemErrorText(error);
    bytes.resize(got);
    table.parseRecordBytes(bytes);
    return std::nullopt;
}

std::string recordFileBytes(const RecordTable& table, std::int32_t computedSizeExponent)
{
    return utf8ToCp949(table.afterRunTable(computedSizeExponent, Language::korean));
}

void saveRecords(const RecordTable& table, std::int32_t computedSizeExponent, const std::filesystem::path& file)
{
    // Records that could not be read are not overwritten by a table that never saw them.
    const ReadableFile old = openRegularFileForReading(file.string());
    if (old.file != nullptr) closeFile(old.file, file.string());
    if (!old.missing && old.file == nullptr)
        throw RecordFileError(old.problem + "; the records are not saved and " + file.string() + " is left as it is");

    const std::string bytes = recordFileBytes(table, computedSizeExponent);
    try {
        SideFile side(file.string());
        if (const int error = side.write(bytes)) failWrite(file, systemErrorText(error));
        // On the disk before it takes the old file's place.
        if (const int error = side.finish()) failWrite(file, systemErrorText(error));
        if (const int error = side.commit()) {
            if (side.replaced())
                throw RecordFileError(file.string() + " holds the new records, but the folder could not be put on the disk: " +
                                      systemErrorText(error));
            const auto inTheWay = nameInTheWay(file.string());
            failWrite(file, inTheWay ? *inTheWay : systemErrorText(error));
        }
    } catch (const FileRefused& refused) {
        failWrite(file, refused.what());
    }
}

} // namespace calvorn
