// Threading kit: MutexWithOwner, MutexLockGuard, AutoDeleteThreadObjectImpl, StickyRef,
// CSimpleThread and the ScopeFrame chains.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <pthread.h>
#endif

#include "common/TestDir.h"
#include "support/CrashLedger.h"
#include "support/ScopeFrame.h"
#include "support/Threads.h"
#include "support/TraceLog.h"

namespace kov {
namespace {

using namespace std::chrono_literals;
using SFatal = std::pair<std::string, std::string>;

// Every FatalProgramError/State text, as {kind, text}.
std::mutex g_fatalLock;
std::vector<SFatal> g_fatal;
void CollectFatal(const char* szKind, const char* szText)
{
    std::lock_guard<std::mutex> guard(g_fatalLock);
    g_fatal.emplace_back(szKind, szText);
}
std::vector<SFatal> TakeFatal()
{
    std::lock_guard<std::mutex> guard(g_fatalLock);
    return std::exchange(g_fatal, {});
}

class ThreadsTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetReportFolder(m_dir.String());
        TakeFatal();
        SetFatalReportHook(&CollectFatal);
    }
    void TearDown() override
    {
        SetFatalReportHook(nullptr);
        AttachTraceLog(nullptr, 0);
        SetReportFolder("");
    }
    test::CTestDir m_dir;
};

// Written to only by the test's own thread.
struct CRecordingSink : ITraceLogSink {
    void WriteTrace(int iLevel, const char* szText) override { vLines.emplace_back(iLevel, szText); }
    std::vector<std::pair<int, std::string>> vLines;
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

// --- MutexWithOwner --------------------------------------------------------------------------

TEST_F(ThreadsTest, RelockCountsAndNeedsAsManyUnlocksAcrossThreads)
{
    MutexWithOwner mutex;
    EXPECT_EQ(mutex.OwnerThreadId(), MutexWithOwner::kNoOwner);
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
    {
        MutexLockGuard guard(mutex);
        EXPECT_TRUE(guard.Locked());
        ASSERT_TRUE(mutex.Lock());
        EXPECT_EQ(mutex.LockCount(), 2u);
        EXPECT_EQ(mutex.OwnerThreadId(), CurrentThreadId());
        EXPECT_FALSE(tryFromOtherThread());
        mutex.Unlock();
    } // the guard's unlock is the last; an early full release would make it a foreign unlock
    EXPECT_EQ(mutex.LockCount(), 0u);
    EXPECT_EQ(mutex.OwnerThreadId(), MutexWithOwner::kNoOwner);
    EXPECT_TRUE(tryFromOtherThread());
    EXPECT_TRUE(TakeFatal().empty());
}

TEST_F(ThreadsTest, ContendedCounterStaysExactAndThreadIdsAreDistinct)
{
    MutexWithOwner mutex;
    int iCounter = 0;
    std::set<uint32_t> ids{CurrentThreadId()};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            const uint32_t dwId = CurrentThreadId();
            for (int i = 0; i < 2000; ++i) {
                MutexLockGuard outer(mutex);
                MutexLockGuard inner(mutex); // relock by the owner
                EXPECT_EQ(mutex.LockCount(), 2u);
                ++iCounter;
                ids.insert(dwId);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(iCounter, 8000);
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_EQ(mutex.LockCount(), 0u);
    EXPECT_TRUE(TakeFatal().empty());
}

TEST_F(ThreadsTest, RelockIsTracedAtLevelThreeWithTheScopeChainCutAt200)
{
    const std::string sPrefix = "Thread Relocking Error [count=1]\r\n";
    MutexWithOwner mutex;
    { // no sink, then a sink below level 3: nothing to see, and nothing breaks
        MutexLockGuard a(mutex);
        MutexLockGuard b(mutex);
        EXPECT_EQ(mutex.LockCount(), 2u);
    }
    CRecordingSink quiet;
    AttachTraceLog(&quiet, 2);
    {
        MutexLockGuard a(mutex);
        MutexLockGuard b(mutex);
    }
    EXPECT_TRUE(quiet.vLines.empty());

    CRecordingSink sink;
    AttachTraceLog(&sink, 3);
    ScopeFrame outer("TT::Outer");
    int32_t iStep = 42;
    outer.Watch("iStep", &iStep);
    ASSERT_TRUE(mutex.Lock());
    EXPECT_EQ(ScopeFrame::Current(), &outer); // the lock's own scope is popped on return
    EXPECT_TRUE(sink.vLines.empty());         // the first lock is no relock
    ASSERT_TRUE(mutex.Lock());
    auto lines = sink.vLines;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, 3);
    const std::string& sText = lines[0].second;
    ASSERT_EQ(sText.compare(0, sPrefix.size(), sPrefix), 0) << sText;
    ASSERT_GE(sText.size(), sPrefix.size() + 2);
    EXPECT_EQ(sText.substr(sText.size() - 2), "\r\n");
    const std::string sChain = sText.substr(sPrefix.size(), sText.size() - sPrefix.size() - 2);
    EXPECT_LE(sChain.size(), 200u);
    // Innermost first: the lock's own scope watching the owner, then the caller's.
    const size_t nLock =
        sChain.find("ME::Lock\n  m_dwLockingThreadID = " + std::to_string(CurrentThreadId()));
    const size_t nOuter = sChain.find("TT::Outer");
    ASSERT_NE(nLock, std::string::npos) << sChain;
    ASSERT_NE(nOuter, std::string::npos) << sChain;
    EXPECT_LT(nLock, nOuter);
    EXPECT_NE(sChain.find("iStep = 42"), std::string::npos) << sChain;
    mutex.Unlock();
    mutex.Unlock();

    std::vector<std::unique_ptr<ScopeFrame>> scopes;
    for (int i = 0; i < 30; ++i)
        scopes.push_back(std::make_unique<ScopeFrame>("TT::AVeryLongScopeLabelToFillTheChain"));
    ASSERT_TRUE(mutex.Lock());
    ASSERT_TRUE(mutex.Lock());
    lines = sink.vLines;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].second.size(), sPrefix.size() + 200 + 2);
    mutex.Unlock();
    mutex.Unlock();
    while (!scopes.empty())
        scopes.pop_back(); // innermost first
}

