#include "mul/out_of_core_pieces.h"

#include <algorithm>
#include <cassert>
#include <optional>

#include "storage/block_transfer.h"

namespace calvorn {
namespace {

// A written block costs about what a read one costs (the copy into the
// file's pages against the copy out of them, both measured at 6 to 9 GB/s
// here); the sweep's own work is no dearer than one by one's.
constexpr std::uint64_t writeWeight = 1;

std::uint64_t cost(const PieceTraffic& traffic) { return traffic.reads + writeWeight * traffic.writes; }

struct Stretches {
    std::size_t h;   // doubles of one file block
    std::int32_t s;  // file blocks of one spectrum
};

Stretches stretchesOf(const RunContext& run, const BlockLayout& layout)
{
    const std::int32_t h = run.size.halfBlockWords;
    return {static_cast<std::size_t>(h), layout.b / h};
}

std::int32_t fileBlock(const SpectrumPlace& place, std::int32_t s, std::int32_t t)
{
    return (place.position - 1) * s + t;
}

// Stored spectra a term reads: none of the work area's, one of a square's.
std::int32_t storedOperands(const PieceTerm& term)
{
    if (term.kind == SpectrumKernel::square || term.second.inArea()) return 1;
    return 2;
}

// The stored spectra the plan reads, each once, in the order of first use.
std::vector<SpectrumPlace> inputsOf(const PiecePlan& plan)
{
    std::vector<SpectrumPlace> inputs;
    const auto add = [&](const SpectrumPlace& place) {
        if (!place.inArea() && std::find(inputs.begin(), inputs.end(), place) == inputs.end())
            inputs.push_back(place);
    };
    for (const Piece& piece : plan.pieces) {
        for (const PieceTerm& term : piece.terms) {
            add(term.first);
            if (storedOperands(term) == 2) add(term.second);
        }
    }
    return inputs;
}

// A sweep's buffer: a file block for each stored operand (where it is read
// when the system shows no view of its file, or when a piece is written
// over it while other pieces still sum it), then one for each of the first
// `deferred` pieces after the first, where that piece's file block waits
// until every piece has summed the operands' same block, and one shared by
// the pieces after those, each written as soon as it is summed. The pieces
// wait where the room allows it: each one that waits lets every operand at
// its spare position be seen in its file instead of read. What the room
// holds beyond the buffer keeps the second piece's first `held` file blocks.
struct SweepBuffer {
    std::size_t deferred = 0;
    std::size_t blocks = 0;
    std::int32_t held = 0;
};

SweepBuffer sweepBuffer(const PiecePlan& plan, std::size_t roomDoubles, const Stretches& st)
{
    const std::size_t inputs = inputsOf(plan).size();
    const std::size_t later = plan.pieces.empty() ? 0 : plan.pieces.size() - 1;
    const std::size_t roomBlocks = roomDoubles / st.h;
    SweepBuffer buffer;
    if (roomBlocks >= inputs + later) {
        buffer.deferred = later;
        buffer.blocks = inputs + later;
    } else {
        buffer.deferred = roomBlocks > inputs + 1 ? roomBlocks - inputs - 1 : 0;
        buffer.blocks = inputs + buffer.deferred + 1;
    }
    if (roomBlocks > buffer.blocks)
        buffer.held = static_cast<std::int32_t>(
            std::min<std::size_t>(roomBlocks - buffer.blocks, static_cast<std::size_t>(st.s)));
    return buffer;
}

std::size_t indexOf(const std::vector<SpectrumPlace>& inputs, const SpectrumPlace& place)
{
    return static_cast<std::size_t>(std::find(inputs.begin(), inputs.end(), place) - inputs.begin());
}

// One by one: each piece streams its terms' stored operands through the
// spectrum buffers, a file block at a time, into the work area; the spectrum
// in the room (`inRoom`, when there is one) is taken from there.
void formOneByOne(RunContext& run, const BlockLayout& layout, PieceTarget& target, const PiecePlan& plan,
                  const SpectrumPlace& inRoom, std::span<const double> room)
{
    const Stretches st = stretchesOf(run, layout);
    const std::span<double> w = transformArray(run);
    const std::span<double> a(run.spectrumBufferA.data(), st.h);
    const std::span<double> b(run.spectrumBufferB.data(), st.h);
    const auto operand = [&](const SpectrumPlace& place, std::span<double> buffer, std::int32_t t) {
        const std::size_t start = static_cast<std::size_t>(t - 1) * st.h;
        if (!inRoom.inArea() && place == inRoom) return std::span<const double>(room.subspan(start, st.h));
        return viewBlock(run, *place.store, fileBlock(place, st.s, t), buffer);
    };
    // File block by file block, every term of the piece, so that the work
    // area's block stays in the cache while its terms are summed.
    for (const Piece& piece : plan.pieces) {
        for (std::int32_t t = 1; t <= st.s; ++t) {
            const std::span<double> out = w.subspan(static_cast<std::size_t>(t - 1) * st.h, st.h);
            for (std::size_t k = 0; k < piece.terms.size(); ++k) {
                const PieceTerm& term = piece.terms[k];
                const bool twoStored = storedOperands(term) == 2;
                const std::span<const double> first = operand(term.first, a, t);
                const std::span<const double> second = term.second.inArea() ? out
                                                       : twoStored           ? operand(term.second, b, t)
                                                                             : first;
                combineStretch(term.kind, k > 0, first, second, out, t == 1);
            }
        }
        storePiece(run, layout, target, piece.f, piece.guard, piece.lowest);
    }
}

// One sweep: for every file block t, the block t of each stored operand is
// seen once (or read into the sweep buffer), then each piece's block t is
// summed (the first piece's in the work area, the later pieces' in the
// buffer, the second piece's first blocks where they wait in what the room
// holds beyond the buffer) and the later pieces' blocks are written to their
// spare positions: those that wait in the buffer once every piece has summed
// the operands' block t, the others as soon as they are summed. Then the
// pieces are stored in turn, each brought back into the work area.
void formInOneSweep(RunContext& run, const BlockLayout& layout, PieceTarget& target, const PiecePlan& plan)
{
    const Stretches st = stretchesOf(run, layout);
    const std::vector<SpectrumPlace> inputs = inputsOf(plan);
    const std::span<double> w = transformArray(run);
    const std::span<double> room = run.workArea.room();
    run.kept.areaWritten(w.data(), layout.b, static_cast<std::int32_t>(room.size()));
    const SweepBuffer layoutOfBuffer = sweepBuffer(plan, room.size(), st);
    const std::size_t deferred = layoutOfBuffer.deferred;
    const std::int32_t held = layoutOfBuffer.held;
    const std::span<double> buffer = room.first(layoutOfBuffer.blocks * st.h);
    const auto blockOf = [&](std::size_t slot) { return buffer.subspan(slot * st.h, st.h); };
    const std::span<double> waiting = room.subspan(buffer.size(), static_cast<std::size_t>(held) * st.h);

    // Each term's operands as places in the buffer (the work area's as npos).
    constexpr std::size_t area = static_cast<std::size_t>(-1);
    struct Operands {
        std::size_t first;
        std::size_t second;
    };
    std::vector<std::vector<Operands>> operands(plan.pieces.size());
    for (std::size_t p = 0; p < plan.pieces.size(); ++p) {
        for (const PieceTerm& term : plan.pieces[p].terms) {
            const std::size_t first = indexOf(inputs, term.first);
            const std::size_t second = term.second.inArea() ? area
                                       : term.kind == SpectrumKernel::square ? first
                                                                             : indexOf(inputs, term.second);
            operands[p].push_back({first, second});
        }
    }

    // An operand at the spare position of a piece written as soon as it is
    // summed is read: that piece overwrites its block t while later pieces
    // still sum it, and a view would show the piece instead.
    const auto writtenAtOnce = plan.spare.begin() + static_cast<std::ptrdiff_t>(deferred);
    const auto used = plan.spare.begin() + static_cast<std::ptrdiff_t>(plan.pieces.size() - 1);
    std::vector<bool> overwritten(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) overwritten[i] = std::find(writtenAtOnce, used, inputs[i]) != used;
    const auto waits = [&](std::size_t p, std::int32_t t) { return p == 1 && t <= held; };
    std::vector<std::span<const double>> input(inputs.size());
    for (std::int32_t t = 1; t <= st.s; ++t) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const std::int32_t block = fileBlock(inputs[i], st.s, t);
            if (overwritten[i]) readBlock(run, *inputs[i].store, block, blockOf(i));
            input[i] = overwritten[i] ? blockOf(i) : viewBlock(run, *inputs[i].store, block, blockOf(i));
        }
        const std::size_t at = static_cast<std::size_t>(t - 1) * st.h;
        const std::span<double> areaBlock = w.subspan(at, st.h);
        const auto pieceBlock = [&](std::size_t p) {
            if (p == 0) return areaBlock;
            if (waits(p, t)) return waiting.subspan(at, st.h);
            return blockOf(inputs.size() + std::min(p, deferred + 1) - 1);
        };
        const auto writePiece = [&](std::size_t p) {
            const SpectrumPlace& spare = plan.spare[p - 1];
            writeBlock(run, *spare.store, fileBlock(spare, st.s, t), pieceBlock(p));
        };
        // The later pieces first: the first one may overwrite the work area's spectrum.
        for (std::size_t p = plan.pieces.size(); p-- > 0;) {
            const std::span<double> out = pieceBlock(p);
            const std::vector<Operands>& terms = operands[p];
            for (std::size_t k = 0; k < terms.size(); ++k) {
                const std::span<const double> second = terms[k].second == area ? areaBlock : input[terms[k].second];
                combineStretch(plan.pieces[p].terms[k].kind, k > 0, input[terms[k].first], second, out, t == 1);
            }
            if (p > deferred && !waits(p, t)) writePiece(p);
        }
        for (std::size_t p = 1; p <= deferred; ++p)
            if (!waits(p, t)) writePiece(p);
    }

