// What a Newton run tells the products that keep transforms from one call to
// the next: the run they belong to and which leading words of their operands
// are known to be unchanged since the last call. The products decide from it
// which kept transforms they may take over, and check every one against the
// record of what the work area and the stores hold (run.kept) before they do.
#pragma once

#include <cstdint>

namespace calvorn {

struct ReuseHint {
    // The Newton run (from run.kept.newSession()); 0 outside one. Transforms
    // kept by a product are stamped with it.
    std::uint64_t session = 0;
    // 1 until the first product of the run that keeps x's block spectra
    // (productKeepFirst, productFixedFirst) has chosen which blocks to
    // transform; that product sets it to 0.
    std::int32_t firstProductOfRun = 1;
    // Leading words in which the iterate agrees with the one before it.
    std::int32_t iterateAgreeWords = 0;
    // Leading words in which the square root's new w agrees with the w of
    // the call before (the driver's count of agreeing words of a and b).
    std::int32_t agreementCount = 0;
};

} // namespace calvorn
