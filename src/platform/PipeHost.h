#pragma once
// The host side of the pipe way. A device interface is a folder under the device root that
// holds the named pipes PIPE_0x00 (host writes) and PIPE_0x01 (host reads); folders whose
// names begin with "." are devices still being prepared and are never listed.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Transfer.h"

namespace kov {

constexpr const char* kHostToDevicePipe = "PIPE_0x00";
constexpr const char* kDeviceToHostPipe = "PIPE_0x01";

// A folder under a device root that looks like a device but is not trusted.
struct SRefusedDevice {
    std::string sPath;
    std::string sWhy;
};

// Full paths of the trusted device folders under sRoot, in name order. Never opens a pipe.
// A device folder and both its pipes must be what they seem (not symbolic links) and pass
// DeviceEntryDistrust (platform/DeviceRoot.h); the others are skipped and, when pRefused is
// given, added to it with the reason. The root itself is taken as it is (see
// PrepareDeviceRoot).
std::vector<std::string> ListPipeDevices(const std::string& sRoot,
                                         std::vector<SRefusedDevice>* pRefused = nullptr);

// The device listing of a host that looks again and again (the presence poll): prepares the
// root before each look, and puts what it refuses into lines for the operator, once per
// folder (or root) and reason: a folder is told again only after it was gone or trusted in
// between. Safe to use from several threads.
class CPipeDeviceFinder {
public:
    explicit CPipeDeviceFinder(std::string sRoot) : m_sRoot(std::move(sRoot)) {}
    const std::string& Root() const { return m_sRoot; }
    // The trusted device folders, in name order; none while the root may not be used.
    std::vector<std::string> List();
    // The lines made since the last call, oldest first.
    std::vector<std::string> TakeNotices();

private:
    const std::string m_sRoot;
    std::mutex m_lock;
    std::map<std::string, std::string> m_told; // path -> reason last told
    std::vector<std::string> m_vNotices;
};

// A write to a pipe whose reader went away must fail with EPIPE instead of killing the
// process: SIGPIPE is ignored process-wide, once, by the first pipe user.
void IgnoreBrokenPipeSignal();

// A one-shot wake-up for threads blocked in poll(): Signal makes Fd readable until Reset.
class CWakeEvent {
public:
    CWakeEvent();
    ~CWakeEvent();
    CWakeEvent(const CWakeEvent&) = delete;
    CWakeEvent& operator=(const CWakeEvent&) = delete;
    bool Valid() const { return m_iFd >= 0; }
    int Fd() const { return m_iFd; }
    void Signal();
    void Reset();

private:
    int m_iFd = -1;
};

// Waits until iFd reports one of nEvents (or hang-up/error) or the wake event fires.
// Returns iFd's poll events (> 0) when it is ready, 0 on time-out, -1 when woken (dwError
// ECANCELED) or on error (dwError the system's code).
int WaitFdOrWake(int iFd, short nEvents, const CWakeEvent& wake, int iTimeoutMs, uint32_t& dwError);

// Writes all iCount bytes to the non-blocking iFd, waiting for room as needed. Fails when the
// reader went away (EPIPE), on another write error, or with ECANCELED when the wake event
// fires or *pbCancelled (if given) is set before the next part.
STransferResult WriteAllOrWake(int iFd, const void* pBuffer, int32_t iCount, const CWakeEvent& wake,
                               const std::atomic<bool>* pbCancelled = nullptr);

// The host's two ends of one device folder. Read and Write may run on different threads at
// once, and Close may come from a third: it wakes them and waits until they have left before
// the descriptors are released, so a descriptor is never closed under a blocked call.
class CPipeHostChannel {
public:
    CPipeHostChannel() = default;
    ~CPipeHostChannel();
    CPipeHostChannel(const CPipeHostChannel&) = delete;
    CPipeHostChannel& operator=(const CPipeHostChannel&) = delete;

    // Opens PIPE_0x00 for writing, then PIPE_0x01 for reading, without ever blocking; false
    // when the folder holds no device ready to take a host, or another host (in this process
    // or another) has it open: a device serves one host, and a second one's frames would be
    // interleaved with the first one's.
    bool Open(const std::string& sDevicePath);
    bool IsOpen() const;

    // One read of 1..iCount bytes; blocks until some arrive. Fails when the device went away
    // (end of file: ENODEV), on Close (ECANCELED) or on error.
    STransferResult Read(void* pBuffer, int32_t iCount);
    // Writes all iCount bytes; fails when the device went away (EPIPE), on Close or on error.
    STransferResult Write(const void* pBuffer, int32_t iCount);
    // Wakes blocked calls, then releases both ends; harmless when repeated.
    void Close();

private:
    // False (the call is cancelled) while closing or closed.
    bool Enter(int& iFd, bool bRead);
    void Leave();

    mutable std::mutex m_lock;
    std::condition_variable m_idle;
    int m_iReadFd = -1;
    int m_iWriteFd = -1;
    int m_iClaimFd = -1; // the device folder, locked while this host has it open
    int m_iActive = 0;   // Read/Write calls in progress
    bool m_bClosing = false;
    CWakeEvent m_wake;
};

} // namespace kov
