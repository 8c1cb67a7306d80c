#pragma once
// A page over a device link of its own, hosted by a scripted form host, loaded from text.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "form/ScriptedFormHost.h"
#include "link/ParameterDocumentHolder.h"

namespace kov::test {

// The text with its first occurrence of sOld replaced (a failure when there is none).
inline std::string Replaced(std::string s, const std::string& sOld, const std::string& sNew)
{
    const size_t iAt = s.find(sOld);
    EXPECT_NE(iAt, std::string::npos) << sOld;
    return iAt == std::string::npos ? s : s.replace(iAt, sOld.size(), sNew);
}

// An attribute's value, or "<absent>".
inline std::u16string Attr(NodeRef node, std::u16string_view wszName)
{
    std::u16string wszValue = u"<absent>";
    node.GetAttribute(wszName, wszValue);
    return wszValue;
}

// The child at a position, empty when there is none.
inline NodeRef Item(NodeRef container, size_t iIndex)
{
    NodeRef item = container.FirstChild();
    while (item && iIndex-- > 0)
        item = item.NextSibling();
    return item;
}

// What the pages stored into the change document, as text another page can load.
inline std::string ChangeText(const ParameterDocumentHolder& holder)
{
    std::string sText;
    EXPECT_TRUE(holder.ChangeDocument().ToUtf8(sText));
    return sText;
}

template <typename TPage> struct SPageFixture {
    // fnPrepare runs before the page is initialised, for seams the page reads then. pTransport:
    // the device link's (a fake device slot); none: the USB one, never opened.
    explicit SPageFixture(const std::function<void(TPage&)>& fnPrepare = {},
                          std::unique_ptr<IDeviceTransport> pTransport = {})
        : holder(std::move(pTransport))
    {
        page.SetDocumentHolder(&holder);
        page.SetHost(&host);
        if (fnPrepare)
            fnPrepare(page);
        page.Initialise();
    }
    // Makes the text the loaded document (edited by fnEdit first), loads the page from it and
    // enables it; whether the page matched its section.
    bool LoadText(const std::string& sXml, EDocumentState eState = EDocumentState::Device,
                  const std::function<void(NodeRef)>& fnEdit = {})
    {
        EXPECT_TRUE(holder.LoadedDocument().LoadFromText(sXml));
        if (fnEdit)
            fnEdit(holder.LoadedDocument().Root());
        holder.SetState(eState);
        const bool bMatched = page.Load();
        page.Enable(true);
        return bMatched;
    }

    ParameterDocumentHolder holder;
    CScriptedFormHost host;
    TPage page;
};

} // namespace kov::test
