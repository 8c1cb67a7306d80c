// XML text reader and writer of value trees: the small dialect parameter documents use
// (elements, attributes, character data, instructions read for presence, a fixed entity set).
// Both directions walk the tree without recursion, so depth is bounded only by memory.
//
// The reader works on UTF-16 units or directly on UTF-8 bytes (every character that matters to
// the markup is ASCII, so only the stored names and texts are decoded; a text that writes ASCII
// in overlong forms is decoded first), and it scans runs of plain characters at once. The nodes go into the tree's store by bumping a pointer.
#include "document/TreeStore.h"
#include "document/ValueTree.h"

#include "support/ScopeFrame.h"
#include "support/TextCodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kov {

namespace {

// Classes of the ASCII characters the reader stops at.
enum : uint8_t {
    kSpace = 1,       // tab, carriage return, line feed, space
    kTagNameEnd = 2,  // '/', '>' or white space
    kAttrNameEnd = 4, // '=' or white space
};

constexpr std::array<uint8_t, 128> MakeClasses()
{
    std::array<uint8_t, 128> a{};
    for (char ch : {' ', '\t', '\r', '\n'})
        a[size_t(ch)] = kSpace | kTagNameEnd | kAttrNameEnd;
    a['/'] |= kTagNameEnd;
    a['>'] |= kTagNameEnd;
    a['='] |= kAttrNameEnd;
    return a;
}
constexpr std::array<uint8_t, 128> kClasses = MakeClasses();

template <typename TChar> inline unsigned UnitOf(TChar ch)
{
    return static_cast<std::make_unsigned_t<TChar>>(ch);
}

template <typename TChar> inline bool Is(TChar ch, uint8_t byClass)
{
    const unsigned u = UnitOf(ch);
    return u < 128 && (kClasses[u] & byClass) != 0;
}

inline bool IsXmlSpace(char16_t wch)
{
    return Is(wch, kSpace);
}

// The first wch in [p, pEnd), or pEnd.
inline const char* FindUnit(const char* p, const char* pEnd, char ch)
{
    const void* pFound = std::memchr(p, ch, static_cast<size_t>(pEnd - p));
    return pFound ? static_cast<const char*>(pFound) : pEnd;
}

inline const char16_t* FindUnit(const char16_t* p, const char16_t* pEnd, char16_t wch)
{
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi16(static_cast<short>(wch));
    while (pEnd - p >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned uMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, needle)));
        if (uMask)
            return p + std::countr_zero(uMask) / 2;
        p += 8;
    }
#endif
    while (p < pEnd && *p != wch)
        ++p;
    return p;
}

// The first character of class byClass in [p, pEnd), or pEnd. Every character a name stops
// at is at most '>', so blocks whose units are all above it are passed over whole.
inline const char16_t* FindClass(const char16_t* p, const char16_t* pEnd, uint8_t byClass)
{
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi16('>');
    const __m128i zero = _mm_setzero_si128();
    while (pEnd - p >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned uMask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(units, limit), zero)));
        while (uMask) {
            const int iBit = std::countr_zero(uMask);
            if (Is(p[iBit / 2], byClass))
                return p + iBit / 2;
            uMask &= ~(3u << iBit);
        }
        p += 8;
    }
#endif
    while (p < pEnd && !Is(*p, byClass))
        ++p;
    return p;
}

inline const char* FindClass(const char* p, const char* pEnd, uint8_t byClass)
{
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi8('>');
    const __m128i zero = _mm_setzero_si128();
    while (pEnd - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned uMask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(bytes, limit), zero)));
        while (uMask) {
            const int iBit = std::countr_zero(uMask);
            if (Is(p[iBit], byClass))
                return p + iBit;
            uMask &= uMask - 1;
        }
        p += 16;
    }
#endif
    while (p < pEnd && !Is(*p, byClass))
        ++p;
    return p;
}

// Copies a run without markup or entities into wide text.
inline char16_t* CopyPlain(const char16_t* p, const char16_t* pEnd, char16_t* pOut)
{
    const size_t n = static_cast<size_t>(pEnd - p);
    std::memcpy(pOut, p, n * sizeof(char16_t));
    return pOut + n;
}

