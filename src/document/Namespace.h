#pragma once
// The one namespace every element of every parameter document is declared in.
#include <string_view>

namespace kov {

inline constexpr std::u16string_view kKovNamespaceUri = u"urn:dovrane:kov";

} // namespace kov
