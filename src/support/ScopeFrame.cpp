#include "support/ScopeFrame.h"

#include "support/CrashLedger.h"

namespace kov {

ScopeFrame::ScopeFrame(const char* szLabel) : m_szLabel(szLabel)
{
    m_ppHeadSlot = GetAllocExVarsStorage();
    crash_detail::LockChain(m_ppHeadSlot);
    m_pEnclosing = *m_ppHeadSlot;
    if (m_pEnclosing)
        m_pEnclosing->m_pEnclosed = this;
    *m_ppHeadSlot = this;
    crash_detail::UnlockChain(m_ppHeadSlot);
}

ScopeFrame::~ScopeFrame()
{
    crash_detail::LockChain(m_ppHeadSlot);
    *m_ppHeadSlot = m_pEnclosing;
    if (m_pEnclosing)
        m_pEnclosing->m_pEnclosed = nullptr;
    crash_detail::UnlockChain(m_ppHeadSlot);
}

void ScopeFrame::Append(const char* szName, const void* pAddress, WatchType eType, uint8_t uFlags)
{
    if (m_iWatched >= kMaxWatched)
        return;
    SWatchedVariable& entry = m_aEntries[m_iWatched];
    entry.szName = szName;
    entry.pAddress = pAddress;
    entry.eType = eType;
    entry.pNext = nullptr;
    entry.uFlags = uFlags;
    // Linked in under the chain lock: a report on another thread may be walking this list.
    crash_detail::LockChain(m_ppHeadSlot);
    if (m_pLast)
        m_pLast->pNext = &entry;
    else
        m_pFirst = &entry;
    m_pLast = &entry;
    ++m_iWatched;
    crash_detail::UnlockChain(m_ppHeadSlot);
}

void ScopeFrame::Watch(const char* szName, const int32_t* pValue)
{
    Append(szName, pValue, WatchType::Int32, kWatchSigned);
}

void ScopeFrame::Watch(const char* szName, const uint32_t* pValue)
{
    Append(szName, pValue, WatchType::Int32, kWatchUnsigned);
}

void ScopeFrame::Watch(const char* szName, const std::string* pValue)
{
    Append(szName, pValue, WatchType::NarrowText, kWatchStdString);
}

void ScopeFrame::Watch(const char* szName, const std::u16string* pValue)
{
    Append(szName, pValue, WatchType::WideText, 0);
}

void ScopeFrame::Watch(const char* szName, const char* const* pszValue)
{
    Append(szName, pszValue, WatchType::NarrowText, kWatchCharPtr);
}

void ScopeFrame::WatchWithheld(const char* szName, const std::string* pValue)
{
    Append(szName, pValue, WatchType::NarrowText, kWatchStdString | kWatchWithheld);
}

void ScopeFrame::WatchWithheld(const char* szName, const std::u16string* pValue)
{
    Append(szName, pValue, WatchType::WideText, kWatchWithheld);
}

ScopeFrame* ScopeFrame::Current()
{
    return *GetAllocExVarsStorage();
}

} // namespace kov