inline char16_t* CopyPlain(const char* p, const char* pEnd, char16_t* pOut)
{
    return DecodeUtf8Prefix(p, static_cast<size_t>(pEnd - p), pOut);
}

template <typename TChar> inline bool StartsWith(const TChar* p, const TChar* pEnd, std::string_view sz)
{
    if (static_cast<size_t>(pEnd - p) < sz.size())
        return false;
    for (size_t i = 0; i < sz.size(); ++i)
        if (UnitOf(p[i]) != static_cast<unsigned char>(sz[i]))
            return false;
    return true;
}

// Entity of each ASCII character the writer escapes; empty for the others.
constexpr std::array<std::string_view, 128> MakeEntities()
{
    std::array<std::string_view, 128> a{};
    a[0] = "&null;";
    a['"'] = "&quot;";
    a['\''] = "&apos;";
    a['&'] = "&amp;";
    a['<'] = "&lt;";
    a['>'] = "&gt;";
    return a;
}
constexpr std::array<std::string_view, 128> kEntities = MakeEntities();

// Units each character takes in the written text (wide: 1; UTF-8: 1 to 3), entities included.
template <typename TOut> inline size_t WrittenLength(char16_t wch)
{
    if (wch < 0x80)
        return kEntities[wch].empty() ? 1 : kEntities[wch].size();
    if constexpr (std::is_same_v<TOut, char16_t>)
        return 1;
    else
        return wch < 0x800 ? 2 : 3;
}

constexpr std::u16string_view kDeclaration = u"<?xml version='1.0' encoding='UTF-8'?>";

} // namespace

// ---------------------------------------------------------------------------------------------
// Reader

template <typename TChar> class CXmlReader {
public:
    CXmlReader(ValueTree& tree, CTreeStore& store, const TChar* pText, const TChar* pEnd)
        : m_tree(tree), m_store(store), m_pBegin(pText), m_pEnd(pEnd)
    {}

    // The parsed root, or null when the text is not well-formed.
    ValueNode* Parse();

private:
    const TChar* SkipSpace(const TChar* p) const
    {
        while (p < m_pEnd && Is(*p, kSpace))
            ++p;
        return p;
    }
    bool ReadAttributes(const TChar*& p, ValueNode* pNode, bool bInstruction);
    bool StoreAttributes(ValueNode* pNode);
    // Decodes the run [p, pEnd) onto the end of text.
    bool AppendText(ValueNode::SText& text, const TChar* p, const TChar* pEnd);
    char16_t* Decode(const TChar* p, const TChar* pEnd, char16_t* pOut);
    const TChar* NextSemicolon(const TChar* p, const TChar* pEnd);
    // The name [p, pEnd) as wide text (UTF-8 names are decoded into a scratch buffer).
    std::u16string_view WideName(const TChar* p, const TChar* pEnd);
    const std::u16string_view* Intern(const TChar* p, const TChar* pEnd)
    {
        return m_store.Intern(WideName(p, pEnd));
    }

    ValueTree& m_tree;
    CTreeStore& m_store;
    const TChar* m_pBegin;
    const TChar* m_pEnd;
    // Where the last search for ';' ended, so runs full of "&#" stay linear.
    const TChar* m_pSemicolonFrom = nullptr;
    const TChar* m_pSemicolonAt = nullptr;
    const TChar* m_pSemicolonEnd = nullptr;
    std::vector<ValueNode::SAttribute> m_vAttributes; // the tag being read, in reading order
    std::vector<char16_t> m_vName;
};

template <typename TChar> std::u16string_view CXmlReader<TChar>::WideName(const TChar* p, const TChar* pEnd)
{
    if constexpr (std::is_same_v<TChar, char16_t>) {
        return std::u16string_view(p, static_cast<size_t>(pEnd - p));
    } else {
        const size_t n = static_cast<size_t>(pEnd - p);
        if (m_vName.size() < n)
            m_vName.resize(std::max(n, 2 * m_vName.size()));
        const char16_t* pOut = DecodeUtf8Prefix(p, n, m_vName.data());
        return std::u16string_view(m_vName.data(), static_cast<size_t>(pOut - m_vName.data()));
    }
}

