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

// A block only looked at is seen in the file's own pages: what was last
// written there, also after it is rewritten, after the file grows past what
// the view reached and after the view's pages were given back; a block past
// what was written is read (and fails) instead of being looked at.
TEST(StoredNumber, ABlockLookedAtIsSeenInItsFileAsLastWritten)
{
    ScratchDirectory dir;
    FakeHost host;
    RunContext run(host, SizeParameters::forExponent(14));  // 256 doubles a block
    StoredNumber x("ix.dat");
    std::vector<double> block(256), buffer(256);
    const auto writeFilled = [&](std::int32_t b, double value) {
        std::fill(block.begin(), block.end(), value);
        block.back() = -value;
        writeBlock(run, x, b, block);
    };
    const auto seen = [&](std::int32_t b) {
        const std::span<const double> held = viewBlock(run, x, b, buffer);
        EXPECT_EQ(held.size(), 256u);
        EXPECT_NE(held.data(), buffer.data()) << "block " << b << " was read, not looked at";
        return std::vector<double>(held.begin(), held.end());
    };
    for (std::int32_t b = 1; b <= 3; ++b) writeFilled(b, b + 0.25);
    for (std::int32_t b = 1; b <= 3; ++b) {
        const std::vector<double> got = seen(b);
        EXPECT_EQ(got.front(), b + 0.25);
        EXPECT_EQ(got.back(), -(b + 0.25));
    }
    writeFilled(2, 7.5);
    EXPECT_EQ(seen(2).front(), 7.5);
    // Past what the first view reached: read while the file has not doubled
    // since (on POSIX, where a view reaches past the end of the file; on
    // Windows it reaches only as far as the file, which has grown far more),
    // then seen through a wider view; a block taken from the first view
    // stays valid.
    const std::span<const double> first = viewBlock(run, x, 1, buffer);
    const auto past = static_cast<std::int32_t>(StoredNumber::viewReach / 2048 + 10);
    writeFilled(past, 8.5);
    const std::span<const double> pastBlock = viewBlock(run, x, past, buffer);
#ifndef _WIN32
    EXPECT_EQ(pastBlock.data(), buffer.data());
#endif
    EXPECT_EQ(pastBlock.back(), -8.5);
    const auto far = static_cast<std::int32_t>(4 * StoredNumber::viewReach / 2048 + 10);
    writeFilled(far, 9.5);
    EXPECT_EQ(seen(far).back(), -9.5);
    EXPECT_EQ(seen(past).front(), 8.5);
    EXPECT_EQ(first[0], 1.25);
    EXPECT_EQ(first[255], -1.25);
    EXPECT_EQ(seen(1).front(), 1.25);
    // More than the view holds before its pages are given back, several times.
    for (std::uint64_t k = 0; k < 3 * StoredNumber::viewHeldBytes / 2048; ++k) {
        const auto b = static_cast<std::int32_t>(k % 3) + 1;
        const std::span<const double> held = viewBlock(run, x, b, buffer);
        ASSERT_EQ(held[0], b == 2 ? 7.5 : b + 0.25) << "view " << k;
    }
    // Every block was looked at but the one past the first view.
    EXPECT_GE(run.transfers.blocksViewed + 1, run.transfers.blocksRead);
    const std::uint64_t viewed = run.transfers.blocksViewed;
    try {
        viewBlock(run, x, far + 1, buffer);
        FAIL() << "a block past the end of the file was looked at";
    } catch (const RunFailure& failure) {
        EXPECT_NE(std::string(failure.what()).find("cannot read ix.dat"), std::string::npos) << failure.what();
    }
    // Without views the block is read into the buffer.
    run.viewWorkFiles = false;
    EXPECT_EQ(viewBlock(run, x, 2, buffer).data(), buffer.data());
    EXPECT_EQ(buffer[0], 7.5);
    EXPECT_EQ(run.transfers.blocksViewed, viewed);
    // Closed, the file can be removed with nothing of the view left over.
    EXPECT_EQ(x.closeAndDelete(), "");
    EXPECT_FALSE(std::filesystem::exists("ix.dat"));
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
