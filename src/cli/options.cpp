#include "cli/options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

#include "app/size_table.h"

namespace calvorn {
namespace {

using Apply = void (*)(ConsoleCommand& command, std::string_view value);

struct Option {
    std::string_view name;
    std::string_view valueName; // empty: the option takes no value
    std::string_view helpKorean;
    std::string_view helpEnglish;
    Apply apply;
};

void fail(ConsoleCommand& command, std::string error)
{
    if (command.kind == ConsoleCommand::Kind::usageError) return; // the first mistake is reported
    command.kind = ConsoleCommand::Kind::usageError;
    command.error = std::move(error);
}

void setKind(ConsoleCommand& command, ConsoleCommand::Kind kind)
{
    if (command.kind == ConsoleCommand::Kind::run) command.kind = kind;
}

void applyLanguage(ConsoleCommand& command, std::string_view value)
{
    if (value == "ko") command.language = Language::korean;
    else if (value == "en") command.language = Language::english;
    else fail(command, "--lang takes ko or en, not \"" + std::string(value) + "\"");
}

void applyRepeat(ConsoleCommand& command, std::string_view value)
{
    std::int64_t count = -1;
    const auto [end, problem] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (problem != std::errc{} || end != value.data() + value.size() || count < 0)
        fail(command, "--repeat takes a count of runs (0: until stopped), not \"" + std::string(value) + "\"");
    else command.repeat = count;
}

void applyMemory(ConsoleCommand& command, std::string_view value)
{
    if (const auto bytes = parseMemorySize(value)) command.memoryCap = *bytes;
    else fail(command, "--memory takes a size such as 16M (K, M or G), not \"" + std::string(value) + "\"");
}

void applyCores(ConsoleCommand& command, std::string_view value)
{
    std::int32_t count = 0;
    const auto [end, problem] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (problem != std::errc{} || end != value.data() + value.size() || count < 1 || count > maximumStressCopies)
        fail(command, "--cores takes a number of copies from 1 to " + std::to_string(maximumStressCopies) + ", not \"" +
                          std::string(value) + "\"");
    else command.cores = count;
}

void applyDuration(ConsoleCommand& command, std::string_view value)
{
    if (const auto duration = parseDuration(value)) command.duration = *duration;
    else fail(command, "--for takes a duration such as 30s, 10m or 2h, not \"" + std::string(value) + "\"");
}

// Options that belong together, once every argument is read.
void checkCombinations(ConsoleCommand& command)
{
    if (!command.stress && (command.cores || command.duration))
        fail(command, std::string(command.cores ? "--cores" : "--for") + " belongs to --stress");
    if (command.stress && command.repeat) fail(command, "--stress and --repeat cannot be combined");
    const bool drawsNoChart = command.kind == ConsoleCommand::Kind::run || command.kind == ConsoleCommand::Kind::records;
    if (command.chartFile && drawsNoChart) fail(command, "--chart goes with --history");
}

void applyChart(ConsoleCommand& command, std::string_view value)
{
    if (value.empty()) fail(command, "--chart needs the name of the file to write");
    else command.chartFile = std::string(value);
}

constexpr std::array options{
    Option{"--repeat", "N", "N회 연속 연산하는 안정성 시험 (0: 멈출 때까지)",
           "stability test: N runs back to back (0: until stopped)",
           applyRepeat},
    Option{"--stress", "", "코어마다 복사본 하나씩 연이어 연산하고 각 연산을 비트 단위로 확인하는 부하 시험",
           "stress test: one copy per core, run back to back, each run checked bit for bit",
           [](ConsoleCommand& c, std::string_view) { c.stress = true; }},
    Option{"--cores", "N", "--stress의 복사본 수 (기본: 쓸 수 있는 논리 프로세서마다 하나)",
           "copies of --stress (default: one per logical processor it may use)", applyCores},
    Option{"--for", "DURATION", "--stress를 이 시간 동안 (예: 30s, 10m, 2h; 기본: 멈출 때까지)",
           "run --stress this long (such as 30s, 10m, 2h; default: until stopped)", applyDuration},
    Option{"--json", "", "끝에 결과를 JSON 객체 하나로 표준 출력에 씀 (다른 줄은 표준 오류로)",
           "write the result as one JSON object to standard output (other lines to standard error)",
           [](ConsoleCommand& c, std::string_view) { c.json = true; }},
    Option{"--memory", "BYTES", "곱셈 작업 영역의 상한 (예: 16M; K, M, G는 1024의 거듭제곱)",
           "the most the products' work area may take (such as 16M; K, M and G are powers of 1024)",
           applyMemory},
    Option{"--replan", "", "변환 계획을 이 컴퓨터에서 다시 잼 (저장된 계획을 쓰지 않음)",
           "measure the transforms' plan on this machine anew (not the one kept from earlier runs)",
           [](ConsoleCommand& c, std::string_view) { c.replan = true; }},
    Option{"--verbose", "", "연산 뒤에 변환 계획과 그 측정을 보임",
           "show the transforms' plan and what was measured for it after the run",
           [](ConsoleCommand& c, std::string_view) { c.verbose = true; }},
    Option{"--lang", "ko|en", "출력 언어 (기본: 로캘을 따름)", "language of the output (default: from the locale)",
           applyLanguage},
    Option{"--no-history", "", "이 연산을 연산 이력에 남기지 않음", "do not add this run to the history of runs",
           [](ConsoleCommand& c, std::string_view) { c.noHistory = true; }},
    Option{"--records", "", "크기별 최고 기록을 보임", "show the best time of every size",
           [](ConsoleCommand& c, std::string_view) { setKind(c, ConsoleCommand::Kind::records); }},
    Option{"--history", "", "연산 이력을 크기별 표로 보임 (SIZE를 주면 그 크기만)",
           "show the history of runs, a table per size (of SIZE alone if one is named)",
           [](ConsoleCommand& c, std::string_view) { setKind(c, ConsoleCommand::Kind::history); }},
    Option{"--chart", "FILE", "--history와 함께: 크기별 최고 기록의 차트를 SVG 파일로 씀",
           "with --history: write a chart of the best time per size to FILE (SVG)",
           applyChart},
    Option{"--version", "", "판 번호를 보임", "show the version",
           [](ConsoleCommand& c, std::string_view) { setKind(c, ConsoleCommand::Kind::version); }},
    Option{"--help", "", "이 도움말을 보임", "show this text",
           [](ConsoleCommand& c, std::string_view) { setKind(c, ConsoleCommand::Kind::help); }},
};

const Option* findOption(std::string_view name)
{
    if (name == "-h") name = "--help";
    for (const Option& option : options)
        if (option.name == name) return &option;
    return nullptr;
}

} // namespace

std::optional<std::uint64_t> parseMemorySize(std::string_view text)
{
    std::uint64_t unit = 1;
    if (!text.empty()) {
        switch (text.back()) {
        case 'K': case 'k': unit = 1ull << 10; break;
        case 'M': case 'm': unit = 1ull << 20; break;
        case 'G': case 'g': unit = 1ull << 30; break;
        default: break;
        }
        if (unit != 1) text.remove_suffix(1);
    }
    std::uint64_t value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || problem != std::errc{} || end != text.data() + text.size() || value == 0 ||
        value > std::numeric_limits<std::uint64_t>::max() / unit)
        return std::nullopt;
    return value * unit;
}

