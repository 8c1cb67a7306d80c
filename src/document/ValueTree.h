#pragma once
// In-memory parameter documents: a tree of elements with qualified names, ordered attributes,
// ordered children and one text value each. Names are kept exactly as written and compared
// exactly; namespaces are declared but never resolved.
#include "document/Namespace.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kov {

class ValueTree;
class NodeRef;
class CTreeStore;
template <typename TChar> class CXmlReader;

// One element. Lives in its tree's store (see TreeStore.h), which releases every node of a
// tree at once; reached through NodeRef.
class ValueNode {
public:
    ValueNode(const ValueNode&) = delete;
    ValueNode& operator=(const ValueNode&) = delete;

private:
    friend class NodeRef;
    friend class ValueTree;
    friend class CTreeStore;
    template <typename TChar> friend class CXmlReader;
    friend class CXmlWriter;

    // Text in the store: iLength units at p, room for iCapacity.
    struct SText {
        char16_t* p = nullptr;
        uint32_t iLength = 0;
        uint32_t iCapacity = 0;
        std::u16string_view View() const { return std::u16string_view(p, iLength); }
    };
    struct SAttribute {
        const std::u16string_view* pName; // interned
        SText value;
    };

    ValueNode(CTreeStore* pStore, ValueNode* pParent, const std::u16string_view* pName)
        : m_pName(pName), m_pParent(pParent), m_pStore(pStore)
    {}
    ~ValueNode() = default; // never run: the store releases nodes wholesale

    std::u16string_view Name() const { return *m_pName; }
    // Index of the first attribute whose name is not less than wszName.
    size_t LowerBound(std::u16string_view wszName) const;
    const SAttribute* FindAttribute(std::u16string_view wszName) const;
    // Inserts or replaces the value.
    void PutAttribute(std::u16string_view wszName, std::u16string_view wszValue);
    void RemoveAttributeAt(size_t iIndex);
    // Links a new last child.
    ValueNode* AppendChild(const std::u16string_view* pName);
    void LinkChild(ValueNode* pChild)
    {
        if (m_pLastChild)
            m_pLastChild->m_pNextSibling = pChild;
        else
            m_pFirstChild = pChild;
        m_pLastChild = pChild;
    }

    const std::u16string_view* m_pName; // interned in the store
    SText m_text;
    SAttribute* m_pAttributes = nullptr; // sorted by name, code unit order, unique names
    uint32_t m_iAttributeCount = 0;
    uint32_t m_dwAttributeBytes = 0; // size of the block, which a free list may take back whole
    uint32_t AttributeCapacity() const { return m_dwAttributeBytes / sizeof(SAttribute); }
    // Children are a singly linked list, in order; siblings walk the live list.
    ValueNode* m_pFirstChild = nullptr;
    ValueNode* m_pLastChild = nullptr;
    ValueNode* m_pNextSibling = nullptr;
    ValueNode* m_pParent;
    CTreeStore* m_pStore;
};

// A nullable handle to an element. Does not keep the tree alive. Every operation on an
// empty handle fails softly: false, 0 or an empty handle, and nothing is written.
class NodeRef {
public:
    NodeRef() = default;
    explicit NodeRef(ValueNode* pNode) : m_pNode(pNode) {}

    bool IsEmpty() const { return m_pNode == nullptr; }
    explicit operator bool() const { return m_pNode != nullptr; }
    ValueNode* Get() const { return m_pNode; }
    friend bool operator==(const NodeRef&, const NodeRef&) = default;

    // Name
    bool GetName(std::u16string& wszName) const; // cleared and false for an empty handle
    std::u16string_view Name() const;            // empty for an empty handle
    bool NameIs(std::u16string_view wszName) const;

    // Navigation and structure
    NodeRef Parent() const;
    NodeRef FirstChild() const;
    NodeRef NextSibling() const;
    size_t ChildCount() const; // counts the list
    NodeRef FindChild(std::u16string_view wszName) const;
    NodeRef FindOrCreateChild(std::u16string_view wszName, std::u16string_view wszUri, bool bCreate) const;
    NodeRef AddChild(std::u16string_view wszName, std::u16string_view wszUri = kKovNamespaceUri) const;
    int32_t RemoveChildren(std::u16string_view wszName) const;

    // Text value
    bool GetText(std::u16string& wszText) const;
    std::u16string_view Text() const; // empty for an empty handle
    bool SetText(std::u16string_view wszText) const;
    bool GetTextInt(int32_t& iValue) const;
    bool SetTextInt(int32_t iValue) const;
    bool GetTextInt64(int64_t& iValue) const;
    bool SetTextInt64(int64_t iValue) const;
    bool GetTextBool(bool& bValue) const;
    bool SetTextBool(bool bValue) const;

