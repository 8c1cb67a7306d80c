// The XML reader on UTF-8 bytes, as the device's parameter document arrives: it must read
// them exactly as the decoded wide text, and what it reads must survive writing.
#include "FuzzSupport.h"
#include "XmlChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize)
{
    using namespace kov;
    const std::string sText(reinterpret_cast<const char*>(pData), iSize);
    TreeRef bytes;
    const bool bRead = !bytes.LoadFromText(sText).IsEmpty();
    ValueTree wide;
    KOV_FUZZ_CHECK(wide.FromXml(Utf8ToUtf16(sText)) == bRead);
    KOV_FUZZ_CHECK(wide.WithDeclaration() == bytes->WithDeclaration());
    if (bRead) {
        KOV_FUZZ_CHECK(fuzz::SameTree(bytes.Root(), wide.Root()));
        fuzz::CheckWrittenTree(*bytes);
    }
    return 0;
}
