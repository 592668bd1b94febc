#include "newton/newton_iterations.h"

#include <cmath>

#include "arith/element_ops.h"
#include "common/numeric.h"
#include "mul/multiply_numbers.h"
#include "storage/block_transfer.h"
#include "storage/run_errors.h"

namespace calvorn {
namespace {

// Turns the error term e held in t into the small term of the correction:
// 1 - e when e is below one (returns true: the correction is added), e - 1
// otherwise (returns false: the correction is subtracted). Either way every
// number stays non-negative.
bool formSmallTerm(RunContext& run, StoredNumber& t, std::int32_t n)
{
    readBlock(run, t, 1, run.firstBlockBuffer);
    if (run.firstBlockBuffer[0] < leadingWordOfOne) {
        integerMinus(run, 1, t, t, n);
        return true;
    }
    run.firstBlockBuffer[0] -= leadingWordOfOne;
    writeBlock(run, t, 1, run.firstBlockBuffer);
    return false;
}

// t = y + t or t = y - t, as formSmallTerm decided.
void applyCorrection(RunContext& run, bool add, StoredNumber& y, StoredNumber& t, std::int32_t n)
{
    if (add)
        addNumbers(run, y, t, t, n);
    else
        subtractNumbers(run, y, t, t, n);
}

struct NewtonOutcome {
    std::int32_t steps = 0;
    std::int32_t lastLength = 0; // n of the step that converged
};

// The reuse hint of a new Newton run: its own session, nothing agreeing yet.
ReuseHint startRun(RunContext& run) { return ReuseHint{.session = run.kept.newSession()}; }

// The frame every iteration shares: a step at n = 2^i writes the new
// approximation into t; the run has converged when t and the iterate y agree
// in more than half of the full length N. Otherwise y takes t and the length
// doubles, up to 2^(p-3); past that the run fails with `failure`. A run that
// converges below the full length has written t only up to word n + 2: the
// words after it, which may hold anything, become zero.
template <typename Step>
NewtonOutcome iterateNewton(RunContext& run, ReuseHint& hint, StoredNumber& t, StoredNumber& y, std::int32_t N,
                            std::int32_t p, std::int32_t firstStep, const char* failure, Step step)
{
    hint.iterateAgreeWords = 0;
    NewtonOutcome outcome;
    for (std::int32_t i = firstStep; i <= p - 3; ++i) {
        const std::int32_t n = integerPower(2, i);
        step(n);
        ++outcome.steps;
        hint.iterateAgreeWords = countAgreeingWords(run, t, y, n, hint.iterateAgreeWords);
        if (hint.iterateAgreeWords >= N / 2 + 1) {
            outcome.lastLength = n;
            if (n < N) clearTail(run, t, n + 3, N);
            return outcome;
        }
        copyNumber(run, t, y, n);
    }
    throw RunFailure(failure);
}

} // namespace

std::int32_t newtonReciprocal(RunContext& run, StoredNumber& x, StoredNumber& t, StoredNumber& y,
                              std::int32_t N, std::int32_t p)
{
    zeroNumber(run, y, N);
    const double start = 1.0 / leadingValue(run, x);
    setLeadingValue(run, start, y);
    ReuseHint hint = startRun(run);

    // t = y + y(1 - xy) or y - y(xy - 1); x keeps its transform across steps.
    const auto step = [&](std::int32_t n) {
        multiplyNumbers(run, x, y, t, n, productFixedFirst, hint);
        const bool add = formSmallTerm(run, t, n);
        multiplyNumbers(run, y, t, t, n, productHalfAfterFixed, hint);
        applyCorrection(run, add, y, t, n);
    };
    return iterateNewton(run, hint, t, y, N, p, 1, "NOT CONVERGENT IN INV", step).steps;
}

std::int32_t newtonInverseSqrt(RunContext& run, StoredNumber& t, StoredNumber& y, std::int32_t N, std::int32_t p)
{
    zeroNumber(run, y, N);
    const double start = 1.0 / std::sqrt(2.0);
    setLeadingValue(run, start, y);
    ReuseHint hint = startRun(run);

    // t = y + y(1 - 2y^2)/2 or y - y(2y^2 - 1)/2.
    const auto step = [&](std::int32_t n) {
        multiplyNumbers(run, y, y, t, n, squareHalf, hint);
        multiplySmall(run, t, 2, t, n);
        const bool add = formSmallTerm(run, t, n);
        multiplyNumbers(run, y, t, t, n, productHalfAfterSquare, hint);
        halveNumber(run, t, n);
        applyCorrection(run, add, y, t, n);
    };
    return iterateNewton(run, hint, t, y, N, p, 1, "NOT CONVERGENT IN SQR05", step).steps;
}

std::int32_t newtonSqrt(RunContext& run, StoredNumber& w, StoredNumber& b, StoredNumber& v, std::int32_t N,
                        std::int32_t p, std::int32_t k, std::int32_t agreementCount)
{
    std::int32_t firstStep = 1;
    if (k <= 3) {
        zeroNumber(run, v, N);
        const double start = 1.0 / std::sqrt(leadingValue(run, w));
        setLeadingValue(run, start, v);
    } else {
        // v still holds 1/sqrt of the previous w, correct to about as many
        // words as a and b agree: start at the first length above that,
        // keeping half of it.
        firstStep = warmStartStep(agreementCount);
        clearTail(run, v, integerPower(2, firstStep) / 2 + 3, N);
    }
    ReuseHint hint = startRun(run);
    hint.agreementCount = agreementCount;

    // b = v + v(1 - wv^2)/2 or v - v(wv^2 - 1)/2; w keeps its transform.
    const auto step = [&](std::int32_t n) {
        multiplyNumbers(run, v, v, b, n, squareHalf, hint);
        multiplyNumbers(run, w, b, b, n, productKeepFirst, hint);
        const bool add = formSmallTerm(run, b, n);
        multiplyNumbers(run, v, b, b, n, productHalf, hint);
        halveNumber(run, b, n);
        applyCorrection(run, add, v, b, n);
    };
    const NewtonOutcome outcome = iterateNewton(run, hint, b, v, N, p, firstStep, "NOT CONVERGENT IN SQR", step);

    if (k >= 3) copyNumber(run, b, v, N / 4);
    // sqrt(w) = w * (1/sqrt(w)). The transform of w kept by the last step is
    // of length N only when that step ran at the full length; an answer that
    // is exact in few words can converge one length earlier.
    multiplyNumbers(run, w, b, b, N, outcome.lastLength == N ? productReuseFirst : productFull, hint);
    return outcome.steps;
}

} // namespace calvorn
