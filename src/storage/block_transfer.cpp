#include "storage/block_transfer.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <string>

#include "storage/run_errors.h"

namespace calvorn {
namespace {

std::string reason(const char* what, const StoredNumber& number)
{
    const int error = errno;
    std::string text = std::string(what) + " " + number.fileName() + ": ";
    text += error != 0 ? std::strerror(error) : "unexpected end of file";
    return text;
}

void seekToBlock(RunContext& run, StoredNumber& number, std::int32_t block)
{
    assert(block >= 1);
    const long offset = static_cast<long>(block - 1) * run.size.blockBytes;
    errno = 0;
    if (!number.isOpen() || std::fseek(number.file(), offset, SEEK_SET) != 0)
        throw RunFailure(reason("cannot seek in", number));
}

// After every transfer: let the host dispatch its messages; a stop raised
// there ends the run here.
void pumpAfterTransfer(RunContext& run)
{
    run.host.pumpMessages();
    if (run.host.stopRequested()) abortComputation();
}

void writeBytes(RunContext& run, StoredNumber& number, std::int32_t block, const void* bytes)
{
    seekToBlock(run, number, block);
    errno = 0;
    const std::size_t count = static_cast<std::size_t>(run.size.blockBytes);
    if (std::fwrite(bytes, 1, count, number.file()) != count)
        throw RunFailure(reason("cannot write", number));
    ++run.transfers.blocksWritten;
    pumpAfterTransfer(run);
}

void readBytes(RunContext& run, StoredNumber& number, std::int32_t block, void* bytes)
{
    seekToBlock(run, number, block);
    errno = 0;
    const std::size_t count = static_cast<std::size_t>(run.size.blockBytes);
    if (std::fread(bytes, 1, count, number.file()) != count)
        throw RunFailure(reason("cannot read", number));
    ++run.transfers.blocksRead;
    pumpAfterTransfer(run);
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

void abortComputation() { throw StopRequested{}; }

} // namespace calvorn
