#include "os/ThreadName.h"

#if defined(__linux__)
#include <cstring>
#include <pthread.h>
#endif

namespace kov::os {

void SetCurrentThreadName(const char* szName)
{
#if defined(__linux__)
    if (!szName)
        return;
    char szShort[16];
    std::strncpy(szShort, szName, sizeof szShort - 1);
    szShort[sizeof szShort - 1] = '\0';
    pthread_setname_np(pthread_self(), szShort);
#else
    (void)szName;
#endif
}

} // namespace kov::os
