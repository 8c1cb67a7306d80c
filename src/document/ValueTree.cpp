#include "document/ValueTree.h"

#include "document/FileAccess.h"
#include "document/TreeStore.h"
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
    for (NodeRef node(pNode); node; node = node.Parent()) {
        if (const std::optional<std::u16string_view> wszInScope = node.AttributeView(wszDeclaration)) {
            if (*wszInScope == wszUri)
                return;
            break;
        }
    }
    NodeRef(pNode).SetAttribute(wszDeclaration, std::u16string_view(), wszUri);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// ValueNode

size_t ValueNode::LowerBound(std::u16string_view wszName) const
{
    size_t iLow = 0;
    size_t iHigh = m_iAttributeCount;
    while (iLow < iHigh) {
        const size_t iMiddle = (iLow + iHigh) / 2;
        if (*m_pAttributes[iMiddle].pName < wszName)
            iLow = iMiddle + 1;
        else
            iHigh = iMiddle;
    }
    return iLow;
}

const ValueNode::SAttribute* ValueNode::FindAttribute(std::u16string_view wszName) const
{
    const size_t i = LowerBound(wszName);
    if (i < m_iAttributeCount && *m_pAttributes[i].pName == wszName)
        return &m_pAttributes[i];
    return nullptr;
}

void ValueNode::PutAttribute(std::u16string_view wszName, std::u16string_view wszValue)
{
    const size_t i = LowerBound(wszName);
    if (i < m_iAttributeCount && *m_pAttributes[i].pName == wszName) {
        m_pStore->SetText(m_pAttributes[i].value, wszValue);
        return;
    }
    SAttribute attribute{m_pStore->Intern(wszName), {}};
    m_pStore->SetText(attribute.value, wszValue); // before the block moves: the value may lie in it
    if (m_iAttributeCount == AttributeCapacity()) {
        uint32_t dwBytes = 0;
        SAttribute* pGrown =
            m_pStore->NewAttributes(std::max<size_t>(4, size_t(m_iAttributeCount) * 2), dwBytes);
        std::copy(m_pAttributes, m_pAttributes + m_iAttributeCount, pGrown);
        m_pStore->FreeAttributes(m_pAttributes, m_dwAttributeBytes);
        m_pAttributes = pGrown;
        m_dwAttributeBytes = dwBytes;
    }
    std::copy_backward(m_pAttributes + i, m_pAttributes + m_iAttributeCount,
                       m_pAttributes + m_iAttributeCount + 1);
    m_pAttributes[i] = attribute;
    ++m_iAttributeCount;
}

void ValueNode::RemoveAttributeAt(size_t iIndex)
{
    m_pStore->FreeText(m_pAttributes[iIndex].value);
    std::copy(m_pAttributes + iIndex + 1, m_pAttributes + m_iAttributeCount, m_pAttributes + iIndex);
    --m_iAttributeCount;
}

ValueNode* ValueNode::AppendChild(const std::u16string_view* pName)
{
    ValueNode* pChild = m_pStore->NewEditedNode(this, pName);
    LinkChild(pChild);
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
    wszName = m_pNode->Name();
    return true;
}

std::u16string_view NodeRef::Name() const
{
    return m_pNode ? m_pNode->Name() : std::u16string_view();
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
    size_t iCount = 0;
    for (const ValueNode* pChild = m_pNode ? m_pNode->m_pFirstChild : nullptr; pChild;
         pChild = pChild->m_pNextSibling)
        ++iCount;
    return iCount;
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
    ValueNode* pChild = m_pNode->AppendChild(m_pNode->m_pStore->Intern(wszName));
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
            m_pNode->m_pStore->FreeSubtree(pChild);
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
    wszText = m_pNode->m_text.View();
    return true;
}

std::u16string_view NodeRef::Text() const
{
    return m_pNode ? m_pNode->m_text.View() : std::u16string_view();
}

