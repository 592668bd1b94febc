#include "mul/out_of_core_pieces.h"

#include <algorithm>
#include <cassert>
#include <new>

#include "storage/block_transfer.h"

namespace calvorn {
namespace {

// A written block costs about twice a read one: the copy into the file's
// pages is slower than the copy out of them, and every written page is
// written back to the disk later.
constexpr std::uint64_t writeWeight = 2;

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

std::size_t indexOf(const std::vector<SpectrumPlace>& inputs, const SpectrumPlace& place)
{
    return static_cast<std::size_t>(std::find(inputs.begin(), inputs.end(), place) - inputs.begin());
}

// One by one: each term streams its stored operands through the spectrum
// buffers, a file block at a time, into the work area.
void formOneByOne(RunContext& run, const BlockLayout& layout, PieceTarget& target, const PiecePlan& plan)
{
    const Stretches st = stretchesOf(run, layout);
    const std::span<double> w = transformArray(run);
    const std::span<double> a(run.spectrumBufferA.data(), st.h);
    const std::span<double> b(run.spectrumBufferB.data(), st.h);
    for (const Piece& piece : plan.pieces) {
        for (std::size_t k = 0; k < piece.terms.size(); ++k) {
            const PieceTerm& term = piece.terms[k];
            const bool twoStored = storedOperands(term) == 2;
            for (std::int32_t t = 1; t <= st.s; ++t) {
                const std::span<double> out = w.subspan(static_cast<std::size_t>(t - 1) * st.h, st.h);
                readBlock(run, *term.first.store, fileBlock(term.first, st.s, t), a);
                if (twoStored) readBlock(run, *term.second.store, fileBlock(term.second, st.s, t), b);
                const std::span<const double> second = term.second.inArea() ? out : twoStored ? b : a;
                combineStretch(term.kind, k > 0, a, second, out, t == 1);
            }
        }
        storePiece(run, layout, target, piece.f, piece.guard, piece.lowest);
    }
}

// One sweep: for every file block t, the block t of each stored operand is
// read once into the sweep buffer, then each piece's block t is summed there
// (the first piece's in the work area) and the later pieces' blocks are
// written to their spare positions; then the pieces are stored in turn, each
// read back into the work area. A spare position's block t is written only
// after every block t was read, so the operands it held stay whole for the
// sweep.
void formInOneSweep(RunContext& run, const BlockLayout& layout, PieceTarget& target, const PiecePlan& plan,
                    const std::vector<SpectrumPlace>& inputs)
{
    const Stretches st = stretchesOf(run, layout);
    const std::span<double> w = transformArray(run);
    const std::span<double> buffer(run.sweepBuffer.data(), (inputs.size() + 1) * st.h);
    const auto blockOf = [&](std::size_t input) { return buffer.subspan(input * st.h, st.h); };
    const std::span<double> pieceBlock = blockOf(inputs.size());

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

    for (std::int32_t t = 1; t <= st.s; ++t) {
        for (std::size_t i = 0; i < inputs.size(); ++i)
            readBlock(run, *inputs[i].store, fileBlock(inputs[i], st.s, t), blockOf(i));
        const std::span<double> areaBlock = w.subspan(static_cast<std::size_t>(t - 1) * st.h, st.h);
        // The later pieces first: the first one may overwrite the work area's spectrum.
        for (std::size_t p = plan.pieces.size(); p-- > 0;) {
            const std::span<double> out = p == 0 ? areaBlock : pieceBlock;
            const std::vector<Operands>& terms = operands[p];
            for (std::size_t k = 0; k < terms.size(); ++k) {
                const std::span<const double> second = terms[k].second == area ? areaBlock : blockOf(terms[k].second);
                combineStretch(plan.pieces[p].terms[k].kind, k > 0, blockOf(terms[k].first), second, out, t == 1);
            }
            if (p > 0) {
                const SpectrumPlace& spare = plan.spare[p - 1];
                writeBlock(run, *spare.store, fileBlock(spare, st.s, t), out);
            }
        }
    }

    for (std::size_t p = 0; p < plan.pieces.size(); ++p) {
        if (p > 0) {
            const SpectrumPlace& spare = plan.spare[p - 1];
            readBlocks(run, *spare.store, fileBlock(spare, st.s, 1), w.first(static_cast<std::size_t>(layout.b)));
        }
        const Piece& piece = plan.pieces[p];
        storePiece(run, layout, target, piece.f, piece.guard, piece.lowest);
    }
}

// Whether the sweep may and should run, with its buffer ready when it does.
bool sweepChosen(RunContext& run, const BlockLayout& layout, const PiecePlan& plan,
                 const std::vector<SpectrumPlace>& inputs)
{
    if (run.pieceForming == PieceForming::oneByOne || plan.pieces.size() < 2) return false;
    if (plan.spare.size() + 1 < plan.pieces.size()) return false;
    const std::int32_t s = stretchesOf(run, layout).s;
    if (run.pieceForming == PieceForming::chosen && cost(sweepTraffic(plan, s)) >= cost(oneByOneTraffic(plan, s)))
        return false;
    const std::size_t doubles = (inputs.size() + 1) * static_cast<std::size_t>(run.size.halfBlockWords);
    if (doubles * sizeof(double) > run.spareBudgetBytes) return false;
    if (run.sweepBuffer.size() < doubles) {
        try {
            run.sweepBuffer.resize(doubles);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;
}

} // namespace

PieceTraffic oneByOneTraffic(const PiecePlan& plan, std::int32_t blocksPerSpectrum)
{
    PieceTraffic traffic;
    for (const Piece& piece : plan.pieces)
        for (const PieceTerm& term : piece.terms)
            traffic.reads += static_cast<std::uint64_t>(storedOperands(term)) * blocksPerSpectrum;
    return traffic;
}

PieceTraffic sweepTraffic(const PiecePlan& plan, std::int32_t blocksPerSpectrum)
{
    const auto waiting = static_cast<std::uint64_t>(plan.pieces.empty() ? 0 : plan.pieces.size() - 1);
    const auto perSpectrum = static_cast<std::uint64_t>(blocksPerSpectrum);
    return {(inputsOf(plan).size() + waiting) * perSpectrum, waiting * perSpectrum};
}

void formPieces(RunContext& run, const BlockLayout& layout, PieceTarget& target, const PiecePlan& plan)
{
    for (std::size_t p = 0; p < plan.pieces.size(); ++p)
        for (std::size_t k = 0; k < plan.pieces[p].terms.size(); ++k)
            assert(!plan.pieces[p].terms[k].second.inArea() || (p == 0 && k == 0));
    const std::vector<SpectrumPlace> inputs = inputsOf(plan);
    if (!sweepChosen(run, layout, plan, inputs)) return formOneByOne(run, layout, target, plan);
    // The spare positions are about to hold pieces: whatever the record says
    // they keep is gone from here on.
    for (std::size_t p = 1; p < plan.pieces.size(); ++p)
        run.kept.stored(*plan.spare[p - 1].store, plan.spare[p - 1].position, KeptTransform{});
    formInOneSweep(run, layout, target, plan, inputs);
}

} // namespace calvorn
