#pragma once
// In-memory parameter documents: a tree of elements with qualified names, ordered attributes,
// ordered children and one text value each. Names are kept exactly as written and compared
// exactly; namespaces are declared but never resolved.
#include "document/Namespace.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace kov {

class ValueTree;
class NodeRef;

// The distinct element and attribute names of one tree generation. Nodes point at their
// name here instead of owning a copy: documents repeat a few dozen names many thousand times.
class CNamePool {
public:
    const std::u16string* Intern(std::u16string_view wszName);

private:
    struct SHash {
        using is_transparent = void;
        size_t operator()(std::u16string_view wsz) const { return std::hash<std::u16string_view>()(wsz); }
    };
    struct SEqual {
        using is_transparent = void;
        bool operator()(std::u16string_view a, std::u16string_view b) const { return a == b; }
    };
    std::unordered_set<std::u16string, SHash, SEqual> m_names;
    // Recently interned names by a cheap key: most lookups end here without hashing the name.
    static constexpr size_t kCacheSize = 256;
    const std::u16string* m_apCache[kCacheSize] = {};
};

// One element. Owned by its parent (the root by its tree); reached through NodeRef.
class ValueNode {
public:
    ValueNode(ValueTree* pOwner, ValueNode* pParent, const std::u16string* pName);
    ~ValueNode(); // iterative: a deep subtree is freed without deep recursion
    ValueNode(const ValueNode&) = delete;
    ValueNode& operator=(const ValueNode&) = delete;

private:
    friend class NodeRef;
    friend class ValueTree;
    friend class CXmlReader;
    friend class CXmlWriter;

    struct SAttribute {
        const std::u16string* pName;
        std::u16string wszValue;
    };

    // Index of the first attribute whose name is not less than wszName.
    size_t LowerBound(std::u16string_view wszName) const;
    const SAttribute* FindAttribute(std::u16string_view wszName) const;
    // Inserts or replaces the value.
    void PutAttribute(std::u16string_view wszName, std::u16string_view wszValue);
    // Links a new last child (the caller has interned its name).
    ValueNode* AppendChild(const std::u16string* pName);
    CNamePool& Names() const;

    const std::u16string* m_pName;
    std::u16string m_wszText;
    std::vector<SAttribute> m_vAttributes; // sorted by name, code unit order, unique names
    // Children are an owned singly linked list, in order; siblings walk the live list.
    ValueNode* m_pFirstChild = nullptr;
    ValueNode* m_pLastChild = nullptr;
    ValueNode* m_pNextSibling = nullptr;
    size_t m_iChildCount = 0;
    ValueTree* m_pOwner;
    ValueNode* m_pParent;
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
    size_t ChildCount() const;
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

    NodeRef Root() const { return NodeRef(m_pRoot.get()); }
    // Replaces the root (destroying the old nodes) and declares the name's prefix with wszUri.
    NodeRef CreateRoot(std::u16string_view wszName, std::u16string_view wszUri = kKovNamespaceUri);
    // Drops the root and every node.
    void Clear();
    bool WithDeclaration() const { return m_bWithDeclaration; }
    void SetWithDeclaration(bool bWith) { m_bWithDeclaration = bWith; }

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
    friend class CXmlReader;
    friend class ValueNode;
    // Declared before the root so the nodes go first.
    std::unique_ptr<CNamePool> m_pNames;
    std::unique_ptr<ValueNode> m_pRoot;
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
    bool SaveToFile(const std::u16string& wszPath) const;
    // The document as UTF-8 without a mark, as sent to a device. False (sBytes cleared)
    // when there is no root.
    bool ToUtf8(std::string& sBytes) const;

private:
    void Release();
    ValueTree* m_pTree;
};

} // namespace kov