template <typename TChar> const TChar* CXmlReader<TChar>::NextSemicolon(const TChar* p, const TChar* pEnd)
{
    // Reuse the previous answer while it still lies ahead within the same run.
    if (pEnd == m_pSemicolonEnd && p >= m_pSemicolonFrom && p <= m_pSemicolonAt)
        return m_pSemicolonAt;
    const TChar* pFound = FindUnit(p, pEnd, TChar(';'));
    m_pSemicolonFrom = p;
    m_pSemicolonAt = pFound; // pEnd: none in this run
    m_pSemicolonEnd = pEnd;
    return pFound;
}

template <typename TChar>
char16_t* CXmlReader<TChar>::Decode(const TChar* p, const TChar* pEnd, char16_t* pOut)
{
    while (p < pEnd) {
        const TChar* pAmpersand = FindUnit(p, pEnd, TChar('&'));
        pOut = CopyPlain(p, pAmpersand, pOut);
        if (pAmpersand == pEnd)
            break;
        p = pAmpersand + 1;

        struct SNamed {
            std::string_view szName;
            char16_t wch;
        };
        static constexpr SNamed kNamed[] = {{"gt;", u'>'},   {"lt;", u'<'},    {"amp;", u'&'},
                                            {"quot;", u'"'}, {"apos;", u'\''}, {"null;", u'\0'}};
        bool bDone = false;
        for (const SNamed& named : kNamed) {
            if (StartsWith(p, pEnd, named.szName)) {
                *pOut++ = named.wch;
                p += named.szName.size();
                bDone = true;
                break;
            }
        }
        if (bDone)
            continue;

        if (p < pEnd && *p == TChar('#')) {
            const TChar* pSemicolon = NextSemicolon(p + 1, pEnd);
            if (pSemicolon < pEnd) {
                uint32_t uValue = 0;
                const TChar* k = p + 1;
                if (k < pSemicolon && (*k == TChar('x') || *k == TChar('X'))) {
                    for (++k; k < pSemicolon; ++k) {
                        const unsigned u = UnitOf(*k);
                        uint32_t uDigit;
                        if (u >= '0' && u <= '9')
                            uDigit = u - '0';
                        else if (u >= 'A' && u <= 'F')
                            uDigit = u - 'A' + 10;
                        else if (u >= 'a' && u <= 'f')
                            uDigit = u - 'a' + 10;
                        else {
                            uValue = 0xFFFFFFFFu;
                            break;
                        }
                        uValue = (uValue << 4) | uDigit;
                    }
                } else {
                    // Unsigned decimal up to the first non-digit, saturating like wcstoul.
                    for (; k < pSemicolon && UnitOf(*k) >= '0' && UnitOf(*k) <= '9'; ++k) {
                        const uint32_t uDigit = UnitOf(*k) - '0';
                        uValue = uValue > (0xFFFFFFFFu - uDigit) / 10 ? 0xFFFFFFFFu : uValue * 10 + uDigit;
                    }
                }
                if (uValue >= 0x10000 && uValue <= 0x10FFFF)
                    pOut = PutSurrogatePair(uValue, pOut); // beyond the first plane
                else
                    *pOut++ = char16_t(uValue & 0xFFFFu);
                p = pSemicolon + 1;
                continue;
            }
        }
        // Not an entity: the ampersand stands for itself.
        *pOut++ = u'&';
    }
    return pOut;
}

template <typename TChar>
bool CXmlReader<TChar>::AppendText(ValueNode::SText& text, const TChar* p, const TChar* pEnd)
{
    // A run never decodes to more units than it has (an entity is longer than its pair).
    const size_t n = static_cast<size_t>(pEnd - p);
    if (n == 0)
        return true;
    if (n > CTreeStore::kMaxUnits - text.iLength)
        return false; // beyond what a node holds
    if (!text.p) {
        char16_t* pText = m_store.AllocateUnits(n);
        const size_t iUsed = static_cast<size_t>(Decode(p, pEnd, pText) - pText);
        text.p = m_store.Trim(pText, n, iUsed);
        text.iLength = text.iCapacity = static_cast<uint32_t>(iUsed);
        return true;
    }
    // Character data split by child elements: grow by doubling so appending stays linear.
    if (n > text.iCapacity - text.iLength) {
        const size_t iCapacity = std::min<size_t>(
            std::max<size_t>(text.iLength + n, size_t(text.iCapacity) * 2), CTreeStore::kMaxUnits);
        char16_t* pGrown = m_store.AllocateUnits(iCapacity);
        std::memcpy(pGrown, text.p, text.iLength * sizeof(char16_t));
        text.p = pGrown;
        text.iCapacity = static_cast<uint32_t>(iCapacity);
    }
    text.iLength = static_cast<uint32_t>(Decode(p, pEnd, text.p + text.iLength) - text.p);
    return true;
}

