#include "app/log_lines.h"

#include "app/size_table.h"
#include "app/text_format.h"
#include "driver/progress_lines.h"

namespace calvorn {

std::string startLogLine(std::int32_t sizeExponent, Language language)
{
    return std::string(sizeLabel(sizeExponent)) +
           formatText(messageText(MessageId::runStarts, language), sizeExponent - 1);
}

std::string outputTimeLogLine(std::uint32_t elapsedMilliseconds, Language language)
{
    return elapsedTimeText(elapsedMilliseconds, language) + messageText(MessageId::digitsWritten, language);
}

std::string computationTimeLine(std::uint32_t elapsedMilliseconds, Language language)
{
    return formatText(messageText(MessageId::computationTime, language), elapsedMilliseconds / 1000,
                      elapsedMilliseconds % 1000);
}

} // namespace calvorn
