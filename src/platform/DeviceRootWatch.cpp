#include "platform/DeviceRootWatch.h"

#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kov {

namespace {

constexpr uint32_t kRootEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr uint32_t kParentEvents = IN_CREATE | IN_MOVED_TO | IN_ONLYDIR;

std::string ParentOf(const std::string& sPath)
{
    const size_t iSlash = sPath.find_last_of('/');
    if (iSlash == std::string::npos)
        return ".";
    return iSlash == 0 ? "/" : sPath.substr(0, iSlash);
}

} // namespace

CDeviceRootWatch::~CDeviceRootWatch()
{
    Stop();
}

bool CDeviceRootWatch::Start(const std::string& sRoot, std::function<void()> fnChanged)
{
    Stop();
    if (!m_wake.Valid() || sRoot.empty())
        return false;
    m_iFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_iFd < 0)
        return false;
    m_sRoot = sRoot;
    while (m_sRoot.size() > 1 && m_sRoot.back() == '/')
        m_sRoot.pop_back();
    m_fnChanged = std::move(fnChanged);
    m_wake.Reset();
    Arm();
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CDeviceRootWatch::Stop()
{
    if (m_thread.joinable()) {
        m_wake.Signal();
        m_thread.join();
    }
    if (m_iFd >= 0)
        ::close(m_iFd);
    m_iFd = -1;
    m_iWatch = -1;
}

bool CDeviceRootWatch::Arm()
{
    // A folder on the way may appear between the failed watch on it and the watch on its
    // parent; the parent's watch would never report it, so the walk starts again then.
    for (int iTry = 0; iTry < 64; ++iTry) {
        const int iOld = m_iWatch;
        std::string sWatched = m_sRoot, sBelow;
        int iWatch = ::inotify_add_watch(m_iFd, m_sRoot.c_str(), kRootEvents);
        m_bWatchingRoot = iWatch >= 0;
        while (iWatch < 0 && sWatched != "/" && sWatched != ".") {
            sBelow = sWatched;
            sWatched = ParentOf(sWatched);
            iWatch = ::inotify_add_watch(m_iFd, sWatched.c_str(), kParentEvents);
        }
        m_iWatch = iWatch;
        if (iOld >= 0 && iOld != iWatch)
            ::inotify_rm_watch(m_iFd, iOld); // its IN_IGNORED is then skipped as left over
        struct stat st {};
        if (m_bWatchingRoot || sBelow.empty() || ::stat(sBelow.c_str(), &st) != 0)
            break;
    }
    return m_bWatchingRoot;
}

void CDeviceRootWatch::Run()
{
    alignas(inotify_event) char aEvents[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        pollfd aFds[2] = {{m_iFd, POLLIN, 0}, {m_wake.Fd(), POLLIN, 0}};
        if (::poll(aFds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (aFds[1].revents != 0)
            return;
        bool bChanged = false, bRearm = false;
        for (;;) {
            const ssize_t iRead = ::read(m_iFd, aEvents, sizeof aEvents);
            if (iRead <= 0)
                break;
            for (ssize_t i = 0; i < iRead;) {
                const auto* pEvent = reinterpret_cast<const inotify_event*>(aEvents + i);
                i += ssize_t(sizeof(inotify_event) + pEvent->len);
                if (pEvent->wd != m_iWatch && !(pEvent->mask & IN_Q_OVERFLOW))
                    continue; // left over from a folder watched before
                if (pEvent->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_Q_OVERFLOW)) {
                    bRearm = bChanged = true; // the root went (its devices with it), or events were lost
                } else if (!m_bWatchingRoot) {
                    bRearm = true; // a folder on the way to the root appeared
                } else if (pEvent->len == 0 || pEvent->name[0] != '.') {
                    bChanged = true;
                }
            }
        }
        // The root that appears may already hold devices.
        if (bRearm && Arm())
            bChanged = true;
        if (bChanged && m_fnChanged)
            m_fnChanged();
    }
}

} // namespace kov
