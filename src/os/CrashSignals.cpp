#include "os/CrashSignals.h"

#include <atomic>
#include <cstring>

#if defined(__unix__) || defined(__APPLE__)
#define KOV_POSIX_CRASH 1
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace kov::os {

#if defined(KOV_POSIX_CRASH)

namespace {

struct SSavedAction {
    int iSignal;
    const char* szName;
    struct sigaction oldAction;
    bool bSaved;
};

SSavedAction g_aSaved[] = {
    {SIGSEGV, "SIGSEGV", {}, false},
    {SIGABRT, "SIGABRT", {}, false},
    {SIGFPE, "SIGFPE", {}, false},
#if defined(SIGBUS)
    {SIGBUS, "SIGBUS", {}, false},
#endif
};

std::atomic<CrashSignalCallback> g_pfnCallback{nullptr};
std::atomic<bool> g_bInstalled{false};
// Process-unique marker of the thread that reports (its address of a thread-local).
std::atomic<const void*> g_pReportingThread{nullptr};
std::atomic<bool> g_bReportDone{false};
thread_local char t_cThreadMarker = 0;

void RestorePreviousActions()
{
    for (SSavedAction& saved : g_aSaved)
        if (saved.bSaved)
            sigaction(saved.iSignal, &saved.oldAction, nullptr);
}

const char* SignalName(int iSignal)
{
    for (const SSavedAction& saved : g_aSaved)
        if (saved.iSignal == iSignal)
            return saved.szName;
    return "signal";
}

// After the previous actions are back: a hardware fault (si_code > 0) re-executes the faulting
// instruction on return and so reaches the previous action with its real fault information;
// a software signal is raised again (SA_NODEFER: delivered at once).
void LetSignalTakeItsCourse(int iSignal, const siginfo_t* pInfo)
{
    const bool bHardwareFault = pInfo && pInfo->si_code > 0 && iSignal != SIGABRT;
    if (!bHardwareFault)
        raise(iSignal);
}

void CrashHandler(int iSignal, siginfo_t* pInfo, void*)
{
    const int iSavedErrno = errno;
    const void* pMe = &t_cThreadMarker;
    const void* pExpected = nullptr;
    if (!g_pReportingThread.compare_exchange_strong(pExpected, pMe)) {
        if (pExpected != pMe) {
            // Another thread is writing the report: wait until it is done, then end as well.
            while (!g_bReportDone.load())
                poll(nullptr, 0, 10);
        }
        // Else a fault inside the report itself: give up reporting.
        RestorePreviousActions();
        LetSignalTakeItsCourse(iSignal, pInfo);
        errno = iSavedErrno;
        return;
    }
    if (CrashSignalCallback pfn = g_pfnCallback.load())
        pfn(iSignal, SignalName(iSignal), pInfo && pInfo->si_code > 0 ? pInfo->si_addr : nullptr);
    g_bReportDone.store(true);
    RestorePreviousActions();
    LetSignalTakeItsCourse(iSignal, pInfo);
    errno = iSavedErrno;
}

struct SAltStack {
    void* pMemory;
    stack_t previous;
};

constexpr size_t kAltStackBytes = 256 * 1024;

} // namespace

bool InstallCrashSignalHandlers(CrashSignalCallback pfnCallback)
{
    g_pfnCallback.store(pfnCallback);
    if (g_bInstalled.load())
        return true;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = &CrashHandler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    bool bAny = false;
    for (SSavedAction& saved : g_aSaved) {
        saved.bSaved = sigaction(saved.iSignal, &action, &saved.oldAction) == 0;
        bAny = bAny || saved.bSaved;
    }
    g_bInstalled.store(bAny);
    return bAny;
}

void UninstallCrashSignalHandlers()
{
    if (!g_bInstalled.exchange(false))
        return;
    RestorePreviousActions();
    for (SSavedAction& saved : g_aSaved)
        saved.bSaved = false;
}

bool CrashSignalHandlersInstalled()
{
    return g_bInstalled.load();
}

void* InstallThreadCrashStack()
{
    stack_t current;
    if (sigaltstack(nullptr, &current) != 0 || (current.ss_flags & SS_ONSTACK))
        return nullptr;
    auto* pStack = new (std::nothrow) SAltStack{nullptr, current};
    if (!pStack)
        return nullptr;
    pStack->pMemory = std::malloc(kAltStackBytes);
    stack_t replacement;
    std::memset(&replacement, 0, sizeof replacement);
    replacement.ss_sp = pStack->pMemory;
    replacement.ss_size = kAltStackBytes;
    if (!pStack->pMemory || sigaltstack(&replacement, nullptr) != 0) {
        std::free(pStack->pMemory);
        delete pStack;
        return nullptr;
    }
    return pStack;
}

void RemoveThreadCrashStack(void* pToken)
{
    auto* pStack = static_cast<SAltStack*>(pToken);
    if (!pStack)
        return;
    stack_t current;
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_ONSTACK))
        return; // running on it (cannot happen outside a handler): leave it in place
    if (current.ss_sp == pStack->pMemory) {
        stack_t previous = pStack->previous;
        if (previous.ss_sp == nullptr || previous.ss_size == 0) {
            std::memset(&previous, 0, sizeof previous);
            previous.ss_flags = SS_DISABLE;
        }
        sigaltstack(&previous, nullptr);
    }
    // Else somebody replaced our stack since; it is no longer in use either way.
    std::free(pStack->pMemory);
    delete pStack;
}

