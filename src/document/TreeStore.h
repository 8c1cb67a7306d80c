#pragma once
// The memory of one value tree: nodes, interned names, attribute blocks and texts carved out
// of large blocks, all released together with the store. Reading a document allocates by
// bumping a pointer; pieces that editing gives up (replaced texts, grown attribute blocks,
// removed subtrees) are kept in free lists by size and handed out again, so a document that
// is stored into over and over does not grow.
#include "document/ValueTree.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>
#include <vector>

namespace kov {

class CTreeStore {
public:
    CTreeStore() = default;
    ~CTreeStore();
    CTreeStore(const CTreeStore&) = delete;
    CTreeStore& operator=(const CTreeStore&) = delete;

    // Longest text or attribute block a node holds (lengths are 32-bit).
    static constexpr size_t kMaxUnits = UINT32_MAX;

    // iBytes at an 8-byte boundary, from the current block.
    void* Allocate(size_t iBytes)
    {
        const size_t iPad = static_cast<size_t>(-reinterpret_cast<uintptr_t>(m_pAt)) & 7;
        if (iBytes + iPad <= static_cast<size_t>(m_pEnd - m_pAt)) {
            char* p = m_pAt + iPad;
            m_pAt = p + iBytes;
            return p;
        }
        return AllocateSlow(iBytes);
    }
    // iCount units at a 2-byte boundary (every piece is a whole number of units long).
    char16_t* AllocateUnits(size_t iCount)
    {
        const size_t iBytes = iCount * sizeof(char16_t);
        if (iBytes <= static_cast<size_t>(m_pEnd - m_pAt)) {
            auto* p = reinterpret_cast<char16_t*>(m_pAt);
            m_pAt += iBytes;
            return p;
        }
        return static_cast<char16_t*>(AllocateSlow(iBytes));
    }
    // Gives back the units past iUsed of the text just allocated at p with iAllocated units;
    // the text may move (a large text gets an exact block of its own).
    char16_t* Trim(char16_t* p, size_t iAllocated, size_t iUsed)
    {
        if (reinterpret_cast<char*>(p + iAllocated) == m_pAt) {
            m_pAt = reinterpret_cast<char*>(p + iUsed);
            return p;
        }
        return TrimOwnBlock(p, iAllocated, iUsed);
    }

    ValueNode* NewNode(ValueNode* pParent, const std::u16string_view* pName)
    {
        return new (Allocate(sizeof(ValueNode))) ValueNode(this, pParent, pName);
    }

    // The one copy of a name in this store; its address identifies the name.
    const std::u16string_view* Intern(std::u16string_view wszName)
    {
        size_t iKey = wszName.size() * 31;
        if (!wszName.empty())
            iKey += size_t(wszName.back()) * 7 + size_t(wszName[wszName.size() / 2]) * 3 +
                    wszName[wszName.size() / 3];
        const std::u16string_view*& pCached = m_apCache[iKey % kCacheSize];
        if (!pCached || *pCached != wszName)
            pCached = InternSlow(wszName);
        return pCached;
    }

    // Bytes taken from the system for this store.
    size_t BytesHeld() const { return m_iBlockBytes + m_vNames.capacity() * sizeof(SSlot); }

    // Editing: texts, attribute blocks and nodes that may be given back.
    // Replaces the text (wszValue may point into it).
    void SetText(ValueNode::SText& text, std::u16string_view wszValue);
    void FreeText(ValueNode::SText& text);
    // Room for at least iCount attributes; dwBytes becomes the block's size.
    ValueNode::SAttribute* NewAttributes(size_t iCount, uint32_t& dwBytes);
    void FreeAttributes(ValueNode::SAttribute* pAttributes, uint32_t dwBytes);
    ValueNode* NewEditedNode(ValueNode* pParent, const std::u16string_view* pName);
    // Gives back an unlinked node with its whole subtree, without recursion.
    void FreeSubtree(ValueNode* pNode);

private:
    void* AllocateSlow(size_t iBytes);
    char16_t* TrimOwnBlock(char16_t* p, size_t iAllocated, size_t iUsed);
    const std::u16string_view* InternSlow(std::u16string_view wszName);
    // A piece of at least iBytes, from the free lists or new; iBytes becomes its size.
    void* Obtain(size_t& iBytes);
    void Recycle(void* p, size_t iBytes);

    struct SBlock {
        SBlock* pNext;
        size_t iSize;
    };
    static constexpr size_t kHeader = (sizeof(SBlock) + 15) & ~size_t(15);
    static constexpr size_t kFirstBlock = 2048;
    static constexpr size_t kLargestBlock = 1 << 20;
    static constexpr size_t kOwnBlock = kLargestBlock / 4; // larger pieces get a block each
    SBlock* NewBlock(size_t iSize);

    SBlock* m_pBlocks = nullptr;
    char* m_pAt = nullptr;
    char* m_pEnd = nullptr;
    size_t m_iNextBlock = kFirstBlock;
    size_t m_iBlockBytes = 0;

    // Free lists: list k holds pieces of at least 2^k bytes; nodes have their own.
    static constexpr int kClasses = 48;
    void* m_apFree[kClasses] = {};
    void* m_pFreeNodes = nullptr;

    // Names: recently used ones by a cheap key, then an open-addressing table.
    static constexpr size_t kCacheSize = 256;
    const std::u16string_view* m_apCache[kCacheSize] = {};
    struct SSlot {
        size_t iHash;
        const std::u16string_view* pName;
    };
    std::vector<SSlot> m_vNames;
    size_t m_iNameCount = 0;
};

} // namespace kov
