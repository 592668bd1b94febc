// What the console takes from its environment. The language it speaks when
// --lang does not say: Korean under a Korean locale, English otherwise, the
// locale found as console tools find it: the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty; on Windows, when none is, the user's
// interface language. And the stability test's fault hook.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/messages.h"

namespace calvorn {

// What the environment holds for a variable, nothing when it is unset.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

std::optional<std::string> processEnvironment(std::string_view name);

// The language of the locale variables, nothing when none is set.
std::optional<Language> localeLanguage(const EnvironmentLookup& lookup);

// The language of this process's user.
Language userLanguage(const EnvironmentLookup& lookup = processEnvironment);

// CALVORN_TEST_FAULT_RUN=k: a test of the stability test gives run k (from 1)
// a fault in its arithmetic. Nothing when unset or not a positive count.
std::optional<std::int64_t> faultyRunFromEnvironment(const EnvironmentLookup& lookup = processEnvironment);

} // namespace calvorn