// Orders the attributes read from one tag by name; of a repeated name the first value stays.
template <typename TChar> bool CXmlReader<TChar>::StoreAttributes(ValueNode* pNode)
{
    auto& v = m_vAttributes;
    const auto byName = [](const ValueNode::SAttribute& a, const ValueNode::SAttribute& b) {
        return *a.pName < *b.pName;
    };
    bool bAscending = true;
    for (size_t i = 1; i < v.size() && bAscending; ++i)
        bAscending = *v[i - 1].pName < *v[i].pName;
    if (!bAscending) {
        // Sorting once keeps tags with very many attributes at n log n.
        std::stable_sort(v.begin(), v.end(), byName);
        // Names are interned, so equal names are the same pointer.
        v.erase(
            std::unique(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.pName == b.pName; }),
            v.end());
    }
    // One exactly sized block per element.
    const size_t iBytes = v.size() * sizeof(ValueNode::SAttribute);
    if (iBytes > UINT32_MAX)
        return false; // more attributes than a node holds
    auto* pBlock = static_cast<ValueNode::SAttribute*>(m_store.Allocate(iBytes));
    std::copy(v.begin(), v.end(), pBlock);
    pNode->m_pAttributes = pBlock;
    pNode->m_iAttributeCount = static_cast<uint32_t>(v.size());
    pNode->m_dwAttributeBytes = static_cast<uint32_t>(iBytes);
    v.clear();
    return true;
}

template <typename TChar>
bool CXmlReader<TChar>::ReadAttributes(const TChar*& p, ValueNode* pNode, bool bInstruction)
{
    for (;;) {
        p = SkipSpace(p);
        if (p == m_pEnd)
            return false;
        const TChar ch = *p;
        if (ch == TChar('/') || ch == TChar('>') || (bInstruction && ch == TChar('?'))) {
            return !pNode || m_vAttributes.empty() || StoreAttributes(pNode);
        }

        const TChar* pName = p;
        p = FindClass(p, m_pEnd, kAttrNameEnd);
        if (p == m_pEnd)
            return false;
        const TChar* pNameEnd = p;
        if (*p != TChar('=')) {
            p = SkipSpace(p);
            if (p == m_pEnd || *p != TChar('='))
                return false;
        }
        p = SkipSpace(p + 1);
        if (p == m_pEnd || (*p != TChar('"') && *p != TChar('\'')))
            return false;
        const TChar* pValue = p + 1;
        const TChar* pQuote = FindUnit(pValue, m_pEnd, *p);
        if (pQuote == m_pEnd)
            return false;

        // An instruction's attributes are only checked for form; an element keeps them.
        if (pNode) {
            ValueNode::SAttribute& attribute = m_vAttributes.emplace_back();
            attribute.pName = Intern(pName, pNameEnd);
            attribute.value = {};
            if (!AppendText(attribute.value, pValue, pQuote))
                return false;
        }
        p = SkipSpace(pQuote + 1);
        if (p == m_pEnd)
            return false;
    }
}

