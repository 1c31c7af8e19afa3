#include "settings/PictureFilter.h"

#include <vector>

namespace {

std::vector<std::string_view> SplitAt(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::string_view WithoutPatternSuffix(std::string_view description)
{
    const auto open = description.rfind('(');
    if (description.empty() || description.back() != ')' || open == std::string_view::npos)
        return description;
    description = description.substr(0, open);
    while (!description.empty() && description.back() == ' ')
        description.remove_suffix(1);
    return description;
}

} // namespace

std::string ToQtFilter(std::string_view barFilter)
{
    const auto parts = SplitAt(barFilter, '|');
    std::string qtFilter;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns;
        for (const auto pattern : SplitAt(parts[i + 1], ';')) {
            if (pattern.empty())
                continue;
            if (!patterns.empty())
                patterns += ' ';
            patterns += pattern;
        }
        if (!qtFilter.empty())
            qtFilter += ";;";
        const auto description = WithoutPatternSuffix(parts[i]);
        qtFilter += description;
        if (!description.empty())
            qtFilter += ' ';
        qtFilter += '(' + patterns + ')';
    }
    return qtFilter;
}
