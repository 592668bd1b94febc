#include "storage/kept_transforms.h"

#include <algorithm>

namespace calvorn {
namespace {

std::int32_t lengthOf(const KeptTransform& kept) { return std::int32_t{1} << kept.exponent; }

} // namespace

void KeptTransforms::areaWritten(const double* base, std::int32_t start, std::int32_t length)
{
    if (base != areaBase_) {
        area_.clear();
        areaBase_ = base;
        return;
    }
    std::erase_if(area_, [&](const AreaEntry& entry) {
        return entry.start < start + length && start < entry.start + lengthOf(entry.kept);
    });
}

void KeptTransforms::keptInArea(const double* base, std::int32_t start, const KeptTransform& kept)
{
    areaWritten(base, start, lengthOf(kept));
    area_.push_back({start, kept});
}

const KeptTransform* KeptTransforms::inArea(const double* base, std::int32_t start) const
{
    if (base != areaBase_) return nullptr;
    const auto entry = std::find_if(area_.begin(), area_.end(), [&](const AreaEntry& e) { return e.start == start; });
    return entry == area_.end() ? nullptr : &entry->kept;
}

void KeptTransforms::stored(const StoredNumber& store, std::int32_t position, const KeptTransform& kept)
{
    auto entry = std::find_if(stores_.begin(), stores_.end(), [&](const StoreEntry& e) { return e.store == &store; });
    if (entry == stores_.end()) entry = stores_.insert(stores_.end(), StoreEntry{&store, {}});
    const auto index = static_cast<std::size_t>(position - 1);
    if (entry->positions.size() <= index) entry->positions.resize(index + 1);
    entry->positions[index] = kept;
}

KeptTransform* KeptTransforms::atPosition(const StoredNumber& store, std::int32_t position)
{
    const auto entry =
        std::find_if(stores_.begin(), stores_.end(), [&](const StoreEntry& e) { return e.store == &store; });
    const auto index = static_cast<std::size_t>(position - 1);
    if (entry == stores_.end() || position < 1 || entry->positions.size() <= index) return nullptr;
    KeptTransform& kept = entry->positions[index];
    return kept.number == nullptr ? nullptr : &kept;
}

} // namespace calvorn
