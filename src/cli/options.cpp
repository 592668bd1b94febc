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

void applyChart(ConsoleCommand& command, std::string_view value)
{
    if (value.empty()) fail(command, "--chart needs the name of the file to write");
    else command.chartFile = std::string(value);
}

constexpr std::array options{
    Option{"--repeat", "N", "N회 연속 연산하는 안정성 시험 (0: 멈출 때까지)",
           "stability test: N runs back to back (0: until stopped)",
           applyRepeat},
    Option{"--json", "", "끝에 결과를 JSON 객체 하나로 표준 출력에 씀 (다른 줄은 표준 오류로)",
           "write the result as one JSON object to standard output (other lines to standard error)",
           [](ConsoleCommand& c, std::string_view) { c.json = true; }},
    Option{"--memory", "BYTES", "곱셈 작업 영역의 상한 (예: 16M; K, M, G는 1024의 거듭제곱)",
           "the most the products' work area may take (such as 16M; K, M and G are powers of 1024)",
           applyMemory},
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
    const bool drawsNoChart = command.kind == ConsoleCommand::Kind::run || command.kind == ConsoleCommand::Kind::records;
    if (command.chartFile && drawsNoChart) fail(command, "--chart goes with --history");
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