    for (std::size_t p = 0; p < plan.pieces.size(); ++p) {
        if (p > 0) {
            const SpectrumPlace& spare = plan.spare[p - 1];
            const std::int32_t first = p == 1 ? held + 1 : 1;
            if (p == 1) std::copy(waiting.begin(), waiting.end(), w.begin());
            if (first <= st.s)
                readBlocks(run, *spare.store, fileBlock(spare, st.s, first),
                           w.subspan(static_cast<std::size_t>(first - 1) * st.h,
                                     static_cast<std::size_t>(st.s - first + 1) * st.h));
        }
        const Piece& piece = plan.pieces[p];
        storePiece(run, layout, target, piece.f, piece.guard, piece.lowest);
    }
}

// Uses of a stored spectrum among the terms' stored operands.
std::uint64_t usesOf(const PiecePlan& plan, const SpectrumPlace& place)
{
    std::uint64_t uses = 0;
    for (const Piece& piece : plan.pieces) {
        for (const PieceTerm& term : piece.terms) {
            if (term.first == place) ++uses;
            if (storedOperands(term) == 2 && term.second == place) ++uses;
        }
    }
    return uses;
}

bool possible(const RunContext& run, const BlockLayout& layout, const PiecePlan& plan, Forming forming)
{
    const std::size_t room = run.workArea.room().size();
    switch (forming) {
    case Forming::oneByOne:
        return true;
    case Forming::oneByOneFromRoom:
        return !plan.roomCandidate.inArea() && room >= static_cast<std::size_t>(layout.b);
    case Forming::inOneSweep:
        return plan.pieces.size() >= 2 && plan.spare.size() + 1 >= plan.pieces.size() &&
               room >= (inputsOf(plan).size() + 1) * static_cast<std::size_t>(run.size.halfBlockWords);
    }
    return false;
}

} // namespace

