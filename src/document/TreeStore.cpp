#include "document/TreeStore.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kov {

namespace {

// Free pieces carry their link and size at their start; pieces of texts may sit at any even
// address, so the fields are copied rather than dereferenced.
struct SFreePiece {
    void* pNext;
    size_t iSize;
};
constexpr size_t kSmallestPiece = sizeof(SFreePiece);

int FloorLog2(size_t i)
{
    return std::bit_width(i) - 1;
}

int CeilLog2(size_t i)
{
    return i <= 1 ? 0 : std::bit_width(i - 1);
}

} // namespace

CTreeStore::~CTreeStore()
{
    while (m_pBlocks) {
        SBlock* pNext = m_pBlocks->pNext;
        ::operator delete(m_pBlocks);
        m_pBlocks = pNext;
    }
}

CTreeStore::SBlock* CTreeStore::NewBlock(size_t iSize)
{
    auto* pBlock = static_cast<SBlock*>(::operator new(kHeader + iSize));
    pBlock->pNext = m_pBlocks;
    pBlock->iSize = iSize;
    m_pBlocks = pBlock;
    m_iBlockBytes += kHeader + iSize;
    return pBlock;
}

void* CTreeStore::AllocateSlow(size_t iBytes)
{
    if (iBytes >= kOwnBlock) {
        // A block of its own, behind the current one so the bump area stays as it is.
        return reinterpret_cast<char*>(NewBlock(iBytes)) + kHeader;
    }
    const size_t iSize = std::max(m_iNextBlock, iBytes + 8);
    m_iNextBlock = std::min(m_iNextBlock * 2, kLargestBlock);
    char* pData = reinterpret_cast<char*>(NewBlock(iSize)) + kHeader;
    m_pAt = pData;
    m_pEnd = pData + iSize;
    return Allocate(iBytes);
}

char16_t* CTreeStore::TrimOwnBlock(char16_t* p, size_t iAllocated, size_t iUsed)
{
    // A large text in a block of its own (the newest block): move it to an exact one when
    // much of the block would stay unused.
    if (m_pBlocks && reinterpret_cast<char*>(m_pBlocks) + kHeader == reinterpret_cast<char*>(p) &&
        iUsed < iAllocated - iAllocated / 4) {
        SBlock* pOld = m_pBlocks;
        m_pBlocks = pOld->pNext;
        m_iBlockBytes -= kHeader + pOld->iSize;
        auto* pNew = reinterpret_cast<char16_t*>(reinterpret_cast<char*>(NewBlock(iUsed * sizeof(char16_t))) +
                                                 kHeader);
        std::memcpy(pNew, p, iUsed * sizeof(char16_t));
        ::operator delete(pOld);
        return pNew;
    }
    return p;
}

const std::u16string_view* CTreeStore::InternSlow(std::u16string_view wszName)
{
    // FNV-1a over the units.
    size_t iHash = 1469598103934665603ull;
    for (char16_t wch : wszName)
        iHash = (iHash ^ wch) * 1099511628211ull;

    if ((m_iNameCount + 1) * 2 > m_vNames.size()) {
        std::vector<SSlot> vOld(std::max<size_t>(64, m_vNames.size() * 2), SSlot{0, nullptr});
        vOld.swap(m_vNames);
        const size_t iMask = m_vNames.size() - 1;
        for (const SSlot& slot : vOld) {
            if (!slot.pName)
                continue;
            size_t i = slot.iHash & iMask;
            while (m_vNames[i].pName)
                i = (i + 1) & iMask;
            m_vNames[i] = slot;
        }
    }
    const size_t iMask = m_vNames.size() - 1;
    size_t i = iHash & iMask;
    for (; m_vNames[i].pName; i = (i + 1) & iMask)
        if (m_vNames[i].iHash == iHash && *m_vNames[i].pName == wszName)
            return m_vNames[i].pName;

    char16_t* pChars = AllocateUnits(wszName.size());
    std::copy(wszName.begin(), wszName.end(), pChars);
    auto* pName = new (Allocate(sizeof(std::u16string_view))) std::u16string_view(pChars, wszName.size());
    m_vNames[i] = SSlot{iHash, pName};
    ++m_iNameCount;
    return pName;
}

