// Threading kit: MutexWithOwner, MutexLockGuard, AutoDeleteThreadObjectImpl, StickyRef,
// CSimpleThread and the ScopeFrame chains.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <pthread.h>
#endif

#include "support/CrashLedger.h"
#include "support/ScopeFrame.h"
#include "support/Threads.h"
#include "support/TraceLog.h"

namespace kov {
namespace {

using namespace std::chrono_literals;

// --- helpers ---------------------------------------------------------------------------------

// Collects every FatalProgramError/State text.
struct SFatalLog {
    std::mutex lock;
    std::vector<std::pair<std::string, std::string>> entries;
};
SFatalLog& FatalLog() {
    static SFatalLog log;
    return log;
}
void CollectFatal(const char* szKind, const char* szText) {
    std::lock_guard<std::mutex> guard(FatalLog().lock);
    FatalLog().entries.emplace_back(szKind, szText);
}
std::vector<std::pair<std::string, std::string>> TakeFatal() {
    std::lock_guard<std::mutex> guard(FatalLog().lock);
    return std::exchange(FatalLog().entries, {});
}

class ThreadsTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::path(KOV_BINARY_DIR) / "test-output" / "threads-reports";
        std::filesystem::remove_all(m_folder);
        SetReportFolder(m_folder.string());
        TakeFatal();
        SetFatalReportHook(&CollectFatal);
    }
    void TearDown() override {
        SetFatalReportHook(nullptr);
        AttachTraceLog(nullptr, 0);
        SetReportFolder("");
    }
    std::filesystem::path m_folder;
};

class CRecordingSink : public ITraceLogSink {
public:
    void WriteTrace(int iLevel, const char* szText) override {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.emplace_back(iLevel, szText);
    }
    std::vector<std::pair<int, std::string>> Lines() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_lines;
    }

private:
    std::mutex m_lock;
    std::vector<std::pair<int, std::string>> m_lines;
};

