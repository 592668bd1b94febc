#include "app/scroll_layout.h"

#include <algorithm>

namespace calvorn {
namespace {

// Font metrics are never 0, but a division must not depend on it.
std::int32_t atLeastOne(std::int32_t value) { return std::max<std::int32_t>(value, 1); }

// One line or one page back or forward, or to the thumb; 0 for the rest.
std::int32_t scrollStep(std::int32_t request, std::int32_t thumb, std::int32_t position, std::int32_t page)
{
    switch (static_cast<ScrollRequest>(request)) {
    case ScrollRequest::lineBack: return -1;
    case ScrollRequest::lineForward: return 1;
    case ScrollRequest::pageBack: return -page;
    case ScrollRequest::pageForward: return page;
    case ScrollRequest::thumbTrack: return thumb - position;
    default: return 0;
    }
}

} // namespace

std::int32_t verticalScrollMax(std::int32_t clientHeight, std::int32_t lineHeight)
{
    return std::max<std::int32_t>(viewLayoutLines - clientHeight / atLeastOne(lineHeight), 0);
}

std::int32_t horizontalScrollMax(std::int32_t textWidth, std::int32_t clientWidth, std::int32_t charWidth)
{
    return std::max<std::int32_t>((textWidth - clientWidth) / atLeastOne(charWidth) + 2, 0);
}

std::int32_t horizontalScrollStep(std::int32_t request, std::int32_t thumb, std::int32_t position)
{
    return scrollStep(request, thumb, position, horizontalPageColumns);
}

std::int32_t verticalScrollStep(std::int32_t request, std::int32_t thumb, std::int32_t position,
                                std::int32_t clientHeight, std::int32_t lineHeight)
{
    return scrollStep(request, thumb, position, verticalPageLines(clientHeight, lineHeight));
}

std::int32_t verticalPageLines(std::int32_t clientHeight, std::int32_t lineHeight)
{
    return std::max<std::int32_t>(clientHeight / atLeastOne(lineHeight), 1);
}

void ScrollAxis::setMaximum(std::int32_t maximum)
{
    maximum_ = maximum;
    position_ = std::min(position_, maximum_);
}

std::int32_t ScrollAxis::moveBy(std::int32_t step)
{
    const std::int32_t taken = std::max(-position_, std::min(step, maximum_ - position_));
    position_ += taken;
    return taken;
}

bool keyScrollsVertically(ViewKey key) { return key != ViewKey::columnLeft && key != ViewKey::columnRight; }

std::int32_t keyScrollStep(ViewKey key, const ScrollAxis& axis, std::int32_t page)
{
    switch (key) {
    case ViewKey::lineUp: return -1;
    case ViewKey::lineDown: return 1;
    case ViewKey::pageUp: return -page;
    case ViewKey::pageDown: return page;
    case ViewKey::top: return -axis.position();
    case ViewKey::bottom: return axis.maximum() - axis.position();
    case ViewKey::columnLeft: return -1;
    case ViewKey::columnRight: return 1;
    }
    return 0;
}

std::int32_t WheelAccumulator::turn(std::int32_t delta, std::uint32_t perNotch, std::int32_t page)
{
    if (perNotch == 0) {
        gathered_ = 0;
        return 0;
    }
    const std::int64_t stepsPerNotch = std::min<std::int64_t>(perNotch, atLeastOne(page));
    const std::int64_t turned = delta * stepsPerNotch;
    if ((turned < 0 && gathered_ > 0) || (turned > 0 && gathered_ < 0)) gathered_ = 0;
    gathered_ += turned;
    const std::int64_t steps = gathered_ / wheelNotch;
    gathered_ -= steps * wheelNotch;
    return static_cast<std::int32_t>(steps);
}

} // namespace calvorn
