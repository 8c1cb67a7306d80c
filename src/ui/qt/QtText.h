#pragma once
// The boundary between the system's wide text and Qt's: both are UTF-16, so the units are
// copied as they are.
#include <QString>

#include <string>
#include <string_view>

namespace kov {

inline QString ToQString(std::u16string_view wsz)
{
    return QString(reinterpret_cast<const QChar*>(wsz.data()), static_cast<qsizetype>(wsz.size()));
}

inline std::u16string FromQString(const QString& qs)
{
    return std::u16string(reinterpret_cast<const char16_t*>(qs.utf16()), static_cast<std::size_t>(qs.size()));
}

} // namespace kov