    // Attributes. The URI of SetAttribute is accepted for symmetry and not used: attribute
    // names carry their prefix and never get a declaration of their own.
    bool GetAttribute(std::u16string_view wszName, std::u16string& wszValue) const;
    // The value without a copy; valid until the attribute or its node changes.
    std::optional<std::u16string_view> AttributeView(std::u16string_view wszName) const;
    bool HasAttribute(std::u16string_view wszName) const;
    bool SetAttribute(std::u16string_view wszName, std::u16string_view wszUri,
                      std::u16string_view wszValue) const;
    bool RemoveAttribute(std::u16string_view wszName) const;
    bool GetAttributeInt(std::u16string_view wszName, int32_t& iValue) const;
    bool SetAttributeInt(std::u16string_view wszName, std::u16string_view wszUri, int32_t iValue) const;
    bool GetAttributeBool(std::u16string_view wszName, bool& bValue) const;
    bool SetAttributeBool(std::u16string_view wszName, std::u16string_view wszUri, bool bValue) const;

    // Attributes in ascending name order, for walking them all (e.g. merging documents).
    size_t AttributeCount() const;
    std::u16string_view AttributeName(size_t iIndex) const;  // empty when out of range
    std::u16string_view AttributeValue(size_t iIndex) const; // empty when out of range

private:
    ValueNode* m_pNode = nullptr;
};

// One document. Normally held through TreeRef; may also live on its own.
class ValueTree {
public:
    ValueTree();
    ~ValueTree();
    ValueTree(const ValueTree&) = delete;
    ValueTree& operator=(const ValueTree&) = delete;

    NodeRef Root() const { return NodeRef(m_pRoot); }
    // Replaces the root (destroying the old nodes) and declares the name's prefix with wszUri.
    NodeRef CreateRoot(std::u16string_view wszName, std::u16string_view wszUri = kKovNamespaceUri);
    // Drops the root and every node.
    void Clear();
    bool WithDeclaration() const { return m_bWithDeclaration; }
    void SetWithDeclaration(bool bWith) { m_bWithDeclaration = bWith; }

    // Memory held by the tree's nodes, names and texts.
    size_t MemoryUsed() const;

    // Parses wszXML (up to its first NUL). On success replaces the root; on failure the tree
    // keeps its root. The declaration flag is set on meeting an instruction, even if the
    // parse fails afterwards.
    bool FromXml(const std::u16string& wszXML);
    // One-line XML text of the tree; false (and wszXml cleared) when there is no root.
    bool ToXml(std::u16string& wszXml) const;
    // The exact length ToXml produces; 0 without a root.
    size_t ToXmlLength() const;

private:
    friend class TreeRef;
    template <typename TChar> friend class CXmlReader;
    // Parses [pText, pEnd), which holds no NUL, of UTF-16 units or of UTF-8 bytes that decode
    // whole; the tree changes only on success.
    template <typename TChar> bool Parse(const TChar* pText, const TChar* pEnd);
    // UTF-8 read as Utf8ToUtf16 would decode it, without the wide copy.
    bool FromUtf8(std::string_view szText);
    // ToXml's text encoded as UTF-8, written as such.
    bool ToUtf8Xml(std::string& sXml) const;

    // Every node, name and text of the tree; released as one when the root is replaced.
    std::unique_ptr<CTreeStore> m_pStore;
    ValueNode* m_pRoot = nullptr;
    bool m_bWithDeclaration = false;
    int32_t m_iRefCount = 0; // TreeRef handles; not atomic, trees belong to one thread
};

// A counted handle to a tree. A new TreeRef makes a new empty tree; copies share it; the tree
// is destroyed with its last handle.
class TreeRef {
public:
    TreeRef();
    TreeRef(const TreeRef& other);
    TreeRef(TreeRef&& other) noexcept;
    TreeRef& operator=(const TreeRef& other);
    TreeRef& operator=(TreeRef&& other) noexcept;
    ~TreeRef();

    ValueTree& operator*() const { return *m_pTree; }
    ValueTree* operator->() const { return m_pTree; }
    ValueTree* Get() const { return m_pTree; }

    NodeRef Root() const { return m_pTree->Root(); }
    NodeRef CreateRoot(std::u16string_view wszName, std::u16string_view wszUri = kKovNamespaceUri)
    {
        return m_pTree->CreateRoot(wszName, wszUri);
    }

    // Reads a text file in any detected encoding, turns NULs into spaces and parses it.
    // The new root, or empty on failure (the tree then keeps its previous content).
    NodeRef LoadFromFile(const std::u16string& wszPath);
    // Decodes UTF-8 text and parses it. The new root, or empty on failure.
    NodeRef LoadFromText(const std::string& szText);
    // Writes the document as UTF-8 with the UTF-8 mark, replacing the file. True only when
    // everything was written; false when there is no root.
    bool SaveToFile(const std::u16string& wszPath, IFileSystem& fileSystem = SystemFileSystem()) const;
    // The document as UTF-8 without a mark, as sent to a device. False (sBytes cleared)
    // when there is no root.
    bool ToUtf8(std::string& sBytes) const;

private:
    void Release();
    ValueTree* m_pTree;
};

} // namespace kov
