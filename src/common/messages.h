// The program's texts, one entry per message with its Korean and its English
// form. The window shows the Korean ones; the console shows the language of
// its user. Entries with conversions are printf formats whose two forms take
// the same arguments in the same order. Constants only.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace calvorn {

enum class Language { korean, english };

enum class MessageId {
    // Lines of a run's log.
    elapsedTime,          // hours, minutes, seconds (int)
    runStarts,            // iterations (int); follows the size label
    startingValuesDone,
    iterationDone,        // iteration (int)
    memoryLine,           // label (string), bytes (unsigned long long)
    totalMemoryLabel,
    availableMemoryLabel,
    allocatedMemoryLabel,
    digitsWritten,        // follows the elapsed time
    runFinished,
    notEnoughMemory,
    // The tables of best times.
    notComputedRecord,    // label (precision, string)
    startupRecord,        // hours, minutes, seconds (int), label (precision, string)
    afterRunRecord,       // hours, minutes, seconds (int), label (precision, string)
    // The console's own lines.
    digitsVerified,
    largestRoundingDistance, // distance (double)
    runStopped,
    runFailed,
    digitsWrong,
    directoryNotWritable,    // reason (string)
    workFingerprint,         // 16 hexadecimal digits (string)
    fingerprintChecked,
    fingerprintNotChecked,
    // The stability test.
    repeatedRunLine,         // run (long long), seconds (double), verdict (string)
    verdictPassed,
    verdictStopped,
    verdictFailed,
    fingerprintDiffers,
    repeatSummary,           // best, median seconds (double), passed runs (long long)
    repeatVerdict,           // verdict (string)
    // The console's folder and streams.
    anotherRunInFolder,
    fileInTheWay,            // what is in the way (string)
    recordsUnreadable,       // why (string)
    reportNotWritten,        // reason (string)
    // The transforms' plan.
    planCacheUnreadable,     // why (string)
    planCacheNotSaved,       // why (string)
    planLine,                // exponent (int), kind, variant, source (string)
    planCandidateLine,       // variant (string), milliseconds (double)
    planSourceMeasured,
    planSourceCached,
    planSourceStatic,
    planSourceTrying,
    // The stress test.
    stressStarts,               // size label (string), copies (int), how long (string)
    stressUntilStopped,
    stressForDuration,          // duration (string)
    stressSharedProcessors,     // copies (int), processors (int)
    stressNotPinned,            // core (string), reason (string)
    stressWorkAreaFull,         // bytes (unsigned long long)
    stressWorkAreaSmaller,      // bytes, the full area's bytes (unsigned long long)
    stressWorkAreaOfCore,       // core (string), bytes (unsigned long long)
    stressClock,                // elapsed (string)
    stressClockOf,              // elapsed, duration (string)
    stressStatusLine,           // core (string), runs passed (long long), last time, verdict (string)
    stressSeconds,              // seconds (double)
    stressRunning,
    stressStopping,
    stressSummaryLine,          // core (string), runs (long long), best, median, verdict (string)
    stressNoRun,
    stressFailureLine,          // core (string), run (long long), what differed (string)
    stressFingerprintTable,     // found, expected (string)
    stressFingerprintCopies,    // found, agreed (string), copies (int), runs (long long)
    stressFingerprintOwnRuns,   // the two fingerprints (string)
    stressFingerprintUndecided, // found, other (string), other core (string)
    stressRunFailedBecause,     // reason (string)
    stressCopyDied,             // how it ended (string)
    stressExitStatus,           // status (unsigned)
    stressExitCode,             // status (unsigned)
    stressSignal,               // signal (unsigned), its name (string)
    stressCopyHung,             // seconds (long long)
    stressCopyNotStarted,       // reason (string)
    stressCopyUnreadable,       // what it wrote (string)
    stressFingerprintsChecked,
    stressFingerprintsCompared, // runs (long long), fingerprint (string)
    stressFingerprintsDiffer,
    stressMachineVerdict,       // verdict (string)
    stressIncomplete,
    stressNotEnoughMemory,      // copies (int), bytes each (unsigned long long), size (string), bytes needed (ull)
    stressFolderLeft,           // folder, reason (string)
    // The computation's time, and the history of runs.
    computationTime,         // seconds, milliseconds (unsigned)
    historyNotWritten,       // reason (string)
    historyNoFolder,
    historyUnreadable,       // reason (string)
    historyEmpty,            // file (string)
    historyEmptyOfSize,      // size label (string), file (string)
    historyHeading,          // file (string), entries (unsigned long long)
    historyColumns,          // the table's column names, separated by '|'
    historyDamagedLines,     // lines (unsigned long long)
    chartNoPassedRun,
    chartWritten,            // file (string)
    chartNotWritten,         // reason (string)
    chartTitle,
    chartDigitsAxis,
    chartTimeAxis,
    filesLeftBehind,         // the names (string)
    count
};

