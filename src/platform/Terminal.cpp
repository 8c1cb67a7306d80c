#include "platform/Terminal.h"

#include <unistd.h>

namespace kov {

bool IsTerminal(EStdStream eStream)
{
    int iFd = STDIN_FILENO;
    if (eStream == EStdStream::Output)
        iFd = STDOUT_FILENO;
    else if (eStream == EStdStream::Error)
        iFd = STDERR_FILENO;
    return ::isatty(iFd) == 1;
}

} // namespace kov
