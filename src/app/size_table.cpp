#include "app/size_table.h"

namespace calvorn {

std::optional<std::int32_t> sizeExponentFromName(std::string_view name)
{
    const auto first = name.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    name.remove_prefix(first);
    for (std::size_t i = 0; i < sizeCount; ++i) {
        std::string_view label = sizeLabels[i];
        label.remove_prefix(label.find_first_not_of(' '));
        if (label.size() != name.size()) continue;
        const std::string_view number = label.substr(0, label.size() - 1);
        const char unit = label.back();
        const char given = name.back();
        if (name.substr(0, name.size() - 1) == number && (given == unit || given == unit - 'A' + 'a'))
            return sizeExponentOfIndex(i);
    }
    return std::nullopt;
}

} // namespace calvorn
