#pragma once
// Threading kit: reference-counted self-deleting objects, the owner-aware recursive mutex,
// and the named thread base class.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kov {

class ScopeFrame;

// Process-unique 32-bit id of the calling thread (never 0xFFFFFFFF).
uint32_t CurrentThreadId();

class ISticky {
public:
    virtual int32_t AddRef() = 0;
    virtual int32_t Release() = 0;

protected:
    virtual ~ISticky() = default;
};

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

    uint32_t LockCount() const { return m_dwLockCount; }
    uint32_t OwnerThreadId() const { return m_dwLockingThreadID; }

private:
    std::recursive_timed_mutex m_mutex;
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
template <typename T>
class AutoDeleteThreadObjectImpl final : public T {
public:
    template <typename... Args>
    explicit AutoDeleteThreadObjectImpl(Args&&... args) : T(std::forward<Args>(args)...) {}

    int32_t AddRef() override {
        MutexLockGuard guard(m_countLock);
        return ++m_iCount;
    }
    int32_t Release() override {
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
template <typename T>
class StickyRef {
public:
    StickyRef() = default;
    explicit StickyRef(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    StickyRef(const StickyRef& o) : StickyRef(o.m_p) {}
    StickyRef(StickyRef&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    StickyRef& operator=(StickyRef o) noexcept { std::swap(m_p, o.m_p); return *this; }
    ~StickyRef() { if (m_p) m_p->Release(); }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void reset() { StickyRef().swap(*this); }
    void swap(StickyRef& o) noexcept { std::swap(m_p, o.m_p); }

private:
    T* m_p = nullptr;
};

class CSimpleThread {
public:
    CSimpleThread() = default;
    virtual ~CSimpleThread();
    CSimpleThread(const CSimpleThread&) = delete;
    CSimpleThread& operator=(const CSimpleThread&) = delete;

    // Starts Run(dwArgument) on a new thread named szName (also the OS thread name).
    bool Start(const char* szName, uint32_t dwArgument = 0, uint32_t* pdwThreadId = nullptr);
    // Waits for the last started thread to end; returns its exit code (1 if Run threw).
    uint32_t Join();
    bool Joinable() const;

    uint32_t LastError() const { return m_dwLastError; }
    uint32_t ThreadId() const { return m_dwThreadId; }
    ScopeFrame* EntryScope() const { return m_pEntryScope; }

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

} // namespace kov
