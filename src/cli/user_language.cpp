#include "cli/user_language.h"

#include <cstdlib>

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

} // namespace calvorn
