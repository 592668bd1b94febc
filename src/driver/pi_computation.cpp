#include "driver/pi_computation.h"

#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "arith/element_ops.h"
#include "newton/newton_iterations.h"
#include "common/numeric.h"
#include "driver/decimal_output.h"
#include "driver/digit_check.h"
#include "driver/progress_lines.h"
#include "driver/work_area_sizing.h"
#include "driver/work_fingerprint.h"
#include "driver/work_files.h"
#include "mul/multiply_numbers.h"
#include "storage/block_transfer.h"
#include "storage/run_errors.h"

namespace calvorn {
namespace {

// The leading word of the starting value t0 = 1/4.
constexpr std::int32_t leadingWordOfQuarter = 25000000;

constexpr const char* mainNotConvergentText = "not convergent in main.";
constexpr const char* failureCaption = "ERROR";
constexpr const char* digitsWrongText =
    "the digits written for pi_data.txt are not the correct digits of pi: the computation went wrong "
    "somewhere; the previous pi_data.txt is kept.";

class Progress {
public:
    Progress(Host& host, const RunClock& clock, Language language) : host_(host), clock_(clock), language_(language) {}
    void elapsed(std::string_view rest)
    {
        host_.appendLog(elapsedLine(clock_.startTicks(), clock_.nowTicks(), rest, language_));
    }
    void elapsed(MessageId rest) { elapsed(messageText(rest, language_)); }
    Language language() const { return language_; }

private:
    Host& host_;
    const RunClock& clock_;
    Language language_;
};

std::string fingerprintMismatchText(std::uint64_t found, std::uint64_t expected)
{
    return "The work fingerprint " + workFingerprintText(found) + " differs from " + workFingerprintText(expected) +
           ", the one every correct machine computes for this size: this machine did other arithmetic "
           "(a hardware or build fault), although the digits are right.";
}

// a0 = 1, t0 = 1/4, b0 = 1/sqrt(2), and W = a0 * b0 = b0 for the first iteration.
void plantStartingValues(RunContext& run, WorkFiles& files, std::int32_t p)
{
    const std::int32_t n = run.size.numberWords;
    zeroNumber(run, files.A(), n);
    zeroNumber(run, files.B(), n);
    zeroNumber(run, files.T(), n);
    zeroNumber(run, files.V(), n);
    zeroNumber(run, files.W(), n);

    readBlock(run, files.A(), 1, run.firstBlockBuffer);
    run.firstBlockBuffer[0] = leadingWordOfOne;
    writeBlock(run, files.A(), 1, run.firstBlockBuffer);

    readBlock(run, files.T(), 1, run.secondBlockBuffer);
    run.secondBlockBuffer[0] = leadingWordOfQuarter;
    writeBlock(run, files.T(), 1, run.secondBlockBuffer);

    newtonInverseSqrt(run, files.B(), files.V(), n, p);
    copyNumber(run, files.B(), files.W(), n);
}

// The Gauss-Legendre iteration, at most p times, until a and b agree in more
// than half of their words.
void iterateMeans(RunContext& run, WorkFiles& files, std::int32_t p, Progress& progress, RunSummary& summary)
{
    const std::int32_t n = run.size.numberWords;
    StoredNumber& A = files.A();
    StoredNumber& B = files.B();
    StoredNumber& T = files.T();
    StoredNumber& V = files.V();
    StoredNumber& W = files.W();

    std::int32_t agreementCount = 0;  // leading words in which a and b agree
    for (std::int32_t k = 1;; ++k) {
        if (k > p) throw RunFailure(mainNotConvergentText);
        addNumbers(run, A, B, A, n);
        halveNumber(run, A, n);                    // a' = (a + b) / 2
        subtractNumbers(run, A, B, B, n);          // a' - b = (a - b) / 2
        multiplyNumbers(run, B, B, B, n, squareFull);
        if (k >= 2) {
            multiplyNumbers(run, A, A, W, n, squareFull);
            subtractNumbers(run, W, B, W, n);      // a'^2 - ((a - b) / 2)^2 = a * b
        }
        multiplyPowerOfTwo(run, B, k - 1, n);
        subtractNumbers(run, T, B, T, n);          // t' = t - 2^(k-1) ((a - b) / 2)^2
        newtonSqrt(run, W, B, V, n, p, k, agreementCount);  // b' = sqrt(a * b)
        agreementCount = countAgreeingWords(run, A, B, n, agreementCount);
        summary.iterations = k;
        progress.elapsed(iterationDoneText(k, progress.language()));
        if (agreementCount >= n / 2 + 1) return;
    }
}

// pi = (a + b)^2 / (4t), left in A.
void formPi(RunContext& run, WorkFiles& files, std::int32_t p)
{
    const std::int32_t n = run.size.numberWords;
    StoredNumber& A = files.A();
    StoredNumber& B = files.B();
    addNumbers(run, A, B, A, n);
    halveNumber(run, A, n);
    multiplyNumbers(run, A, A, A, n, squareFull);
    newtonReciprocal(run, files.T(), B, files.V(), n, p);
    multiplyNumbers(run, A, B, A, n, productFull);
}

void copyRunFigures(const RunContext& run, RunSummary& summary)
{
    summary.largestRoundingDistance = run.largestRoundingDistance;
    summary.workFingerprint = run.workFingerprint;
    summary.transfers = run.transfers;
    summary.transforms = run.transforms;
    summary.planner = run.planner;
}

} // namespace

int runPiComputation(Host& host, std::int32_t sizeExponent, const RunClock& clock, RunSummary& summary,
                     const RunOptions& options)
{
    summary = RunSummary{};
    if (sizeExponent < smallestSizeExponent || sizeExponent > largestSizeExponent) {
        host.showError("no such size: 2^" + std::to_string(sizeExponent) + " digits", failureCaption);
        return 1;
    }
    const SizeParameters size = SizeParameters::forExponent(sizeExponent);
    // The context holds the two block buffers and the spectrum buffers: too
    // large for the stack of a window procedure.
    std::unique_ptr<RunContext> run;
    try {
        run = std::make_unique<RunContext>(host, size);
        run->nudgeNextRoundedValue = options.injectFault;
        run->viewWorkFiles = options.viewWorkFiles;
        run->planner = fft::TransformPlanner(options.planTransforms, fft::lanePathForcedByEnvironment());
        run->planner.takeUp(options.knownPlans);
    } catch (const std::bad_alloc&) {
        host.showError(messageText(MessageId::notEnoughMemory, options.language), "");
        return 1;
    }
    Progress progress(host, clock, options.language);

    const MemoryStatus memory = host.memoryStatus();
    host.appendLog(totalMemoryLine(memory.totalPhysical, options.language));
    // A budget the system still refuses is halved down to the shortest area.
    // A shortened area takes the room beyond it that the budget leaves, when
    // the system grants it.
    const std::uint64_t budget = limitedMemoryBudget(memory, options.memoryCap);
    std::int32_t length = workAreaLengthFor(size, budget);
    const std::int32_t room = workAreaRoomFor(size, length, budget);
    bool allocated = length != 0 && room > 5 && run->workArea.allocate(length, room);
    while (!allocated && length != 0) {
        allocated = run->workArea.allocate(length);
        if (!allocated) length = length > smallestWorkAreaLength(size) ? length / 2 : 0;
    }
    if (length == 0) {
        host.showError(messageText(MessageId::notEnoughMemory, options.language), "");
        return 1;
    }
    summary.workAreaLength = length;
    summary.workAreaBytes = run->workArea.bytes();
    host.appendLog(availableMemoryLine(memory.availablePhysical, options.language));
    host.appendLog(allocatedMemoryLine(summary.workAreaBytes, options.language));

    // Every way out below releases the work area and deletes every work file
    // still held (the files on leaving this block, the area with the context)
    // and the digits' side file, before any message: the reason for a full
    // disk must find room on it.
    std::optional<SideFile> digits;
    std::optional<std::string> failure;
    bool stopped = false;
    {
        WorkFiles files;
        try {
            files.create();
            run->spectrumStoreX = &files.X();
            run->spectrumStoreY = &files.Y();

            plantStartingValues(*run, files, sizeExponent);
            progress.elapsed(MessageId::startingValuesDone);
            iterateMeans(*run, files, sizeExponent, progress, summary);
            formPi(*run, files, sizeExponent);

            run->workArea.release();
            run->spectrumStoreX = nullptr;
            run->spectrumStoreY = nullptr;
            files.releaseAllButA();
            digits.emplace(decimalOutputFileName);
            writeDecimalDigits(*run, files.A(), size.numberWords, *digits);
            files.releaseAll();
            summary.elapsed = clock.elapsed();
        } catch (const StopRequested&) {
            // The user asked for it: no message, the log keeps its lines.
            stopped = true;
        } catch (const std::exception& e) {
            // RunFailure above all: an arithmetic or file failure with its text.
            failure = e.what();
        }
    }
    copyRunFigures(*run, summary);
    run->workArea.release();
    if (stopped || failure) {
        digits.reset();
        if (failure) host.showError(*failure, failureCaption);
        return 1;
    }

    // The previous "pi_data.txt" is replaced only by digits that are right.
    const PiDataCheck check = checkPiData(sizeExponent, digits->name());
    summary.digitsVerified = check.matches;
    if (!summary.digitsVerified) {
        digits.reset();
        host.showError(check.readProblem.empty() ? digitsWrongText : check.readProblem, failureCaption);
        return 1;
    }
    // A stop that came after the last block transfer still ends the run as a stop.
    host.checkForStop();
    if (host.stopRequested()) {
        summary.digitsVerified = false;
        return 1;
    }
    if (const int error = digits->commit()) {
        const bool replaced = digits->replaced();
        const auto inTheWay = replaced ? std::optional<std::string>() : nameInTheWay(decimalOutputFileName);
        digits.reset();
        summary.digitsVerified = false;
        // The new digits may already be in place: a power cut could still
        // take them back, and the run is not recorded.
        host.showError(replaced ? std::string(decimalOutputFileName) +
                                      " holds the new digits, but the folder could not be put on the disk: " +
                                      systemErrorText(error)
                                : std::string("cannot replace ") + decimalOutputFileName + ": " +
                                      (inTheWay ? *inTheWay : systemErrorText(error)),
                       failureCaption);
        return 1;
    }
    // The digits are right and in place; the arithmetic that made them is
    // checked too when the run had the full work area.
    const auto reference = referenceWorkFingerprint(sizeExponent);
    summary.fingerprintChecked = options.checkWorkFingerprint && reference && length == fullWorkAreaLength(size);
    if (summary.fingerprintChecked) {
        summary.fingerprintMatched = summary.workFingerprint == *reference;
        if (!summary.fingerprintMatched) {
            host.showError(fingerprintMismatchText(summary.workFingerprint, *reference), failureCaption);
            return 1;
        }
    }
    return 0;
}

} // namespace calvorn