// A one-shot gate between threads.
class CGate {
public:
    void Open() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bOpen = true;
        m_cv.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> guard(m_lock);
        m_cv.wait(guard, [this] { return m_bOpen; });
    }
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_cv.wait_for(guard, timeout, [this] { return m_bOpen; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_bOpen = false;
};

// A CSimpleThread running a function.
class CFunctionThread : public CSimpleThread {
public:
    explicit CFunctionThread(std::function<uint32_t(uint32_t)> body) : m_body(std::move(body)) {}
    ~CFunctionThread() override { Join(); }

protected:
    uint32_t Run(uint32_t dwArgument) override { return m_body(dwArgument); }

private:
    std::function<uint32_t(uint32_t)> m_body;
};

// --- CurrentThreadId -------------------------------------------------------------------------

TEST(CurrentThreadIdTest, StableDistinctAndNeverReserved) {
    const uint32_t dwMain = CurrentThreadId();
    EXPECT_EQ(dwMain, CurrentThreadId());
    EXPECT_NE(dwMain, 0u);
    EXPECT_NE(dwMain, MutexWithOwner::kNoOwner);
    std::set<uint32_t> ids{dwMain};
    std::mutex lock;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            const uint32_t dwId = CurrentThreadId();
            EXPECT_EQ(dwId, CurrentThreadId());
            std::lock_guard<std::mutex> guard(lock);
            ids.insert(dwId);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(ids.size(), 9u);
}

// --- MutexWithOwner --------------------------------------------------------------------------

TEST_F(ThreadsTest, FreshMutexIsFree) {
    MutexWithOwner mutex;
    EXPECT_EQ(mutex.LockCount(), 0u);
    EXPECT_EQ(mutex.OwnerThreadId(), MutexWithOwner::kNoOwner);
}

TEST_F(ThreadsTest, RelockCountsAndNeedsAsManyUnlocksAcrossThreads) {
    MutexWithOwner mutex;
    ASSERT_TRUE(mutex.Lock());
    ASSERT_TRUE(mutex.Lock());
    EXPECT_EQ(mutex.LockCount(), 2u);
    EXPECT_EQ(mutex.OwnerThreadId(), CurrentThreadId());

    auto tryFromOtherThread = [&mutex] {
        bool bGot = false;
        std::thread other([&] {
            bGot = mutex.Lock(0);
            if (bGot) {
                EXPECT_EQ(mutex.LockCount(), 1u);
                EXPECT_EQ(mutex.OwnerThreadId(), CurrentThreadId());
                mutex.Unlock();
            }
        });
        other.join();
        return bGot;
    };
    EXPECT_FALSE(tryFromOtherThread());
    mutex.Unlock();
    EXPECT_EQ(mutex.LockCount(), 1u);
    EXPECT_EQ(mutex.OwnerThreadId(), CurrentThreadId());
    EXPECT_FALSE(tryFromOtherThread());
    mutex.Unlock();
    EXPECT_EQ(mutex.LockCount(), 0u);
    EXPECT_EQ(mutex.OwnerThreadId(), MutexWithOwner::kNoOwner);
    EXPECT_TRUE(tryFromOtherThread());
    EXPECT_EQ(mutex.LockCount(), 0u);
    EXPECT_TRUE(TakeFatal().empty());
}

TEST_F(ThreadsTest, ContendedCounterStaysExact) {
    MutexWithOwner mutex;
    int iCounter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                MutexLockGuard outer(mutex);
                MutexLockGuard inner(mutex); // relock by the owner
                EXPECT_EQ(mutex.LockCount(), 2u);
                EXPECT_EQ(mutex.OwnerThreadId(), CurrentThreadId());
                ++iCounter;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(iCounter, 8000);
    EXPECT_EQ(mutex.LockCount(), 0u);
    EXPECT_TRUE(TakeFatal().empty());
}

TEST_F(ThreadsTest, RelockIsReportedToTraceLogAtLevelThree) {
    CRecordingSink sink;
    AttachTraceLog(&sink, 3);
    MutexWithOwner mutex;
    ScopeFrame outer("TT::Outer");
    int32_t iStep = 42;
    outer.Watch("iStep", &iStep);
    ASSERT_TRUE(mutex.Lock());
    EXPECT_TRUE(sink.Lines().empty()); // the first lock is no relock
    ASSERT_TRUE(mutex.Lock());
    const auto lines = sink.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, 3);
    const std::string& sText = lines[0].second;
    const std::string sPrefix = "Thread Relocking Error [count=1]\r\n";
    ASSERT_EQ(sText.compare(0, sPrefix.size(), sPrefix), 0) << sText;
    ASSERT_GE(sText.size(), sPrefix.size() + 2);
    EXPECT_EQ(sText.substr(sText.size() - 2), "\r\n");
    const std::string sChain = sText.substr(sPrefix.size(), sText.size() - sPrefix.size() - 2);
    EXPECT_LE(sChain.size(), 200u);
    // Innermost first: the lock's own scope, then the caller's.
    const size_t nLock = sChain.find("ME::Lock");
    const size_t nOuter = sChain.find("TT::Outer");
    ASSERT_NE(nLock, std::string::npos) << sChain;
    ASSERT_NE(nOuter, std::string::npos) << sChain;
    EXPECT_LT(nLock, nOuter);
    EXPECT_NE(sChain.find("m_dwLockingThreadID = " + std::to_string(CurrentThreadId())), std::string::npos) << sChain;
    EXPECT_NE(sChain.find("iStep = 42"), std::string::npos) << sChain;
    mutex.Unlock();
    mutex.Unlock();
}

TEST_F(ThreadsTest, RelockChainIsCutAt200Characters) {
    CRecordingSink sink;
    AttachTraceLog(&sink, 5);
    std::vector<std::unique_ptr<ScopeFrame>> scopes;
    for (int i = 0; i < 30; ++i)
        scopes.push_back(std::make_unique<ScopeFrame>("TT::AVeryLongScopeLabelToFillTheChain"));
    MutexWithOwner mutex;
    ASSERT_TRUE(mutex.Lock());
    ASSERT_TRUE(mutex.Lock());
    const auto lines = sink.Lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string sPrefix = "Thread Relocking Error [count=1]\r\n";
    EXPECT_EQ(lines[0].second.size(), sPrefix.size() + 200 + 2);
    mutex.Unlock();
    mutex.Unlock();
    while (!scopes.empty())
        scopes.pop_back(); // innermost first
}