bool NodeRef::SetText(std::u16string_view wszText) const
{
    if (!m_pNode)
        return false;
    m_pNode->m_pStore->SetText(m_pNode->m_text, wszText);
    return true;
}

bool NodeRef::GetTextInt(int32_t& iValue) const
{
    if (!m_pNode)
        return false;
    iValue = ReadInt32(m_pNode->m_text.View());
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
    iValue = ReadInt64(m_pNode->m_text.View());
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
    bValue = ParseBool(m_pNode->m_text.View());
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
    wszValue = pAttribute->value.View();
    return true;
}

std::optional<std::u16string_view> NodeRef::AttributeView(std::u16string_view wszName) const
{
    const ValueNode::SAttribute* pAttribute = m_pNode ? m_pNode->FindAttribute(wszName) : nullptr;
    if (!pAttribute)
        return std::nullopt;
    return pAttribute->value.View();
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
    if (i >= m_pNode->m_iAttributeCount || *m_pNode->m_pAttributes[i].pName != wszName)
        return false;
    m_pNode->RemoveAttributeAt(i);
    return true;
}

bool NodeRef::GetAttributeInt(std::u16string_view wszName, int32_t& iValue) const
{
    const ValueNode::SAttribute* pAttribute = m_pNode ? m_pNode->FindAttribute(wszName) : nullptr;
    if (!pAttribute)
        return false;
    iValue = ReadInt32(pAttribute->value.View());
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
    bValue = ParseBool(pAttribute->value.View());
    return true;
}

bool NodeRef::SetAttributeBool(std::u16string_view wszName, std::u16string_view wszUri, bool bValue) const
{
    return SetAttribute(wszName, wszUri, bValue ? kTrue : kFalse);
}

size_t NodeRef::AttributeCount() const
{
    return m_pNode ? m_pNode->m_iAttributeCount : 0;
}

std::u16string_view NodeRef::AttributeName(size_t iIndex) const
{
    if (!m_pNode || iIndex >= m_pNode->m_iAttributeCount)
        return {};
    return *m_pNode->m_pAttributes[iIndex].pName;
}

std::u16string_view NodeRef::AttributeValue(size_t iIndex) const
{
    if (!m_pNode || iIndex >= m_pNode->m_iAttributeCount)
        return {};
    return m_pNode->m_pAttributes[iIndex].value.View();
}

// ---------------------------------------------------------------------------------------------
// ValueTree

ValueTree::ValueTree() = default;
ValueTree::~ValueTree() = default;

NodeRef ValueTree::CreateRoot(std::u16string_view wszName, std::u16string_view wszUri)
{
    // The views may point into the content being replaced: it goes only on return.
    const std::unique_ptr<CTreeStore> pOld = std::move(m_pStore);
    m_pStore = std::make_unique<CTreeStore>();
    m_pRoot = m_pStore->NewNode(nullptr, m_pStore->Intern(wszName));
    DeclareNamespace(m_pRoot, wszName, wszUri);
    return Root();
}

size_t ValueTree::MemoryUsed() const
{
    return m_pStore ? m_pStore->BytesHeld() : 0;
}

void ValueTree::Clear()
{
    m_pRoot = nullptr;
    m_pStore.reset();
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
    frame.WatchWithheld("szText", &szText); // a device document holds its passwords
    frame.Watch("iTextLength", &iTextLength);
    if (!m_pTree->FromUtf8(szText))
        return NodeRef();
    return Root();
}

bool TreeRef::SaveToFile(const std::u16string& wszPath, IFileSystem& fileSystem) const
{
    ScopeFrame frame("EXML::STF");
    std::u16string wszXml;
    if (!m_pTree->ToXml(wszXml))
        return false;
    return SaveUtf8TextFile(fileSystem, wszPath, wszXml, true);
}

bool TreeRef::ToUtf8(std::string& sBytes) const
{
    return m_pTree->ToUtf8Xml(sBytes);
}

} // namespace kov
