#include "document/Exchange.h"

#include "support/Ipv4.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

// Text put into an address entry control: an unparsable text leaves it blank (0).
uint32_t Ipv4FromDocumentText(std::u16string_view wszText)
{
    uint32_t dwAddress = 0;
    bool bBlank = true;
    if (!Ipv4FromControlText(wszText, dwAddress, bBlank) || bBlank)
        return 0;
    return dwAddress;
}

} // namespace

const char16_t* EnumTextOf(EnumTable table, int32_t iValue)
{
    for (const EnumText& row : table)
        if (row.iValue == iValue)
            return row.wszText;
    return nullptr;
}

bool EnumValueOf(EnumTable table, std::u16string_view wszText, int32_t& iValue)
{
    for (const EnumText& row : table) {
        if (row.wszText && wszText == row.wszText) {
            iValue = row.iValue;
            return true;
        }
    }
    return false;
}

bool ExchangeTextAttribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                           bool bStore, std::u16string& wszField)
{
    if (bStore)
        return element.SetAttribute(wszName, wszUri, wszField);
    return element.GetAttribute(wszName, wszField);
}

bool ExchangeIntAttribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                          bool bStore, int32_t& iField)
{
    if (bStore)
        return element.SetAttributeInt(wszName, wszUri, iField);
    return element.GetAttributeInt(wszName, iField);
}

bool ExchangeBoolAttribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                           bool bStore, bool& bField)
{
    if (bStore)
        return element.SetAttributeBool(wszName, wszUri, bField);
    return element.GetAttributeBool(wszName, bField);
}

bool ExchangeIpv4Attribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                           bool bStore, uint32_t& dwField)
{
    if (bStore)
        return element.SetAttribute(wszName, wszUri, Ipv4ToControlText(dwField, false));
    std::u16string wszText;
    if (!element.GetAttribute(wszName, wszText))
        return false;
    dwField = Ipv4FromDocumentText(wszText);
    return true;
}

bool ExchangeEnumAttribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                           const EnumText* pTable, size_t iRows, bool bStore, int32_t& iField)
{
    if (!element)
        return false;
    const EnumTable table(pTable, iRows);
    if (bStore) {
        const char16_t* wszText = EnumTextOf(table, iField);
        return wszText && element.SetAttribute(wszName, wszUri, wszText);
    }
    std::u16string wszText;
    return element.GetAttribute(wszName, wszText) && EnumValueOf(table, wszText, iField);
}

bool ExchangeTextElement(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                         bool bStore, std::u16string& wszField)
{
    NodeRef child = element.FindOrCreateChild(wszName, wszUri, bStore);
    return bStore ? child.SetText(wszField) : child.GetText(wszField);
}

bool ExchangeIntElement(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri, bool bStore,
                        int32_t& iField)
{
    NodeRef child = element.FindOrCreateChild(wszName, wszUri, bStore);
    return bStore ? child.SetTextInt(iField) : child.GetTextInt(iField);
}

bool ExchangeInt64Element(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                          bool bStore, int64_t& iField)
{
    NodeRef child = element.FindOrCreateChild(wszName, wszUri, bStore);
    return bStore ? child.SetTextInt64(iField) : child.GetTextInt64(iField);
}

bool ExchangeBoolElement(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                         bool bStore, bool& bField)
{
    NodeRef child = element.FindOrCreateChild(wszName, wszUri, bStore);
    return bStore ? child.SetTextBool(bField) : child.GetTextBool(bField);
}

bool ExchangeIpv4Element(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                         bool bStore, uint32_t& dwField)
{
    NodeRef child = element.FindOrCreateChild(wszName, wszUri, bStore);
    if (!child)
        return false;
    if (bStore)
        return child.SetText(Ipv4ToControlText(dwField, false));
    dwField = Ipv4FromDocumentText(child.Text());
    return true;
}

bool ExchangeEnumElement(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                         const EnumText* pTable, size_t iRows, bool bStore, int32_t& iField)
{
    if (!element)
        return false;
    const EnumTable table(pTable, iRows);
    NodeRef child = element.FindChild(wszName);
    if (bStore) {
        const char16_t* wszText = EnumTextOf(table, iField);
        if (!wszText)
            return false;
        if (!child)
            child = element.AddChild(wszName, wszUri);
        return child.SetText(wszText);
    }
    return child && EnumValueOf(table, child.Text(), iField);
}

bool MarkEraseChildren(NodeRef container)
{
    return container.SetAttribute(u"__merge_options", std::u16string_view(), u"erase_children");
}

} // namespace kov