template <typename TChar> ValueNode* CXmlReader<TChar>::Parse()
{
    ValueNode* pRoot = nullptr;
    ValueNode* pOpen = nullptr;
    const TChar* const pEnd = m_pEnd;
    const TChar* p = m_pBegin;
    for (;;) {
        p = SkipSpace(p);
        if (p == pEnd)
            return pRoot && !pOpen ? pRoot : nullptr;
        if (*p == TChar('<')) {
            ++p;
            const bool bInstruction = p < pEnd && *p == TChar('?');
            const bool bClosing = p < pEnd && *p == TChar('/');
            if (bClosing)
                ++p;
            const TChar* pName = p;
            p = FindClass(p, pEnd, kTagNameEnd);
            if (p == pName || p == pEnd)
                return nullptr;

            if (bInstruction) {
                if (!ReadAttributes(p, nullptr, true) || !StartsWith(p, pEnd, "?>"))
                    return nullptr;
                m_tree.m_bWithDeclaration = true;
                p += 2;
            } else if (bClosing) {
                if (!pOpen || *p != TChar('>') || *pOpen->m_pName != WideName(pName, p))
                    return nullptr;
                pOpen = pOpen->m_pParent;
                ++p;
            } else {
                if (!pOpen && pRoot)
                    return nullptr; // a second top-level element
                ValueNode* pNode = m_store.NewNode(pOpen, Intern(pName, p));
                if (pOpen)
                    pOpen->LinkChild(pNode);
                else
                    pRoot = pNode;
                if (!ReadAttributes(p, pNode, false))
                    return nullptr;
                if (*p == TChar('>')) {
                    pOpen = pNode;
                    ++p;
                } else if (StartsWith(p, pEnd, "/>")) {
                    p += 2;
                } else {
                    return nullptr;
                }
            }
        } else {
            if (!pOpen)
                return nullptr; // character data outside the root
            const TChar* pLess = FindUnit(p, pEnd, TChar('<'));
            if (pLess == pEnd || !AppendText(pOpen->m_text, p, pLess))
                return nullptr;
            p = pLess;
        }
    }
}

template <typename TChar> bool ValueTree::Parse(const TChar* pText, const TChar* pEnd)
{
    // A failed parse leaves with its store, partial tree and all.
    auto pStore = std::make_unique<CTreeStore>();
    CXmlReader<TChar> reader(*this, *pStore, pText, pEnd);
    ValueNode* pRoot = reader.Parse();
    if (!pRoot)
        return false;
    m_pRoot = pRoot;
    m_pStore = std::move(pStore); // the old nodes go at once
    return true;
}

bool ValueTree::FromXml(const std::u16string& wszXML)
{
    ScopeFrame frame("VT::FXML");
    frame.WatchWithheld("wszXML", &wszXML); // a parameter document holds device passwords
    const char16_t* pText = wszXML.data();
    return Parse(pText, FindUnit(pText, pText + wszXML.size(), u'\0'));
}

bool ValueTree::FromUtf8(std::string_view szText)
{
    ScopeFrame frame("VT::FXML");
    // The bytes that decode, up to the first that decodes to NUL: the text FromXml would see.
    bool bOverlongAscii = false;
    const size_t iUsable = Utf8DecodablePrefix(szText, true, &bOverlongAscii);
    if (bOverlongAscii) {
        // Markup in overlong forms ("\xC0\xBC" is '<') is markup all the same: such a text is
        // read through its decoded form.
        const std::u16string wszText = Utf8ToUtf16(szText.substr(0, iUsable));
        return Parse(wszText.data(), wszText.data() + wszText.size());
    }
    return Parse(szText.data(), szText.data() + iUsable);
}

// ---------------------------------------------------------------------------------------------
// Writer

