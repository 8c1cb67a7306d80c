#include "platform/LoginName.h"

#include <cerrno>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "support/TextCodec.h"

namespace kov {

std::u16string LoginName()
{
    const long lSuggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> aBuffer(lSuggested > 0 ? static_cast<size_t>(lSuggested) : 1024);
    struct passwd sEntry {};
    struct passwd* pFound = nullptr;
    for (;;) {
        const int iResult = ::getpwuid_r(::geteuid(), &sEntry, aBuffer.data(), aBuffer.size(), &pFound);
        if (iResult == ERANGE && aBuffer.size() < (1u << 20)) {
            aBuffer.resize(aBuffer.size() * 2);
            continue;
        }
        break;
    }
    if (pFound == nullptr || pFound->pw_name == nullptr)
        return std::u16string();
    return Utf8ToUtf16(pFound->pw_name);
}

} // namespace kov