TEST_F(ThreadsTest, MutexHeldElsewhereTimesOutAndRefusesForeignUnlocks)
{
    MutexWithOwner mutex;
    std::latch locked{1}, release{1};
    std::thread holder([&] {
        ASSERT_TRUE(mutex.Lock());
        ASSERT_TRUE(mutex.Lock());
        locked.count_down();
        release.wait();
        mutex.Unlock(); // the owner's unlocks still balance
        mutex.Unlock();
    });
    locked.wait();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(mutex.Lock(0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    {
        MutexLockGuard guard(mutex, 0);
        EXPECT_FALSE(guard.Locked());
    } // a guard that did not lock does not unlock
    const auto startTimed = std::chrono::steady_clock::now();
    EXPECT_FALSE(mutex.Lock(60));
    EXPECT_GE(std::chrono::steady_clock::now() - startTimed, 50ms);
    EXPECT_EQ(ScopeFrame::Current(), nullptr); // the failed attempts left no scope behind
    EXPECT_TRUE(TakeFatal().empty());

    mutex.Unlock(); // not ours
    const SFatal notOwner{"FatalProgramError", "m_dwLockingThreadID == ::GetCurrentThreadId()"};
    EXPECT_EQ(TakeFatal(), std::vector<SFatal>{notOwner});
    EXPECT_FALSE(mutex.Lock(0)); // still held by the owner

    release.count_down();
    holder.join();
    EXPECT_TRUE(TakeFatal().empty());
    EXPECT_TRUE(mutex.Lock(1000));
    mutex.Unlock();

    // Unlocking a free mutex is reported the same way.
    mutex.Unlock();
    EXPECT_EQ(TakeFatal(), std::vector<SFatal>{notOwner});
    EXPECT_EQ(mutex.LockCount(), 0u);
    EXPECT_EQ(mutex.OwnerThreadId(), MutexWithOwner::kNoOwner);
}

TEST_F(ThreadsTest, DestroyingALockedMutexIsReportedWithItsOwner)
{
    auto* pMutex = new MutexWithOwner;
    ASSERT_TRUE(pMutex->Lock());
    ASSERT_TRUE(pMutex->Lock());
    delete pMutex; // by this thread: unlocked first, then reported
    EXPECT_EQ(TakeFatal(),
              (std::vector<SFatal>{{"FatalProgramState",
                                    "Mutex is locked (2) by thread " + std::to_string(CurrentThreadId())}}));

    pMutex = new MutexWithOwner;
    std::latch locked{1}, destroyed{1};
    uint32_t dwHolder = 0;
    std::thread holder([&] {
        ASSERT_TRUE(pMutex->Lock());
        dwHolder = CurrentThreadId();
        locked.count_down();
        destroyed.wait(); // ends holding it: the memory is gone, nothing may touch it
    });
    locked.wait();
    delete pMutex;
    destroyed.count_down();
    holder.join();
    EXPECT_EQ(TakeFatal(), (std::vector<SFatal>{{"FatalProgramState", "Mutex is locked (1) by thread " +
                                                                          std::to_string(dwHolder)}}));
}

// --- AutoDeleteThreadObjectImpl, StickyRef ---------------------------------------------------

struct SDeletionProbe {
    std::atomic<int> iDeleted{0};
    std::thread::id deletingThread;
};

class CProbeObject : public ISticky {
public:
    explicit CProbeObject(SDeletionProbe* pProbe) : m_pProbe(pProbe) {}
    ~CProbeObject() override
    {
        m_pProbe->deletingThread = std::this_thread::get_id();
        m_pProbe->iDeleted.fetch_add(1);
    }

private:
    SDeletionProbe* m_pProbe;
};

TEST_F(ThreadsTest, ReferenceCountsAreExactUnderContentionAndLastReleaseDeletes)
{
    SDeletionProbe probe;
    auto* pObject = new AutoDeleteThreadObjectImpl<CProbeObject>(&probe);
    EXPECT_EQ(pObject->AddRef(), 1);
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
    EXPECT_EQ(pObject->AddRef(), 2);
    EXPECT_EQ(pObject->Release(), 1);
    EXPECT_EQ(probe.iDeleted.load(), 0);
    EXPECT_EQ(pObject->Release(), 0);
    EXPECT_EQ(probe.iDeleted.load(), 1);
    EXPECT_EQ(probe.deletingThread, std::this_thread::get_id());
    EXPECT_TRUE(TakeFatal().empty()); // the count lock was free when it went
}

TEST_F(ThreadsTest, StickyRefHoldsOneReference)
{
    SDeletionProbe probe;
    auto* pObject = new AutoDeleteThreadObjectImpl<CProbeObject>(&probe);
    {
        StickyRef<CProbeObject> first(pObject);
        StickyRef<CProbeObject> second = first;           // 2
        StickyRef<CProbeObject> third(std::move(second)); // still 2
        StickyRef<CProbeObject> fourth;
        fourth = third; // 3
        third.reset();  // 2
        EXPECT_EQ(fourth.get(), pObject);
        EXPECT_EQ(pObject->AddRef(), 3);
        EXPECT_EQ(pObject->Release(), 2);
    }
    EXPECT_EQ(probe.iDeleted.load(), 1);
}

// A thread object that deletes itself on its own thread, the way the protocol handler does.
class CSelfDeletingThread : public CSimpleThread, public ISticky {
public:
    CSelfDeletingThread(std::latch* pGo, SDeletionProbe* pProbe) : m_pGo(pGo), m_pProbe(pProbe) {}
    ~CSelfDeletingThread() override
    {
        m_pProbe->deletingThread = std::this_thread::get_id();
        m_pProbe->iDeleted.fetch_add(1);
    }
    bool Begin()
    {
        AddRef(); // the running body's reference
        if (Start("Self Deleting"))
            return true;
        Release();
        return false;
    }

protected:
    uint32_t Run(uint32_t) override
    {
        m_pGo->wait();
        Release(); // maybe the last one: then the object goes away on this thread
        return 0;
    }

private:
    std::latch* m_pGo;
    SDeletionProbe* m_pProbe;
};

TEST_F(ThreadsTest, ThreadObjectReleasedLastOnItsOwnThreadDetachesAndByTheStarterJoins)
{
    const int32_t iBlocksBefore = SSimpleThreadFunctionParameters::LiveCount();
    SDeletionProbe probe;
    std::latch go{1};
    auto* pThread = new AutoDeleteThreadObjectImpl<CSelfDeletingThread>(&go, &probe);
    pThread->AddRef(); // the starter's reference
    ASSERT_TRUE(pThread->Begin());
    EXPECT_EQ(pThread->Release(), 1); // the starter lets go first
    go.count_down();
    for (int i = 0; i < 500 && (probe.iDeleted.load() == 0 ||
                                SSimpleThreadFunctionParameters::LiveCount() != iBlocksBefore);
         ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(probe.iDeleted.load(), 1);
    EXPECT_NE(probe.deletingThread, std::this_thread::get_id());
    EXPECT_EQ(SSimpleThreadFunctionParameters::LiveCount(), iBlocksBefore);

    SDeletionProbe joined;
    std::latch goAgain{1};
    pThread = new AutoDeleteThreadObjectImpl<CSelfDeletingThread>(&goAgain, &joined);
    pThread->AddRef();
    ASSERT_TRUE(pThread->Begin());
    goAgain.count_down();
    // Wait until Run dropped its reference, then drop the last one here.
    for (int i = 0; i < 500; ++i) {
        pThread->AddRef();
        if (pThread->Release() == 1)
            break;
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(pThread->Release(), 0); // waits for the thread's last steps, then deletes
    EXPECT_EQ(joined.iDeleted.load(), 1);
    EXPECT_EQ(joined.deletingThread, std::this_thread::get_id());
    EXPECT_TRUE(TakeFatal().empty());
}

// --- CSimpleThread ---------------------------------------------------------------------------

TEST_F(ThreadsTest, StartRunsWithArgumentAndCanBeRepeated)
{
    std::atomic<uint32_t> dwSeenId{0};
    std::atomic<int> iRuns{0};
    CFunctionThread thread([&](uint32_t dwArgument) -> uint32_t {
        dwSeenId = CurrentThreadId();
        ++iRuns;
        return dwArgument + 1;
    });
    EXPECT_FALSE(thread.Joinable());
    EXPECT_EQ(thread.Join(), 0u); // never started
    uint32_t dwFirst = 0, dwSecond = 0;
    ASSERT_TRUE(thread.Start("Arg Worker", 1234, &dwFirst));
    EXPECT_EQ(thread.Join(), 1235u);
    EXPECT_EQ(dwSeenId.load(), dwFirst);
    EXPECT_EQ(thread.Join(), 1235u); // remembered

    ASSERT_TRUE(thread.Start("Again", 20, &dwSecond));
    ASSERT_TRUE(thread.Start("Again", 30)); // waits for the previous one first
    EXPECT_EQ(thread.Join(), 31u);
    EXPECT_EQ(iRuns.load(), 3);
    EXPECT_NE(dwFirst, dwSecond);
}

// The entry scope's text is checked with the state report.
TEST_F(ThreadsTest, EntryScopeIsCurrentInRunAndTheOsNameIsCutTo15Bytes)
{
    std::string sOsName;
    ScopeFrame* pCurrent = nullptr;
    ScopeFrame* pEntry = nullptr;
    CFunctionThread* pSelf = nullptr;
    CFunctionThread thread([&](uint32_t) -> uint32_t {
        pCurrent = ScopeFrame::Current();
        pEntry = pSelf->EntryScope();
#if defined(__linux__)
        char szName[64] = {};
        pthread_getname_np(pthread_self(), szName, sizeof szName);
        sOsName = szName;
#endif
        return 0;
    });
    pSelf = &thread;
    ASSERT_TRUE(thread.Start("Host Client Protocol Handler"));
    thread.Join();
    ASSERT_NE(pCurrent, nullptr);
    EXPECT_EQ(pCurrent, pEntry);
#if defined(__linux__)
    EXPECT_EQ(sOsName, "Host Client Pro");
#endif
}

TEST_F(ThreadsTest, StartBlockIsReleasedWhetherRunReturnsOrThrows)
{
    const int32_t iBlocksBefore = SSimpleThreadFunctionParameters::LiveCount();
    std::latch go{1};
    CFunctionThread normal([&](uint32_t) -> uint32_t {
        go.wait();
        return 3;
    });
    ASSERT_TRUE(normal.Start("Block Worker"));
    // While Run runs, only the new thread's reference keeps the block.
    EXPECT_EQ(SSimpleThreadFunctionParameters::LiveCount(), iBlocksBefore + 1);
    go.count_down();
    EXPECT_EQ(normal.Join(), 3u);
    EXPECT_EQ(SSimpleThreadFunctionParameters::LiveCount(), iBlocksBefore);

    CFunctionThread thrower([](uint32_t) -> uint32_t {
        ScopeFrame scope("TT::Throwing");
        throw std::runtime_error("boom");
    });
    ASSERT_TRUE(thrower.Start("Throwing Worker"));
    EXPECT_EQ(thrower.Join(), 1u);
    CFunctionThread intThrower([](uint32_t) -> uint32_t { throw 5; });
    ASSERT_TRUE(intThrower.Start("Int Thrower"));
    EXPECT_EQ(intThrower.Join(), 1u);
    EXPECT_EQ(SSimpleThreadFunctionParameters::LiveCount(), iBlocksBefore);
}

// --- ScopeFrame ------------------------------------------------------------------------------

TEST(ScopeFrameTest, ChainsNestUnwindThroughExceptionsAndArePerThread)
{
    ScopeFrame outer("SF::Outer");
    try {
        ScopeFrame a("SF::A");
        EXPECT_EQ(a.Enclosing(), &outer);
        EXPECT_EQ(outer.Enclosed(), &a);
        [] {
            ScopeFrame b("SF::B");
            int32_t iValue = 1;
            b.Watch("iValue", &iValue);
            throw std::runtime_error("through");
        }();
    } catch (const std::runtime_error&) {
        EXPECT_EQ(ScopeFrame::Current(), &outer);
        EXPECT_EQ(outer.Enclosed(), nullptr);
    }
    ScopeFrame after("SF::After");
    EXPECT_EQ(after.Enclosing(), &outer);
    EXPECT_EQ(ScopeFrame::Current(), &after);

    ScopeFrame* pOtherAtStart = &outer;
    std::thread other([&] {
        pOtherAtStart = ScopeFrame::Current();
        ScopeFrame theirs("SF::Theirs");
        EXPECT_EQ(ScopeFrame::Current(), &theirs);
        EXPECT_EQ(theirs.Enclosing(), nullptr);
    });
    other.join();
    EXPECT_EQ(pOtherAtStart, nullptr);
    EXPECT_EQ(ScopeFrame::Current(), &after);
    EXPECT_EQ(after.Enclosed(), nullptr);
}

TEST(ScopeFrameTest, WatchedVariablesKeepOrderTypeAndLimit)
{
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

} // namespace
} // namespace kov
