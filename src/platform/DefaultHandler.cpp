#include "platform/DefaultHandler.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace kov {

namespace {

// Spawn settings that free the child from what this process holds: the stop signals a
// program holds back for its own watcher, and SIGPIPE, which pipe users ignore.
class CSpawnAttributes {
public:
    CSpawnAttributes()
    {
        m_bValid = posix_spawnattr_init(&m_attributes) == 0;
        if (!m_bValid)
            return;
        sigset_t emptySet;
        sigemptyset(&emptySet);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int iSignal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD})
            sigaddset(&defaults, iSignal);
        m_bValid = posix_spawnattr_setsigmask(&m_attributes, &emptySet) == 0 &&
                   posix_spawnattr_setsigdefault(&m_attributes, &defaults) == 0 &&
                   posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                               POSIX_SPAWN_SETSID) == 0;
    }
    ~CSpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    CSpawnAttributes(const CSpawnAttributes&) = delete;
    CSpawnAttributes& operator=(const CSpawnAttributes&) = delete;
    bool Valid() const { return m_bValid; }
    const posix_spawnattr_t* Get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes{};
    bool m_bValid = false;
};

class CSpawnActions {
public:
    CSpawnActions() { m_bValid = posix_spawn_file_actions_init(&m_actions) == 0; }
    ~CSpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    CSpawnActions(const CSpawnActions&) = delete;
    CSpawnActions& operator=(const CSpawnActions&) = delete;
    bool ChangeFolder(const std::string& sFolder)
    {
        m_bValid = m_bValid && posix_spawn_file_actions_addchdir_np(&m_actions, sFolder.c_str()) == 0;
        return m_bValid;
    }
    bool Valid() const { return m_bValid; }
    const posix_spawn_file_actions_t* Get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions{};
    bool m_bValid = false;
};

} // namespace

bool StartDetachedProgram(const std::string& sProgram, const std::vector<std::string>& vArgs,
                          const std::string& sWorkingFolder)
{
    if (sProgram.empty())
        return false;
    CSpawnAttributes attributes;
    CSpawnActions actions;
    if (!attributes.Valid() || !actions.Valid() ||
        (!sWorkingFolder.empty() && !actions.ChangeFolder(sWorkingFolder)))
        return false;
    std::vector<std::string> vCopies;
    vCopies.reserve(vArgs.size() + 1);
    vCopies.push_back(sProgram);
    vCopies.insert(vCopies.end(), vArgs.begin(), vArgs.end());
    std::vector<char*> vArgv;
    for (std::string& s : vCopies)
        vArgv.push_back(s.data());
    vArgv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, sProgram.c_str(), actions.Get(), attributes.Get(), vArgv.data(), environ) != 0)
        return false;
    // The handler may outlive this call by far (an editor started in the foreground); a
    // thread of its own collects its end so it never lingers as a zombie.
    std::thread([pid] {
        int iStatus = 0;
        while (::waitpid(pid, &iStatus, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool OpenWithDesktopHandler(const std::string& sTarget, const std::string& sWorkingFolder)
{
    return !sTarget.empty() && StartDetachedProgram("xdg-open", {sTarget}, sWorkingFolder);
}

} // namespace kov