PieceTraffic pieceTraffic(const PiecePlan& plan, Forming forming, std::int32_t blocksPerSpectrum,
                          std::int32_t heldInRoom)
{
    const auto perSpectrum = static_cast<std::uint64_t>(blocksPerSpectrum);
    PieceTraffic traffic;
    if (forming == Forming::inOneSweep) {
        const auto waiting = static_cast<std::uint64_t>(plan.pieces.empty() ? 0 : plan.pieces.size() - 1);
        const auto held = waiting > 0 ? static_cast<std::uint64_t>(heldInRoom) : 0;
        const std::uint64_t moved = waiting * perSpectrum - held;
        return {inputsOf(plan).size() * perSpectrum + moved, moved};
    }
    for (const Piece& piece : plan.pieces)
        for (const PieceTerm& term : piece.terms) traffic.reads += static_cast<std::uint64_t>(storedOperands(term));
    if (forming == Forming::oneByOneFromRoom) traffic.reads -= usesOf(plan, plan.roomCandidate);
    traffic.reads *= perSpectrum;
    return traffic;
}

Forming chooseForming(RunContext& run, const BlockLayout& layout, const PiecePlan& plan)
{
    const auto wanted = [&]() -> std::optional<Forming> {
        switch (run.pieceForming) {
        case PieceForming::oneByOne: return Forming::oneByOne;
        case PieceForming::oneByOneFromRoom: return Forming::oneByOneFromRoom;
        case PieceForming::inOneSweep: return Forming::inOneSweep;
        case PieceForming::chosen: break;
        }
        return std::nullopt;
    }();
    if (wanted) return possible(run, layout, plan, *wanted) ? *wanted : Forming::oneByOne;
    const Stretches st = stretchesOf(run, layout);
    const std::int32_t held = sweepBuffer(plan, run.workArea.room().size(), st).held;
    Forming best = Forming::oneByOne;
    for (const Forming forming : {Forming::oneByOneFromRoom, Forming::inOneSweep}) {
        if (possible(run, layout, plan, forming) &&
            cost(pieceTraffic(plan, forming, st.s, held)) < cost(pieceTraffic(plan, best, st.s, held)))
            best = forming;
    }
    return best;
}

void formPieces(RunContext& run, const BlockLayout& layout, PieceTarget& target, const PiecePlan& plan,
                Forming forming)
{
    for (std::size_t p = 0; p < plan.pieces.size(); ++p)
        for (std::size_t k = 0; k < plan.pieces[p].terms.size(); ++k)
            assert(!plan.pieces[p].terms[k].second.inArea() || (p == 0 && k == 0));
    assert(possible(run, layout, plan, forming));
    switch (forming) {
    case Forming::oneByOne:
        return formOneByOne(run, layout, target, plan, {}, {});
    case Forming::oneByOneFromRoom:
        return formOneByOne(run, layout, target, plan, plan.roomCandidate,
                            run.workArea.room().first(static_cast<std::size_t>(layout.b)));
    case Forming::inOneSweep:
        // The spare positions are about to hold pieces: whatever the record
        // says they keep is gone from here on.
        for (std::size_t p = 1; p < plan.pieces.size(); ++p)
            run.kept.stored(*plan.spare[p - 1].store, plan.spare[p - 1].position, KeptTransform{});
        return formInOneSweep(run, layout, target, plan);
    }
}

} // namespace calvorn
