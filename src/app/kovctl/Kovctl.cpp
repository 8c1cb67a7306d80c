#include "app/kovctl/Kovctl.h"

#include <cstdio>

namespace kov {
int KovctlMain(int, char**) {
    std::fputs("usage: kovctl COMMAND [ARGS]\n", stdout);
    return 0;
}
} // namespace kov
