#include "storage/block_transfer.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <string>

#include "platform/file_faults.h"
#include "platform/file_transfers.h"
#include "platform/owned_files.h"
#include "storage/run_errors.h"

namespace calvorn {
namespace {

[[noreturn]] void failTransfer(const char* what, const StoredNumber& number, int error)
{
    throw RunFailure(std::string(what) + " " + number.fileName() + ": " + systemErrorText(error));
}

// After every transfer: let the host dispatch its messages; a stop raised
// there ends the run here.
void pumpAfterTransfer(RunContext& run)
{
    run.host.pumpMessages();
    if (run.host.stopRequested()) abortComputation();
}

std::uint64_t blockOffset(const RunContext& run, std::int32_t block)
{
    assert(block >= 1);
    return static_cast<std::uint64_t>(block - 1) * static_cast<std::uint64_t>(run.size.blockBytes);
}

// One whole block moves with one positioned call (more only when the system
// moves less than asked); see platform/file_transfers.h.
void writeBlockAt(RunContext& run, StoredNumber& number, std::int32_t block, const void* bytes, std::size_t count)
{
    if (!number.isOpen()) failTransfer("cannot write", number, EBADF);
    const std::span<const std::byte> data(static_cast<const std::byte*>(bytes), count);
    const std::uint64_t offset = blockOffset(run, block);
    if (const int error = calvorn::writeAt(number.file(), number.fileName(), data, offset))
        failTransfer("cannot write", number, error);
    number.noteWritten(offset + count);
}

void readBlockAt(RunContext& run, StoredNumber& number, std::int32_t block, void* bytes, std::size_t count)
{
    if (!number.isOpen()) failTransfer("cannot read", number, EBADF);
    const std::span<std::byte> data(static_cast<std::byte*>(bytes), count);
    if (const int error = calvorn::readAt(number.file(), number.fileName(), data, blockOffset(run, block)))
        failTransfer("cannot read", number, error);
}

void writeBytes(RunContext& run, StoredNumber& number, std::int32_t block, const void* bytes)
{
    writeBlockAt(run, number, block, bytes, static_cast<std::size_t>(run.size.blockBytes));
    ++run.transfers.blocksWritten;
    pumpAfterTransfer(run);
}

void readBytes(RunContext& run, StoredNumber& number, std::int32_t block, void* bytes)
{
    readBlockAt(run, number, block, bytes, static_cast<std::size_t>(run.size.blockBytes));
    ++run.transfers.blocksRead;
    pumpAfterTransfer(run);
}

// A block only looked at: through the file's view where it can be had, with
// the fault point of a read before it (a view cannot be interrupted or come
// short, so only a failure is taken from there); else read into `buffer`.
template <typename Word>
std::span<const Word> viewBytes(RunContext& run, StoredNumber& number, std::int32_t block, std::span<Word> buffer)
{
    const auto count = static_cast<std::size_t>(run.size.blockBytes);
    assert(buffer.size_bytes() >= count);
    const std::span<const std::byte> bytes =
        run.viewWorkFiles ? number.viewed(blockOffset(run, block), count) : std::span<const std::byte>{};
    if (bytes.empty()) {
        readBytes(run, number, block, buffer.data());
        return buffer.first(count / sizeof(Word));
    }
    const FileFault fault = fileFaultBefore(FileOperation::read, number.fileName());
    if (fault.kind == FileFault::Kind::fail) failTransfer("cannot read", number, fault.error);
    ++run.transfers.blocksRead;
    ++run.transfers.blocksViewed;
    pumpAfterTransfer(run);
    return {reinterpret_cast<const Word*>(bytes.data()), count / sizeof(Word)};
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

std::span<const std::int32_t> viewBlock(RunContext& run, StoredNumber& number, std::int32_t block,
                                        BlockBuffer& buffer)
{
    return viewBytes(run, number, block, std::span<std::int32_t>(buffer));
}

std::span<const double> viewBlock(RunContext& run, StoredNumber& store, std::int32_t block, std::span<double> buffer)
{
    return viewBytes(run, store, block, buffer);
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
        writeBlockAt(run, store, block, part.data(), count * static_cast<std::size_t>(run.size.blockBytes));
        run.transfers.blocksWritten += count;
        pumpAfterTransfer(run);
    });
}

void readBlocks(RunContext& run, StoredNumber& store, std::int32_t first, std::span<double> doubles)
{
    inTransfers(run, first, doubles, [&](std::int32_t block, std::span<double> part, std::size_t count) {
        readBlockAt(run, store, block, part.data(), count * static_cast<std::size_t>(run.size.blockBytes));
        run.transfers.blocksRead += count;
        pumpAfterTransfer(run);
    });
}

void abortComputation() { throw StopRequested{}; }

} // namespace calvorn