void* CTreeStore::Obtain(size_t& iBytes)
{
    const int iClass = CeilLog2(std::max(iBytes, kSmallestPiece));
    if (iClass >= kClasses)
        throw std::bad_alloc();
    if (m_apFree[iClass]) {
        void* p = m_apFree[iClass];
        SFreePiece piece;
        std::memcpy(&piece, p, sizeof piece);
        m_apFree[iClass] = piece.pNext;
        iBytes = piece.iSize;
        return p;
    }
    // New pieces are a whole class in size, so that they come back to the list they serve.
    iBytes = size_t(1) << iClass;
    return Allocate(iBytes);
}

void CTreeStore::Recycle(void* p, size_t iBytes)
{
    if (!p)
        return;
    // Free pieces start at 8-byte boundaries so any kind of piece may reuse them.
    const size_t iPad = static_cast<size_t>(-reinterpret_cast<uintptr_t>(p)) & 7;
    if (iBytes < iPad + kSmallestPiece)
        return; // too small to list; goes with the store
    iBytes -= iPad;
    char* pPiece = static_cast<char*>(p) + iPad;
    const int iClass = std::min(FloorLog2(iBytes), kClasses - 1);
    const SFreePiece piece{m_apFree[iClass], iBytes};
    std::memcpy(pPiece, &piece, sizeof piece);
    m_apFree[iClass] = pPiece;
}

void CTreeStore::SetText(ValueNode::SText& text, std::u16string_view wszValue)
{
    if (wszValue.size() > kMaxUnits)
        throw std::bad_alloc();
    const auto iLength = static_cast<uint32_t>(wszValue.size());
    if (iLength <= text.iCapacity) {
        if (iLength)
            std::memmove(text.p, wszValue.data(), iLength * sizeof(char16_t));
        text.iLength = iLength;
        return;
    }
    size_t iBytes = size_t(iLength) * sizeof(char16_t);
    auto* pNew = static_cast<char16_t*>(Obtain(iBytes));
    std::memcpy(pNew, wszValue.data(), iLength * sizeof(char16_t)); // before the old text goes
    FreeText(text);
    text.p = pNew;
    text.iLength = iLength;
    text.iCapacity = static_cast<uint32_t>(std::min<size_t>(iBytes / sizeof(char16_t), kMaxUnits));
}

void CTreeStore::FreeText(ValueNode::SText& text)
{
    Recycle(text.p, size_t(text.iCapacity) * sizeof(char16_t));
    text = ValueNode::SText();
}

ValueNode::SAttribute* CTreeStore::NewAttributes(size_t iCount, uint32_t& dwBytes)
{
    size_t iBytes = iCount * sizeof(ValueNode::SAttribute);
    if (iCount > kMaxUnits / sizeof(ValueNode::SAttribute) || iBytes > (size_t(1) << 31))
        throw std::bad_alloc(); // the block's size must fit 32 bits, rounded up to its class
    void* p = Obtain(iBytes);
    dwBytes = static_cast<uint32_t>(iBytes);
    return static_cast<ValueNode::SAttribute*>(p);
}

void CTreeStore::FreeAttributes(ValueNode::SAttribute* pAttributes, uint32_t dwBytes)
{
    Recycle(pAttributes, dwBytes);
}

ValueNode* CTreeStore::NewEditedNode(ValueNode* pParent, const std::u16string_view* pName)
{
    void* p = m_pFreeNodes;
    if (p)
        std::memcpy(&m_pFreeNodes, p, sizeof m_pFreeNodes);
    else
        p = Allocate(sizeof(ValueNode));
    return new (p) ValueNode(this, pParent, pName);
}

void CTreeStore::FreeSubtree(ValueNode* pNode)
{
    // The subtree is walked as one chain: a node's children are spliced in ahead of its next
    // sibling before the node is given back, so no stack is needed however deep it is.
    pNode->m_pNextSibling = nullptr;
    ValueNode* pPending = pNode;
    while (pPending) {
        ValueNode* pDone = pPending;
        if (pDone->m_pFirstChild) {
            pDone->m_pLastChild->m_pNextSibling = pDone->m_pNextSibling;
            pPending = pDone->m_pFirstChild;
        } else {
            pPending = pDone->m_pNextSibling;
        }
        FreeText(pDone->m_text);
        for (uint32_t i = 0; i < pDone->m_iAttributeCount; ++i)
            FreeText(pDone->m_pAttributes[i].value);
        FreeAttributes(pDone->m_pAttributes, pDone->m_dwAttributeBytes);
        // Nodes have a list of their own: every node is the same size.
        std::memcpy(static_cast<void*>(pDone), &m_pFreeNodes, sizeof m_pFreeNodes);
        m_pFreeNodes = pDone;
    }
}

} // namespace kov
