#include "app/log_lines.h"

#include "app/size_table.h"
#include "app/text_format.h"

namespace calvorn {

std::string elapsedTimeText(std::uint32_t milliseconds, Language language)
{
    const std::uint32_t hours = milliseconds / 3600000u;
    const std::uint32_t minutes = (milliseconds / 60000u) % 60u;
    const std::uint32_t seconds = (milliseconds % 60000u) / 1000u;
    return formatText(messageText(MessageId::elapsedTime, language), static_cast<int>(hours), static_cast<int>(minutes), static_cast<int>(seconds));
}

std::string startLogLine(std::int32_t sizeExponent, Language language)
{
    return std::string(sizeLabel(sizeExponent)) +
           formatText(messageText(MessageId::runStarts, language), sizeExponent - 1);
}

std::string outputTimeLogLine(std::uint32_t elapsedMilliseconds, Language language)
{
    return elapsedTimeText(elapsedMilliseconds, language) + messageText(MessageId::digitsWritten, language);
}

} // namespace calvorn
