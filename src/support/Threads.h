#pragma once
// Threading kit: reference-counted self-deleting objects, the owner-aware recursive mutex,
// and the named thread base class.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace kov {

class ScopeFrame;

// Process-unique 32-bit id of the calling thread (never 0 or 0xFFFFFFFF): small numbers
// handed out in the order threads first ask (a thread started by CSimpleThread gets its id
// from Start). Async-signal-safe.
uint32_t CurrentThreadId();

class ISticky {
public:
    virtual int32_t AddRef() = 0;
    virtual int32_t Release() = 0;

protected:
    virtual ~ISticky() = default;
};

// Recursive mutex that knows its owner and lock count and reports misuse to CrashLedger:
// - Lock(time-out ms, kInfinite waits without limit) opens the scope "ME::Lock" watching
//   "m_dwLockingThreadID"; a relock by the owner succeeds (count + 1) and is reported to the
//   trace log (level 3: "Thread Relocking Error [count=%d]\r\n%.*s\r\n", the scope chain cut
//   at 200 characters). A time-out leaves count and owner as they were.
// - Unlock by a thread that does not own the mutex is reported to FatalProgramError
//   ("m_dwLockingThreadID == ::GetCurrentThreadId()") and then does nothing else: count and
//   owner stay, the system mutex is not released (releasing a mutex one does not own is
//   undefined), so the real owner's later unlocks still balance.
// - Destruction while locked is reported to FatalProgramState ("Mutex is locked (%d) by
//   thread %ld"). Locked by the destroying thread: it is fully unlocked first. Locked by
//   another thread: the system mutex is left as it is (never destroyed while held).
class MutexWithOwner {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;
    static constexpr uint32_t kNoOwner = 0xFFFFFFFFu;

    MutexWithOwner();
    ~MutexWithOwner();
    MutexWithOwner(const MutexWithOwner&) = delete;
    MutexWithOwner& operator=(const MutexWithOwner&) = delete;

    bool Lock(uint32_t dwTimeoutMs = kInfinite);
    void Unlock();

    // Exact for the owning thread; a snapshot for any other (reporting only).
    uint32_t LockCount() const;
    uint32_t OwnerThreadId() const;

private:
    // In a union so that the destructor decides whether the system mutex is destroyed.
    union {
        std::recursive_timed_mutex m_mutex;
    };
    // Written only by the owner while it holds m_mutex; read by others through atomic loads.
    uint32_t m_dwLockCount = 0;
    uint32_t m_dwLockingThreadID = kNoOwner;
};

class MutexLockGuard {
public:
    explicit MutexLockGuard(MutexWithOwner& mutex, uint32_t dwTimeoutMs = MutexWithOwner::kInfinite);
    ~MutexLockGuard();
    MutexLockGuard(const MutexLockGuard&) = delete;
    MutexLockGuard& operator=(const MutexLockGuard&) = delete;
    bool Locked() const { return m_bLocked; }

private:
    MutexWithOwner* m_pMutex;
    bool m_bLocked;
};

// Derives from T (which implements ISticky); deletes itself when the count drops to 0.
// Create with `new AutoDeleteThreadObjectImpl<T>(args...)`, then AddRef once per holder.
// The last Release deletes the object on whichever thread calls it.
template <typename T> class AutoDeleteThreadObjectImpl final : public T {
public:
    template <typename... Args>
    explicit AutoDeleteThreadObjectImpl(Args&&... args) : T(std::forward<Args>(args)...)
    {}

    int32_t AddRef() override
    {
        MutexLockGuard guard(m_countLock);
        return ++m_iCount;
    }
    int32_t Release() override
    {
        int32_t iValue;
        {
            MutexLockGuard guard(m_countLock);
            iValue = --m_iCount;
        }
        if (iValue == 0)
            delete this;
        return iValue;
    }

private:
    ~AutoDeleteThreadObjectImpl() override = default;
    int32_t m_iCount = 0;
    MutexWithOwner m_countLock;
};

// Holds one reference to an ISticky for its lifetime.
template <typename T> class StickyRef {
public:
    StickyRef() = default;
    explicit StickyRef(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    StickyRef(const StickyRef& o) : StickyRef(o.m_p) {}
    StickyRef(StickyRef&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    StickyRef& operator=(StickyRef o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~StickyRef()
    {
        if (m_p)
            m_p->Release();
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void reset() { StickyRef().swap(*this); }
    void swap(StickyRef& o) noexcept { std::swap(m_p, o.m_p); }

private:
    T* m_p = nullptr;
};

// Base class of the program's threads. Start runs Run(argument) on a new std::thread (stack
// size: the platform default) inside the thread entry: crash handler installed for the thread,
// scope "Win32 Thread Main" watching "szThreadName" and "dwThreadID", exit code 1 when Run
// throws; the name is also the OS thread name (cut to 15 bytes on Linux).
//
// Lifetime: the destructor waits for the thread (join), except when it runs on that thread
// itself (an AutoDeleteThreadObjectImpl whose last reference is dropped by its own Run): then
// it detaches, and the thread entry touches nothing of the object after Run returned.
// A derived class whose Run uses its own members must make the thread end (and Join) in its
// own destructor: the base destructor runs after the derived members are gone.
class CSimpleThread {
public:
    CSimpleThread() = default;
    virtual ~CSimpleThread();
    CSimpleThread(const CSimpleThread&) = delete;
    CSimpleThread& operator=(const CSimpleThread&) = delete;

    // Starts Run(dwArgument) on a new thread named szName (also the OS thread name).
    // A thread of an earlier Start is waited for first (or let go, if Start runs on it).
    // *pdwThreadId receives the new thread's CurrentThreadId() (known before Start returns).
    bool Start(const char* szName, uint32_t dwArgument = 0, uint32_t* pdwThreadId = nullptr);
    // Waits for the last started thread to end; returns its exit code (1 if Run threw).
    // Returns at once with 1 when called on that thread itself, with the remembered code when
    // the thread was already joined, and with 0 when no thread was ever started.
    uint32_t Join();
    bool Joinable() const;

    uint32_t LastError() const { return m_dwLastError; }
    uint32_t ThreadId() const { return m_dwThreadId; }
    // The thread entry's scope while the thread runs (its address; it may be gone after).
    ScopeFrame* EntryScope() const;

protected:
    virtual uint32_t Run(uint32_t dwArgument) = 0;

private:
    friend struct SSimpleThreadFunctionParameters;
    static void ThreadEntry(struct SSimpleThreadFunctionParameters* pStart);

    uint32_t m_dwLastError = 0;
    uint32_t m_dwThreadId = 0;
    ScopeFrame* m_pEntryScope = nullptr;
    std::thread m_thread;
    std::shared_ptr<uint32_t> m_pExitCode;
};

// The start block handed to a new thread, always as
// AutoDeleteThreadObjectImpl<SSimpleThreadFunctionParameters>: Start holds one reference for
// itself and one for the new thread, which releases it after Run (also when Run threw).
struct SSimpleThreadFunctionParameters : public ISticky {
    SSimpleThreadFunctionParameters(CSimpleThread* pOwnerThread, uint32_t dwArg, const char* szName);
    ~SSimpleThreadFunctionParameters() override;

    CSimpleThread* pOwner;
    uint32_t dwArgument;
    std::string sName;
    uint32_t dwThreadID;                 // the new thread's CurrentThreadId()
    std::shared_ptr<uint32_t> pExitCode; // where the thread leaves its exit code

    // Number of start blocks alive in the process (diagnostics and tests).
    static int32_t LiveCount();
};

} // namespace kov
