#include "platform/Signals.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>

namespace kov {

namespace {

sigset_t StopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

bool HoldStopSignals()
{
    sigset_t set = StopSignals();
    return pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

bool ReleaseStopSignals()
{
    sigset_t set = StopSignals();
    return pthread_sigmask(SIG_UNBLOCK, &set, nullptr) == 0;
}

int WaitForStopSignal(int iTimeoutMs)
{
    sigset_t set = StopSignals();
    if (iTimeoutMs < 0)
        iTimeoutMs = 0;
    timespec ts{iTimeoutMs / 1000, long(iTimeoutMs % 1000) * 1000000L};
    for (;;) {
        int iSignal = sigtimedwait(&set, nullptr, &ts);
        if (iSignal > 0)
            return iSignal;
        if (errno != EINTR)
            return 0;
    }
}

} // namespace kov
