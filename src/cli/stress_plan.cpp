#include "cli/stress_plan.h"

#include "common/size_parameters.h"
#include "driver/work_area_sizing.h"
#include "driver/work_fingerprint.h"

namespace calvorn {

StressPlan planStress(std::int32_t sizeExponent, std::optional<std::int32_t> copies, std::span<const int> processors,
                      const MemoryStatus& memory, std::uint64_t cap)
{
    StressPlan plan;
    plan.processors = static_cast<std::int32_t>(processors.size());
    const std::int32_t count = copies.value_or(plan.processors);
    plan.sharedProcessors = count > plan.processors;
    for (std::int32_t i = 0; i < count; ++i) {
        StressCopy copy;
        copy.number = i + 1;
        copy.processor = processors[static_cast<std::size_t>(i % plan.processors)];
        copy.name = std::to_string(copy.processor);
        if (plan.sharedProcessors) {
            copy.name += '#';
            copy.name += std::to_string(i / plan.processors + 1);
        }
        plan.copies.push_back(copy);
    }
    const SizeParameters size = SizeParameters::forExponent(sizeExponent);
    plan.shareBytes = sharedMemoryBudget(memory, cap, static_cast<std::uint32_t>(count));
    plan.workAreaLength = workAreaLengthFor(size, plan.shareBytes);
    plan.fullWorkArea = plan.workAreaLength == fullWorkAreaLength(size);
    return plan;
}

const StressCopy* faultyCopy(const StressPlan& plan, std::optional<std::int32_t> core)
{
    for (const StressCopy& copy : plan.copies)
        if (!core || copy.processor == *core) return &copy;
    return nullptr;
}

} // namespace calvorn