TEST_F(ThreadsTest, RelockIsNotLoggedBelowLevelThreeOrWithoutSink) {
    MutexWithOwner mutex;
    { // no sink: nothing to see, and nothing breaks
        MutexLockGuard a(mutex);
        MutexLockGuard b(mutex);
        EXPECT_EQ(mutex.LockCount(), 2u);
    }
    CRecordingSink sink;
    AttachTraceLog(&sink, 2);
    {
        MutexLockGuard a(mutex);
        MutexLockGuard b(mutex);
    }
    EXPECT_TRUE(sink.Lines().empty());
}

TEST_F(ThreadsTest, TimeoutZeroOnMutexHeldElsewhereFailsAtOnce) {
    MutexWithOwner mutex;
    CGate locked, release;
    uint32_t dwHolder = 0;
    std::thread holder([&] {
        ASSERT_TRUE(mutex.Lock());
        ASSERT_TRUE(mutex.Lock());
        dwHolder = CurrentThreadId();
        locked.Open();
        release.Wait();
        mutex.Unlock();
        mutex.Unlock();
    });
    locked.Wait();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(mutex.Lock(0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_EQ(mutex.LockCount(), 2u);
    EXPECT_EQ(mutex.OwnerThreadId(), dwHolder);
    {
        MutexLockGuard guard(mutex, 0);
        EXPECT_FALSE(guard.Locked());
    } // a guard that did not lock does not unlock
    EXPECT_EQ(mutex.LockCount(), 2u);

    const auto startTimed = std::chrono::steady_clock::now();
    EXPECT_FALSE(mutex.Lock(60));
    EXPECT_GE(std::chrono::steady_clock::now() - startTimed, 50ms);
    EXPECT_EQ(mutex.LockCount(), 2u);
    EXPECT_EQ(mutex.OwnerThreadId(), dwHolder);
    // The failed attempts left no scope behind.
    EXPECT_EQ(ScopeFrame::Current(), nullptr);

    release.Open();
    holder.join();
    EXPECT_TRUE(mutex.Lock(1000));
    EXPECT_EQ(mutex.LockCount(), 1u);
    mutex.Unlock();
    EXPECT_TRUE(TakeFatal().empty());
}

TEST_F(ThreadsTest, UnlockByNonOwnerIsReportedAndChangesNothing) {
    MutexWithOwner mutex;
    CGate locked, release;
    uint32_t dwHolder = 0;
    std::thread holder([&] {
        ASSERT_TRUE(mutex.Lock());
        dwHolder = CurrentThreadId();
        locked.Open();
        release.Wait();
        mutex.Unlock(); // the owner's unlock still balances
    });
    locked.Wait();
    mutex.Unlock(); // not ours
    auto fatal = TakeFatal();
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_EQ(fatal[0].first, "FatalProgramError");
    EXPECT_EQ(fatal[0].second, "m_dwLockingThreadID == ::GetCurrentThreadId()");
    EXPECT_EQ(mutex.LockCount(), 1u);
    EXPECT_EQ(mutex.OwnerThreadId(), dwHolder);
    EXPECT_FALSE(mutex.Lock(0)); // still held by the owner

    release.Open();
    holder.join();
    EXPECT_TRUE(TakeFatal().empty());
    EXPECT_EQ(mutex.LockCount(), 0u);
    ASSERT_TRUE(mutex.Lock(0));
    mutex.Unlock();

    // Unlocking a free mutex is reported the same way.
    mutex.Unlock();
    fatal = TakeFatal();
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_EQ(fatal[0].second, "m_dwLockingThreadID == ::GetCurrentThreadId()");
    EXPECT_EQ(mutex.LockCount(), 0u);
    EXPECT_EQ(mutex.OwnerThreadId(), MutexWithOwner::kNoOwner);

    // The report also went to a file in the report folder.
    bool bFound = false;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder))
        bFound = bFound || entry.path().filename().string().rfind("ErrorReport_", 0) == 0;
    EXPECT_TRUE(bFound);
}

