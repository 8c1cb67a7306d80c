#include "platform/PipeDevice.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/DeviceRoot.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

// Large pipes let a big document cross in few reads; the default limit for unprivileged
// processes is 1 MiB. Failure only costs speed.
constexpr int kPipeBufferSize = 1 << 20;
// How often a waiting device looks for a host's read end.
constexpr int kHostProbeIntervalMs = 5;

void RemoveDeviceFolder(const std::string& sFolder)
{
    ::unlink((sFolder + "/" + kHostToDevicePipe).c_str());
    ::unlink((sFolder + "/" + kDeviceToHostPipe).c_str());
    ::rmdir(sFolder.c_str());
}

void CloseFd(int& iFd)
{
    if (iFd >= 0)
        ::close(iFd);
    iFd = -1;
}

} // namespace

CPipeDeviceSide::CPipeDeviceSide()
{
    IgnoreBrokenPipeSignal();
}

CPipeDeviceSide::~CPipeDeviceSide()
{
    Unplug();
}

bool CPipeDeviceSide::OpenReadEnd()
{
    // Non-blocking: a FIFO's read end opens at once even with no writer.
    m_iReadFd = ::open((m_sPath + "/" + kHostToDevicePipe).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_iReadFd >= 0)
        ::fcntl(m_iReadFd, F_SETPIPE_SZ, kPipeBufferSize);
    return m_iReadFd >= 0;
}

bool CPipeDeviceSide::Plug(const std::string& sRoot, const std::string& sName)
{
    std::unique_lock lock(m_lock);
    m_sPlugError.clear();
    if (!m_sPath.empty() || !m_wake.Valid() || sName.empty() || sName[0] == '.' ||
        sName.find('/') != std::string::npos)
        return false;
    // A host would not trust a device in a root another user can reach into.
    if (std::string sWhy = PrepareDeviceRoot(sRoot); !sWhy.empty()) {
        m_sPlugError = "device root " + sRoot + " not used: " + sWhy;
        return false;
    }
    if (!CreateDirectoryPath(Utf8ToUtf16(sRoot)))
        return false;
    const std::string sFinal = sRoot + "/" + sName;
    const std::string sStaging = sRoot + "/." + sName + "." + std::to_string(::getpid());
    RemoveDeviceFolder(sStaging); // left over by an earlier run with our pid
    if (::mkdir(sStaging.c_str(), 0700) != 0)
        return false;
    m_sPath = sStaging;
    bool bDone = ::mkfifo((sStaging + "/" + kHostToDevicePipe).c_str(), 0600) == 0 &&
                 ::mkfifo((sStaging + "/" + kDeviceToHostPipe).c_str(), 0600) == 0 && OpenReadEnd();
    // Appear in one step, and never over another device of the same name.
    bDone = bDone && ::renameat2(AT_FDCWD, sStaging.c_str(), AT_FDCWD, sFinal.c_str(), RENAME_NOREPLACE) == 0;
    if (!bDone) {
        CloseFd(m_iReadFd);
        RemoveDeviceFolder(sStaging);
        m_sPath.clear();
        return false;
    }
    m_sPath = sFinal;
    m_bCancelled = false;
    m_wake.Reset();
    return true;
}

bool CPipeDeviceSide::Enter(int& iFd, bool bRead)
{
    std::lock_guard lock(m_lock);
    iFd = bRead ? m_iReadFd : m_iWriteFd;
    if (m_bQuiescing || m_bCancelled || m_sPath.empty())
        return false;
    ++m_iActive;
    return true;
}

void CPipeDeviceSide::Leave()
{
    std::lock_guard lock(m_lock);
    if (--m_iActive == 0)
        m_idle.notify_all();
}

void CPipeDeviceSide::Quiesce(std::unique_lock<std::mutex>& lock)
{
    m_bQuiescing = true;
    m_wake.Signal();
    m_idle.wait(lock, [this] { return m_iActive == 0; });
}