int CrashFileOpen(const char* szPath)
{
    int iFile;
    do
        iFile = open(szPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK,
                     0600);
    while (iFile < 0 && errno == EINTR);
    struct stat info;
    if (iFile >= 0 && (fstat(iFile, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid())) {
        close(iFile);
        return -1;
    }
    return iFile;
}

void CrashFileWrite(int iFile, const char* pData, size_t nBytes)
{
    if (iFile < 0)
        return;
    while (nBytes > 0) {
        const ssize_t iDone = write(iFile, pData, nBytes);
        if (iDone < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (iDone == 0)
            return;
        pData += iDone;
        nBytes -= static_cast<size_t>(iDone);
    }
}

void CrashFileClose(int iFile)
{
    if (iFile >= 0)
        close(iFile);
}

int64_t CrashUnixTime()
{
    struct timespec now;
    if (clock_gettime(CLOCK_REALTIME, &now) != 0)
        return 0;
    return static_cast<int64_t>(now.tv_sec);
}

int32_t LocalUtcOffsetSeconds(int64_t tUnix)
{
    const time_t t = static_cast<time_t>(tUnix);
    struct tm local;
    if (!localtime_r(&t, &local))
        return 0;
#if defined(__USE_MISC) || defined(__APPLE__) || defined(__FreeBSD__)
    return static_cast<int32_t>(local.tm_gmtoff);
#else
    struct tm utc;
    gmtime_r(&t, &utc);
    local.tm_isdst = 0;
    return static_cast<int32_t>(difftime(mktime(&local), mktime(&utc)));
#endif
}

uint32_t CurrentProcessId()
{
    return static_cast<uint32_t>(getpid());
}

size_t CrashSafeCopy(void* pDest, const void* pSource, size_t nBytes)
{
    if (nBytes == 0)
        return 0;
    const int iSavedErrno = errno;
    size_t nCopied = 0;
#if defined(__linux__)
    // The kernel copies for us and reports unreadable memory as an error instead of a fault.
    struct iovec local {
        pDest, nBytes
    };
    struct iovec remote {
        const_cast<void*>(pSource), nBytes
    };
    const ssize_t iDone = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    if (iDone >= 0) {
        errno = iSavedErrno;
        return static_cast<size_t>(iDone);
    }
    if (errno == EFAULT) {
        errno = iSavedErrno;
        return 0;
    }
    // Not permitted here (seccomp, old kernel): fall back to a pipe, whose write() reports
    // unreadable memory as EFAULT.
#endif
    int aPipe[2];
    if (pipe(aPipe) != 0) {
        errno = iSavedErrno;
        return 0;
    }
    auto* pOut = static_cast<char*>(pDest);
    const auto* pIn = static_cast<const char*>(pSource);
    while (nCopied < nBytes) {
        size_t nChunk = nBytes - nCopied;
        if (nChunk > 512) // below PIPE_BUF: one write fills the pipe completely or fails
            nChunk = 512;
        const ssize_t iWritten = write(aPipe[1], pIn + nCopied, nChunk);
        if (iWritten <= 0)
            break;
        const ssize_t iRead = read(aPipe[0], pOut + nCopied, static_cast<size_t>(iWritten));
        if (iRead != iWritten)
            break;
        nCopied += static_cast<size_t>(iRead);
    }
    close(aPipe[0]);
    close(aPipe[1]);
    errno = iSavedErrno;
    return nCopied;
}

#else // no POSIX signals: crash reports are not written, the primitives still work or fail

bool InstallCrashSignalHandlers(CrashSignalCallback)
{
    return false;
}
void UninstallCrashSignalHandlers() {}
bool CrashSignalHandlersInstalled()
{
    return false;
}
void* InstallThreadCrashStack()
{
    return nullptr;
}
void RemoveThreadCrashStack(void*) {}
int CrashFileOpen(const char*)
{
    return -1;
}
void CrashFileWrite(int, const char*, size_t) {}
void CrashFileClose(int) {}
int64_t CrashUnixTime()
{
    return 0;
}
int32_t LocalUtcOffsetSeconds(int64_t)
{
    return 0;
}
uint32_t CurrentProcessId()
{
    return 0;
}
size_t CrashSafeCopy(void* pDest, const void* pSource, size_t nBytes)
{
    std::memcpy(pDest, pSource, nBytes);
    return nBytes;
}

#endif

} // namespace kov::os
