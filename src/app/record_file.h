// The records file "pi_rec.txt" in the current directory: cp949 text, one
// line per size in table order, lines ending in LF. Reads it into a
// RecordTable at start-up and rewrites it after every successful run. The
// file is only ever replaced whole, by a side file renamed over it, and
// never when it was there but could not be read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/record_table.h"

namespace calvorn {

constexpr std::string_view recordFileName = "pi_rec.txt";

// Only this many leading bytes of the file are read; later lines are ignored.
constexpr std::size_t recordReadLimit = 2048;

// A records file that could not be written; what() names the file and the
// system's reason. The records in memory are unchanged by the failure.
class RecordFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the first 2048 bytes of the file into `table`. A missing file is
// created empty (every size then has no record). Any other file that cannot
// be read (no permission, a link, a FIFO, a directory) leaves the table as it
// is and is reported: the returned text says why. A link is not followed and
// a FIFO does not block.
std::optional<std::string> loadRecords(RecordTable& table,
                                       const std::filesystem::path& file = std::filesystem::path(recordFileName));

// The cp949 bytes of the after-run table, exactly as the file holds them.
std::string recordFileBytes(const RecordTable& table, std::int32_t computedSizeExponent);

// Replaces the file by the after-run table in cp949. The new content goes to
// a side file ("pi_rec.txt.new", created new and never through a link),
// reaches the disk and is renamed over the old one, so a failed write (a full
// disk, say) keeps the old records on disk too. A file there that cannot be
// read, or is not a regular file, is not replaced. Throws RecordFileError.
void saveRecords(const RecordTable& table, std::int32_t computedSizeExponent,
                 const std::filesystem::path& file = std::filesystem::path(recordFileName));

} // namespace calvorn