TEST_F(ThreadsTest, DestroyLockedByThisThreadIsReportedAndCleanedUp) {
    auto* pMutex = new MutexWithOwner;
    ASSERT_TRUE(pMutex->Lock());
    ASSERT_TRUE(pMutex->Lock());
    delete pMutex;
    const auto fatal = TakeFatal();
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_EQ(fatal[0].first, "FatalProgramState");
    EXPECT_EQ(fatal[0].second, "Mutex is locked (2) by thread " + std::to_string(CurrentThreadId()));
}

TEST_F(ThreadsTest, DestroyLockedByAnotherThreadIsReported) {
    auto* pMutex = new MutexWithOwner;
    CGate locked, destroyed;
    uint32_t dwHolder = 0;
    std::thread holder([&] {
        ASSERT_TRUE(pMutex->Lock());
        dwHolder = CurrentThreadId();
        locked.Open();
        destroyed.Wait(); // ends holding it: the memory is gone, nothing may touch it
    });
    locked.Wait();
    delete pMutex;
    destroyed.Open();
    holder.join();
    const auto fatal = TakeFatal();
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_EQ(fatal[0].first, "FatalProgramState");
    EXPECT_EQ(fatal[0].second, "Mutex is locked (1) by thread " + std::to_string(dwHolder));
}

TEST_F(ThreadsTest, LockGuardLocksAndUnlocks) {
    MutexWithOwner mutex;
    {
        MutexLockGuard guard(mutex);
        EXPECT_TRUE(guard.Locked());
        EXPECT_EQ(mutex.LockCount(), 1u);
    }
    EXPECT_EQ(mutex.LockCount(), 0u);
    EXPECT_EQ(mutex.OwnerThreadId(), MutexWithOwner::kNoOwner);
}

TEST_F(ThreadsTest, LockOpensMeLockScopeWatchingTheOwner) {
    // Seen from a sink: the scope chain while Lock runs holds "ME::Lock" with the owner field.
    CRecordingSink sink;
    AttachTraceLog(&sink, 3);
    MutexWithOwner mutex;
    ASSERT_TRUE(mutex.Lock());
    EXPECT_EQ(ScopeFrame::Current(), nullptr); // popped on return
    ASSERT_TRUE(mutex.Lock());
    ASSERT_EQ(sink.Lines().size(), 1u);
    EXPECT_NE(sink.Lines()[0].second.find("ME::Lock\n  m_dwLockingThreadID = "), std::string::npos);
    mutex.Unlock();
    mutex.Unlock();
}

// --- AutoDeleteThreadObjectImpl, StickyRef ---------------------------------------------------

struct SDeletionProbe {
    std::atomic<int> iDeleted{0};
    std::thread::id deletingThread;
};

class CProbeObject : public ISticky {
public:
    explicit CProbeObject(SDeletionProbe* pProbe) : m_pProbe(pProbe) {}
    ~CProbeObject() override {
        m_pProbe->deletingThread = std::this_thread::get_id();
        m_pProbe->iDeleted.fetch_add(1);
    }

private:
    SDeletionProbe* m_pProbe;
};

TEST_F(ThreadsTest, CountsStartAtZeroAndLastReleaseDeletes) {
    SDeletionProbe probe;
    auto* pObject = new AutoDeleteThreadObjectImpl<CProbeObject>(&probe);
    EXPECT_EQ(pObject->AddRef(), 1);
    EXPECT_EQ(pObject->AddRef(), 2);
    EXPECT_EQ(pObject->Release(), 1);
    EXPECT_EQ(probe.iDeleted.load(), 0);
    EXPECT_EQ(pObject->Release(), 0);
    EXPECT_EQ(probe.iDeleted.load(), 1);
    EXPECT_EQ(probe.deletingThread, std::this_thread::get_id());
    EXPECT_TRUE(TakeFatal().empty()); // the count lock was free when it went
}

