#include "cli/history_table.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>

#include "app/size_table.h"
#include "app/text_format.h"
#include "cli/repeat_run.h"

namespace calvorn {
namespace {

// Columns a text takes on a terminal: East Asian characters (three-byte
// UTF-8 sequences and longer, Hangul among them) take two.
std::size_t displayWidth(std::string_view text)
{
    std::size_t width = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) width += 1;
        else if (byte >= 0xE0) width += 2;
        else if (byte >= 0xC0) width += 1;
    }
    return width;
}

std::string padded(std::string_view text, std::size_t width, bool right)
{
    const std::size_t shown = displayWidth(text);
    const std::string fill(shown < width ? width - shown : 0, ' ');
    return right ? fill + std::string(text) : std::string(text) + fill;
}

std::vector<std::string> columnNames(Language language)
{
    std::vector<std::string> names;
    std::string_view text = messageText(MessageId::historyColumns, language);
    for (std::size_t bar; (bar = text.find('|')) != std::string_view::npos; text.remove_prefix(bar + 1))
        names.emplace_back(text.substr(0, bar));
    names.emplace_back(text);
    return names;
}

// Widths of the columns but the last (the processor, as long as it is).
constexpr std::size_t columnWidths[] = {6, 7, 7, 11, 11, 20};

} // namespace

std::string secondsText(std::uint32_t milliseconds)
{
    return formatText("%u.%03u", milliseconds / 1000, milliseconds % 1000);
}

std::vector<HistoryRow> historyRows(std::span<const HistoryEntry> entries, std::optional<std::int32_t> size)
{
    std::map<std::pair<std::int32_t, std::string>, std::vector<const HistoryEntry*>> groups;
    for (const HistoryEntry& entry : entries)
        if (!size || entry.sizeExponent == *size) groups[{entry.sizeExponent, entry.processor}].push_back(&entry);

    std::vector<HistoryRow> rows;
    for (const auto& [key, runs] : groups) {
        HistoryRow row;
        row.sizeExponent = key.first;
        row.processor = key.second;
        std::vector<std::uint32_t> times;
        for (const HistoryEntry* run : runs) {
            if (run->passed()) times.push_back(run->timeMs);
            else ++row.failed;
            row.lastDateUtc = std::max(row.lastDateUtc, run->dateUtc);
        }
        row.passed = times.size();
        if (!times.empty()) {
            row.bestMs = *std::min_element(times.begin(), times.end());
            row.medianMs = medianOf(times);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string historyTable(std::span<const HistoryRow> rows, Language language)
{
    const std::vector<std::string> names = columnNames(language);
    const auto line = [](const std::vector<std::string>& cells) {
        std::string text;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) text += "  ";
            // Figures to the right; the date and the processor to the left.
            text += i < std::size(columnWidths) ? padded(cells[i], columnWidths[i], i < 5) : cells[i];
        }
        return text + "\n";
    };
    std::string table = line(names);
    for (const HistoryRow& row : rows) {
        std::string label(sizeLabel(row.sizeExponent));
        label.erase(0, label.find_first_not_of(' '));
        const bool anyPassed = row.passed > 0;
        table += line({label, std::to_string(row.passed), std::to_string(row.failed),
                       anyPassed ? secondsText(row.bestMs) : "-", anyPassed ? secondsText(row.medianMs) : "-",
                       row.lastDateUtc, row.processor});
    }
    return table;
}

} // namespace calvorn
