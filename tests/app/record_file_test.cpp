// The records file on disk: created empty when missing, read only up to its
// 2048th byte, rewritten whole, kept when it cannot be rewritten, and never
// read or replaced through a link, a FIFO or a directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif
#include <vector>

#include "app/record_file.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

std::string fileBytes(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const char* name, const std::string& bytes)
{
    std::ofstream(name, std::ios::binary) << bytes;
}

TEST(RecordFile, MissingFileIsCreatedEmpty)
{
    test::ScratchDirectory scratch;
    RecordTable table;
    loadRecords(table);
    EXPECT_TRUE(std::filesystem::exists("pi_rec.txt"));
    EXPECT_EQ(std::filesystem::file_size("pi_rec.txt"), 0u);
    for (std::size_t i = 0; i < sizeCount; ++i) EXPECT_EQ(table.bestSeconds(i), 0u);
}

TEST(RecordFile, SavedFileHoldsTheCp949TableAndLoadsBack)
{
    test::ScratchDirectory scratch;
    RecordTable table;
    table.recordRun(17, 61500);
    table.setBestSeconds(11, 7200);
    saveRecords(table, 17);
    EXPECT_EQ(fileBytes("pi_rec.txt"), recordFileBytes(table, 17));
    EXPECT_EQ(scratch.fileNames(), std::vector<std::string>{"pi_rec.txt"});

    RecordTable loaded;
    loadRecords(loaded);
    EXPECT_EQ(loaded.bestSeconds(3), 61u);
    EXPECT_EQ(loaded.bestSeconds(11), 7200u);
    EXPECT_EQ(loaded.bestSeconds(0), 0u);
}

TEST(RecordFile, OnlyTheFirst2048BytesAreRead)
{
    test::ScratchDirectory scratch;
    // Line 0 is long enough that line 1 starts at byte 2040: its minutes sit
    // at 2047 and 2048, so the second minute digit and the seconds lie past
    // the limit and count as NUL. Line 2 is not read at all.
    std::string bytes = "-" + std::string(2038, 'x') + "\n";
    bytes += "+ 001\xBD\xC3" "22\xBA\xD0" "33\xC3\xCA   [  32K]\n";
    bytes += "+ 001\xBD\xC3" "00\xBA\xD0" "00\xC3\xCA   [  64K]\n";
    writeFile("pi_rec.txt", bytes);

    RecordTable table;
    loadRecords(table);
    EXPECT_EQ(table.bestSeconds(1), static_cast<std::uint32_t>(3600 + 600 * 2 + 60 * -48 + 10 * -48 - 48));
    EXPECT_EQ(table.bestSeconds(2), 0u);
}

TEST(RecordFile, FailedWriteIsReportedAndKeepsTheOldFileAndTheRecords)
{
    test::ScratchDirectory scratch;
    const std::string old = "- old records\n";
    writeFile("pi_rec.txt", old);
    std::filesystem::create_directory("pi_rec.txt.new"); // the side file cannot be created

    RecordTable table;
    table.recordRun(14, 5000);
    try {
        saveRecords(table, 14);
        FAIL() << "a failed write must be reported";
    } catch (const RecordFileError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot write pi_rec.txt: "), std::string::npos) << e.what();
    }
    EXPECT_EQ(fileBytes("pi_rec.txt"), old);
    EXPECT_EQ(table.bestSeconds(0), 5u);

    EXPECT_THROW(saveRecords(table, 14, "no_such_directory/pi_rec.txt"), RecordFileError);
}

// FIFOs and links made by an ordinary user are POSIX cases; the Windows
// build's refusal of reparse points is exercised by the console program.
#if !defined(_WIN32)
TEST(RecordFile, WhatCannotBeReadIsReportedAndNeverReplaced)
{
    // A FIFO (which must not block the program), a link to a file elsewhere
    // and a directory: none is read, none is replaced.
    test::ScratchDirectory scratch;
    writeFile("victim", "precious");
    RecordTable table;
    table.recordRun(14, 5000);
    const auto refused = [&table](const std::string& kind) {
        SCOPED_TRACE(kind);
        RecordTable loaded;
        const auto problem = loadRecords(loaded);
        ASSERT_TRUE(problem.has_value());
        EXPECT_EQ(*problem, "pi_rec.txt is " + kind);
        try {
            saveRecords(table, 14);
            ADD_FAILURE() << "replaced " << kind;
        } catch (const RecordFileError& e) {
            EXPECT_NE(std::string(e.what()).find("pi_rec.txt is " + kind), std::string::npos) << e.what();
        }
    };
    ASSERT_EQ(mkfifo("pi_rec.txt", 0600), 0);
    refused("a FIFO");
    EXPECT_EQ(std::filesystem::status("pi_rec.txt").type(), std::filesystem::file_type::fifo);
    std::filesystem::remove("pi_rec.txt");

    std::filesystem::create_symlink("victim", "pi_rec.txt");
    refused("a symbolic link");
    EXPECT_TRUE(std::filesystem::is_symlink("pi_rec.txt"));
    std::filesystem::remove("pi_rec.txt");

    std::filesystem::create_directory("pi_rec.txt");
    refused("a directory");
    EXPECT_EQ(fileBytes("victim"), "precious");
    EXPECT_EQ(scratch.fileNames(), (std::vector<std::string>{"pi_rec.txt", "victim"}));
}

TEST(RecordFile, ALinkInPlaceOfTheSideFileIsNotWrittenThrough)
{
    test::ScratchDirectory scratch;
    writeFile("victim", "precious");
    writeFile("pi_rec.txt", "- old records\n");
    std::filesystem::create_symlink("victim", "pi_rec.txt.new");
    RecordTable table;
    table.recordRun(14, 5000);
    EXPECT_THROW(saveRecords(table, 14), RecordFileError);
    EXPECT_EQ(fileBytes("victim"), "precious");
    EXPECT_EQ(fileBytes("pi_rec.txt"), "- old records\n");
    EXPECT_TRUE(std::filesystem::is_symlink("pi_rec.txt.new"));

    // A stale side file of an earlier run (a hard link, even) goes by its name only.
    std::filesystem::remove("pi_rec.txt.new");
    std::filesystem::create_hard_link("victim", "pi_rec.txt.new");
    saveRecords(table, 14);
    EXPECT_EQ(fileBytes("victim"), "precious");
    EXPECT_EQ(fileBytes("pi_rec.txt"), recordFileBytes(table, 14));
    EXPECT_EQ(scratch.fileNames(), (std::vector<std::string>{"pi_rec.txt", "victim"}));
}
#endif

} // namespace
} // namespace calvorn
