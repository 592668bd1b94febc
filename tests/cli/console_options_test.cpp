// The console's command line, its language and its message catalogue: every
// option in any order, the mistakes a user makes, the locale variables as
// console tools read them, and the two forms of every message taking the
// same arguments.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/console_environment.h"
#include "common/messages.h"

namespace calvorn {
namespace {

using Kind = ConsoleCommand::Kind;

ConsoleCommand parse(std::vector<std::string> args) { return parseConsoleArguments(args); }

TEST(ConsoleOptions, SizeAndOptionsInAnyOrder)
{
    const ConsoleCommand c = parse({"--json", "1M", "--lang", "ko", "--repeat=5"});
    EXPECT_EQ(c.kind, Kind::run);
    EXPECT_EQ(c.sizeExponent, 20);
    EXPECT_TRUE(c.json);
    EXPECT_EQ(c.language, Language::korean);
    EXPECT_EQ(c.repeat, 5);
    EXPECT_EQ(parse({"--lang=en"}).language, Language::english);
    EXPECT_EQ(parse({"--repeat", "0", "32M"}).repeat, 0);
    EXPECT_EQ(parse({"--repeat", "0", "32M"}).sizeExponent, 25);
    EXPECT_FALSE(parse({"16K"}).repeat.has_value());
    EXPECT_EQ(parse({"--version"}).kind, Kind::version);
    EXPECT_EQ(parse({"-h"}).kind, Kind::help);
    EXPECT_EQ(parse({"--lang", "ko", "--records"}).kind, Kind::records);
}

TEST(ConsoleOptions, MistakesAreUsageErrorsNamingTheFirstOne)
{
    const std::map<std::vector<std::string>, std::string> mistakes{
        {{"--lang", "fr"}, "--lang takes ko or en"},
        {{"--lang"}, "--lang needs a value"},
        {{"--repeat", "-1"}, "--repeat takes a count"},
        {{"--repeat", "5x"}, "--repeat takes a count"},
        {{"--repeat", "99999999999999999999"}, "--repeat takes a count"},
        {{"--repeat"}, "--repeat needs a value"},
        {{"--json=yes"}, "--json takes no value"},
        {{"1M", "2M"}, "too many arguments"},
        {{"3M", "--bogus"}, "unknown size \"3M\""},
        {{"--bogus", "3M"}, "unknown option \"--bogus\""},
    };
    for (const auto& [args, error] : mistakes) {
        const ConsoleCommand c = parse(args);
        EXPECT_EQ(c.kind, Kind::usageError) << args.front();
        EXPECT_NE(c.error.find(error), std::string::npos) << c.error;
    }
}

TEST(ConsoleOptions, MemoryCapsInBytesWithBinarySuffixes)
{
    EXPECT_FALSE(parse({"8M"}).memoryCap.has_value());
    EXPECT_EQ(parse({"--memory", "16M", "8M"}).memoryCap, 16u << 20);
    EXPECT_EQ(parse({"--memory", "16M", "8M"}).sizeExponent, 23);
    EXPECT_EQ(parse({"8M", "--memory=3g"}).memoryCap, 3ull << 30);
    EXPECT_EQ(parse({"--memory", "640k"}).memoryCap, 640u << 10);
    EXPECT_EQ(parse({"--memory", "123456"}).memoryCap, 123456u);
    for (const char* bad : {"", "0", "16X", "M", "-1M", "+1M", "1.5M", "99999999999999999999", "17179869184G"}) {
        const ConsoleCommand c = parse({"--memory", bad});
        EXPECT_EQ(c.kind, Kind::usageError) << bad;
        EXPECT_NE(c.error.find("--memory takes a size"), std::string::npos) << c.error;
    }
    EXPECT_EQ(parse({"--memory"}).kind, Kind::usageError);
}

TEST(ConsoleOptions, HelpListsEveryOptionInBothLanguages)
{
    for (const Language language : {Language::korean, Language::english}) {
        const std::string help = consoleUsage(language);
        for (const char* option : {"--repeat N", "--json", "--lang ko|en", "--records", "--version", "--help"})
            EXPECT_NE(help.find(option), std::string::npos) << option;
        EXPECT_NE(help.find("16K 32K 64K 128K 256K 512K 1M 2M 4M 8M 16M 32M"), std::string::npos);
    }
    EXPECT_NE(consoleUsage(Language::korean).find("사용법"), std::string::npos);
}

std::optional<Language> languageOf(const std::map<std::string, std::string, std::less<>>& environment)
{
    return localeLanguage([&](std::string_view name) -> std::optional<std::string> {
        const auto found = environment.find(name);
        if (found == environment.end()) return std::nullopt;
        return found->second;
    });
}

TEST(UserLanguage, LocaleVariablesAsConsoleToolsReadThem)
{
    EXPECT_EQ(languageOf({{"LANG", "ko_KR.UTF-8"}}), Language::korean);
    EXPECT_EQ(languageOf({{"LANG", "ko_KR.eucKR"}}), Language::korean);
    EXPECT_EQ(languageOf({{"LANG", "ko"}}), Language::korean);
    EXPECT_EQ(languageOf({{"LANG", "en_US.UTF-8"}}), Language::english);
    EXPECT_EQ(languageOf({{"LANG", "C.UTF-8"}}), Language::english);
    EXPECT_EQ(languageOf({{"LANG", "kok_IN"}}), Language::english); // Konkani, not Korean
    // LC_ALL before LC_MESSAGES before LANG; an empty one does not count.
    EXPECT_EQ(languageOf({{"LC_ALL", "C"}, {"LC_MESSAGES", "ko_KR.UTF-8"}, {"LANG", "ko_KR.UTF-8"}}), Language::english);
    EXPECT_EQ(languageOf({{"LC_ALL", ""}, {"LC_MESSAGES", "ko_KR.UTF-8"}, {"LANG", "C"}}), Language::korean);
    EXPECT_EQ(languageOf({{"LC_ALL", ""}, {"LANG", "ko_KR.UTF-8"}}), Language::korean);
    EXPECT_EQ(languageOf({}), std::nullopt);
    EXPECT_EQ(languageOf({{"LC_CTYPE", "ko_KR.UTF-8"}}), std::nullopt); // the character type says nothing of messages
}

// The conversions of a printf format in order, "*" for a width or precision
// taken from the arguments ("%%" left out).
std::vector<std::string> conversions(std::string_view format)
{
    std::vector<std::string> found;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        std::size_t j = i + 1;
        if (j < format.size() && format[j] == '%') {
            i = j;
            continue;
        }
        for (; j < format.size() && std::string_view("0123456789.-+ #*").find(format[j]) != std::string_view::npos; ++j)
            if (format[j] == '*') found.emplace_back("*");
        std::string conversion;
        while (j < format.size() && std::string_view("hlLqjzt").find(format[j]) != std::string_view::npos)
            conversion += format[j++];
        if (j < format.size()) conversion += format[j];
        found.push_back(conversion);
        i = j;
    }
    return found;
}

TEST(MessageCatalogue, BothFormsTakeTheSameArguments)
{
    for (const MessageText& message : messageCatalogue) {
        EXPECT_EQ(conversions(message.korean), conversions(message.english))
            << message.korean << " / " << message.english;
        EXPECT_STRNE(message.english, "");
    }
    // The window's texts as it shows them, trailing spaces and all.
    EXPECT_STREQ(messageText(MessageId::runFinished, Language::korean), "PI 연산이 끝났습니다   ");
    EXPECT_STREQ(messageText(MessageId::runStarts, Language::korean), " 연산을 시작합니다. (%d회 반복)    \n");
    EXPECT_EQ(conversions("%3d시간%.*s%9llu%%"), (std::vector<std::string>{"d", "*", "s", "llu"}));
}

} // namespace
} // namespace calvorn
