#pragma once
// What every XML fuzz target checks of a parsed tree: its exact length, the same text as
// UTF-8 either way, and that writing it and reading the writing back gives the same tree
// (every name, attribute and text) and the same writing.
#include "FuzzSupport.h"

#include "document/ValueTree.h"
#include "support/TextCodec.h"

namespace kov::fuzz {

// Walks both trees in step, without recursion.
inline bool SameTree(NodeRef a, NodeRef b)
{
    const NodeRef rootA = a;
    while (a && b) {
        if (a.Name() != b.Name() || a.Text() != b.Text() || a.AttributeCount() != b.AttributeCount())
            return false;
        for (size_t i = 0; i < a.AttributeCount(); ++i)
            if (a.AttributeName(i) != b.AttributeName(i) || a.AttributeValue(i) != b.AttributeValue(i))
                return false;
        if (a.FirstChild() || b.FirstChild()) {
            a = a.FirstChild();
            b = b.FirstChild();
            continue;
        }
        while (a != rootA && !a.NextSibling() && !b.NextSibling()) {
            a = a.Parent();
            b = b.Parent();
        }
        if (a == rootA)
            return b.Parent().IsEmpty();
        a = a.NextSibling();
        b = b.NextSibling();
    }
    return !a && !b;
}

inline void CheckWrittenTree(const ValueTree& tree)
{
    std::u16string wszXml;
    KOV_FUZZ_CHECK(tree.ToXml(wszXml));
    KOV_FUZZ_CHECK(tree.ToXmlLength() == wszXml.size());

    ValueTree again;
    KOV_FUZZ_CHECK(again.FromXml(wszXml));
    KOV_FUZZ_CHECK(again.WithDeclaration() == tree.WithDeclaration());
    KOV_FUZZ_CHECK(SameTree(tree.Root(), again.Root()));
    std::u16string wszAgain;
    KOV_FUZZ_CHECK(again.ToXml(wszAgain) && wszAgain == wszXml);

    // The device's form: the same text, and read from it the same tree.
    TreeRef device;
    device->FromXml(wszXml);
    std::string sUtf8;
    KOV_FUZZ_CHECK(device.ToUtf8(sUtf8) && sUtf8 == Utf16ToUtf8(wszXml));
    TreeRef fromDevice;
    KOV_FUZZ_CHECK(!fromDevice.LoadFromText(sUtf8).IsEmpty());
    KOV_FUZZ_CHECK(SameTree(tree.Root(), fromDevice.Root()));
}

} // namespace kov::fuzz
