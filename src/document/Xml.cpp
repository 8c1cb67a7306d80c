// XML text reader and writer of value trees: the small dialect parameter documents use
// (elements, attributes, character data, instructions read for presence, a fixed entity set).
// Both directions walk the tree without recursion, so depth is bounded only by memory.
#include "document/ValueTree.h"

#include "support/ScopeFrame.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace kov {

namespace {

inline bool IsXmlSpace(char16_t wch)
{
    return wch == u' ' || wch == u'\n' || wch == u'\r' || wch == u'\t';
}

inline bool StartsWith(std::u16string_view wsz, size_t iAt, std::u16string_view wszWhat)
{
    return wsz.size() - iAt >= wszWhat.size() && wsz.compare(iAt, wszWhat.size(), wszWhat) == 0;
}

// Entity length of each character when escaped; 0 for characters written unchanged.
inline size_t EscapedLength(char16_t wch)
{
    switch (wch) {
    case u'\0':
    case u'"':
    case u'\'': return 6;
    case u'&': return 5;
    case u'<':
    case u'>': return 4;
    default: return 1;
    }
}

inline bool NeedsEscape(char16_t wch)
{
    return wch == u'\0' || wch == u'"' || wch == u'\'' || wch == u'&' || wch == u'<' || wch == u'>';
}

size_t EscapedLength(std::u16string_view wsz)
{
    size_t iLength = 0;
    for (char16_t wch : wsz)
        iLength += EscapedLength(wch);
    return iLength;
}

// The reader drops the white space that starts character data, so the writer puts the white
// space that starts a text as character references, which the reader turns back into it.
std::u16string_view SpaceReference(char16_t wch)
{
    switch (wch) {
    case u' ': return u"&#32;";
    case u'\t': return u"&#9;";
    case u'\n': return u"&#10;";
    case u'\r': return u"&#13;";
    default: return {};
    }
}

size_t LeadingSpaceCount(std::u16string_view wsz)
{
    size_t i = 0;
    while (i < wsz.size() && IsXmlSpace(wsz[i]))
        ++i;
    return i;
}

size_t TextLength(std::u16string_view wsz)
{
    const size_t iLeading = LeadingSpaceCount(wsz);
    size_t iLength = 0;
    for (size_t i = 0; i < iLeading; ++i)
        iLength += SpaceReference(wsz[i]).size();
    return iLength + EscapedLength(wsz.substr(iLeading));
}

constexpr std::u16string_view kDeclaration = u"<?xml version='1.0' encoding='UTF-8'?>";

} // namespace

// ---------------------------------------------------------------------------------------------
// Reader

class CXmlReader {
public:
    CXmlReader(ValueTree& tree, CNamePool& names, std::u16string_view wszText)
        : m_tree(tree), m_names(names), m_wsz(wszText)
    {}

    // The parsed root, or null when the text is not well-formed.
    std::unique_ptr<ValueNode> Parse();

private:
    void Skip()
    {
        while (m_iAt < m_wsz.size() && IsXmlSpace(m_wsz[m_iAt]))
            ++m_iAt;
    }
    bool AtEnd() const { return m_iAt >= m_wsz.size(); }
    bool ReadAttributes(ValueNode* pNode, bool bInstruction);
    static void SortAttributes(std::vector<ValueNode::SAttribute>& vAttributes);
    // Appends the raw run [iBegin, iEnd) with its entities decoded.
    void DecodeInto(size_t iBegin, size_t iEnd, std::u16string& wszOut);
    size_t NextSemicolon(size_t iFrom, size_t iEnd);

    ValueTree& m_tree;
    CNamePool& m_names; // the new generation's names; the tree takes them on success
    std::u16string_view m_wsz;
    size_t m_iAt = 0;
    // Where the last search for ';' ended, so runs full of "&#" stay linear.
    size_t m_iSemicolonFrom = 0;
    size_t m_iSemicolonAt = 0;
    size_t m_iSemicolonEnd = SIZE_MAX;
    std::vector<ValueNode::SAttribute> m_vAttributes; // the tag being read, in reading order
};

size_t CXmlReader::NextSemicolon(size_t iFrom, size_t iEnd)
{
    // Reuse the previous answer while it still lies ahead within the same run.
    if (iEnd == m_iSemicolonEnd && iFrom >= m_iSemicolonFrom && iFrom <= m_iSemicolonAt)
        return m_iSemicolonAt;
    size_t i = iFrom;
    while (i < iEnd && m_wsz[i] != u';')
        ++i;
    m_iSemicolonFrom = iFrom;
    m_iSemicolonAt = i; // iEnd: none in this run
    m_iSemicolonEnd = iEnd;
    return i;
}

