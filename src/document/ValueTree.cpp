#include "document/ValueTree.h"

#include "document/FileAccess.h"
#include "support/ScopeFrame.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"

#include <algorithm>

namespace kov {

namespace {

bool ParseBool(std::u16string_view wsz)
{
    if (wsz.empty())
        return false;
    const char16_t wch = wsz.front();
    return wch == u'T' || wch == u't' || wch == u'Y' || wch == u'y';
}

constexpr std::u16string_view kTrue = u"True";
constexpr std::u16string_view kFalse = u"False";

// Declares the prefix of wszName with wszUri on pNode unless the nearest declaration of that
// prefix (on the node or an ancestor) already names the same URI.
void DeclareNamespace(ValueNode* pNode, std::u16string_view wszName, std::u16string_view wszUri)
{
    if (wszUri.empty())
        return;
    const size_t iColon = wszName.find(u':');
    const std::u16string_view wszPrefix =
        iColon == std::u16string_view::npos ? std::u16string_view() : wszName.substr(0, iColon);
    std::u16string wszDeclaration = u"xmlns";
    if (!wszPrefix.empty()) {
        wszDeclaration += u':';
        wszDeclaration += wszPrefix;
    }
    NodeRef node(pNode);
    for (; node; node = node.Parent()) {
        std::u16string wszInScope;
        if (node.GetAttribute(wszDeclaration, wszInScope)) {
            if (wszInScope == wszUri)
                return;
            break;
        }
    }
    NodeRef(pNode).SetAttribute(wszDeclaration, std::u16string_view(), wszUri);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CNamePool and ValueNode

const std::u16string* CNamePool::Intern(std::u16string_view wszName)
{
    size_t iKey = wszName.size() * 31;
    if (!wszName.empty())
        iKey += size_t(wszName.back()) * 7 + size_t(wszName[wszName.size() / 2]) * 3 +
                wszName[wszName.size() / 3];
    const std::u16string*& pCached = m_apCache[iKey % kCacheSize];
    if (pCached && *pCached == wszName)
        return pCached;
    const auto it = m_names.find(wszName);
    pCached = it != m_names.end() ? &*it : &*m_names.emplace(wszName).first;
    return pCached;
}

ValueNode::ValueNode(ValueTree* pOwner, ValueNode* pParent, const std::u16string* pName)
    : m_pName(pName), m_pOwner(pOwner), m_pParent(pParent)
{}

ValueNode::~ValueNode()
{
    // Walk the subtree as one chain: a node's children are spliced in ahead of its next
    // sibling before it is freed with no children left, so destruction depth stays one
    // however deep the document is, and nothing is allocated.
    ValueNode* pPending = m_pFirstChild;
    m_pFirstChild = m_pLastChild = nullptr;
    while (pPending) {
        ValueNode* pNode = pPending;
        if (pNode->m_pFirstChild) {
            pNode->m_pLastChild->m_pNextSibling = pNode->m_pNextSibling;
            pPending = pNode->m_pFirstChild;
            pNode->m_pFirstChild = pNode->m_pLastChild = nullptr;
        } else {
            pPending = pNode->m_pNextSibling;
        }
        delete pNode;
    }
}

CNamePool& ValueNode::Names() const
{
    return *m_pOwner->m_pNames;
}

size_t ValueNode::LowerBound(std::u16string_view wszName) const
{
    size_t iLow = 0;
    size_t iHigh = m_vAttributes.size();
    while (iLow < iHigh) {
        const size_t iMiddle = (iLow + iHigh) / 2;
        if (std::u16string_view(*m_vAttributes[iMiddle].pName) < wszName)
            iLow = iMiddle + 1;
        else
            iHigh = iMiddle;
    }
    return iLow;
}

const ValueNode::SAttribute* ValueNode::FindAttribute(std::u16string_view wszName) const
{
    const size_t i = LowerBound(wszName);
    if (i < m_vAttributes.size() && *m_vAttributes[i].pName == wszName)
        return &m_vAttributes[i];
    return nullptr;
}

void ValueNode::PutAttribute(std::u16string_view wszName, std::u16string_view wszValue)
{
    const size_t i = LowerBound(wszName);
    if (i < m_vAttributes.size() && *m_vAttributes[i].pName == wszName) {
        m_vAttributes[i].wszValue.assign(wszValue);
        return;
    }
    m_vAttributes.insert(m_vAttributes.begin() + std::ptrdiff_t(i),
                         SAttribute{Names().Intern(wszName), std::u16string(wszValue)});
}

ValueNode* ValueNode::AppendChild(const std::u16string* pName)
{
    auto* pChild = new ValueNode(m_pOwner, this, pName);
    if (m_pLastChild)
        m_pLastChild->m_pNextSibling = pChild;
    else
        m_pFirstChild = pChild;
    m_pLastChild = pChild;
    ++m_iChildCount;
    return pChild;
}

// ---------------------------------------------------------------------------------------------
// NodeRef

bool NodeRef::GetName(std::u16string& wszName) const
{
    if (!m_pNode) {
        wszName.clear();
        return false;
    }
    wszName = *m_pNode->m_pName;
    return true;
}

std::u16string_view NodeRef::Name() const
{
    return m_pNode ? std::u16string_view(*m_pNode->m_pName) : std::u16string_view();
}

bool NodeRef::NameIs(std::u16string_view wszName) const
{
    return m_pNode && *m_pNode->m_pName == wszName;
}

NodeRef NodeRef::Parent() const
{
    return NodeRef(m_pNode ? m_pNode->m_pParent : nullptr);
}

NodeRef NodeRef::FirstChild() const
{
    return NodeRef(m_pNode ? m_pNode->m_pFirstChild : nullptr);
}

NodeRef NodeRef::NextSibling() const
{
    return NodeRef(m_pNode ? m_pNode->m_pNextSibling : nullptr);
}

size_t NodeRef::ChildCount() const
{
    return m_pNode ? m_pNode->m_iChildCount : 0;
}

NodeRef NodeRef::FindChild(std::u16string_view wszName) const
{
    if (!m_pNode)
        return NodeRef();
    for (ValueNode* pChild = m_pNode->m_pFirstChild; pChild; pChild = pChild->m_pNextSibling)
        if (*pChild->m_pName == wszName)
            return NodeRef(pChild);
    return NodeRef();
}

NodeRef NodeRef::FindOrCreateChild(std::u16string_view wszName, std::u16string_view wszUri,
                                   bool bCreate) const
{
    NodeRef child = FindChild(wszName);
    if (child || !bCreate)
        return child;
    return AddChild(wszName, wszUri);
}

NodeRef NodeRef::AddChild(std::u16string_view wszName, std::u16string_view wszUri) const
{
    if (!m_pNode)
        return NodeRef();
    ValueNode* pChild = m_pNode->AppendChild(m_pNode->Names().Intern(wszName));
    DeclareNamespace(pChild, wszName, wszUri);
    return NodeRef(pChild);
}

int32_t NodeRef::RemoveChildren(std::u16string_view wszName) const
{
    if (!m_pNode)
        return 0;
    int32_t iRemoved = 0;
    ValueNode* pPrevious = nullptr;
    ValueNode* pChild = m_pNode->m_pFirstChild;
    while (pChild) {
        ValueNode* pNext = pChild->m_pNextSibling;
        if (*pChild->m_pName == wszName) {
            (pPrevious ? pPrevious->m_pNextSibling : m_pNode->m_pFirstChild) = pNext;
            if (m_pNode->m_pLastChild == pChild)
                m_pNode->m_pLastChild = pPrevious;
            --m_pNode->m_iChildCount;
            delete pChild;
            if (iRemoved < INT32_MAX)
                ++iRemoved;
        } else {
            pPrevious = pChild;
        }
        pChild = pNext;
    }
    return iRemoved;
}

bool NodeRef::GetText(std::u16string& wszText) const
{
    if (!m_pNode)
        return false;
    wszText = m_pNode->m_wszText;
    return true;
}

std::u16string_view NodeRef::Text() const
{
    return m_pNode ? std::u16string_view(m_pNode->m_wszText) : std::u16string_view();
}

bool NodeRef::SetText(std::u16string_view wszText) const
{
    if (!m_pNode)
        return false;
    m_pNode->m_wszText.assign(wszText);
    return true;
}

bool NodeRef::GetTextInt(int32_t& iValue) const
{
    if (!m_pNode)
        return false;
    iValue = ReadInt32(m_pNode->m_wszText);
    return true;
}

bool NodeRef::SetTextInt(int32_t iValue) const
{
    return m_pNode && SetText(DecimalText(iValue));
}

bool NodeRef::GetTextInt64(int64_t& iValue) const
{
    if (!m_pNode)
        return false;
    iValue = ReadInt64(m_pNode->m_wszText);
    return true;
}

bool NodeRef::SetTextInt64(int64_t iValue) const
{
    return m_pNode && SetText(DecimalText(iValue));
}

bool NodeRef::GetTextBool(bool& bValue) const
{
    if (!m_pNode)
        return false;
    bValue = ParseBool(m_pNode->m_wszText);
    return true;
}

bool NodeRef::SetTextBool(bool bValue) const
{
    return SetText(bValue ? kTrue : kFalse);
}

bool NodeRef::GetAttribute(std::u16string_view wszName, std::u16string& wszValue) const
{
    if (!m_pNode)
        return false;
    const ValueNode::SAttribute* pAttribute = m_pNode->FindAttribute(wszName);
    if (!pAttribute)
        return false;
    wszValue = pAttribute->wszValue;
    return true;
}

bool NodeRef::HasAttribute(std::u16string_view wszName) const
{
    return m_pNode && m_pNode->FindAttribute(wszName) != nullptr;
}

bool NodeRef::SetAttribute(std::u16string_view wszName, std::u16string_view /*wszUri*/,
                           std::u16string_view wszValue) const
{
    if (!m_pNode)
        return false;
    m_pNode->PutAttribute(wszName, wszValue);
    return true;
}

bool NodeRef::RemoveAttribute(std::u16string_view wszName) const
{
    if (!m_pNode)
        return false;
    const size_t i = m_pNode->LowerBound(wszName);
    auto& vAttributes = m_pNode->m_vAttributes;
    if (i >= vAttributes.size() || *vAttributes[i].pName != wszName)
        return false;
    vAttributes.erase(vAttributes.begin() + std::ptrdiff_t(i));
    return true;
}

bool NodeRef::GetAttributeInt(std::u16string_view wszName, int32_t& iValue) const
{
    const ValueNode::SAttribute* pAttribute = m_pNode ? m_pNode->FindAttribute(wszName) : nullptr;
    if (!pAttribute)
        return false;
    iValue = ReadInt32(pAttribute->wszValue);
    return true;
}

bool NodeRef::SetAttributeInt(std::u16string_view wszName, std::u16string_view wszUri, int32_t iValue) const
{
    return m_pNode && SetAttribute(wszName, wszUri, DecimalText(iValue));
}

bool NodeRef::GetAttributeBool(std::u16string_view wszName, bool& bValue) const
{
    const ValueNode::SAttribute* pAttribute = m_pNode ? m_pNode->FindAttribute(wszName) : nullptr;
    if (!pAttribute)
        return false;
    bValue = ParseBool(pAttribute->wszValue);
    return true;
}

bool NodeRef::SetAttributeBool(std::u16string_view wszName, std::u16string_view wszUri, bool bValue) const
{
    return SetAttribute(wszName, wszUri, bValue ? kTrue : kFalse);
}

size_t NodeRef::AttributeCount() const
{
    return m_pNode ? m_pNode->m_vAttributes.size() : 0;
}

std::u16string_view NodeRef::AttributeName(size_t iIndex) const
{
    if (!m_pNode || iIndex >= m_pNode->m_vAttributes.size())
        return {};
    return *m_pNode->m_vAttributes[iIndex].pName;
}

std::u16string_view NodeRef::AttributeValue(size_t iIndex) const
{
    if (!m_pNode || iIndex >= m_pNode->m_vAttributes.size())
        return {};
    return m_pNode->m_vAttributes[iIndex].wszValue;
}

// ---------------------------------------------------------------------------------------------
// ValueTree

ValueTree::ValueTree() : m_pNames(std::make_unique<CNamePool>()) {}
ValueTree::~ValueTree() = default;

NodeRef ValueTree::CreateRoot(std::u16string_view wszName, std::u16string_view wszUri)
{
    // The views may point into the content about to go.
    const std::u16string wszNameCopy(wszName);
    const std::u16string wszUriCopy(wszUri);
    // A new root starts a new generation of names.
    m_pRoot.reset();
    m_pNames = std::make_unique<CNamePool>();
    m_pRoot = std::make_unique<ValueNode>(this, nullptr, m_pNames->Intern(wszNameCopy));
    DeclareNamespace(m_pRoot.get(), wszNameCopy, wszUriCopy);
    return Root();
}

void ValueTree::Clear()
{
    m_pRoot.reset();
}

// ---------------------------------------------------------------------------------------------
// TreeRef

TreeRef::TreeRef() : m_pTree(new ValueTree)
{
    m_pTree->m_iRefCount = 1;
}

TreeRef::TreeRef(const TreeRef& other) : m_pTree(other.m_pTree)
{
    if (m_pTree)
        ++m_pTree->m_iRefCount;
}

TreeRef::TreeRef(TreeRef&& other) noexcept : m_pTree(other.m_pTree)
{
    // A moved-from handle stays valid: it keeps sharing the tree.
    if (m_pTree)
        ++m_pTree->m_iRefCount;
}

TreeRef& TreeRef::operator=(const TreeRef& other)
{
    if (m_pTree != other.m_pTree) {
        ValueTree* pOld = m_pTree;
        m_pTree = other.m_pTree;
        ++m_pTree->m_iRefCount;
        if (--pOld->m_iRefCount == 0)
            delete pOld;
    }
    return *this;
}

TreeRef& TreeRef::operator=(TreeRef&& other) noexcept
{
    return *this = static_cast<const TreeRef&>(other);
}

TreeRef::~TreeRef()
{
    Release();
}

void TreeRef::Release()
{
    if (m_pTree && --m_pTree->m_iRefCount == 0)
        delete m_pTree;
    m_pTree = nullptr;
}

NodeRef TreeRef::LoadFromFile(const std::u16string& wszPath)
{
    std::u16string wszText;
    if (!ReadTextFile(wszPath, wszText))
        wszText.clear(); // unreadable: parsed as empty text, which fails
    std::replace(wszText.begin(), wszText.end(), u'\0', u' ');
    if (!m_pTree->FromXml(wszText))
        return NodeRef();
    return Root();
}

NodeRef TreeRef::LoadFromText(const std::string& szText)
{
    int32_t iTextLength = int32_t(std::min<size_t>(szText.size(), INT32_MAX));
    ScopeFrame frame("EXML::LFT");
    frame.Watch("szText", &szText);
    frame.Watch("iTextLength", &iTextLength);
    if (!m_pTree->FromXml(Utf8ToUtf16(szText)))
        return NodeRef();
    return Root();
}

bool TreeRef::SaveToFile(const std::u16string& wszPath) const
{
    ScopeFrame frame("EXML::STF");
    std::u16string wszXml;
    if (!m_pTree->ToXml(wszXml))
        return false;
    return SaveUtf8TextFile(wszPath, wszXml, true);
}

bool TreeRef::ToUtf8(std::string& sBytes) const
{
    std::u16string wszXml;
    if (!m_pTree->ToXml(wszXml)) {
        sBytes.clear();
        return false;
    }
    sBytes = Utf16ToUtf8(wszXml);
    return true;
}

} // namespace kov