std::optional<std::chrono::milliseconds> parseDuration(std::string_view text)
{
    constexpr std::int64_t longest = 366ll * 24 * 3600 * 1000;
    std::int64_t total = 0;
    if (text.empty()) return std::nullopt;
    while (!text.empty()) {
        std::int64_t value = 0;
        const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (problem != std::errc{} || end == text.data() + text.size() || value < 0 || value > longest)
            return std::nullopt;
        std::int64_t unit = 0;
        switch (*end) {
        case 's': unit = 1000; break;
        case 'm': unit = 60 * 1000; break;
        case 'h': unit = 3600 * 1000; break;
        default: return std::nullopt;
        }
        if (value > longest / unit) return std::nullopt;
        total += value * unit;
        if (total > longest) return std::nullopt;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    }
    if (total == 0) return std::nullopt;
    return std::chrono::milliseconds(total);
}

ConsoleCommand parseConsoleArguments(std::span<const std::string> args)
{
    ConsoleCommand command;
    bool sizeGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("-")) {
            const auto exponent = sizeExponentFromName(arg);
            if (!exponent) fail(command, "unknown size \"" + std::string(arg) + "\"");
            else if (sizeGiven) fail(command, "too many arguments");
            else command.sizeExponent = *exponent;
            sizeGiven = true;
            command.sizeNamed = exponent.has_value();
            continue;
        }
        // "--name value" or "--name=value".
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const Option* option = findOption(name);
        if (option == nullptr) {
            fail(command, "unknown option \"" + std::string(arg) + "\"");
            continue;
        }
        std::string_view value;
        if (!option->valueName.empty()) {
            if (equals != std::string_view::npos) value = arg.substr(equals + 1);
            else if (i + 1 < args.size()) value = args[++i];
            else {
                fail(command, std::string(name) + " needs a value (" + std::string(option->valueName) + ")");
                continue;
            }
        } else if (equals != std::string_view::npos) {
            fail(command, std::string(name) + " takes no value");
            continue;
        }
        option->apply(command, value);
    }
    checkCombinations(command);
    return command;
}

std::string consoleUsage(Language language)
{
    const bool korean = language == Language::korean;
    std::string sizes;
    for (std::string_view label : sizeLabels) {
        label.remove_prefix(label.find_first_not_of(' '));
        sizes += ' ';
        sizes += label;
    }
    std::string text = korean ? "사용법: calvorn [SIZE] [옵션]\n"
                                "  SIZE 자리의 원주율을 현재 폴더에서 연산합니다 (기본 16K).\n"
                                "  SIZE:" + sizes + "\n옵션:\n"
                              : "usage: calvorn [SIZE] [options]\n"
                                "  computes pi to SIZE digits in the current directory (default 16K).\n"
                                "  SIZE is one of" + sizes + "\noptions:\n";
    for (const Option& option : options) {
        std::string left(2, ' ');
        left += option.name;
        if (!option.valueName.empty()) {
            left += ' ';
            left += option.valueName;
        }
        left.resize(std::max<std::size_t>(left.size() + 2, 18), ' ');
        text += left + std::string(korean ? option.helpKorean : option.helpEnglish) + "\n";
    }
    text += korean ? "자릿수는 pi_data.txt에, 최고 기록은 pi_rec.txt에 남습니다. Ctrl+C로 연산을 멈춥니다.\n"
                   : "The digits go to pi_data.txt, the best times to pi_rec.txt; Ctrl+C stops a run.\n";
    return text;
}

} // namespace calvorn
