#include "platform/Terminal.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

namespace kov {

namespace {

// How often a pending stop signal is looked for while the operator types.
constexpr int kSignalCheckMs = 100;

void WriteAll(int iFd, const char* pText, size_t nBytes)
{
    while (nBytes > 0) {
        const ssize_t iDone = ::write(iFd, pText, nBytes);
        if (iDone < 0 && errno == EINTR)
            continue;
        if (iDone <= 0)
            return;
        pText += iDone;
        nBytes -= size_t(iDone);
    }
}

} // namespace

bool IsTerminal(EStdStream eStream)
{
    int iFd = STDIN_FILENO;
    if (eStream == EStdStream::Output)
        iFd = STDOUT_FILENO;
    else if (eStream == EStdStream::Error)
        iFd = STDERR_FILENO;
    return ::isatty(iFd) == 1;
}

bool ReadSecretLine(const char* szPrompt, std::string& sLine)
{
    termios original{};
    if (::isatty(STDIN_FILENO) != 1 || ::tcgetattr(STDIN_FILENO, &original) != 0)
        return false;
    // The stop signals are held while echo is off, so that none can end the program with the
    // terminal left silent; one that comes is taken and delivered again afterwards.
    sigset_t stopSignals, previousMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (::pthread_sigmask(SIG_BLOCK, &stopSignals, &previousMask) != 0)
        return false;
    termios silent = original;
    silent.c_lflag &= ~tcflag_t(ECHO);
    silent.c_lflag |= ICANON;
    if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent) != 0) {
        ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
        return false;
    }

    WriteAll(STDERR_FILENO, szPrompt, std::strlen(szPrompt));
    std::string sTyped;
    bool bLine = false;
    int iSignal = 0;
    while (!bLine) {
        const timespec noWait{0, 0};
        iSignal = ::sigtimedwait(&stopSignals, nullptr, &noWait);
        if (iSignal > 0)
            break;
        iSignal = 0;
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int iReady = ::poll(&input, 1, kSignalCheckMs);
        if (iReady < 0 && errno != EINTR)
            break;
        if (iReady <= 0)
            continue;
        char aBuffer[256];
        const ssize_t iRead = ::read(STDIN_FILENO, aBuffer, sizeof aBuffer);
        if (iRead < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (iRead <= 0)
            break; // end of input
        for (ssize_t i = 0; i < iRead && !bLine; ++i) {
            if (aBuffer[i] == '\n')
                bLine = true;
            else
                sTyped += aBuffer[i];
        }
    }
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &original);
    WriteAll(STDERR_FILENO, "\n", 1); // the operator's Enter was not echoed
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    if (iSignal > 0) {
        ::raise(iSignal);
        return false;
    }
    if (!bLine)
        return false;
    if (!sTyped.empty() && sTyped.back() == '\r')
        sTyped.pop_back();
    sLine = std::move(sTyped);
    return true;
}

} // namespace kov
