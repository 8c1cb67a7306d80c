#include "support/Threads.h"

#include "os/ThreadName.h"
#include "support/CrashLedger.h"
#include "support/Randomizer.h"
#include "support/ScopeFrame.h"
#include "support/TraceLog.h"

#include <chrono>
#include <cstdio>
#include <new>
#include <system_error>

namespace kov {

namespace {

std::atomic<uint32_t> g_dwNextThreadId{1};
constinit thread_local uint32_t t_dwThreadId = 0;
std::atomic<int32_t> g_iLiveStartBlocks{0};

uint32_t AllocateThreadId()
{ // lock-free, so signal-safe
    uint32_t dwId;
    do
        dwId = g_dwNextThreadId.fetch_add(1, std::memory_order_relaxed);
    while (dwId == 0 || dwId == MutexWithOwner::kNoOwner);
    return dwId;
}

uint32_t LoadRelaxed(const uint32_t& dwValue)
{
    return std::atomic_ref<uint32_t>(const_cast<uint32_t&>(dwValue)).load(std::memory_order_relaxed);
}

void StoreRelaxed(uint32_t& dwValue, uint32_t dwNew)
{
    std::atomic_ref<uint32_t>(dwValue).store(dwNew, std::memory_order_relaxed);
}

constexpr int kRelockChainChars = 200;

} // namespace

uint32_t CurrentThreadId()
{
    if (t_dwThreadId == 0)
        t_dwThreadId = AllocateThreadId();
    return t_dwThreadId;
}

// --- MutexWithOwner ------------------------------------------------------------------------

MutexWithOwner::MutexWithOwner() : m_mutex() {}

MutexWithOwner::~MutexWithOwner()
{
    const uint32_t dwCount = LoadRelaxed(m_dwLockCount);
    if (dwCount == 0) {
        m_mutex.~recursive_timed_mutex();
        return;
    }
    const uint32_t dwOwner = LoadRelaxed(m_dwLockingThreadID);
    char szText[96];
    std::snprintf(szText, sizeof szText, "Mutex is locked (%d) by thread %ld", static_cast<int>(dwCount),
                  static_cast<long>(static_cast<int32_t>(dwOwner)));
    FatalProgramState(szText);
    if (dwOwner == CurrentThreadId()) {
        // Ours: unlock it completely, then it may be destroyed.
        for (uint32_t i = 0; i < dwCount; ++i)
            m_mutex.unlock();
        StoreRelaxed(m_dwLockCount, 0);
        StoreRelaxed(m_dwLockingThreadID, kNoOwner);
        m_mutex.~recursive_timed_mutex();
    }
    // Held by another thread: destroying it would be undefined; it is left as it is.
}

bool MutexWithOwner::Lock(uint32_t dwTimeoutMs)
{
    ScopeFrame scope("ME::Lock");
    scope.Watch("m_dwLockingThreadID", &m_dwLockingThreadID);
    const uint32_t dwMe = CurrentThreadId();
    if (LoadRelaxed(m_dwLockingThreadID) == dwMe && TraceLogWants(3)) {
        char szChain[kRelockChainChars + 1];
        const int iLength = WriteCurrentThreadScopes(szChain, sizeof szChain);
        TraceLog(3, "Thread Relocking Error [count=%d]\r\n%.*s\r\n", static_cast<int>(m_dwLockCount),
                 iLength < kRelockChainChars ? iLength : kRelockChainChars, szChain);
    }
    bool bLocked;
    if (dwTimeoutMs == kInfinite) {
        m_mutex.lock();
        bLocked = true;
    } else if (dwTimeoutMs == 0) {
        bLocked = m_mutex.try_lock(); // at once
    } else {
        bLocked = m_mutex.try_lock_for(std::chrono::milliseconds(dwTimeoutMs));
    }
    if (!bLocked)
        return false;
    StoreRelaxed(m_dwLockCount, m_dwLockCount + 1);
    StoreRelaxed(m_dwLockingThreadID, dwMe);
    return true;
}

void MutexWithOwner::Unlock()
{
    if (LoadRelaxed(m_dwLockingThreadID) != CurrentThreadId()) {
        FatalProgramError("m_dwLockingThreadID == ::GetCurrentThreadId()");
        return; // not ours: count, owner and the system mutex stay as they are
    }
    const uint32_t dwCount = m_dwLockCount - 1;
    StoreRelaxed(m_dwLockCount, dwCount);
    if (dwCount == 0)
        StoreRelaxed(m_dwLockingThreadID, kNoOwner);
    m_mutex.unlock();
}

uint32_t MutexWithOwner::LockCount() const
{
    return LoadRelaxed(m_dwLockCount);
}
uint32_t MutexWithOwner::OwnerThreadId() const
{
    return LoadRelaxed(m_dwLockingThreadID);
}

// --- MutexLockGuard ------------------------------------------------------------------------

MutexLockGuard::MutexLockGuard(MutexWithOwner& mutex, uint32_t dwTimeoutMs)
    : m_pMutex(&mutex), m_bLocked(mutex.Lock(dwTimeoutMs))
{}

MutexLockGuard::~MutexLockGuard()
{
    if (m_bLocked)
        m_pMutex->Unlock();
}

// --- start block ---------------------------------------------------------------------------

SSimpleThreadFunctionParameters::SSimpleThreadFunctionParameters(CSimpleThread* pOwnerThread, uint32_t dwArg,
                                                                 const char* szName)
    : pOwner(pOwnerThread), dwArgument(dwArg), sName(szName ? szName : ""), dwThreadID(0)
{
    g_iLiveStartBlocks.fetch_add(1);
}

SSimpleThreadFunctionParameters::~SSimpleThreadFunctionParameters()
{
    g_iLiveStartBlocks.fetch_sub(1);
}

int32_t SSimpleThreadFunctionParameters::LiveCount()
{
    return g_iLiveStartBlocks.load();
}

// --- CSimpleThread -------------------------------------------------------------------------

CSimpleThread::~CSimpleThread()
{
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach(); // the thread deletes its own object: it cannot wait for itself
    else
        m_thread.join();
}

bool CSimpleThread::Start(const char* szName, uint32_t dwArgument, uint32_t* pdwThreadId)
{
    auto* pStart = new AutoDeleteThreadObjectImpl<SSimpleThreadFunctionParameters>(this, dwArgument, szName);
    pStart->AddRef(); // this call's reference
    pStart->AddRef(); // the new thread's reference
    pStart->dwThreadID = AllocateThreadId();
    pStart->pExitCode = std::make_shared<uint32_t>(1);

    // The thread of an earlier start: wait for it (or let it go if this is that thread).
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach();
        else
            m_thread.join();
    }