void CXmlReader::DecodeInto(size_t iBegin, size_t iEnd, std::u16string& wszOut)
{
    const char16_t* pRun = m_wsz.data();
    size_t i = iBegin;
    while (i < iEnd) {
        // Copy plain stretches in one go.
        size_t iPlain = i;
        while (iPlain < iEnd && pRun[iPlain] != u'&')
            ++iPlain;
        wszOut.append(pRun + i, iPlain - i);
        i = iPlain;
        if (i >= iEnd)
            break;

        const std::u16string_view wszRest(pRun + i + 1, iEnd - i - 1);
        struct SNamed {
            std::u16string_view wszName;
            char16_t wch;
        };
        static constexpr SNamed kNamed[] = {{u"gt;", u'>'},   {u"lt;", u'<'},    {u"amp;", u'&'},
                                            {u"quot;", u'"'}, {u"apos;", u'\''}, {u"null;", u'\0'}};
        bool bDone = false;
        for (const SNamed& named : kNamed) {
            if (wszRest.substr(0, named.wszName.size()) == named.wszName) {
                wszOut.push_back(named.wch);
                i += 1 + named.wszName.size();
                bDone = true;
                break;
            }
        }
        if (bDone)
            continue;

        if (!wszRest.empty() && wszRest.front() == u'#') {
            const size_t iSemicolon = NextSemicolon(i + 2, iEnd);
            if (iSemicolon < iEnd) {
                uint32_t uValue = 0;
                size_t k = i + 2;
                if (k < iSemicolon && (pRun[k] == u'x' || pRun[k] == u'X')) {
                    for (++k; k < iSemicolon; ++k) {
                        const char16_t wch = pRun[k];
                        uint32_t uDigit;
                        if (wch >= u'0' && wch <= u'9')
                            uDigit = uint32_t(wch - u'0');
                        else if (wch >= u'A' && wch <= u'F')
                            uDigit = uint32_t(wch - u'A' + 10);
                        else if (wch >= u'a' && wch <= u'f')
                            uDigit = uint32_t(wch - u'a' + 10);
                        else {
                            uValue = 0xFFFFFFFFu;
                            break;
                        }
                        uValue = (uValue << 4) | uDigit;
                    }
                } else {
                    // Unsigned decimal up to the first non-digit, saturating like wcstoul.
                    for (; k < iSemicolon && pRun[k] >= u'0' && pRun[k] <= u'9'; ++k) {
                        const uint32_t uDigit = uint32_t(pRun[k] - u'0');
                        uValue = uValue > (0xFFFFFFFFu - uDigit) / 10 ? 0xFFFFFFFFu : uValue * 10 + uDigit;
                    }
                }
                if (uValue >= 0x10000 && uValue <= 0x10FFFF) {
                    // Beyond the first plane: the character's surrogate pair.
                    wszOut.push_back(char16_t(0xD800 + ((uValue - 0x10000) >> 10)));
                    wszOut.push_back(char16_t(0xDC00 + (uValue & 0x3FF)));
                } else {
                    wszOut.push_back(char16_t(uValue & 0xFFFFu));
                }
                i = iSemicolon + 1;
                continue;
            }
        }
        // Not an entity: the ampersand stands for itself.
        wszOut.push_back(u'&');
        ++i;
    }
}

// Orders the attributes read from one tag by name; of a repeated name the first value stays.
// Sorting once keeps tags with very many attributes at n log n.
void CXmlReader::SortAttributes(std::vector<ValueNode::SAttribute>& vAttributes)
{
    const auto byName = [](const ValueNode::SAttribute& a, const ValueNode::SAttribute& b) {
        return *a.pName < *b.pName;
    };
    if (std::adjacent_find(vAttributes.begin(), vAttributes.end(), [](const auto& a, const auto& b) {
            return !(*a.pName < *b.pName);
        }) == vAttributes.end())
        return; // already strictly ascending: the usual case for written documents
    std::stable_sort(vAttributes.begin(), vAttributes.end(), byName);
    // Names are interned, so equal names are the same pointer.
    const auto itEnd = std::unique(vAttributes.begin(), vAttributes.end(),
                                   [](const auto& a, const auto& b) { return a.pName == b.pName; });
    vAttributes.erase(itEnd, vAttributes.end());
}

