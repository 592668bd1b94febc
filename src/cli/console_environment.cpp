#include "cli/console_environment.h"

#include <charconv>
#include <cstdlib>

#include "cli/options.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace calvorn {

std::optional<std::string> processEnvironment(std::string_view name)
{
    const char* value = std::getenv(std::string(name).c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

std::optional<Language> localeLanguage(const EnvironmentLookup& lookup)
{
    for (const std::string_view name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::optional<std::string> value = lookup(name);
        if (!value || value->empty()) continue;
        // ko, ko_KR, ko_KR.UTF-8, ko_KR.eucKR ...: a language code is followed
        // by the territory, the code set or the modifier.
        const bool korean = value->starts_with("ko") &&
                            (value->size() == 2 || std::string_view("_.@").find((*value)[2]) != std::string_view::npos);
        return korean ? Language::korean : Language::english;
    }
    return std::nullopt;
}

Language userLanguage(const EnvironmentLookup& lookup)
{
    if (const auto language = localeLanguage(lookup)) return *language;
#ifdef _WIN32
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_KOREAN) return Language::korean;
#endif
    return Language::english;
}

std::optional<FaultTarget> faultTargetFromEnvironment(const EnvironmentLookup& lookup)
{
    const std::optional<std::string> value = lookup("CALVORN_TEST_FAULT_RUN");
    if (!value) return std::nullopt;
    const char* const last = value->data() + value->size();
    FaultTarget target;
    auto [end, problem] = std::from_chars(value->data(), last, target.run);
    if (problem != std::errc{} || target.run < 1) return std::nullopt;
    if (end != last && *end == ':') {
        std::int32_t core = -1;
        const auto [coreEnd, coreProblem] = std::from_chars(end + 1, last, core);
        if (coreProblem != std::errc{} || coreEnd != last || core < 0) return std::nullopt;
        target.core = core;
        end = coreEnd;
    }
    if (end != last) return std::nullopt;
    return target;
}

std::optional<std::int64_t> faultyRunFromEnvironment(const EnvironmentLookup& lookup)
{
    const std::optional<FaultTarget> target = faultTargetFromEnvironment(lookup);
    if (!target) return std::nullopt;
    return target->run;
}

std::optional<std::chrono::milliseconds> hangLimitFromEnvironment(const EnvironmentLookup& lookup)
{
    const std::optional<std::string> value = lookup("CALVORN_TEST_HANG_LIMIT");
    if (!value) return std::nullopt;
    return parseDuration(*value);
}

} // namespace calvorn
