// The best time per size in whole seconds (0: none recorded), as the shell
// keeps it for the life of the program: read from the bytes of "pi_rec.txt",
// updated after a successful run, and turned into the two table texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/size_table.h"
#include "common/messages.h"

namespace calvorn {

class RecordTable {
public:
    // Best time of size `index` (table order); compared as unsigned.
    std::uint32_t bestSeconds(std::size_t index) const { return bestSeconds_.at(index); }
    void setBestSeconds(std::size_t index, std::uint32_t seconds) { bestSeconds_.at(index) = seconds; }

    // Reads the records from the bytes of the file (the caller passes at most
    // the first 2048). Line j belongs to size j whatever label it shows. A line
    // starting with "+" sets the time from the digits at fixed offsets after
    // it (hours at 2..4, minutes at 7..8, seconds at 11..12), each byte taken
    // as a signed character minus '0' and a byte past the end as NUL, without
    // any check; the scan then resumes 13 bytes on and skips to the next LF.
    // Any other line leaves its entry as it is. At most twelve lines count.
    void parseRecordBytes(std::string_view bytes);

    // After a successful run of `elapsedMilliseconds`: the whole seconds
    // become the record of the size if it has none, or if they are not 0
    // and fewer than the record.
    void recordRun(std::int32_t sizeExponent, std::uint32_t elapsedMilliseconds);

    // The table shown at start-up, one line per size:
    // "+ %3d시간%2d분%2d초    [label]" or "- 연산되지 않음   [label]". UTF-8.
    std::string startupTable(Language language = Language::korean) const;

    // The table shown and saved after a run of `computedSizeExponent`:
    // "+ %03d시%02d분%02d초   [label]" for that size and every size with a
    // record, "- 연산되지 않음   [label]" for the others. UTF-8. The records
    // file holds the Korean table whatever the language shown.
    std::string afterRunTable(std::int32_t computedSizeExponent, Language language = Language::korean) const;

private:
    std::array<std::uint32_t, sizeCount> bestSeconds_{};
};

} // namespace calvorn