bool CXmlReader::ReadAttributes(ValueNode* pNode, bool bInstruction)
{
    const size_t n = m_wsz.size();
    for (;;) {
        Skip();
        if (AtEnd())
            return false;
        const char16_t wch = m_wsz[m_iAt];
        if (wch == u'/' || wch == u'>' || (bInstruction && wch == u'?')) {
            if (pNode && !m_vAttributes.empty()) {
                SortAttributes(m_vAttributes);
                // One exactly sized block per element.
                pNode->m_vAttributes.assign(std::make_move_iterator(m_vAttributes.begin()),
                                            std::make_move_iterator(m_vAttributes.end()));
            }
            m_vAttributes.clear();
            return true;
        }

        const size_t iNameBegin = m_iAt;
        while (m_iAt < n && m_wsz[m_iAt] != u'=' && !IsXmlSpace(m_wsz[m_iAt]))
            ++m_iAt;
        if (AtEnd())
            return false;
        const std::u16string_view wszName = m_wsz.substr(iNameBegin, m_iAt - iNameBegin);
        if (m_wsz[m_iAt] != u'=') {
            Skip();
            if (AtEnd() || m_wsz[m_iAt] != u'=')
                return false;
        }
        ++m_iAt;
        Skip();
        if (AtEnd() || (m_wsz[m_iAt] != u'"' && m_wsz[m_iAt] != u'\''))
            return false;
        const char16_t wchQuote = m_wsz[m_iAt++];
        const size_t iValueBegin = m_iAt;
        const size_t iQuote = m_wsz.find(wchQuote, iValueBegin);
        if (iQuote == std::u16string_view::npos)
            return false;

        // Collected in reading order; ordered once the tag is complete (see SortAttributes).
        ValueNode::SAttribute& attribute = m_vAttributes.emplace_back();
        attribute.pName = m_names.Intern(wszName);
        DecodeInto(iValueBegin, iQuote, attribute.wszValue);
        m_iAt = iQuote + 1;
        Skip();
        if (AtEnd())
            return false;
    }
}

std::unique_ptr<ValueNode> CXmlReader::Parse()
{
    std::unique_ptr<ValueNode> pRoot;
    ValueNode* pOpen = nullptr;
    const size_t n = m_wsz.size();
    for (;;) {
        Skip();
        if (AtEnd()) {
            if (pRoot && !pOpen)
                return pRoot;
            return nullptr;
        }
        if (m_wsz[m_iAt] == u'<') {
            ++m_iAt;
            const bool bInstruction = m_iAt < n && m_wsz[m_iAt] == u'?';
            const bool bClosing = m_iAt < n && m_wsz[m_iAt] == u'/';
            if (bClosing)
                ++m_iAt;
            const size_t iNameBegin = m_iAt;
            while (m_iAt < n && m_wsz[m_iAt] != u'/' && m_wsz[m_iAt] != u'>' && !IsXmlSpace(m_wsz[m_iAt]))
                ++m_iAt;
            if (m_iAt == iNameBegin || AtEnd())
                return nullptr;
            const std::u16string_view wszName = m_wsz.substr(iNameBegin, m_iAt - iNameBegin);

            if (bInstruction) {
                if (!ReadAttributes(nullptr, true) || !StartsWith(m_wsz, m_iAt, u"?>"))
                    return nullptr;
                m_tree.m_bWithDeclaration = true;
                m_iAt += 2;
            } else if (bClosing) {
                if (!pOpen || m_wsz[m_iAt] != u'>' || *pOpen->m_pName != wszName)
                    return nullptr;
                pOpen = pOpen->m_pParent;
                ++m_iAt;
            } else {
                ValueNode* pNode;
                if (!pOpen) {
                    if (pRoot)
                        return nullptr; // a second top-level element
                    pRoot = std::make_unique<ValueNode>(&m_tree, nullptr, m_names.Intern(wszName));
                    pNode = pRoot.get();
                } else {
                    pNode = pOpen->AppendChild(m_names.Intern(wszName));
                }
                if (!ReadAttributes(pNode, false))
                    return nullptr;
                if (StartsWith(m_wsz, m_iAt, u"/>")) {
                    m_iAt += 2;
                } else if (m_wsz[m_iAt] == u'>') {
                    pOpen = pNode;
                    ++m_iAt;
                } else {
                    return nullptr;
                }
            }
        } else {
            if (!pOpen)
                return nullptr; // character data outside the root
            const size_t iLess = m_wsz.find(u'<', m_iAt);
            if (iLess == std::u16string_view::npos)
                return nullptr;
            DecodeInto(m_iAt, iLess, pOpen->m_wszText);
            m_iAt = iLess;
        }
    }
}

