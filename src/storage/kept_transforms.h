// What the work area and the two spectrum stores hold between products: for
// every transform kept there, the number and the words it was made from, its
// exponent and the Newton run that made or last confirmed it. The products
// that keep transforms write this record; those that take them over read it
// first and never trust a region or a store position it does not vouch for.
#pragma once

#include <cstdint>
#include <vector>

namespace calvorn {

class StoredNumber;

// The source of one kept transform: words firstWord .. firstWord + words - 1
// of `number`, transformed with exponent `exponent`.
struct KeptTransform {
    const StoredNumber* number = nullptr;
    std::int32_t firstWord = 0;
    std::int32_t words = 0;
    std::int32_t exponent = 0;
    std::uint64_t session = 0;  // the Newton run that made or last confirmed it; 0 outside one

    // The same words of the same number at the same exponent (any session).
    bool sameSource(const KeptTransform& other) const
    {
        return number == other.number && firstWord == other.firstWord && words == other.words &&
               exponent == other.exponent;
    }
};

class KeptTransforms {
public:
    // A number for a new Newton run, never 0 and never given before.
    std::uint64_t newSession() { return ++lastSession_; }

    // The work area whose first double is at `base`: the doubles start ..
    // start + length - 1 were written, which ends every kept transform that
    // they overlap (and all of them when the area is no longer the one they
    // were kept in).
    void areaWritten(const double* base, std::int32_t start, std::int32_t length);
    // A transform of 2^kept.exponent doubles now lies at `start`.
    void keptInArea(const double* base, std::int32_t start, const KeptTransform& kept);
    // The transform at `start`, or nullptr when none is recorded there.
    const KeptTransform* inArea(const double* base, std::int32_t start) const;

    // Position `position` (from 1) of the spectrum store `store` now holds
    // `kept`; and what it holds, or nullptr when nothing is recorded.
    void stored(const StoredNumber& store, std::int32_t position, const KeptTransform& kept);
    KeptTransform* atPosition(const StoredNumber& store, std::int32_t position);

private:
    struct AreaEntry {
        std::int32_t start;
        KeptTransform kept;
    };
    struct StoreEntry {
        const StoredNumber* store;
        std::vector<KeptTransform> positions;  // index position - 1
    };

    const double* areaBase_ = nullptr;
    std::vector<AreaEntry> area_;
    std::vector<StoreEntry> stores_;
    std::uint64_t lastSession_ = 0;
};

} // namespace calvorn
