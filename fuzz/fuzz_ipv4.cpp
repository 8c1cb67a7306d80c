// IPv4 text as operators and documents give it: narrow and wide text read alike, and every
// address read is written back as text that reads as the same address.
#include "FuzzSupport.h"

#include "support/Ipv4.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize)
{
    using namespace kov;
    const std::string sText(reinterpret_cast<const char*>(pData), iSize);
    const std::u16string wszText(sText.begin(), sText.end()); // each byte as its own unit

    uint8_t abyNarrow[8] = {}, abyWide[8] = {};
    const int iMax = iSize == 0 ? 4 : pData[0] % 9;
    const int iNarrow = ParseDottedParts(sText, '.', abyNarrow, iMax);
    KOV_FUZZ_CHECK(iNarrow >= 0 && iNarrow <= iMax);
    KOV_FUZZ_CHECK(ParseDottedParts(wszText, u'.', abyWide, iMax) == iNarrow);
    KOV_FUZZ_CHECK(std::memcmp(abyNarrow, abyWide, sizeof abyNarrow) == 0);

    const uint32_t dwAddress = Ipv4FromText(sText);
    KOV_FUZZ_CHECK(Ipv4FromText(wszText) == dwAddress);
    if (dwAddress != kNoIpv4Address)
        KOV_FUZZ_CHECK(Ipv4FromText(Ipv4ToText(dwAddress)) == dwAddress);

    uint32_t dwControl = 12345;
    bool bBlank = false;
    const bool bPut = Ipv4FromControlText(wszText, dwControl, bBlank);
    KOV_FUZZ_CHECK(bPut != bBlank);
    if (!bPut) {
        KOV_FUZZ_CHECK(dwControl == 0);
        return 0;
    }
    KOV_FUZZ_CHECK(dwControl != kNoIpv4Address);
    const std::u16string wszShown = Ipv4ToControlText(dwControl, false);
    uint32_t dwAgain = 0;
    bool bAgainBlank = true;
    if (dwControl == 0) {
        KOV_FUZZ_CHECK(wszShown.empty());
    } else {
        KOV_FUZZ_CHECK(Ipv4FromControlText(wszShown, dwAgain, bAgainBlank) && dwAgain == dwControl);
        KOV_FUZZ_CHECK(Ipv4FromText(wszShown) == dwControl);
    }
    return 0;
}
