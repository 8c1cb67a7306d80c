#include "sim/DocumentMerge.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kov {

namespace {

void RemoveAllChildren(NodeRef wNode)
{
    while (NodeRef wChild = wNode.FirstChild()) {
        std::u16string wszName(wChild.Name()); // the view dies with the child
        if (wNode.RemoveChildren(wszName) <= 0)
            break;
    }
}

} // namespace

void MergeChangeDocument(NodeRef wTarget, NodeRef wChange)
{
    std::vector<std::pair<NodeRef, NodeRef>> vPending;
    if (wTarget && wChange)
        vPending.emplace_back(wTarget, wChange);
    while (!vPending.empty()) {
        auto [wDst, wSrc] = vPending.back();
        vPending.pop_back();

        bool bErase = false;
        for (size_t i = 0, n = wSrc.AttributeCount(); i < n; ++i) {
            std::u16string_view wszName = wSrc.AttributeName(i);
            if (wszName == kMergeOptionsAttribute) {
                bErase = wSrc.AttributeValue(i) == kMergeEraseChildren;
                continue;
            }
            wDst.SetAttribute(wszName, u"", wSrc.AttributeValue(i));
        }
        NodeRef wFirstSrcChild = wSrc.FirstChild();
        if (!wFirstSrcChild || !wSrc.Text().empty())
            wDst.SetText(wSrc.Text());
        if (bErase)
            RemoveAllChildren(wDst);
        if (!wFirstSrcChild)
            continue;

        // The target's children by name, in order, as they were before this merge.
        std::map<std::u16string, std::vector<NodeRef>, std::less<>> mByName;
        for (NodeRef w = wDst.FirstChild(); w; w = w.NextSibling())
            mByName[std::u16string(w.Name())].push_back(w);
        std::map<std::u16string, size_t, std::less<>> mSeen;
        for (NodeRef w = wFirstSrcChild; w; w = w.NextSibling()) {
            std::u16string wszName(w.Name());
            size_t iNth = mSeen[wszName]++;
            NodeRef wMatch;
            if (auto it = mByName.find(wszName); it != mByName.end() && iNth < it->second.size())
                wMatch = it->second[iNth];
            else
                wMatch = wDst.AddChild(wszName, u"");
            if (wMatch)
                vPending.emplace_back(wMatch, w);
        }
    }
}

} // namespace kov
