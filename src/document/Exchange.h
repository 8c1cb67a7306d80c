#pragma once
// The section exchange helpers: one operation per field form that reads a record field from a
// document (bStore false) or writes it (bStore true), so each section names its elements and
// attributes in one place. Values use the document encodings: "%d", "%lld", "True"/"False",
// dotted IPv4 text, and enumerations as the text of their table row.
//
// Every helper takes the namespace URI in its full form; the short forms use the kov one.
#include "document/Namespace.h"
#include "document/ValueTree.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kov {

// One row of an enumeration table: a value and its document text (null: no text, the row is
// never written and never matched).
struct EnumText {
    int32_t iValue;
    const char16_t* wszText;

    constexpr EnumText(int32_t iValueIn, const char16_t* wszTextIn) : iValue(iValueIn), wszText(wszTextIn) {}
    template <typename TEnum>
    requires std::is_enum_v<TEnum>
    constexpr EnumText(TEnum eValue, const char16_t* wszTextIn)
        : iValue(static_cast<int32_t>(eValue)), wszText(wszTextIn)
    {}
};

using EnumTable = std::span<const EnumText>;

// The text of iValue's row, or null when the value has no row or the row no text.
const char16_t* EnumTextOf(EnumTable table, int32_t iValue);
// The value of the first row whose text equals wszText exactly; false when there is none.
bool EnumValueOf(EnumTable table, std::u16string_view wszText, int32_t& iValue);

// Attributes: store sets the attribute and returns true; read gets it (false, field
// untouched, when absent). False on an empty element either way.
bool ExchangeTextAttribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                           bool bStore, std::u16string& wszField);
bool ExchangeIntAttribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                          bool bStore, int32_t& iField);
bool ExchangeBoolAttribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                           bool bStore, bool& bField);
// Dotted IPv4 text, first part most significant; empty text for 0.0.0.0. Reading text that is
// not an address clears the field (and still reports the attribute present).
bool ExchangeIpv4Attribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                           bool bStore, uint32_t& dwField);
bool ExchangeEnumAttribute(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                           const EnumText* pTable, size_t iRows, bool bStore, int32_t& iField);

// Child elements holding the value as text: FindOrCreateChild(name, create = bStore); store
// sets the text and returns true; read converts the text (false only when the child is absent).
bool ExchangeTextElement(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                         bool bStore, std::u16string& wszField);
bool ExchangeIntElement(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri, bool bStore,
                        int32_t& iField);
bool ExchangeInt64Element(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                          bool bStore, int64_t& iField);
bool ExchangeBoolElement(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                         bool bStore, bool& bField);
bool ExchangeIpv4Element(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                         bool bStore, uint32_t& dwField);
bool ExchangeEnumElement(NodeRef element, std::u16string_view wszName, std::u16string_view wszUri,
                         const EnumText* pTable, size_t iRows, bool bStore, int32_t& iField);

// Marks a stored list container so the receiver of a change document replaces its children
// by the ones sent.
bool MarkEraseChildren(NodeRef container);

// ---- Short forms for sections: the kov namespace, tables as spans, enum-typed fields ------

