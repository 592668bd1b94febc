// Work files and block transfers: layout on disk, the stop path inside the
// pump, and file errors that must end the run instead of corrupting it.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif

#include "storage/block_transfer.h"
#include "storage/run_errors.h"
#include "support/fake_host.h"
#include "support/number_io.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

using test::FakeHost;
using test::ScratchDirectory;

TEST(StoredNumber, BlocksLandAtTheirOffsetsAndReadBack)
{
    ScratchDirectory dir;
    FakeHost host;
    RunContext run(host, SizeParameters::forExponent(14));
    StoredNumber a("ia.dat");
    for (std::int32_t b = 5; b >= 1; --b) {
        run.firstBlockBuffer.fill(b * 1000);
        writeBlock(run, a, b, run.firstBlockBuffer);
    }
    EXPECT_EQ(std::filesystem::file_size("ia.dat"), 5u * 2048u);
    for (std::int32_t b = 1; b <= 5; ++b) {
        readBlock(run, a, b, run.secondBlockBuffer);
        EXPECT_EQ(run.secondBlockBuffer[0], b * 1000);
        EXPECT_EQ(run.secondBlockBuffer[511], b * 1000);
    }
    EXPECT_EQ(run.transfers.blocksWritten, 5u);
    EXPECT_EQ(run.transfers.blocksRead, 5u);
    EXPECT_EQ(host.pumps, 10u);
}

// Runs of spectrum blocks moved sixteen at a time land where block by block
// would put them, count every block, pump once per transfer, and a run that
// reaches past the end of the file fails naming it.
TEST(StoredNumber, RunsOfSpectrumBlocksMoveSeveralBlocksAtATime)
{
    ScratchDirectory dir;
    FakeHost host;
    RunContext run(host, SizeParameters::forExponent(14));  // 256 doubles a block
    const std::size_t h = 256;
    const std::int32_t blocks = 2 * blocksPerTransfer + 3;
    StoredNumber x("ix.dat");
    std::vector<double> doubles(static_cast<std::size_t>(blocks) * h);
    for (std::size_t i = 0; i < doubles.size(); ++i) doubles[i] = static_cast<double>(i) + 0.5;
    writeBlocks(run, x, 2, doubles);
    EXPECT_EQ(std::filesystem::file_size("ix.dat"), static_cast<std::uintmax_t>(blocks + 1) * 2048u);
    EXPECT_EQ(run.transfers.blocksWritten, static_cast<std::uint64_t>(blocks));
    EXPECT_EQ(host.pumps, 3u);
    std::vector<double> block(h);
    for (std::int32_t k = 0; k < blocks; ++k) {
        readBlock(run, x, k + 2, block);
        ASSERT_EQ(block.front(), doubles[static_cast<std::size_t>(k) * h]) << "block " << k + 2;
        ASSERT_EQ(block.back(), doubles[static_cast<std::size_t>(k + 1) * h - 1]) << "block " << k + 2;
    }
    std::vector<double> back(doubles.size());
    const std::uint64_t pumps = host.pumps;
    readBlocks(run, x, 2, back);
    EXPECT_EQ(back, doubles);
    EXPECT_EQ(run.transfers.blocksRead, 2u * static_cast<std::uint64_t>(blocks));
    EXPECT_EQ(host.pumps - pumps, 3u);
    try {
        readBlocks(run, x, 4, back);
        FAIL() << "a run past the end of the file went unnoticed";
    } catch (const RunFailure& failure) {
        EXPECT_NE(std::string(failure.what()).find("cannot read ix.dat"), std::string::npos) << failure.what();
    }
}

TEST(StoredNumber, CreatingTruncatesAnOldFileAndDeletingRemovesIt)
{
    ScratchDirectory dir;
    {
        std::FILE* old = std::fopen("ib.dat", "wb");
        std::fputs("left over from an earlier run", old);
        std::fclose(old);
    }
    StoredNumber b("ib.dat");
    EXPECT_EQ(std::filesystem::file_size("ib.dat"), 0u);
    b.closeAndDelete();
    b.closeAndDelete();
    EXPECT_FALSE(std::filesystem::exists("ib.dat"));
}

TEST(StoredNumber, StopInsideThePumpAbandonsTheTransferInProgress)
{
    ScratchDirectory dir;
    FakeHost host;
    host.stopAtPump = 3;
    RunContext run(host, SizeParameters::forExponent(14));
    StoredNumber a("ia.dat");
    writeBlock(run, a, 1, run.firstBlockBuffer);
    writeBlock(run, a, 2, run.firstBlockBuffer);
    EXPECT_THROW(writeBlock(run, a, 3, run.firstBlockBuffer), StopRequested);
}

TEST(StoredNumber, ReadingPastTheEndOfTheFileIsAFailure)
{
    ScratchDirectory dir;
    FakeHost host;
    RunContext run(host, SizeParameters::forExponent(14));
    StoredNumber t("it.dat");
    writeBlock(run, t, 1, run.firstBlockBuffer);
    try {
        readBlock(run, t, 2, run.firstBlockBuffer);
        FAIL() << "short read went unnoticed";
    } catch (const RunFailure& failure) {
        EXPECT_NE(std::string(failure.what()).find("it.dat"), std::string::npos);
    }
}

#ifndef _WIN32
// A full disk made small by a file size limit, which only POSIX offers.
TEST(StoredNumber, AFailingWriteNamesTheFileAndTheReason)
{
    ScratchDirectory dir;
    FakeHost host;
    RunContext run(host, SizeParameters::forExponent(20));
    StoredNumber x("ix.dat");
    // A file size limit of 100 KB: the second 64 KB block cannot be written.
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = 100 * 1024;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    writeBlock(run, x, 1, run.firstBlockBuffer);
    std::string message;
    try {
        writeBlock(run, x, 2, run.firstBlockBuffer);
    } catch (const RunFailure& failure) {
        message = failure.what();
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_NE(message.find("cannot write ix.dat"), std::string::npos) << message;
    EXPECT_NE(message.find("large"), std::string::npos) << message;
}
#endif

TEST(StoredNumber, CreatingInAMissingDirectoryIsAFailure)
{
    ScratchDirectory dir;
    EXPECT_THROW(StoredNumber("no-such-directory/ia.dat"), RunFailure);
}

} // namespace
} // namespace calvorn
