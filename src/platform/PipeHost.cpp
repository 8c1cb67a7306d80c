#include "platform/PipeHost.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/DeviceRoot.h"

namespace kov {

namespace {

// Whether the entry szName in sFolder is one of a device's pipes; sWhy says why it is not
// trusted (empty: it is). Anything else of that name makes the folder no device at all.
bool IsDevicePipe(const std::string& sFolder, const char* szName, std::string& sWhy)
{
    struct stat st {};
    if (::lstat((sFolder + "/" + szName).c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode)) {
        sWhy = std::string(szName) + " is a symbolic link";
        return true;
    }
    if (!S_ISFIFO(st.st_mode))
        return false;
    sWhy = DeviceEntryDistrust(st.st_uid, st.st_mode, szName);
    return true;
}

// The reason a device folder is refused, empty when it is trusted; false when it is no device.
bool CheckDeviceFolder(const std::string& sPath, std::string& sWhy)
{
    struct stat st {};
    if (::lstat(sPath.c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        sWhy = "it is a symbolic link";
        return ::stat(sPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    }
    std::string sWhyIn, sWhyOut;
    if (!S_ISDIR(st.st_mode) || !IsDevicePipe(sPath, kHostToDevicePipe, sWhyIn) ||
        !IsDevicePipe(sPath, kDeviceToHostPipe, sWhyOut))
        return false;
    sWhy = DeviceEntryDistrust(st.st_uid, st.st_mode, "it");
    if (sWhy.empty())
        sWhy = !sWhyIn.empty() ? sWhyIn : sWhyOut;
    return true;
}

// Keeps an opened device entry when it is of the expected kind and trusted, as it is now, not
// as a listing saw it; otherwise closes it. -1 then.
int KeepIfTrusted(int iFd, mode_t uKind)
{
    struct stat st {};
    if (iFd >= 0 && (::fstat(iFd, &st) != 0 || (st.st_mode & S_IFMT) != uKind ||
                     !DeviceEntryDistrust(st.st_uid, st.st_mode, "").empty())) {
        ::close(iFd);
        return -1;
    }
    return iFd;
}

} // namespace

std::vector<std::string> ListPipeDevices(const std::string& sRoot, std::vector<SRefusedDevice>* pRefused)
{
    std::vector<std::string> vNames;
    DIR* pDir = ::opendir(sRoot.c_str());
    if (!pDir)
        return vNames;
    std::vector<SRefusedDevice> vRefused;
    while (const dirent* pEntry = ::readdir(pDir)) {
        if (pEntry->d_name[0] == '.')
            continue;
        const std::string sPath = sRoot + "/" + pEntry->d_name;
        std::string sWhy;
        if (!CheckDeviceFolder(sPath, sWhy))
            continue;
        if (sWhy.empty())
            vNames.push_back(pEntry->d_name);
        else
            vRefused.push_back({sPath, std::move(sWhy)});
    }
    ::closedir(pDir);
    std::sort(vNames.begin(), vNames.end());
    for (auto& sName : vNames)
        sName = sRoot + "/" + sName;
    if (pRefused) {
        std::sort(vRefused.begin(), vRefused.end(),
                  [](const SRefusedDevice& a, const SRefusedDevice& b) { return a.sPath < b.sPath; });
        pRefused->insert(pRefused->end(), vRefused.begin(), vRefused.end());
    }
    return vNames;
}

std::vector<std::string> CPipeDeviceFinder::List()
{
    std::lock_guard lock(m_lock);
    std::vector<std::string> vDevices;
    std::map<std::string, std::string> refused; // path -> line
    const std::string sRootWhy = PrepareDeviceRoot(m_sRoot);
    if (!sRootWhy.empty()) {
        refused[m_sRoot] = "Device root " + m_sRoot + " not used: " + sRootWhy;
    } else {
        std::vector<SRefusedDevice> vRefused;
        vDevices = ListPipeDevices(m_sRoot, &vRefused);
        for (const SRefusedDevice& device : vRefused)
            refused[device.sPath] = "Device folder " + device.sPath + " ignored: " + device.sWhy;
    }
    for (const auto& [sPath, sLine] : refused) {
        const auto it = m_told.find(sPath);
        if (it == m_told.end() || it->second != sLine)
            m_vNotices.push_back(sLine);
    }
    m_told = std::move(refused);
    return vDevices;
}

std::vector<std::string> CPipeDeviceFinder::TakeNotices()
{
    std::lock_guard lock(m_lock);
    return std::exchange(m_vNotices, {});
}

void IgnoreBrokenPipeSignal()
{
    static std::once_flag s_once;
    std::call_once(s_once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

CWakeEvent::CWakeEvent() : m_iFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CWakeEvent::~CWakeEvent()
{
    if (m_iFd >= 0)
        ::close(m_iFd);
}

void CWakeEvent::Signal()
{
    const uint64_t qwOne = 1;
    if (m_iFd >= 0) [[maybe_unused]]
        auto r = ::write(m_iFd, &qwOne, sizeof qwOne);
}

void CWakeEvent::Reset()
{
    uint64_t qwValue = 0;
    if (m_iFd >= 0) [[maybe_unused]]
        auto r = ::read(m_iFd, &qwValue, sizeof qwValue);
}

int WaitFdOrWake(int iFd, short nEvents, const CWakeEvent& wake, int iTimeoutMs, uint32_t& dwError)
{
    pollfd aFds[2] = {{iFd, nEvents, 0}, {wake.Fd(), POLLIN, 0}};
    for (;;) {
        const int iReady = ::poll(aFds, wake.Valid() ? 2 : 1, iTimeoutMs);
        if (iReady < 0 && errno == EINTR)
            continue;
        if (iReady < 0) {
            dwError = uint32_t(errno);
            return -1;
        }
        if (iReady == 0)
            return 0;
        if (aFds[1].revents) {
            dwError = ECANCELED;
            return -1;
        }
        return aFds[0].revents;
    }
}

STransferResult WriteAllOrWake(int iFd, const void* pBuffer, int32_t iCount, const CWakeEvent& wake,
                               const std::atomic<bool>* pbCancelled)
{
    const auto* pBytes = static_cast<const uint8_t*>(pBuffer);
    int32_t iDone = 0;
    uint32_t dwError = 0;
    while (iDone < iCount) {
        if (pbCancelled && *pbCancelled) {
            dwError = ECANCELED;
            break;
        }
        const ssize_t iWritten = ::write(iFd, pBytes + iDone, size_t(iCount - iDone));
        if (iWritten > 0) {
            iDone += int32_t(iWritten);
            continue;
        }
        if (iWritten < 0 && errno == EINTR)
            continue;
        if (iWritten < 0 && errno == EAGAIN) {
            if (WaitFdOrWake(iFd, POLLOUT, wake, -1, dwError) > 0)
                continue;
            break;
        }
        dwError = iWritten < 0 ? uint32_t(errno) : EIO; // EPIPE when the reader went away
        break;
    }
    return iDone == iCount ? STransferResult::Done(iDone) : STransferResult{-1, dwError};
}

CPipeHostChannel::~CPipeHostChannel()
{
    Close();
}

bool CPipeHostChannel::Open(const std::string& sDevicePath)
{
    Close();
    IgnoreBrokenPipeSignal();
    if (!m_wake.Valid())
        return false;
    // The folder is opened once and everything is checked on what was opened, so nothing can
    // be swapped in after a look. Its descriptor is also the claim, taken first and never
    // waited for: a device another host holds is busy. The lock goes with the descriptor, so a
    // host that dies releases it too.
    const int iClaimFd =
        KeepIfTrusted(::open(sDevicePath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC), S_IFDIR);
    if (iClaimFd < 0)
        return false;
    if (::flock(iClaimFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(iClaimFd);
        return false;
    }
    // The write end first: it opens only while the device holds its read end, and the
    // device takes the host as connected once the read end below appears.
    constexpr int kPipeFlags = O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;
    const int iWriteFd = KeepIfTrusted(::openat(iClaimFd, kHostToDevicePipe, O_WRONLY | kPipeFlags), S_IFIFO);
    const int iReadFd =
        iWriteFd < 0 ? -1
                     : KeepIfTrusted(::openat(iClaimFd, kDeviceToHostPipe, O_RDONLY | kPipeFlags), S_IFIFO);
    if (iReadFd < 0) {
        if (iWriteFd >= 0)
            ::close(iWriteFd);
        ::close(iClaimFd);
        return false;
    }
    std::lock_guard lock(m_lock);
    m_iWriteFd = iWriteFd;
    m_iReadFd = iReadFd;
    m_iClaimFd = iClaimFd;
    return true;
}

bool CPipeHostChannel::IsOpen() const
{
    std::lock_guard lock(m_lock);
    return m_iReadFd >= 0 && !m_bClosing;
}

bool CPipeHostChannel::Enter(int& iFd, bool bRead)
{
    std::lock_guard lock(m_lock);
    iFd = bRead ? m_iReadFd : m_iWriteFd;
    if (iFd < 0 || m_bClosing)
        return false;
    ++m_iActive;
    return true;
}

void CPipeHostChannel::Leave()
{
    std::lock_guard lock(m_lock);
    if (--m_iActive == 0)
        m_idle.notify_all();
}

STransferResult CPipeHostChannel::Read(void* pBuffer, int32_t iCount)
{
    if (!pBuffer || iCount <= 0)
        return STransferResult::Failed(EINVAL);
    int iFd = -1;
    if (!Enter(iFd, true))
        return STransferResult::Failed(ECANCELED);
    STransferResult result;
    for (;;) {
        // Try first: while data streams in, this saves a poll per read.
        const ssize_t iRead = ::read(iFd, pBuffer, size_t(iCount));
        if (iRead > 0) {
            result = STransferResult::Done(int32_t(iRead));
            break;
        }
        if (iRead == 0) {
            // End of file also means "no writer yet" right after Open, before the device
            // noticed us; only a hang-up says its write end came and went.
            const int iState = WaitFdOrWake(iFd, POLLIN, m_wake, 0, result.dwError);
            if (iState < 0)
                break;
            if ((iState & POLLHUP) && !(iState & POLLIN)) {
                result.dwError = ENODEV;
                break;
            }
            if (iState == 0 && WaitFdOrWake(iFd, POLLIN, m_wake, -1, result.dwError) < 0)
                break;
            continue;
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

STransferResult CPipeHostChannel::Write(const void* pBuffer, int32_t iCount)
{
    if ((!pBuffer && iCount > 0) || iCount < 0)
        return STransferResult::Failed(EINVAL);
    int iFd = -1;
    if (!Enter(iFd, false))
        return STransferResult::Failed(ECANCELED);
    const STransferResult result = WriteAllOrWake(iFd, pBuffer, iCount, m_wake);
    Leave();
    return result;
}

void CPipeHostChannel::Close()
{
    std::unique_lock lock(m_lock);
    if (m_iReadFd < 0 && m_iWriteFd < 0)
        return;
    m_bClosing = true;
    m_wake.Signal();
    m_idle.wait(lock, [this] { return m_iActive == 0; });
    // The read end goes first, so a device writing at this moment fails at once and ends
    // its session instead of leaving bytes behind for the next host.
    ::close(m_iReadFd);
    ::close(m_iWriteFd);
    ::close(m_iClaimFd); // the next host may take the device now
    m_iReadFd = m_iWriteFd = m_iClaimFd = -1;
    m_wake.Reset();
    m_bClosing = false;
}

} // namespace kov