struct MessageText {
    MessageId id;
    const char* korean;
    const char* english;
};

// In the order of MessageId. The Korean texts are the window's, byte for byte,
// trailing spaces included; the memory message is shown in Japanese there,
// and that is its text here too.
inline constexpr std::array<MessageText, static_cast<std::size_t>(MessageId::count)> messageCatalogue{{
    {MessageId::elapsedTime, "%3d시간%2d분%2d초", "%3dh %2dm %2ds"},
    {MessageId::runStarts, " 연산을 시작합니다. (%d회 반복)    \n", " computation starts (%d iterations)\n"},
    {MessageId::startingValuesDone, " 기본연산완료              \n", " starting values done\n"},
    {MessageId::iterationDone, " 반복 %d회 완료  \n", " iteration %d done\n"},
    {MessageId::memoryLine, "  %s → %9llu \n", "  %s → %9llu \n"},
    {MessageId::totalMemoryLabel, "실제시스템메모리", "physical memory "},
    {MessageId::availableMemoryLabel, "사용가능한메모리", "available memory"},
    {MessageId::allocatedMemoryLabel, "실제할당된메모리", "allocated memory"},
    {MessageId::digitsWritten, " PI 데이터 출력 → pi_data.txt", " digits of pi written → pi_data.txt"},
    {MessageId::runFinished, "PI 연산이 끝났습니다   ", "pi computation finished"},
    {MessageId::notEnoughMemory, "メモリが確保できませんでした", "not enough memory for the work area"},
    {MessageId::notComputedRecord, "- 연산되지 않음   [%.*s]\n", "- not computed    [%.*s]\n"},
    {MessageId::startupRecord, "+ %3d시간%2d분%2d초    [%.*s]\n", "+ %3dh %2dm %2ds    [%.*s]\n"},
    {MessageId::afterRunRecord, "+ %03d시%02d분%02d초   [%.*s]\n", "+ %03dh %02dm %02ds   [%.*s]\n"},
    {MessageId::digitsVerified, "자릿수 검증 완료: pi_data.txt의 원주율 자릿수가 정확합니다",
     "digits verified: pi_data.txt holds the correct digits of pi"},
    {MessageId::largestRoundingDistance, "최대 반올림 거리: %.6g", "largest rounding distance: %.6g"},
    {MessageId::runStopped, "연산을 중단했습니다. 기록하지 않습니다", "the run was stopped; no record is written"},
    {MessageId::runFailed, "연산에 실패했습니다. 기록하지 않습니다", "the run failed; no record is written"},
    {MessageId::digitsWrong, "pi_data.txt의 자릿수가 틀립니다. 기록하지 않습니다",
     "pi_data.txt does not hold the correct digits of pi; no record is written"},
    {MessageId::directoryNotWritable, "현재 폴더에 파일을 쓸 수 없습니다: %s",
     "cannot write files in the current directory: %s"},
    {MessageId::workFingerprint, "작업 지문: %s", "work fingerprint: %s"},
    {MessageId::fingerprintChecked, "작업 지문 확인: 올바른 모든 컴퓨터가 이 크기에서 얻는 값과 같습니다",
     "work fingerprint checked: the one every correct machine computes for this size"},
    {MessageId::fingerprintNotChecked, "작업 지문은 확인하지 않았습니다: 전체 작업 영역으로 한 연산만 비교할 수 있습니다",
     "work fingerprint not checked: only a run with the full work area can be compared"},
    {MessageId::repeatedRunLine, "%lld회째: %9.3f초  %s\n", "run %lld: %9.3f s  %s\n"},
    {MessageId::verdictPassed, "통과", "passed"},
    {MessageId::verdictStopped, "중단", "stopped"},
    {MessageId::verdictFailed, "실패", "FAILED"},
    {MessageId::fingerprintDiffers,
     "실패: 자릿수는 맞지만 작업 지문이 기준과 다릅니다 (이 컴퓨터가 다른 연산을 했습니다: 하드웨어나 빌드의 결함)",
     "FAILED: the digits are right but the work fingerprint differs from the reference (this machine did other "
     "arithmetic than every other: a hardware or build fault)"},
    {MessageId::repeatSummary, "최고 %.3f초, 중앙값 %.3f초, 통과 %lld회\n",
     "best %.3f s, median %.3f s, runs passed: %lld\n"},
    {MessageId::repeatVerdict, "판정: %s\n", "verdict: %s\n"},
    {MessageId::anotherRunInFolder, "다른 연산이 이 폴더를 쓰고 있습니다. 아무것도 바꾸지 않았습니다",
     "another run is using this folder; nothing was changed"},
    {MessageId::fileInTheWay, "%s. 이 프로그램의 파일이 아니므로 그대로 둡니다. 연산하지 않습니다",
     "%s; it is not a file of this program and is left alone: no run is made"},
    {MessageId::recordsUnreadable, "%s. 기록을 잃지 않도록 연산하지 않습니다",
     "%s; no run is made, so that the records are not lost"},
    {MessageId::reportNotWritten, "보고를 표준 출력에 쓸 수 없습니다: %s",
     "cannot write the report to standard output: %s"},
    {MessageId::planCacheUnreadable, "%s. 변환은 기본 계획으로 합니다 (--replan으로 다시 잽니다)\n",
     "%s; the transforms run the static plan (--replan measures them anew)\n"},
    {MessageId::planCacheNotSaved, "변환 계획을 남기지 못했습니다: %s\n", "the transforms' plan was not kept: %s\n"},
    {MessageId::planLine, "변환 계획 2^%d %s: %s (%s)\n", "transform plan 2^%d %s: %s (%s)\n"},
    {MessageId::planCandidateLine, "    %-48s %10.3f ms\n", "    %-48s %10.3f ms\n"},
    {MessageId::planSourceMeasured, "이번 연산에서 잼", "measured in this run"},
    {MessageId::planSourceCached, "저장된 계획", "kept from an earlier run"},
    {MessageId::planSourceStatic, "기본", "static"},
    {MessageId::planSourceTrying, "재는 중 (다음 연산에서 이어 잼)", "being measured (the next run goes on)"},
    {MessageId::stressStarts, "%s 부하 시험: 복사본 %d개, %s\n", "%s stress test: %d copies, %s\n"},
    {MessageId::stressUntilStopped, "멈출 때까지 (Ctrl+C)", "until stopped (Ctrl+C)"},
    {MessageId::stressForDuration, "%s 동안", "for %s"},
    {MessageId::stressSharedProcessors,
     "복사본 %d개가 논리 프로세서 %d개를 나누어 씁니다. 한 코어를 함께 쓰는 복사본은 '코어 N#k'로 나타냅니다\n",
     "%d copies on %d logical processors: copies that share one are shown as core N#k\n"},
    {MessageId::stressNotPinned, "코어 %s: 그 코어에 고정하지 못했습니다 (%s). 자리는 시스템이 정합니다\n",
     "core %s: not pinned to its processor (%s); the system places it\n"},
    {MessageId::stressWorkAreaFull, "복사본마다 작업 영역 %llu 바이트: 전체 영역 (모든 곱셈을 메모리 안에서)\n",
     "work area of each copy: %llu bytes, the full one (every product in core)\n"},
    {MessageId::stressWorkAreaSmaller,
     "복사본마다 작업 영역 %llu 바이트: 모든 복사본이 함께 들어가도록 전체 %llu 바이트보다 작습니다 (큰 곱셈은 블록 단위로)\n",
     "work area of each copy: %llu bytes, smaller than the full %llu so that all copies fit together (the largest "
     "products out of core)\n"},
    {MessageId::stressWorkAreaOfCore, "코어 %s: 작업 영역 %llu 바이트\n", "core %s: work area %llu bytes\n"},
    {MessageId::stressClock, "경과 %s", "elapsed %s"},
    {MessageId::stressClockOf, "경과 %s / %s", "elapsed %s of %s"},
    {MessageId::stressStatusLine, "코어 %-5s  통과 %6lld회  최근 %11s  %s", "core %-5s  runs passed %6lld  last %11s  %s"},
    {MessageId::stressSeconds, "%.3f초", "%.3f s"},
    {MessageId::stressRunning, "연산 중", "running"},
    {MessageId::stressStopping, "복사본을 멈추는 중...\n", "stopping the copies...\n"},
    {MessageId::stressSummaryLine, "코어 %-5s  %6lld회  최고 %11s  중앙값 %11s  %s\n",
     "core %-5s  runs %6lld  best %11s  median %11s  %s\n"},
    {MessageId::stressNoRun, "끝난 연산 없음", "no run finished"},
    {MessageId::stressFailureLine, "코어 %s, %lld회째: %s\n", "core %s, run %lld: %s\n"},
    {MessageId::stressFingerprintTable, "자릿수는 맞지만 작업 지문 %s이(가) 올바른 모든 컴퓨터의 지문 %s와 다릅니다",
     "the digits are right but the work fingerprint %s differs from %s, the one every correct machine computes"},
    {MessageId::stressFingerprintCopies,
     "자릿수는 맞지만 작업 지문 %s이(가) 같은 연산의 지문 %s와 다릅니다 (복사본 %d개, %lld회)",
     "the digits are right but the work fingerprint %s differs from %s, which %d copies computed in %lld runs of "
     "the same work"},
    {MessageId::stressFingerprintOwnRuns,
     "자릿수는 맞지만 이 코어의 작업 지문 %s와 %s가 다릅니다: 같은 연산을 두 가지로 했습니다 (어느 쪽이 틀렸는지는 "
     "알 수 없습니다)",
     "the digits are right but the work fingerprints %s and %s of this core's runs differ: it did the same work two "
     "ways (which run is wrong cannot be told)"},
    {MessageId::stressFingerprintUndecided,
     "자릿수는 맞지만 작업 지문 %s이(가) %s(코어 %s)와 다릅니다: 양쪽의 복사본 수가 같아 어느 쪽이 틀렸는지 알 수 없습니다",
     "the digits are right but the work fingerprint %s differs from %s of core %s; with as many copies on either "
     "side, which one is wrong cannot be told"},
    {MessageId::stressRunFailedBecause, "연산 실패: %s", "the run failed: %s"},
    {MessageId::stressCopyDied, "복사본이 결과를 보내지 않고 끝났습니다 (%s)", "the copy ended without its result (%s)"},
    {MessageId::stressExitStatus, "종료 상태 %u", "exit status %u"},
    {MessageId::stressExitCode, "종료 코드 0x%08X", "status 0x%08X"},
    {MessageId::stressSignal, "신호 %u, %s", "signal %u, %s"},
    {MessageId::stressCopyHung, "%lld초 동안 아무 응답이 없어 멈춘 것으로 보고 끝냈습니다",
     "no sign of life for %lld s: the copy hangs and was ended"},
    {MessageId::stressCopyNotStarted, "복사본을 시작할 수 없습니다: %s", "the copy could not be started: %s"},
    {MessageId::stressCopyUnreadable, "복사본이 읽을 수 없는 보고를 썼습니다: %s",
     "the copy wrote a report that cannot be read: %s"},
    {MessageId::stressFingerprintsChecked, "작업 지문: 올바른 지문의 표와 비교했습니다\n",
     "work fingerprints: checked against the table of correct ones\n"},
    {MessageId::stressFingerprintsCompared,
     "작업 지문: 이 작업 영역의 값은 표에 없어 복사본끼리 비교했습니다. %lld회 모두 %s\n",
     "work fingerprints: no table entry for this work area, compared between the copies: %lld runs agree on %s\n"},
    {MessageId::stressFingerprintsDiffer,
     "작업 지문: 이 작업 영역의 값은 표에 없어 복사본끼리 비교했습니다. 서로 다릅니다 (위를 보십시오)\n",
     "work fingerprints: no table entry for this work area, compared between the copies: they differ (see above)\n"},
    {MessageId::stressMachineVerdict, "이 컴퓨터의 판정: %s\n", "verdict of the machine: %s\n"},
    {MessageId::stressIncomplete, "불완전: 연산을 하나도 끝내지 못한 코어가 있습니다", "incomplete: a core finished no run"},
    {MessageId::stressNotEnoughMemory,
     "복사본 %d개에 메모리가 모자랍니다: 복사본마다 %llu 바이트인데, %s의 가장 작은 작업 영역은 %llu 바이트입니다",
     "not enough memory for %d copies: each would get %llu bytes, and the smallest work area of %s takes %llu"},
    {MessageId::stressFolderLeft, "복사본의 폴더 %s를 지울 수 없습니다: %s", "cannot remove the copies' folder %s: %s"},
    {MessageId::computationTime, "연산 시간: %u.%03u초", "computation time: %u.%03u s"},
    {MessageId::historyNotWritten, "경고: %s. 이 연산은 연산 이력에 남지 않습니다",
     "warning: %s; this run is not kept in the history"},
    {MessageId::historyNoFolder, "연산 이력을 둘 데이터 폴더를 시스템이 알려 주지 않습니다",
     "the system names no data folder to keep the history in"},
    {MessageId::historyUnreadable, "연산 이력을 읽을 수 없습니다: %s", "cannot read the history: %s"},
    {MessageId::historyEmpty, "연산 이력이 아직 없습니다: %s\n", "no runs in the history yet: %s\n"},
    {MessageId::historyEmptyOfSize, "연산 이력에 %s 연산이 없습니다: %s\n", "no runs of %s in the history: %s\n"},
    {MessageId::historyHeading, "연산 이력: %s (%llu회)\n", "history: %s (%llu runs)\n"},
    {MessageId::historyColumns, "크기|통과|실패|최고 (초)|중앙값 (초)|마지막 연산 (UTC)|프로세서",
     "size|passed|failed|best (s)|median (s)|last run (UTC)|processor"},
    {MessageId::historyDamagedLines, "손상된 줄 %llu개는 건너뛰었습니다 (파일은 그대로 둡니다)\n",
     "%llu damaged line(s) skipped (the file is left as it is)\n"},
    {MessageId::chartNoPassedRun, "연산 이력에 통과한 연산이 없어 차트를 그리지 않습니다",
     "the history holds no passed run: no chart is drawn"},
    {MessageId::chartWritten, "차트를 %s에 썼습니다\n", "chart written to %s\n"},
    {MessageId::chartNotWritten, "차트를 쓸 수 없습니다: %s", "cannot write the chart: %s"},
    {MessageId::chartTitle, "Calvorn: 크기별 최고 기록", "Calvorn: best time per size"},
    {MessageId::chartDigitsAxis, "자릿수", "digits"},
    {MessageId::chartTimeAxis, "최고 기록 (초, 로그 눈금)", "best time (seconds, log scale)"},
    {MessageId::filesLeftBehind, "제대로 끝나지 않은 연산이 남긴 파일을 지웠습니다: %s\n",
     "removed the files left behind by a run that did not end properly: %s\n"},
}};

constexpr const char* messageText(MessageId id, Language language)
{
    const MessageText& entry = messageCatalogue[static_cast<std::size_t>(id)];
    return language == Language::korean ? entry.korean : entry.english;
}

constexpr bool catalogueInIdOrder()
{
    for (std::size_t i = 0; i < messageCatalogue.size(); ++i)
        if (static_cast<std::size_t>(messageCatalogue[i].id) != i) return false;
    return true;
}
static_assert(catalogueInIdOrder(), "messageCatalogue must list the messages in the order of MessageId");

} // namespace calvorn
