#include "form/FormHost.h"

namespace kov {
namespace {

std::vector<std::u16string_view> Split(std::u16string_view wsz, char16_t cSeparator)
{
    std::vector<std::u16string_view> vParts;
    std::size_t nBegin = 0;
    for (std::size_t i = 0; i <= wsz.size(); ++i) {
        if (i == wsz.size() || wsz[i] == cSeparator) {
            vParts.push_back(wsz.substr(nBegin, i - nBegin));
            nBegin = i + 1;
        }
    }
    return vParts;
}

} // namespace

std::vector<SFileFilter> ParseFileFilters(std::u16string_view wszFilter)
{
    std::vector<std::u16string_view> vParts = Split(wszFilter, u'|');
    std::vector<SFileFilter> vFilters;
    for (std::size_t i = 0; i + 1 < vParts.size(); i += 2) {
        SFileFilter filter{std::u16string(vParts[i]), {}};
        for (std::u16string_view wszPattern : Split(vParts[i + 1], u';')) {
            if (!wszPattern.empty()) {
                filter.vPatterns.emplace_back(wszPattern);
            }
        }
        if (!filter.vPatterns.empty()) {
            vFilters.push_back(std::move(filter));
        }
    }
    return vFilters;
}

} // namespace kov
