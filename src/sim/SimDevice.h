#pragma once
// A simulated device: the client side of the frame protocol over any transport. It holds a
// parameter document, merges change documents into it, answers every request and runs the
// firmware block exchange. One host session at a time; the device's state (document,
// critical log, recordings) outlives sessions as a real device's does.
#include "document/ValueTree.h"
#include "link/Protocol.h"
#include "sim/SimOptions.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kov {

enum class ESessionEnd {
    HostGone,      // a read failed: the host closed or vanished, perhaps mid-frame
    Restart,       // the host asked for a restart; the link drops
    Shutdown,      // the host asked for a shutdown; the link drops
    ProtocolError, // the host announced an absurd payload; the stream cannot be trusted
    Stopped,       // Stop() was called
};

const char* SessionEndName(ESessionEnd eEnd);

// Programming failures the device reports with FlashWriteError besides a configured one.
enum : uint32_t {
    kFlashErrorNotProgramming = 1, // a block or end without a begin
    kFlashErrorImageTooLarge = 2,  // a block beyond the flash or longer than a block may be
    kFlashErrorEmptyImage = 3,     // end with nothing received
};

inline constexpr uint32_t kMaxHostPayload = 64u << 20;    // larger announced payloads end the session
inline constexpr uint32_t kMaxFlashImage = 64u << 20;     // the simulated flash
inline constexpr size_t kMaxInflatedDocument = 64u << 20; // a change document may not inflate beyond this

class CSimDevice {
public:
    explicit CSimDevice(SSimDeviceOptions options);
    ~CSimDevice();
    CSimDevice(const CSimDevice&) = delete;
    CSimDevice& operator=(const CSimDevice&) = delete;

    // Sets the factory document (what ResetParameters restores) and the current one.
    // False, and nothing changed, when the text does not parse.
    bool LoadDocumentText(const std::string& sUtf8Xml);
    bool LoadDocumentFile(const std::string& sPath);

    // Serves one host until the link drops. Sends SoftwareVersion first; closes the
    // transport (forced) before returning, which is how an in-memory host sees the drop.
    ESessionEnd ServeSession(ITransport& transport);

    // From any thread: ends the session being served and refuses later ones.
    void Stop();
    bool Stopped() const { return m_bStop.load(); }

    // The current document as UTF-8 XML.
    std::string DocumentText() const;
    // The firmware image received in the last programming run.
    std::vector<uint8_t> Image() const;

private:
    // The storage tests: each runs from its start frame until StopWriteTest, reporting the
    // bytes done at the pace of a memory card.
    struct SStorageTest {
        bool bRunning = false;
        std::chrono::steady_clock::time_point tStart;
    };

    ESessionEnd ReadLoop(ITransport& transport);
    // Everything below runs with m_mutex held.
    // nullopt: the session goes on.
    std::optional<ESessionEnd> HandleFrame(const SFrameHeader& header, std::vector<uint8_t>& vPayload);
    bool Send(uint32_t dwCommand, uint32_t dwParam, const void* pPayload = nullptr, uint32_t dwLength = 0);
    bool Send(DeviceReply eReply, uint32_t dwParam, const std::string& sPayload = {});
    void Log(const std::string& sLine) const;
    void TickLoop();
    void StartStorageTest(SStorageTest& test, DeviceReply eProgress);
    void StorageTestProgress(SStorageTest& test, DeviceReply eProgress, uint64_t qwBytesPerSecond);
    void Tick();
    bool MayChangeParameters();
    void SendDocument();
    void WriteParametersFrom(const std::string& sXml);
    void ProgramBlockReceived(uint32_t dwOffset, const std::vector<uint8_t>& vBlock);
    void ProgramEndReceived();
    void FailProgramming(uint32_t dwCode);
    void SaveImage();
    std::string NextLogLine(uint32_t& dwKind);
    std::string DiagnosticsReport(uint32_t dwType) const;
    std::vector<std::u16string> DiagnosticTypes() const;
    void FillCriticalLog();

    SSimDeviceOptions m_options;
    std::atomic<bool> m_bStop{false};

    std::mutex m_transportMutex; // guards m_pTransport for Stop()
    ITransport* m_pTransport = nullptr;

    mutable std::mutex m_mutex; // device state and every write to the host
    std::condition_variable m_cvTick;
    std::string m_sFactoryDocument;
    TreeRef m_document;
    std::vector<uint8_t> m_vCriticalLog; // the ring, oldest byte at m_dwCriticalLogStart when wrapped
    uint32_t m_dwCriticalLogStart = 0;
    uint32_t m_dwRecordings = 37;
    uint64_t m_qwLogCounter = 0;

    // Per session
    bool m_bSessionOver = true;
    bool m_bLinkBroken = false;
    bool m_bAuthorized = false;
    bool m_bReadPending = false; // ReadParameters waits for the password
    bool m_bLogOn = false;
    SStorageTest m_writeTest;
    SStorageTest m_readTest;
    uint32_t m_dwTicks = 0;

    // Programming
    bool m_bProgramming = false;
    bool m_bBadAckSpent = false;
    std::vector<uint8_t> m_vImage;
    std::deque<SFrameHeader> m_qFlashReplies; // paced out by the ticker
};

} // namespace kov
