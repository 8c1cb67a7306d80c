#include "platform/SystemTools.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/DefaultHandler.h"

extern char** environ;

namespace kov {

namespace {

// Output beyond this is not kept: a tool that talks this much has said what matters.
constexpr size_t kMaxOutput = 64 * 1024;

std::string Trimmed(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

// Spawns with standard input from /dev/null and, when iOutFd >= 0, output and errors to it.
bool Spawn(const std::vector<std::string>& vArgs, int iOutFd, pid_t& pid, std::string& sError)
{
    if (vArgs.empty()) {
        sError = "no program given";
        return false;
    }
    std::vector<char*> vArgv;
    for (const std::string& s : vArgs)
        vArgv.push_back(const_cast<char*>(s.c_str()));
    vArgv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (iOutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, iOutFd, 1);
        posix_spawn_file_actions_adddup2(&actions, iOutFd, 2);
    }
    const int iError = posix_spawnp(&pid, vArgv[0], &actions, nullptr, vArgv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (iError != 0) {
        sError = vArgs[0] + ": " + std::strerror(iError);
        return false;
    }
    return true;
}

int ExitCodeOf(int iStatus)
{
    if (WIFEXITED(iStatus))
        return WEXITSTATUS(iStatus);
    if (WIFSIGNALED(iStatus))
        return 128 + WTERMSIG(iStatus);
    return -1;
}

} // namespace

SProcessResult CSystemTools::Run(const std::vector<std::string>& vArgs)
{
    SProcessResult result;
    int aPipe[2];
    if (::pipe2(aPipe, O_CLOEXEC) != 0) {
        result.sError = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    pid_t pid = 0;
    result.bStarted = Spawn(vArgs, aPipe[1], pid, result.sError);
    ::close(aPipe[1]);
    if (result.bStarted) {
        char aBuffer[4096];
        for (;;) {
            const ssize_t iRead = ::read(aPipe[0], aBuffer, sizeof aBuffer);
            if (iRead < 0 && errno == EINTR)
                continue;
            if (iRead <= 0)
                break;
            if (result.sOutput.size() < kMaxOutput)
                result.sOutput.append(aBuffer, size_t(iRead));
        }
        int iStatus = 0;
        while (::waitpid(pid, &iStatus, 0) < 0 && errno == EINTR) {
        }
        result.iExitCode = ExitCodeOf(iStatus);
        result.sOutput = Trimmed(std::move(result.sOutput));
        // posix_spawnp reports a missing program as exit code 127 of the child.
        if (result.iExitCode == 127 && !HasProgram(vArgs[0])) {
            result.bStarted = false;
            result.sError = vArgs[0] + ": " + std::strerror(ENOENT);
        }
    }
    ::close(aPipe[0]);
    return result;
}

bool CSystemTools::Launch(const std::vector<std::string>& vArgs)
{
    if (vArgs.empty() || !HasProgram(vArgs[0]))
        return false;
    return StartDetachedProgram(vArgs[0], std::vector<std::string>(vArgs.begin() + 1, vArgs.end()), {});
}

bool CSystemTools::HasProgram(const std::string& sName)
{
    if (sName.empty())
        return false;
    if (sName.find('/') != std::string::npos)
        return ::access(sName.c_str(), X_OK) == 0;
    const char* szPath = std::getenv("PATH");
    std::string sPath = szPath ? szPath : "/usr/bin:/bin";
    for (size_t iStart = 0; iStart <= sPath.size();) {
        size_t iEnd = sPath.find(':', iStart);
        if (iEnd == std::string::npos)
            iEnd = sPath.size();
        const std::string sFolder = iEnd > iStart ? sPath.substr(iStart, iEnd - iStart) : ".";
        if (::access((sFolder + "/" + sName).c_str(), X_OK) == 0)
            return true;
        iStart = iEnd + 1;
    }
    return false;
}

bool CSystemTools::CanWriteFolder(const std::string& sFolder)
{
    return ::access(sFolder.c_str(), W_OK | X_OK) == 0;
}

ISystemTools& SystemTools()
{
    static CSystemTools s_tools;
    return s_tools;
}

} // namespace kov
