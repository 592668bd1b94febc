// The state of one computation: its host, size parameters, the two block
// buffers, the product work area, the spectrum stores with the record of the
// transforms kept in them, and the run's counters. The driver owns one per
// run and hands it down by reference; tests build small ones at any size and
// work-area length.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "common/size_parameters.h"
#include "fft/transform_plan.h"
#include "fft/transform_planner.h"
#include "platform/host.h"
#include "storage/kept_transforms.h"

namespace calvorn {

class StoredNumber;

// One block of a stored number in memory: room for the largest block.
using BlockBuffer = std::array<std::int32_t, largestBlockWords>;

// One block of a spectrum store in memory: halfBlockWords doubles at most.
using SpectrumBuffer = std::array<double, largestBlockWords / 2>;

// The heap array of the products: `length` doubles (a power of two) plus five
// spare doubles that the stores may read past a transform, and, where the
// budget allows it, room beyond: up to `length` more doubles, of which the
// five spare ones are the first. Only the out-of-core products use the room
// (a second transform array, or buffers); the in-core ones use length + 5.
class WorkArea {
public:
    WorkArea() = default;
    // Allocates length + max(room, 5) doubles; returns false (and holds
    // nothing) when the memory cannot be had.
    bool allocate(std::int32_t length, std::int32_t room = 0);
    void release();
    bool allocated() const { return data_ != nullptr; }
    std::int32_t length() const { return length_; }
    // Every byte allocated, room included.
    std::uint64_t bytes() const { return (static_cast<std::uint64_t>(length_) + roomLength_) * 8; }
    // All length + 5 doubles.
    std::span<double> doubles() const { return {data_.get(), static_cast<std::size_t>(length_) + 5}; }
    // The doubles from `start` to the end of the area, spare doubles included.
    std::span<double> from(std::int32_t start) const { return doubles().subspan(static_cast<std::size_t>(start)); }
    // The doubles after the first `length`: the five spare ones and the rest of the room.
    std::span<double> room() const
    {
        return {data_.get() + length_, static_cast<std::size_t>(roomLength_)};
    }

private:
    // Frees what allocate obtained (which may be an aligned block).
    struct Release {
        void operator()(double* data) const;
    };
    std::unique_ptr<double[], Release> data_;
    std::int32_t length_ = 0;
    std::int32_t roomLength_ = 0;
};

struct TransferCounts {
    std::uint64_t blocksRead = 0;
    std::uint64_t blocksWritten = 0;
    std::uint64_t blocksViewed = 0; // of the blocks read, those seen through a file's view (nothing copied)
};

// The transforms a run made, by exponent k (a transform of 2^k doubles,
// k <= 24): what bounds a run's time from below.
struct TransformCounts {
    std::array<std::uint64_t, fft::largestPlanExponent + 1> forward{};
    std::array<std::uint64_t, fft::largestPlanExponent + 1> inverse{};
};

// How the out-of-core products form their pieces: as each product finds
// cheaper, or (for tests and benchmarks) one way whenever it can.
enum class PieceForming { chosen, oneByOne, oneByOneFromRoom, inOneSweep };

class RunContext {
public:
    RunContext(Host& runHost, SizeParameters sizes) : host(runHost), size(sizes) {}
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    Host& host;
    SizeParameters size;

    BlockBuffer firstBlockBuffer{};
    BlockBuffer secondBlockBuffer{};

    WorkArea workArea;                   // workArea.length() is `workAreaLength`

    // The transforms' plans for every length this run uses (lane path from
    // the environment or the fastest; twiddles built on first use).
    fft::TransformPlans transformPlans;
    // Which lane path and tuning each length and kind of transform runs, and
    // the trials that choose them.
    fft::TransformPlanner planner;

    // The spectrum stores of the out-of-core products: the work files of X and
    // Y, owned by whoever created them (the driver's work files in a run).
    StoredNumber* spectrumStoreX = nullptr;
    StoredNumber* spectrumStoreY = nullptr;
    SpectrumBuffer spectrumBufferA{};
    SpectrumBuffer spectrumBufferB{};

    PieceForming pieceForming = PieceForming::chosen;
    // Whether viewBlock may take a block through a view of its file (off:
    // it reads every block into the buffer).
    bool viewWorkFiles = true;

    // Which transforms the work area and the spectrum stores hold for a later product.
    KeptTransforms kept;

    double largestRoundingDistance = 0.0; // largest |value - nearest integer| seen after an inverse transform
    std::uint64_t workFingerprint = 0;    // sum (mod 2^64) of the bit patterns of every value the rounding checked
    bool nudgeNextRoundedValue = false;   // a test hook: the rounding moves the next value it checks one step up
    TransferCounts transfers;             // block reads and writes of this run
    TransformCounts transforms;           // forward and inverse transforms of this run, by length
};

} // namespace calvorn
