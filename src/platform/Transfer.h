#pragma once
// What one read or write on a device channel did. The error travels with the count, so the
// caller never has to ask the system for a last error that other calls may have replaced.
#include <cstdint>

namespace kov {

struct STransferResult {
    int32_t iCount = -1;  // bytes transferred; -1 when the call failed
    uint32_t dwError = 0; // the system's error code of a failed call (errno numbers here)

    static constexpr STransferResult Done(int32_t iBytes) { return {iBytes, 0}; }
    static constexpr STransferResult Failed(int iErrno) { return {-1, uint32_t(iErrno)}; }
};

} // namespace kov