bool CPipeDeviceSide::WaitForHost(int iTimeoutMs)
{
    int iUnused = -1;
    if (!Enter(iUnused, true))
        return false;
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(iTimeoutMs);
    bool bConnected = false;
    for (;;) {
        int iOpenError = 0;
        {
            std::lock_guard lock(m_lock);
            if (m_iWriteFd >= 0) {
                bConnected = true;
                break;
            }
            // The host opens its write end first and its read end second, so once the read
            // end is there the whole host is.
            m_iWriteFd =
                ::open((m_sPath + "/" + kDeviceToHostPipe).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (m_iWriteFd >= 0) {
                ::fcntl(m_iWriteFd, F_SETPIPE_SZ, kPipeBufferSize);
                bConnected = true;
                break;
            }
            iOpenError = errno;
        }
        if (iOpenError != ENXIO || m_bCancelled) // ENXIO: no host has its read end open yet
            break;
        int iWaitMs = kHostProbeIntervalMs;
        if (iTimeoutMs >= 0) {
            const auto tLeft =
                std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - std::chrono::steady_clock::now())
                    .count();
            if (tLeft <= 0)
                break;
            iWaitMs = int(std::min<long long>(tLeft, kHostProbeIntervalMs));
        }
        pollfd wake{m_wake.Fd(), POLLIN, 0};
        if (::poll(&wake, 1, iWaitMs) > 0)
            break; // cancelled or unplugging
    }
    Leave();
    return bConnected;
}

STransferResult CPipeDeviceSide::Read(void* pBuffer, int32_t iCount)
{
    if (!pBuffer || iCount <= 0)
        return STransferResult::Failed(EINVAL);
    int iFd = -1;
    if (!Enter(iFd, true))
        return STransferResult::Failed(ECANCELED);
    int32_t iDone = 0;
    STransferResult result;
    for (;;) {
        if (m_bCancelled) {
            result.dwError = ECANCELED;
            break;
        }
        const ssize_t iRead = ::read(iFd, static_cast<char*>(pBuffer) + iDone, size_t(iCount - iDone));
        if (iRead > 0) {
            iDone += int32_t(iRead);
            if (iDone == iCount) {
                result = STransferResult::Done(iCount);
                break;
            }
            continue;
        }
        if (iRead == 0) { // no writer left: the host went away
            m_bHostClosed = true;
            result = STransferResult::Done(0);
            break;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN) {
            result.dwError = uint32_t(errno);
            break;
        }
        if (WaitFdOrWake(iFd, POLLIN, m_wake, -1, result.dwError) < 0)
            break;
    }
    Leave();
    return result;
}

STransferResult CPipeDeviceSide::Write(const void* pBuffer, int32_t iCount)
{
    if ((!pBuffer && iCount > 0) || iCount < 0)
        return STransferResult::Failed(EINVAL);
    int iFd = -1;
    if (!Enter(iFd, false))
        return STransferResult::Failed(ECANCELED);
    if (iFd < 0) {
        Leave();
        return STransferResult::Failed(ENOTCONN); // no host session
    }
    const STransferResult result = WriteAllOrWake(iFd, pBuffer, iCount, m_wake, &m_bCancelled);
    Leave();
    return result;
}

void CPipeDeviceSide::Cancel()
{
    m_bCancelled = true;
    m_wake.Signal();
}

void CPipeDeviceSide::EndSession()
{
    std::unique_lock lock(m_lock);
    if (m_sPath.empty())
        return;
    Quiesce(lock);
    // Closing our write end lets the kernel drop what the host left unread once it has
    // closed too.
    CloseFd(m_iWriteFd);
    // When the host closed and its bytes were all read, the read end stays open: whatever
    // arrives now comes from the next host, which may already be connecting. Otherwise the
    // session ended mid-stream, and a fresh read end drops the old host's leftovers.
    if (!m_bHostClosed) {
        CloseFd(m_iReadFd);
        if (OpenReadEnd()) {
            char aDrain[4096];
            while (::read(m_iReadFd, aDrain, sizeof aDrain) > 0) {
            }
        }
    }
    m_bHostClosed = false;
    m_wake.Reset();
    m_bCancelled = false;
    m_bQuiescing = false;
}

void CPipeDeviceSide::Unplug()
{
    std::unique_lock lock(m_lock);
    if (m_sPath.empty())
        return;
    Quiesce(lock);
    RemoveDeviceFolder(m_sPath); // gone from the listing before the host sees end of file
    m_bHostClosed = false;
    CloseFd(m_iWriteFd);
    CloseFd(m_iReadFd);
    m_sPath.clear();
    m_wake.Reset();
    m_bCancelled = false;
    m_bQuiescing = false;
}

} // namespace kov
