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