// Writes wide text (TOut = char16_t) or UTF-8 (TOut = char); the length is computed exactly
// first, in the same unit, so the output is allocated once.
class CXmlWriter {
public:
    template <typename TOut> static size_t Length(const ValueTree& tree, const ValueNode* pRoot);
    template <typename TOut> static void Write(const ValueTree& tree, const ValueNode* pRoot, TOut* pOut);

private:
    template <typename TOut> static size_t PlainLength(std::u16string_view wsz)
    {
        if constexpr (std::is_same_v<TOut, char16_t>)
            return wsz.size();
        else
            return Utf8LengthOf(wsz);
    }
    template <typename TOut> static TOut* Put(TOut* pOut, std::u16string_view wsz)
    {
        if constexpr (std::is_same_v<TOut, char16_t>) {
            std::memcpy(pOut, wsz.data(), wsz.size() * sizeof(char16_t));
            return pOut + wsz.size();
        } else {
            return EncodeUtf8(wsz, pOut);
        }
    }
    // Markup and entities are ASCII: the same characters in either unit.
    template <typename TOut> static TOut* PutAscii(TOut* pOut, std::string_view sz)
    {
        for (char ch : sz)
            *pOut++ = static_cast<TOut>(ch);
        return pOut;
    }
    static std::string_view SpaceReference(char16_t wch);
    static size_t LeadingSpaceCount(std::u16string_view wsz);
    template <typename TOut> static size_t EscapedLength(std::u16string_view wsz);
    template <typename TOut> static size_t TextLength(std::u16string_view wsz);
    template <typename TOut> static TOut* PutEscaped(TOut* pOut, std::u16string_view wsz);
    template <typename TOut> static TOut* PutOpening(TOut* pOut, const ValueNode* pNode);
    template <typename TOut> static TOut* PutContentEnd(TOut* pOut, const ValueNode* pNode);
};

// The reader drops the white space that starts character data, so the writer puts the white
// space that starts a text as character references, which the reader turns back into it.
std::string_view CXmlWriter::SpaceReference(char16_t wch)
{
    switch (wch) {
    case u' ': return "&#32;";
    case u'\t': return "&#9;";
    case u'\n': return "&#10;";
    default: return "&#13;";
    }
}

size_t CXmlWriter::LeadingSpaceCount(std::u16string_view wsz)
{
    size_t i = 0;
    while (i < wsz.size() && IsXmlSpace(wsz[i]))
        ++i;
    return i;
}

template <typename TOut> size_t CXmlWriter::EscapedLength(std::u16string_view wsz)
{
    size_t iLength = 0;
    for (char16_t wch : wsz)
        iLength += WrittenLength<TOut>(wch);
    return iLength;
}

template <typename TOut> size_t CXmlWriter::TextLength(std::u16string_view wsz)
{
    const size_t iLeading = LeadingSpaceCount(wsz);
    size_t iLength = 0;
    for (size_t i = 0; i < iLeading; ++i)
        iLength += SpaceReference(wsz[i]).size();
    return iLength + EscapedLength<TOut>(wsz.substr(iLeading));
}

template <typename TOut> TOut* CXmlWriter::PutEscaped(TOut* pOut, std::u16string_view wsz)
{
    for (char16_t wch : wsz) {
        if (wch < 0x80) {
            if (kEntities[wch].empty())
                *pOut++ = static_cast<TOut>(wch);
            else
                pOut = PutAscii(pOut, kEntities[wch]);
        } else if constexpr (std::is_same_v<TOut, char16_t>) {
            *pOut++ = wch;
        } else {
            pOut = EncodeUtf8(std::u16string_view(&wch, 1), pOut);
        }
    }
    return pOut;
}

// '<', name, attributes, then "/>" for an empty element or '>' otherwise.
template <typename TOut> TOut* CXmlWriter::PutOpening(TOut* pOut, const ValueNode* pNode)
{
    *pOut++ = TOut('<');
    pOut = Put(pOut, *pNode->m_pName);
    for (uint32_t i = 0; i < pNode->m_iAttributeCount; ++i) {
        const ValueNode::SAttribute& attribute = pNode->m_pAttributes[i];
        *pOut++ = TOut(' ');
        pOut = Put(pOut, *attribute.pName);
        *pOut++ = TOut('=');
        *pOut++ = TOut('"');
        pOut = PutEscaped(pOut, attribute.value.View());
        *pOut++ = TOut('"');
    }
    if (!pNode->m_pFirstChild && pNode->m_text.iLength == 0) {
        *pOut++ = TOut('/');
        *pOut++ = TOut('>');
    } else {
        *pOut++ = TOut('>');
    }
    return pOut;
}

// The text (always after the children) and the closing tag.
template <typename TOut> TOut* CXmlWriter::PutContentEnd(TOut* pOut, const ValueNode* pNode)
{
    const std::u16string_view wszText = pNode->m_text.View();
    const size_t iLeading = LeadingSpaceCount(wszText);
    for (size_t i = 0; i < iLeading; ++i)
        pOut = PutAscii(pOut, SpaceReference(wszText[i]));
    pOut = PutEscaped(pOut, wszText.substr(iLeading));
    *pOut++ = TOut('<');
    *pOut++ = TOut('/');
    pOut = Put(pOut, *pNode->m_pName);
    *pOut++ = TOut('>');
    return pOut;
}

