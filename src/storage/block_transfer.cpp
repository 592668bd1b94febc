#include "storage/block_transfer.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <string>

#include "storage/run_errors.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace calvorn {
namespace {

std::string reason(const char* what, const StoredNumber& number)
{
    const int error = errno;
    std::string text = std::string(what) + " " + number.fileName() + ": ";
    text += error != 0 ? std::strerror(error) : "unexpected end of file";
    return text;
}

// After every transfer: let the host dispatch its messages; a stop raised
// there ends the run here.
void pumpAfterTransfer(RunContext& run)
{
    run.host.pumpMessages();
    if (run.host.stopRequested()) abortComputation();
}

long blockOffset(const RunContext& run, std::int32_t block)
{
    assert(block >= 1);
    return static_cast<long>(block - 1) * run.size.blockBytes;
}

#if defined(_WIN32)

void seekToBlock(RunContext& run, StoredNumber& number, std::int32_t block)
{
    errno = 0;
    if (!number.isOpen() || std::fseek(number.file(), blockOffset(run, block), SEEK_SET) != 0)
        throw RunFailure(reason("cannot seek in", number));
}

void writeAt(RunContext& run, StoredNumber& number, std::int32_t block, const void* bytes, std::size_t count)
{
    seekToBlock(run, number, block);
    errno = 0;
    if (std::fwrite(bytes, 1, count, number.file()) != count) throw RunFailure(reason("cannot write", number));
}

void readAt(RunContext& run, StoredNumber& number, std::int32_t block, void* bytes, std::size_t count)
{
    seekToBlock(run, number, block);
    errno = 0;
    if (std::fread(bytes, 1, count, number.file()) != count) throw RunFailure(reason("cannot read", number));
}

#else

// One positioned call does the seek and the transfer together. A regular
// file moves the whole block at once; a shorter count is taken up where it
// stopped, and an end of file before the block is complete is a failure.
void writeAt(RunContext& run, StoredNumber& number, std::int32_t block, const void* bytes, std::size_t count)
{
    if (!number.isOpen()) throw RunFailure(reason("cannot write", number));
    const int fd = fileno(number.file());
    const auto* from = static_cast<const unsigned char*>(bytes);
    off_t offset = blockOffset(run, block);
    while (count > 0) {
        errno = 0;
        const ssize_t done = pwrite(fd, from, count, offset);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) throw RunFailure(reason("cannot write", number));
        from += done;
        offset += done;
        count -= static_cast<std::size_t>(done);
    }
}

void readAt(RunContext& run, StoredNumber& number, std::int32_t block, void* bytes, std::size_t count)
{
    if (!number.isOpen()) throw RunFailure(reason("cannot read", number));
    const int fd = fileno(number.file());
    auto* to = static_cast<unsigned char*>(bytes);
    off_t offset = blockOffset(run, block);
    while (count > 0) {
        errno = 0;
        const ssize_t done = pread(fd, to, count, offset);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) throw RunFailure(reason("cannot read", number));
        to += done;
        offset += done;
        count -= static_cast<std::size_t>(done);
    }
}

#endif

void writeBytes(RunContext& run, StoredNumber& number, std::int32_t block, const void* bytes)
{
    writeAt(run, number, block, bytes, static_cast<std::size_t>(run.size.blockBytes));
    ++run.transfers.blocksWritten;
    pumpAfterTransfer(run);
}

void readBytes(RunContext& run, StoredNumber& number, std::int32_t block, void* bytes)
{
    readAt(run, number, block, bytes, static_cast<std::size_t>(run.size.blockBytes));
    ++run.transfers.blocksRead;
    pumpAfterTransfer(run);
}

// Blocks first, first + 1, ... of a spectrum store, `transfer` moving up to
// blocksPerTransfer of them from a part of `doubles` at a time.
template <typename Doubles, typename Transfer>
void inTransfers(RunContext& run, std::int32_t first, Doubles doubles, Transfer transfer)
{
    const auto h = static_cast<std::size_t>(run.size.halfBlockWords);
    assert(h > 0 && doubles.size() % h == 0);
    const std::size_t blocks = doubles.size() / h;
    for (std::size_t done = 0; done < blocks;) {
        const std::size_t count = std::min<std::size_t>(blocks - done, blocksPerTransfer);
        transfer(first + static_cast<std::int32_t>(done), doubles.subspan(done * h, count * h), count);
        done += count;
    }
}

} // namespace

void writeBlock(RunContext& run, StoredNumber& number, std::int32_t block, const BlockBuffer& buffer)
{
    writeBytes(run, number, block, buffer.data());
}

void readBlock(RunContext& run, StoredNumber& number, std::int32_t block, BlockBuffer& buffer)
{
    readBytes(run, number, block, buffer.data());
}

void writeBlock(RunContext& run, StoredNumber& store, std::int32_t block, std::span<const double> doubles)
{
    assert(doubles.size() >= static_cast<std::size_t>(run.size.halfBlockWords));
    writeBytes(run, store, block, doubles.data());
}

void readBlock(RunContext& run, StoredNumber& store, std::int32_t block, std::span<double> doubles)
{
    assert(doubles.size() >= static_cast<std::size_t>(run.size.halfBlockWords));
    readBytes(run, store, block, doubles.data());
}

void writeBlocks(RunContext& run, StoredNumber& store, std::int32_t first, std::span<const double> doubles)
{
    inTransfers(run, first, doubles, [&](std::int32_t block, std::span<const double> part, std::size_t count) {
        writeAt(run, store, block, part.data(), count * static_cast<std::size_t>(run.size.blockBytes));
        run.transfers.blocksWritten += count;
        pumpAfterTransfer(run);
    });
}

void readBlocks(RunContext& run, StoredNumber& store, std::int32_t first, std::span<double> doubles)
{
    inTransfers(run, first, doubles, [&](std::int32_t block, std::span<double> part, std::size_t count) {
        readAt(run, store, block, part.data(), count * static_cast<std::size_t>(run.size.blockBytes));
        run.transfers.blocksRead += count;
        pumpAfterTransfer(run);
    });
}

void abortComputation() { throw StopRequested{}; }

} // namespace calvorn