inline bool ExchangeTextAttribute(NodeRef element, std::u16string_view wszName, bool bStore,
                                  std::u16string& wszField)
{
    return ExchangeTextAttribute(element, wszName, kKovNamespaceUri, bStore, wszField);
}
inline bool ExchangeIntAttribute(NodeRef element, std::u16string_view wszName, bool bStore, int32_t& iField)
{
    return ExchangeIntAttribute(element, wszName, kKovNamespaceUri, bStore, iField);
}
// An unsigned field in the integer encoding, by its 32-bit pattern: written "%d", read back alike.
inline bool ExchangeIntAttribute(NodeRef element, std::u16string_view wszName, bool bStore, uint32_t& dwField)
{
    int32_t iValue = static_cast<int32_t>(dwField);
    if (!ExchangeIntAttribute(element, wszName, kKovNamespaceUri, bStore, iValue))
        return false;
    dwField = static_cast<uint32_t>(iValue);
    return true;
}
inline bool ExchangeBoolAttribute(NodeRef element, std::u16string_view wszName, bool bStore, bool& bField)
{
    return ExchangeBoolAttribute(element, wszName, kKovNamespaceUri, bStore, bField);
}
inline bool ExchangeIpv4Attribute(NodeRef element, std::u16string_view wszName, bool bStore,
                                  uint32_t& dwField)
{
    return ExchangeIpv4Attribute(element, wszName, kKovNamespaceUri, bStore, dwField);
}
inline bool ExchangeTextElement(NodeRef element, std::u16string_view wszName, bool bStore,
                                std::u16string& wszField)
{
    return ExchangeTextElement(element, wszName, kKovNamespaceUri, bStore, wszField);
}
inline bool ExchangeIntElement(NodeRef element, std::u16string_view wszName, bool bStore, int32_t& iField)
{
    return ExchangeIntElement(element, wszName, kKovNamespaceUri, bStore, iField);
}
inline bool ExchangeInt64Element(NodeRef element, std::u16string_view wszName, bool bStore, int64_t& iField)
{
    return ExchangeInt64Element(element, wszName, kKovNamespaceUri, bStore, iField);
}
inline bool ExchangeBoolElement(NodeRef element, std::u16string_view wszName, bool bStore, bool& bField)
{
    return ExchangeBoolElement(element, wszName, kKovNamespaceUri, bStore, bField);
}
inline bool ExchangeIpv4Element(NodeRef element, std::u16string_view wszName, bool bStore, uint32_t& dwField)
{
    return ExchangeIpv4Element(element, wszName, kKovNamespaceUri, bStore, dwField);
}

template <typename TField>
concept EnumField = std::is_enum_v<TField> || std::same_as<TField, int32_t>;

// Enumerations with the table as a span (or a constant array) and the field of its own type.
template <EnumField TField>
bool ExchangeEnumAttribute(NodeRef element, std::u16string_view wszName, EnumTable table, bool bStore,
                           TField& field)
{
    int32_t iValue = static_cast<int32_t>(field);
    if (!ExchangeEnumAttribute(element, wszName, kKovNamespaceUri, table.data(), table.size(), bStore,
                               iValue))
        return false;
    field = static_cast<TField>(iValue);
    return true;
}
template <EnumField TField>
bool ExchangeEnumElement(NodeRef element, std::u16string_view wszName, EnumTable table, bool bStore,
                         TField& field)
{
    int32_t iValue = static_cast<int32_t>(field);
    if (!ExchangeEnumElement(element, wszName, kKovNamespaceUri, table.data(), table.size(), bStore, iValue))
        return false;
    field = static_cast<TField>(iValue);
    return true;
}

// Lists: reading empties vRecords, then for each child named wszItemName (others are skipped)
// default-constructs a record, exchanges it from that child and appends it. Storing removes
// every child of that name and appends one per record, in order. False only on an empty
// container (the list is then untouched): a list never fails a read by itself, each entry
// takes what it can and keeps its defaults for the rest.
// fnExchange(record, item element, bStore); by default the record's own Exchange.
template <typename TRecord, typename TExchange>
bool ExchangeList(NodeRef container, std::u16string_view wszItemName, std::u16string_view wszUri, bool bStore,
                  std::vector<TRecord>& vRecords, TExchange&& fnExchange)
{
    if (!container)
        return false;
    if (bStore) {
        container.RemoveChildren(wszItemName);
        for (TRecord& record : vRecords)
            fnExchange(record, container.AddChild(wszItemName, wszUri), true);
        return true;
    }
    vRecords.clear();
    for (NodeRef item = container.FirstChild(); item; item = item.NextSibling()) {
        if (!item.NameIs(wszItemName))
            continue;
        TRecord record{};
        fnExchange(record, item, false);
        vRecords.push_back(std::move(record));
    }
    return true;
}

template <typename TRecord>
bool ExchangeList(NodeRef container, std::u16string_view wszItemName, std::u16string_view wszUri, bool bStore,
                  std::vector<TRecord>& vRecords)
{
    return ExchangeList(
        container, wszItemName, wszUri, bStore, vRecords,
        [](TRecord& record, NodeRef item, bool bStoreItem) { return record.Exchange(item, bStoreItem); });
}

template <typename TRecord>
bool ExchangeList(NodeRef container, std::u16string_view wszItemName, bool bStore,
                  std::vector<TRecord>& vRecords)
{
    return ExchangeList(container, wszItemName, kKovNamespaceUri, bStore, vRecords);
}

} // namespace kov