template <typename TOut> size_t CXmlWriter::Length(const ValueTree& tree, const ValueNode* pRoot)
{
    ScopeFrame frame("VT::TXL");
    int32_t iLoopIndex = 0;
    int32_t iTotalLength = 0;
    frame.Watch("iLoopIndex", &iLoopIndex);
    frame.Watch("iTotalLength", &iTotalLength);

    size_t iTotal = tree.WithDeclaration() ? kDeclaration.size() : 0;
    // Every node is counted once, in any order: walk the tree by its links, no stack needed.
    const ValueNode* pNode = pRoot;
    while (pNode) {
        const size_t iName = PlainLength<TOut>(*pNode->m_pName);
        size_t iLength = 1 + iName;
        for (uint32_t i = 0; i < pNode->m_iAttributeCount; ++i) {
            const ValueNode::SAttribute& attribute = pNode->m_pAttributes[i];
            iLength += PlainLength<TOut>(*attribute.pName) + EscapedLength<TOut>(attribute.value.View()) + 4;
        }
        if (!pNode->m_pFirstChild && pNode->m_text.iLength == 0)
            iLength += 2;
        else
            iLength += 1 + TextLength<TOut>(pNode->m_text.View()) + iName + 3;
        iTotal += iLength;
        iLoopIndex = iLoopIndex == INT32_MAX ? iLoopIndex : iLoopIndex + 1;
        iTotalLength = int32_t(std::min<size_t>(iTotal, INT32_MAX));

        if (pNode->m_pFirstChild) {
            pNode = pNode->m_pFirstChild;
            continue;
        }
        while (pNode && pNode != pRoot && !pNode->m_pNextSibling)
            pNode = pNode->m_pParent;
        pNode = (pNode && pNode != pRoot) ? pNode->m_pNextSibling : nullptr;
    }
    return iTotal;
}

template <typename TOut> void CXmlWriter::Write(const ValueTree& tree, const ValueNode* pRoot, TOut* pOut)
{
    if (tree.WithDeclaration())
        pOut = Put(pOut, kDeclaration);
    // Depth-first by the tree's own links: down to the first child, on to the next sibling,
    // and up through the parents (closing each) when a list ends.
    const ValueNode* pNode = pRoot;
    for (;;) {
        pOut = PutOpening(pOut, pNode);
        if (pNode->m_pFirstChild) {
            pNode = pNode->m_pFirstChild;
            continue;
        }
        if (pNode->m_text.iLength != 0)
            pOut = PutContentEnd(pOut, pNode);
        while (pNode != pRoot && !pNode->m_pNextSibling) {
            pNode = pNode->m_pParent;
            pOut = PutContentEnd(pOut, pNode);
        }
        if (pNode == pRoot)
            return;
        pNode = pNode->m_pNextSibling;
    }
}

size_t ValueTree::ToXmlLength() const
{
    return m_pRoot ? CXmlWriter::Length<char16_t>(*this, m_pRoot) : 0;
}

bool ValueTree::ToXml(std::u16string& wszXml) const
{
    ScopeFrame frame("VT::TXML");
    if (!m_pRoot) {
        wszXml.clear();
        return false;
    }
    std::u16string wszOut(CXmlWriter::Length<char16_t>(*this, m_pRoot), u'\0');
    CXmlWriter::Write(*this, m_pRoot, wszOut.data());
    wszXml = std::move(wszOut);
    return true;
}

bool ValueTree::ToUtf8Xml(std::string& sXml) const
{
    ScopeFrame frame("VT::TXML");
    if (!m_pRoot) {
        sXml.clear();
        return false;
    }
    std::string sOut(CXmlWriter::Length<char>(*this, m_pRoot), '\0');
    CXmlWriter::Write(*this, m_pRoot, sOut.data());
    sXml = std::move(sOut);
    return true;
}

} // namespace kov