bool ValueTree::FromXml(const std::u16string& wszXML)
{
    ScopeFrame frame("VT::FXML");
    frame.Watch("wszXML", &wszXML);
    std::u16string_view wszText(wszXML);
    wszText = wszText.substr(0, wszText.find(u'\0'));
    // The names outlive the nodes built from them, on failure as on success.
    auto pNames = std::make_unique<CNamePool>();
    CXmlReader reader(*this, *pNames, wszText);
    std::unique_ptr<ValueNode> pRoot = reader.Parse();
    if (!pRoot)
        return false;           // the partial tree is already gone
    m_pRoot = std::move(pRoot); // the old nodes go before their names
    m_pNames = std::move(pNames);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writer

class CXmlWriter {
public:
    static size_t Length(const ValueTree& tree, const ValueNode* pRoot);
    static void Write(const ValueTree& tree, const ValueNode* pRoot, char16_t* pOut);

private:
    static char16_t* Put(char16_t* pOut, std::u16string_view wsz)
    {
        std::memcpy(pOut, wsz.data(), wsz.size() * sizeof(char16_t));
        return pOut + wsz.size();
    }
    static char16_t* PutEscaped(char16_t* pOut, std::u16string_view wsz);
    static char16_t* PutOpening(char16_t* pOut, const ValueNode* pNode);
    static char16_t* PutContentEnd(char16_t* pOut, const ValueNode* pNode);
};

char16_t* CXmlWriter::PutEscaped(char16_t* pOut, std::u16string_view wsz)
{
    for (char16_t wch : wsz) {
        if (!NeedsEscape(wch)) {
            *pOut++ = wch;
            continue;
        }
        switch (wch) {
        case u'\0': pOut = Put(pOut, u"&null;"); break;
        case u'"': pOut = Put(pOut, u"&quot;"); break;
        case u'\'': pOut = Put(pOut, u"&apos;"); break;
        case u'&': pOut = Put(pOut, u"&amp;"); break;
        case u'<': pOut = Put(pOut, u"&lt;"); break;
        default: pOut = Put(pOut, u"&gt;"); break;
        }
    }
    return pOut;
}

// '<', name, attributes, then "/>" for an empty element or '>' otherwise.
char16_t* CXmlWriter::PutOpening(char16_t* pOut, const ValueNode* pNode)
{
    *pOut++ = u'<';
    pOut = Put(pOut, *pNode->m_pName);
    for (const auto& attribute : pNode->m_vAttributes) {
        *pOut++ = u' ';
        pOut = Put(pOut, *attribute.pName);
        *pOut++ = u'=';
        *pOut++ = u'"';
        pOut = PutEscaped(pOut, attribute.wszValue);
        *pOut++ = u'"';
    }
    if (!pNode->m_pFirstChild && pNode->m_wszText.empty()) {
        *pOut++ = u'/';
        *pOut++ = u'>';
    } else {
        *pOut++ = u'>';
    }
    return pOut;
}

// The text (always after the children) and the closing tag.
char16_t* CXmlWriter::PutContentEnd(char16_t* pOut, const ValueNode* pNode)
{
    const std::u16string_view wszText(pNode->m_wszText);
    const size_t iLeading = LeadingSpaceCount(wszText);
    for (size_t i = 0; i < iLeading; ++i)
        pOut = Put(pOut, SpaceReference(wszText[i]));
    pOut = PutEscaped(pOut, wszText.substr(iLeading));
    *pOut++ = u'<';
    *pOut++ = u'/';
    pOut = Put(pOut, *pNode->m_pName);
    *pOut++ = u'>';
    return pOut;
}

size_t CXmlWriter::Length(const ValueTree& tree, const ValueNode* pRoot)
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
        const size_t iName = pNode->m_pName->size();
        size_t iLength = 1 + iName;
        for (const auto& attribute : pNode->m_vAttributes)
            iLength += attribute.pName->size() + EscapedLength(attribute.wszValue) + 4;
        if (!pNode->m_pFirstChild && pNode->m_wszText.empty())
            iLength += 2;
        else
            iLength += 1 + TextLength(pNode->m_wszText) + iName + 3;
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

void CXmlWriter::Write(const ValueTree& tree, const ValueNode* pRoot, char16_t* pOut)
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
        if (!pNode->m_wszText.empty())
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
    return m_pRoot ? CXmlWriter::Length(*this, m_pRoot.get()) : 0;
}

bool ValueTree::ToXml(std::u16string& wszXml) const
{
    ScopeFrame frame("VT::TXML");
    if (!m_pRoot) {
        wszXml.clear();
        return false;
    }
    std::u16string wszOut(CXmlWriter::Length(*this, m_pRoot.get()), u'\0');
    CXmlWriter::Write(*this, m_pRoot.get(), wszOut.data());
    wszXml = std::move(wszOut);
    return true;
}

} // namespace kov
