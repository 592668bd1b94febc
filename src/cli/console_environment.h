// What the console takes from its environment. The language it speaks when
// --lang does not say: Korean under a Korean locale, English otherwise, the
// locale found as console tools find it: the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty; on Windows, when none is, the user's
// interface language. And the test hooks of the stability and stress tests.
#pragma once

#include <chrono>
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
// a fault in its arithmetic; k:c gives it to run k of the stress test's copy
// on core c (without :c, to the first copy's). Nothing when unset or not of
// that form.
struct FaultTarget {
    std::int64_t run = 0;
    std::optional<std::int32_t> core;
};
std::optional<FaultTarget> faultTargetFromEnvironment(const EnvironmentLookup& lookup = processEnvironment);
std::optional<std::int64_t> faultyRunFromEnvironment(const EnvironmentLookup& lookup = processEnvironment);

// CALVORN_TEST_HANG_LIMIT=DURATION (such as 2s): how long a copy of the
// stress test may give no sign of life before it counts as hung, so that a
// test need not wait the ordinary limit. Nothing when unset or not a duration.
std::optional<std::chrono::milliseconds> hangLimitFromEnvironment(const EnvironmentLookup& lookup = processEnvironment);

} // namespace calvorn
