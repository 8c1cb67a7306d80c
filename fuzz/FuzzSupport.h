#pragma once
// Shared by the fuzz targets: invariant checks that stop the run with a message, and the
// input as a file for the readers that take a path.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Built as libFuzzer targets and as corpus replay programs; both call this for every input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t iSize);

#define KOV_FUZZ_CHECK(condition)                                                                            \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace kov::fuzz {

// Writes the input into this process's scratch file (a new one per suffix, so a path can end
// in the extension a reader looks at) and returns its path. The file goes when the process
// ends.
std::string InputFile(const uint8_t* pData, size_t iSize, const std::string& sSuffix);

} // namespace kov::fuzz
