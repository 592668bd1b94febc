// The work fingerprint of a run checked against the committed table of the
// fingerprints that every correct machine and build produces with the full
// in-core work area (work_fingerprints.inc, written by tools/work_fingerprints).
// Pure lookups; touches no file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/size_parameters.h"

namespace calvorn {

// The work area with which the committed fingerprints were made: eight doubles
// per word, every product in core. Only a run with this area can be checked.
constexpr std::int32_t fullWorkAreaLength(const SizeParameters& size) { return 8 * size.numberWords; }

// The expected fingerprint of sizeExponent 14 .. 25 with the full work area;
// nothing for any other exponent or where the table holds none (0).
std::optional<std::uint64_t> referenceWorkFingerprint(std::int32_t sizeExponent);

// "0123456789abcdef": 16 lowercase hexadecimal digits, as the console prints it.
std::string workFingerprintText(std::uint64_t fingerprint);

} // namespace calvorn