    bool bCreated = false;
    try {
        m_thread =
            std::thread(&CSimpleThread::ThreadEntry, static_cast<SSimpleThreadFunctionParameters*>(pStart));
        bCreated = true;
    } catch (const std::system_error& error) {
        m_dwLastError = static_cast<uint32_t>(error.code().value());
        TraceLog(3, "Error creating thread \"%s\": (%ld) %s", pStart->sName.c_str(),
                 static_cast<long>(error.code().value()), error.code().message().c_str());
        pStart->Release(); // the thread that did not start
    }
    if (bCreated) {
        m_dwThreadId = pStart->dwThreadID;
        m_pExitCode = pStart->pExitCode;
        if (pdwThreadId)
            *pdwThreadId = pStart->dwThreadID;
    }
    pStart->Release(); // this call's reference
    return bCreated;
}

void CSimpleThread::ThreadEntry(SSimpleThreadFunctionParameters* pStart)
{
    t_dwThreadId = pStart->dwThreadID;
    // Everything the entry still needs after the start block is released is copied here; after
    // Run returned, the owner may be gone (it may have deleted itself on this very thread).
    const std::string sThreadName = pStart->sName;
    const std::shared_ptr<uint32_t> pExitCode = pStart->pExitCode;
    const char* szThreadName = sThreadName.c_str();
    uint32_t dwThreadID = pStart->dwThreadID;
    uint32_t dwExitCode = 1;

    os::SetCurrentThreadName(szThreadName);
    SeedThreadRandom(); // each thread seeds its own generator as it starts
    InstallThreadExceptionHandler(szThreadName);
    {
        ScopeFrame scope("Win32 Thread Main");
        CSimpleThread* pOwner = pStart->pOwner;
        std::atomic_ref<ScopeFrame*>(pOwner->m_pEntryScope).store(&scope, std::memory_order_release);
        scope.Watch("szThreadName", &szThreadName);
        scope.Watch("dwThreadID", &dwThreadID);
        try {
            dwExitCode = pOwner->Run(pStart->dwArgument);
        } catch (...) {
            dwExitCode = 1;
        }
        pStart->Release();
    }
    UninstallThreadExceptionHandler();
    FreeThreadExVarsStorage();
    *pExitCode = dwExitCode;
}

uint32_t CSimpleThread::Join()
{
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            return 1;
        m_thread.join();
    }
    return m_pExitCode ? *m_pExitCode : 0;
}

bool CSimpleThread::Joinable() const
{
    return m_thread.joinable();
}

ScopeFrame* CSimpleThread::EntryScope() const
{
    return std::atomic_ref<ScopeFrame*>(const_cast<ScopeFrame*&>(m_pEntryScope))
        .load(std::memory_order_acquire);
}

} // namespace kov
