// The XML reader on wide text (files in UTF-16, pairs of input bytes as units, low byte
// first): what it reads must survive writing and reading back.
#include "FuzzSupport.h"
#include "XmlChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize)
{
    using namespace kov;
    std::u16string wszText(iSize / 2, u'\0');
    for (size_t i = 0; i < wszText.size(); ++i)
        wszText[i] = char16_t(pData[2 * i] | (pData[2 * i + 1] << 8));
    ValueTree tree;
    tree.CreateRoot(u"kov:Previous");
    if (!tree.FromXml(wszText)) {
        KOV_FUZZ_CHECK(tree.Root().NameIs(u"kov:Previous")); // a failed read changes nothing
        return 0;
    }
    fuzz::CheckWrittenTree(tree);
    return 0;
}