TEST_F(ThreadsTest, LastReferenceReleasedOnWorkerDeletesThere) {
    SDeletionProbe probe;
    auto* pObject = new AutoDeleteThreadObjectImpl<CProbeObject>(&probe);
    pObject->AddRef(); // ours
    pObject->AddRef(); // the worker's
    CGate released;
    std::thread::id workerId;
    CFunctionThread worker([&](uint32_t) -> uint32_t {
        workerId = std::this_thread::get_id();
        released.Wait();
        pObject->Release();
        return 0;
    });
    ASSERT_TRUE(worker.Start("Releasing Worker"));
    EXPECT_EQ(pObject->Release(), 1);
    EXPECT_EQ(probe.iDeleted.load(), 0);
    released.Open();
    EXPECT_EQ(worker.Join(), 0u);
    EXPECT_EQ(probe.iDeleted.load(), 1);
    EXPECT_EQ(probe.deletingThread, workerId);
    EXPECT_NE(probe.deletingThread, std::this_thread::get_id());
}

TEST_F(ThreadsTest, ReferenceCountsAreExactUnderContention) {
    SDeletionProbe probe;
    auto* pObject = new AutoDeleteThreadObjectImpl<CProbeObject>(&probe);
    pObject->AddRef();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([pObject] {
            for (int i = 0; i < 2000; ++i) {
                pObject->AddRef();
                pObject->Release();
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(probe.iDeleted.load(), 0);
    EXPECT_EQ(pObject->Release(), 0);
    EXPECT_EQ(probe.iDeleted.load(), 1);
}

TEST_F(ThreadsTest, StickyRefHoldsOneReference) {
    SDeletionProbe probe;
    auto* pObject = new AutoDeleteThreadObjectImpl<CProbeObject>(&probe);
    {
        StickyRef<CProbeObject> first(pObject);
        EXPECT_TRUE(first);
        EXPECT_EQ(first.get(), pObject);
        StickyRef<CProbeObject> second = first;  // 2
        StickyRef<CProbeObject> third(std::move(second)); // still 2
        EXPECT_FALSE(second);
        StickyRef<CProbeObject> fourth;
        fourth = third; // 3
        third.reset();  // 2
        EXPECT_FALSE(third);
        EXPECT_EQ(probe.iDeleted.load(), 0);
        EXPECT_EQ(pObject->AddRef(), 3);
        EXPECT_EQ(pObject->Release(), 2);
    }
    EXPECT_EQ(probe.iDeleted.load(), 1);
}

// A thread object that deletes itself on its own thread, the way the protocol handler does.
class CSelfDeletingThread : public CSimpleThread, public ISticky {
public:
    CSelfDeletingThread(CGate* pGo, SDeletionProbe* pProbe) : m_pGo(pGo), m_pProbe(pProbe) {}
    ~CSelfDeletingThread() override {
        m_pProbe->deletingThread = std::this_thread::get_id();
        m_pProbe->iDeleted.fetch_add(1);
    }
    bool Begin() {
        AddRef(); // the running body's reference
        if (Start("Self Deleting"))
            return true;
        Release();
        return false;
    }

protected:
    uint32_t Run(uint32_t) override {
        m_runThread = std::this_thread::get_id();
        m_pGo->Wait();
        Release(); // the last one: the object goes away on this thread
        return 0;
    }

public:
    std::thread::id m_runThread;

private:
    CGate* m_pGo;
    SDeletionProbe* m_pProbe;
};

TEST_F(ThreadsTest, ThreadObjectReleasedLastOnItsOwnThreadDetaches) {
    const int32_t iBlocksBefore = SSimpleThreadFunctionParameters::LiveCount();
    SDeletionProbe probe;
    CGate go;
    auto* pThread = new AutoDeleteThreadObjectImpl<CSelfDeletingThread>(&go, &probe);
    pThread->AddRef(); // the starter's reference
    ASSERT_TRUE(pThread->Begin());
    EXPECT_EQ(pThread->Release(), 1); // the starter lets go first
    go.Open();
    for (int i = 0; i < 500 && (probe.iDeleted.load() == 0 || SSimpleThreadFunctionParameters::LiveCount() != iBlocksBefore); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(probe.iDeleted.load(), 1);
    EXPECT_NE(probe.deletingThread, std::this_thread::get_id());
    EXPECT_EQ(SSimpleThreadFunctionParameters::LiveCount(), iBlocksBefore);
    EXPECT_TRUE(TakeFatal().empty());
}

TEST_F(ThreadsTest, ThreadObjectReleasedLastByStarterJoins) {
    SDeletionProbe probe;
    CGate go;
    auto* pThread = new AutoDeleteThreadObjectImpl<CSelfDeletingThread>(&go, &probe);
    pThread->AddRef();
    ASSERT_TRUE(pThread->Begin());
    go.Open();
    // Wait until Run dropped its reference, then drop the last one here.
    for (int i = 0; i < 500; ++i) {
        pThread->AddRef();
        if (pThread->Release() == 1)
            break;
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(pThread->Release(), 0); // waits for the thread's last steps, then deletes
    EXPECT_EQ(probe.iDeleted.load(), 1);
    EXPECT_EQ(probe.deletingThread, std::this_thread::get_id());
}

// --- CSimpleThread ---------------------------------------------------------------------------

TEST_F(ThreadsTest, StartRunsWithArgumentAndReportsId) {
    std::atomic<uint32_t> dwSeenId{0};
    std::atomic<uint32_t> dwSeenArgument{0};
    CFunctionThread thread([&](uint32_t dwArgument) -> uint32_t {
        dwSeenId = CurrentThreadId();
        dwSeenArgument = dwArgument;
        return 77;
    });
    uint32_t dwId = 0;
    ASSERT_TRUE(thread.Start("Arg Worker", 1234, &dwId));
    EXPECT_EQ(thread.Join(), 77u);
    EXPECT_EQ(dwSeenArgument.load(), 1234u);
    EXPECT_EQ(dwSeenId.load(), dwId);
    EXPECT_EQ(thread.ThreadId(), dwId);
    EXPECT_NE(dwId, CurrentThreadId());
    EXPECT_EQ(thread.LastError(), 0u);
    EXPECT_FALSE(thread.Joinable());
    EXPECT_EQ(thread.Join(), 77u); // remembered
}

TEST_F(ThreadsTest, EntryScopeWatchesNameAndId) {
    std::string sLabel, sChain;
    ScopeFrame* pCurrent = nullptr;
    ScopeFrame* pEntry = nullptr;
    CFunctionThread* pSelf = nullptr;
    CFunctionThread thread([&](uint32_t) -> uint32_t {
        pCurrent = ScopeFrame::Current();
        pEntry = pSelf->EntryScope();
        if (pCurrent)
            sLabel = pCurrent->Label();
        char szChain[1024];
        WriteCurrentThreadScopes(szChain, sizeof szChain);
        sChain = szChain;
        return 0;
    });
    pSelf = &thread;
    uint32_t dwId = 0;
    ASSERT_TRUE(thread.Start("Scope Worker", 0, &dwId));
    thread.Join();
    ASSERT_NE(pCurrent, nullptr);
    EXPECT_EQ(pCurrent, pEntry);
    EXPECT_EQ(sLabel, "Win32 Thread Main");
    EXPECT_EQ(sChain, "Win32 Thread Main\n  szThreadName = \"Scope Worker\"\n  dwThreadID = " + std::to_string(dwId) + "\n");
}

TEST_F(ThreadsTest, RunThatThrowsEndsWithExitCodeOneAndReleasesStartBlock) {
    const int32_t iBlocksBefore = SSimpleThreadFunctionParameters::LiveCount();
    CFunctionThread thread([](uint32_t) -> uint32_t {
        ScopeFrame scope("TT::Throwing");
        throw std::runtime_error("boom");
    });
    ASSERT_TRUE(thread.Start("Throwing Worker"));
    EXPECT_EQ(thread.Join(), 1u);
    EXPECT_EQ(SSimpleThreadFunctionParameters::LiveCount(), iBlocksBefore);

    CFunctionThread intThrower([](uint32_t) -> uint32_t { throw 5; });
    ASSERT_TRUE(intThrower.Start("Int Thrower"));
    EXPECT_EQ(intThrower.Join(), 1u);
    EXPECT_EQ(SSimpleThreadFunctionParameters::LiveCount(), iBlocksBefore);
}

TEST_F(ThreadsTest, StartBlockIsReleasedAfterNormalRunToo) {
    const int32_t iBlocksBefore = SSimpleThreadFunctionParameters::LiveCount();
    CGate go;
    CFunctionThread thread([&](uint32_t) -> uint32_t {
        go.Wait();
        return 3;
    });
    ASSERT_TRUE(thread.Start("Block Worker"));
    // While Run runs, only the new thread's reference keeps the block.
    EXPECT_EQ(SSimpleThreadFunctionParameters::LiveCount(), iBlocksBefore + 1);
    go.Open();
    EXPECT_EQ(thread.Join(), 3u);
    EXPECT_EQ(SSimpleThreadFunctionParameters::LiveCount(), iBlocksBefore);
}

TEST_F(ThreadsTest, ThreadCanBeStartedAgain) {
    std::atomic<int> iRuns{0};
    CFunctionThread thread([&](uint32_t dwArgument) -> uint32_t {
        ++iRuns;
        return dwArgument;
    });
    uint32_t dwFirst = 0, dwSecond = 0;
    ASSERT_TRUE(thread.Start("Again", 10, &dwFirst));
    EXPECT_EQ(thread.Join(), 10u);
    ASSERT_TRUE(thread.Start("Again", 20, &dwSecond));
    ASSERT_TRUE(thread.Start("Again", 30)); // waits for the previous one first
    EXPECT_EQ(thread.Join(), 30u);
    EXPECT_EQ(iRuns.load(), 3);
    EXPECT_NE(dwFirst, dwSecond);
}

TEST_F(ThreadsTest, JoinWithoutStartReturnsZero) {
    CFunctionThread thread([](uint32_t) -> uint32_t { return 9; });
    EXPECT_FALSE(thread.Joinable());
    EXPECT_EQ(thread.Join(), 0u);
}

#if defined(__linux__)
TEST_F(ThreadsTest, ThreadNameIsOsThreadNameCutTo15Bytes) {
    std::string sShort, sLong;
    auto readName = [](std::string* pName) {
        char szName[64] = {};
        pthread_getname_np(pthread_self(), szName, sizeof szName);
        *pName = szName;
        return 0u;
    };
    CFunctionThread shortThread([&](uint32_t) { return readName(&sShort); });
    CFunctionThread longThread([&](uint32_t) { return readName(&sLong); });
    ASSERT_TRUE(shortThread.Start("Upgrade"));
    ASSERT_TRUE(longThread.Start("Host Client Protocol Handler"));
    shortThread.Join();
    longThread.Join();
    EXPECT_EQ(sShort, "Upgrade");
    EXPECT_EQ(sLong, "Host Client Pro");
}
#endif

// --- ScopeFrame ------------------------------------------------------------------------------

TEST(ScopeFrameTest, NestedScopesLinkAndUnlink) {
    ScopeFrame* pBefore = ScopeFrame::Current();
    {
        ScopeFrame a("SF::A");
        EXPECT_EQ(ScopeFrame::Current(), &a);
        EXPECT_EQ(a.Enclosing(), pBefore);
        EXPECT_EQ(a.Enclosed(), nullptr);
        {
            ScopeFrame b("SF::B");
            EXPECT_EQ(ScopeFrame::Current(), &b);
            EXPECT_EQ(b.Enclosing(), &a);
            EXPECT_EQ(a.Enclosed(), &b);
            EXPECT_EQ(b.Enclosed(), nullptr);
        }
        EXPECT_EQ(ScopeFrame::Current(), &a);
        EXPECT_EQ(a.Enclosed(), nullptr);
    }
    EXPECT_EQ(ScopeFrame::Current(), pBefore);
}

TEST(ScopeFrameTest, ExceptionThroughScopesRestoresTheChain) {
    ScopeFrame outer("SF::Outer");
    bool bCaught = false;
    try {
        ScopeFrame a("SF::A");
        [] {
            ScopeFrame b("SF::B");
            int32_t iValue = 1;
            b.Watch("iValue", &iValue);
            throw std::runtime_error("through");
        }();
    } catch (const std::runtime_error&) {
        bCaught = true;
        EXPECT_EQ(ScopeFrame::Current(), &outer);
        EXPECT_EQ(outer.Enclosed(), nullptr);
    }
    EXPECT_TRUE(bCaught);
    EXPECT_EQ(ScopeFrame::Current(), &outer);
    ScopeFrame after("SF::After");
    EXPECT_EQ(after.Enclosing(), &outer);
}

TEST(ScopeFrameTest, WatchedVariablesKeepOrderTypeAndLimit) {
    ScopeFrame scope("SF::W");
    int32_t iSigned = -1;
    uint32_t dwUnsigned = 7;
    std::string sNarrow = "narrow";
    std::u16string wszWide = u"wide";
    const char* szText = "text";
    scope.Watch("iSigned", &iSigned);
    scope.Watch("dwUnsigned", &dwUnsigned);
    scope.Watch("sNarrow", &sNarrow);
    scope.Watch("wszWide", &wszWide);
    scope.Watch("szText", &szText);
    std::vector<std::string> names;
    std::vector<WatchType> types;
    for (const SWatchedVariable* p = scope.FirstWatched(); p; p = p->pNext) {
        names.emplace_back(p->szName);
        types.push_back(p->eType);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"iSigned", "dwUnsigned", "sNarrow", "wszWide", "szText"}));
    EXPECT_EQ(types, (std::vector<WatchType>{WatchType::Int32, WatchType::Int32, WatchType::NarrowText,
                                             WatchType::WideText, WatchType::NarrowText}));
    EXPECT_EQ(static_cast<int>(WatchType::Int32), 2);
    EXPECT_EQ(static_cast<int>(WatchType::NarrowText), 5);
    EXPECT_EQ(static_cast<int>(WatchType::WideText), 7);
    EXPECT_EQ(scope.FirstWatched()->pAddress, &iSigned);

    char szChain[512];
    const int iLength = WriteCurrentThreadScopes(szChain, sizeof szChain);
    EXPECT_EQ(std::string(szChain, static_cast<size_t>(iLength)),
              "SF::W\n  iSigned = -1 (0xFFFFFFFF)\n  dwUnsigned = 7\n  sNarrow = \"narrow\"\n"
              "  wszWide = \"wide\"\n  szText = \"text\"\n");

    // Entries live inside the frame: beyond the limit further ones are ignored.
    int32_t aValues[12] = {};
    ScopeFrame full("SF::Full");
    for (int32_t& iValue : aValues)
        full.Watch("iValue", &iValue);
    int iCount = 0;
    for (const SWatchedVariable* p = full.FirstWatched(); p; p = p->pNext)
        ++iCount;
    EXPECT_EQ(iCount, ScopeFrame::MaxWatched());
}

TEST(ScopeFrameTest, EachThreadHasItsOwnChain) {
    ScopeFrame mine("SF::Mine");
    ScopeFrame* pOtherAtStart = &mine;
    ScopeFrame* pOtherInner = nullptr;
    std::thread other([&] {
        pOtherAtStart = ScopeFrame::Current();
        ScopeFrame theirs("SF::Theirs");
        pOtherInner = ScopeFrame::Current();
        EXPECT_EQ(theirs.Enclosing(), nullptr);
    });
    other.join();
    EXPECT_EQ(pOtherAtStart, nullptr);
    EXPECT_NE(pOtherInner, nullptr);
    EXPECT_EQ(ScopeFrame::Current(), &mine);
    EXPECT_EQ(mine.Enclosed(), nullptr);
}

} // namespace
} // namespace kov
