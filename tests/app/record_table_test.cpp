// The records table: the byte-position parser with its quirks, the update
// rule after a run, and the two table texts.
#include <gtest/gtest.h>

#include <string>

#include "app/record_file.h"
#include "app/record_table.h"

namespace calvorn {
namespace {

// A recorded-time line of the file in cp949: 시 = BD C3, 분 = BA D0, 초 = C3 CA.
std::string recordedLine(const char* hours, const char* minutes, const char* seconds, const char* label)
{
    return std::string("+ ") + hours + "\xBD\xC3" + minutes + "\xBA\xD0" + seconds + "\xC3\xCA   [" + label + "]\n";
}

const std::string noTimeLine32K = "- \xBF\xAC\xBB\xEA\xB5\xC7\xC1\xF6 \xBE\xCA\xC0\xBD   [  32K]\n"; // "- 연산되지 않음   [  32K]"

TEST(RecordTable, RecordedTimeLineHasItsBytesAtFixedPositions)
{
    RecordTable table;
    table.setBestSeconds(0, 3723); // 1 h 2 min 3 s
    const std::string bytes = recordFileBytes(table, 14);
    const std::string expected = recordedLine("001", "02", "03", "  16K");
    ASSERT_EQ(expected.size(), 26u);
    EXPECT_EQ(bytes.substr(0, 26), expected);
    EXPECT_EQ(bytes.substr(26, noTimeLine32K.size()), noTimeLine32K);
}

TEST(RecordTable, FileBytesReadBackToTheSameRecords)
{
    RecordTable table;
    const std::uint32_t times[] = {1, 0, 59, 3599, 3600, 0, 999 * 3600 + 59 * 60 + 59, 0, 0, 86400, 0, 12345};
    for (std::size_t i = 0; i < sizeCount; ++i) table.setBestSeconds(i, times[i]);
    RecordTable readBack;
    readBack.parseRecordBytes(recordFileBytes(table, 15)); // size 1 has no record: written as 000/00/00
    for (std::size_t i = 0; i < sizeCount; ++i) EXPECT_EQ(readBack.bestSeconds(i), times[i]) << "size " << i;
}

TEST(RecordTable, FewerLinesFillTheFirstEntriesAndLinesPastTheTwelfthAreIgnored)
{
    RecordTable table;
    table.setBestSeconds(3, 77);
    table.parseRecordBytes(recordedLine("000", "00", "05", "  16K") + noTimeLine32K + recordedLine("000", "01", "00", "  64K"));
    EXPECT_EQ(table.bestSeconds(0), 5u);
    EXPECT_EQ(table.bestSeconds(1), 0u);
    EXPECT_EQ(table.bestSeconds(2), 60u);
    EXPECT_EQ(table.bestSeconds(3), 77u); // no line: the entry is kept

    std::string thirteen;
    for (int j = 0; j < 13; ++j) thirteen += recordedLine("000", "00", j < 12 ? "09" : "01", "  16K");
    RecordTable full;
    full.parseRecordBytes(thirteen);
    for (std::size_t i = 0; i < sizeCount; ++i) EXPECT_EQ(full.bestSeconds(i), 9u);
}

TEST(RecordTable, DigitsAreSignedBytesAndAShortPlusLineSwallowsTheNext)
{
    // "+\n" then a full line: the digit positions of the first "+" fall into
    // the second line, and the scan skips 13 bytes before looking for LF, so
    // the second line is consumed as part of the first.
    RecordTable table;
    table.parseRecordBytes("+\n" + recordedLine("000", "00", "05", "  32K"));
    // d(2) '+' = -5, d(3) ' ' = -16, d(4) '0' = 0, d(7) 0xBD = -115,
    // d(8) 0xC3 = -109, d(11) 0xBA = -118, d(12) 0xD0 = -96.
    const std::int32_t expected = 360000 * -5 + 36000 * -16 + 600 * -115 + 60 * -109 + 10 * -118 - 96;
    EXPECT_EQ(table.bestSeconds(0), static_cast<std::uint32_t>(expected));
    EXPECT_EQ(table.bestSeconds(1), 0u);
}

TEST(RecordTable, PositionsPastTheEndCountAsNul)
{
    RecordTable table;
    table.parseRecordBytes("+ 001\xBD\xC3" "02"); // cut after the minutes
    EXPECT_EQ(table.bestSeconds(0), static_cast<std::uint32_t>(3600 + 120 + 10 * -48 - 48));
}

TEST(RecordTable, UpdateRuleKeepsEqualAndSlowerRunsAndIgnoresZeroSeconds)
{
    RecordTable table;
    table.setBestSeconds(1, 100);
    table.recordRun(15, 101000); // slower
    EXPECT_EQ(table.bestSeconds(1), 100u);
    table.recordRun(15, 100999); // equal in whole seconds
    EXPECT_EQ(table.bestSeconds(1), 100u);
    table.recordRun(15, 900);    // 0 s never replaces a record
    EXPECT_EQ(table.bestSeconds(1), 100u);
    table.recordRun(15, 99999);
    EXPECT_EQ(table.bestSeconds(1), 99u);
    table.recordRun(20, 4321);   // first record of a size
    EXPECT_EQ(table.bestSeconds(6), 4u);
}

TEST(RecordTable, RunUnderOneSecondIsWrittenAsZeroAndReadsBackAsNoRecord)
{
    RecordTable table;
    table.recordRun(14, 900);
    EXPECT_EQ(table.bestSeconds(0), 0u);
    const std::string after = table.afterRunTable(14);
    EXPECT_EQ(after.substr(0, after.find('\n') + 1), "+ 000시00분00초   [  16K]\n");

    RecordTable next;
    next.parseRecordBytes(recordFileBytes(table, 14));
    EXPECT_EQ(next.bestSeconds(0), 0u);
    EXPECT_EQ(next.startupTable().substr(0, next.startupTable().find('\n') + 1), "- 연산되지 않음   [  16K]\n");
}

TEST(RecordTable, StartupTableText)
{
    RecordTable table;
    table.setBestSeconds(0, 3723);
    table.setBestSeconds(6, 59);
    table.setBestSeconds(11, 360000);
    EXPECT_EQ(table.startupTable(),
              "+   1시간 2분 3초    [  16K]\n"
              "- 연산되지 않음   [  32K]\n"
              "- 연산되지 않음   [  64K]\n"
              "- 연산되지 않음   [ 128K]\n"
              "- 연산되지 않음   [ 256K]\n"
              "- 연산되지 않음   [ 512K]\n"
              "+   0시간 0분59초    [   1M]\n"
              "- 연산되지 않음   [   2M]\n"
              "- 연산되지 않음   [   4M]\n"
              "- 연산되지 않음   [   8M]\n"
              "- 연산되지 않음   [  16M]\n"
              "+ 100시간 0분 0초    [  32M]\n");
}

} // namespace
} // namespace calvorn
