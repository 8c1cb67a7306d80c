#include "sim/SimDevice.h"

#include "sim/DocumentMerge.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace kov {

namespace {

constexpr std::u16string_view kConfigElement = u"kov:CaptureDeviceConfig";
constexpr uint32_t kReadChunk = 1u << 20;
// A micro-SD card of the kind the devices carry.
constexpr uint64_t kWriteTestBytesPerSecond = 14u << 20;
constexpr uint64_t kReadTestBytesPerSecond = 38u << 20;
constexpr uint32_t kTicksPerLogLine = 5;
constexpr uint32_t kCriticalLogSize = 1536;

bool ReadExact(ITransport& transport, uint8_t* p, uint32_t dwCount)
{
    while (dwCount > 0) {
        int32_t iAsk = int32_t(std::min(dwCount, kReadChunk));
        int32_t iGot = transport.Read(p, iAsk).iCount;
        if (iGot <= 0 || iGot > iAsk)
            return false;
        p += iGot;
        dwCount -= uint32_t(iGot);
    }
    return true;
}

// Inflates a zlib stream; false when it is damaged, cut short or inflates beyond the limit.
bool InflateDocument(const std::vector<uint8_t>& vIn, std::string& sOut)
{
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return false;
    zs.next_in = const_cast<Bytef*>(vIn.data());
    zs.avail_in = uInt(vIn.size());
    sOut.clear();
    int iResult = Z_OK;
    while (iResult == Z_OK) {
        size_t iUsed = sOut.size();
        if (iUsed >= kMaxInflatedDocument) {
            iResult = Z_MEM_ERROR;
            break;
        }
        size_t iGrow = std::min<size_t>(std::max<size_t>(iUsed, 4096), kMaxInflatedDocument - iUsed);
        sOut.resize(iUsed + iGrow);
        zs.next_out = reinterpret_cast<Bytef*>(sOut.data() + iUsed);
        zs.avail_out = uInt(iGrow);
        iResult = inflate(&zs, Z_NO_FLUSH);
        sOut.resize(iUsed + iGrow - zs.avail_out);
        if (iResult == Z_BUF_ERROR && zs.avail_in > 0 && zs.avail_out == 0)
            iResult = Z_OK; // only the output was full
    }
    inflateEnd(&zs);
    return iResult == Z_STREAM_END;
}

// Device log lines as a unit in the field prints them; kinds 1 and 7 feed the host's
// connection status field.
struct SLogPattern {
    uint32_t dwKind;
    const char* szText;
};
const SLogPattern kLogPatterns[] = {
    {2, "rec: channel 1 recording to /media/sd0/rec/ch1_%05llu.mp4"},
    {2, "net: eth0 link up 100 Mb/s full duplex"},
    {3, "modem: signal quality 21 (-71 dBm), registered home network"},
    {2, "gps: fix 3D, 9 satellites, hdop 0.9"},
    {1, "Connected to server 192.168.10.20:5050"},
    {2, "stream: video 1 sending 1280x720 25 fps 1450 kb/s"},
    {4, "storage: 28.4 GB free of 31.9 GB"},
    {2, "audio: channel 1 level -32 dB"},
    {7, "Registering on server 192.168.10.20:5050"},
    {3, "vpn: tunnel kov0 up, peer 10.8.0.1"},
};

} // namespace

const char* SessionEndName(ESessionEnd eEnd)
{
    switch (eEnd) {
    case ESessionEnd::HostGone: return "host gone";
    case ESessionEnd::Restart: return "restart";
    case ESessionEnd::Shutdown: return "shutdown";
    case ESessionEnd::ProtocolError: return "protocol error";
    case ESessionEnd::Stopped: return "stopped";
    }
    return "?";
}

CSimDevice::CSimDevice(SSimDeviceOptions options) : m_options(std::move(options))
{
    m_options.iTickMs = std::max(m_options.iTickMs, 1);
    FillCriticalLog();
}

CSimDevice::~CSimDevice() = default;

bool CSimDevice::LoadDocumentText(const std::string& sUtf8Xml)
{
    TreeRef parsed;
    if (!parsed.LoadFromText(sUtf8Xml))
        return false;
    // The document tells the running version like the SoftwareVersion frame does.
    if (NodeRef wConfig = parsed.Root().FindChild(kConfigElement))
        wConfig.SetAttribute(u"kov:SoftwareVersion", u"", DottedQuadText(m_options.dwSoftwareVersion));
    std::string sCanonical;
    if (!parsed.ToUtf8(sCanonical))
        return false;
    std::lock_guard lock(m_mutex);
    m_sFactoryDocument = std::move(sCanonical);
    m_document = std::move(parsed);
    return true;
}

bool CSimDevice::LoadDocumentFile(const std::string& sPath)
{
    TreeRef file;
    std::string sText;
    if (!file.LoadFromFile(Utf8ToUtf16(sPath)) || !file.ToUtf8(sText))
        return false;
    return LoadDocumentText(sText);
}

std::string CSimDevice::DocumentText() const
{
    std::lock_guard lock(m_mutex);
    std::string s;
    m_document.ToUtf8(s);
    return s;
}

std::vector<uint8_t> CSimDevice::Image() const
{
    std::lock_guard lock(m_mutex);
    return m_vImage;
}

void CSimDevice::Stop()
{
    m_bStop = true;
    std::lock_guard lock(m_transportMutex);
    if (m_pTransport)
        m_pTransport->Close(true);
}

void CSimDevice::Log(const std::string& sLine) const
{
    if (m_options.fnLog)
        m_options.fnLog(sLine);
}

ESessionEnd CSimDevice::ServeSession(ITransport& transport)
{
    {
        std::lock_guard lockTransport(m_transportMutex);
        if (m_bStop) {
            transport.Close(true);
            return ESessionEnd::Stopped;
        }
        m_pTransport = &transport;
    }
    {
        std::lock_guard lock(m_mutex);
        m_bSessionOver = false;
        m_bLinkBroken = false;
        m_bAuthorized = !m_options.oPassword;
        m_bReadPending = m_bLogOn = m_writeTest.bRunning = m_readTest.bRunning = false;
        m_bProgramming = false;
        m_qFlashReplies.clear();
        m_dwTicks = 0;
        Log("host connected; sending software version " + DottedQuadText<char>(m_options.dwSoftwareVersion));
        Send(uint32_t(DeviceReply::SoftwareVersion), m_options.dwSoftwareVersion);
    }
    std::thread ticker([this] { TickLoop(); });
    ESessionEnd eEnd = ReadLoop(transport);
    {
        std::lock_guard lock(m_mutex);
        m_bSessionOver = true;
    }
    m_cvTick.notify_all();
    ticker.join();
    {
        std::lock_guard lockTransport(m_transportMutex);
        m_pTransport = nullptr;
    }
    transport.Close(true);
    if (eEnd == ESessionEnd::HostGone && m_bStop)
        eEnd = ESessionEnd::Stopped;
    std::lock_guard lock(m_mutex);
    Log(std::string("session ended: ") + SessionEndName(eEnd));
    return eEnd;
}

ESessionEnd CSimDevice::ReadLoop(ITransport& transport)
{
    std::vector<uint8_t> vPayload;
    for (;;) {
        uint8_t header[kFrameHeaderSize];
        if (!ReadExact(transport, header, kFrameHeaderSize))
            return ESessionEnd::HostGone;
        SFrameHeader h = SFrameHeader::Decode(header);
        if (h.dwPayloadLength > kMaxHostPayload) {
            std::lock_guard lock(m_mutex);
            Log("frame " + std::to_string(h.dwCommandId) + " announces " + std::to_string(h.dwPayloadLength) +
                " payload bytes, more than a host ever sends; dropping the link");
            return ESessionEnd::ProtocolError;
        }
        // Grow the buffer as bytes arrive, so a host that announces much and sends little
        // costs no more memory than it sent.
        vPayload.clear();
        uint32_t dwRemaining = h.dwPayloadLength;
        while (dwRemaining > 0) {
            uint32_t dwChunk = std::min(dwRemaining, kReadChunk);
            size_t iAt = vPayload.size();
            vPayload.resize(iAt + dwChunk);
            if (!ReadExact(transport, vPayload.data() + iAt, dwChunk)) {
                std::lock_guard lock(m_mutex);
                Log("host went away in the payload of frame " + std::to_string(h.dwCommandId));
                return ESessionEnd::HostGone;
            }
            dwRemaining -= dwChunk;
        }
        std::lock_guard lock(m_mutex);
        if (auto oEnd = HandleFrame(h, vPayload))
            return *oEnd;
        if (vPayload.capacity() > kReadChunk)
            std::vector<uint8_t>().swap(vPayload);
    }
}

bool CSimDevice::Send(uint32_t dwCommand, uint32_t dwParam, const void* pPayload, uint32_t dwLength)
{
    if (m_bLinkBroken || !m_pTransport)
        return false;
    auto header = SFrameHeader{dwCommand, dwParam, dwLength}.Encode();
    bool bOk = m_pTransport->Write(header.data(), int32_t(header.size())).iCount == int32_t(header.size());
    const auto* p = static_cast<const uint8_t*>(pPayload);
    // Large payloads (a big document) go out in pieces; the host reads them as one stream.
    for (uint32_t dwDone = 0; bOk && dwDone < dwLength;) {
        int32_t iPiece = int32_t(std::min(dwLength - dwDone, kReadChunk));
        bOk = m_pTransport->Write(p + dwDone, iPiece).iCount == iPiece;
        dwDone += uint32_t(iPiece);
    }
    if (!bOk) {
        m_bLinkBroken = true;
        Log("write to host failed");
    }
    return bOk;
}

bool CSimDevice::Send(DeviceReply eReply, uint32_t dwParam, const std::string& sPayload)
{
    return Send(uint32_t(eReply), dwParam, sPayload.data(), uint32_t(sPayload.size()));
}

std::optional<ESessionEnd> CSimDevice::HandleFrame(const SFrameHeader& h, std::vector<uint8_t>& vPayload)
{
    std::string sWhat = "received " + std::to_string(h.dwCommandId) + " param " + std::to_string(h.dwParam) +
                        " payload " + std::to_string(h.dwPayloadLength);
    const SCommandRow row = ProtocolRow(h.dwCommandId);
    if (row.eDirection != ECommandDirection::HostToDevice) {
        Log(sWhat + (row.Known() ? ": " + std::string(row.szName) + " is a reply, not a request"
                                 : ": unknown command"));
        Send(DeviceReply::UnsupportedCommand, h.dwCommandId);
        return m_bLinkBroken ? std::optional(ESessionEnd::HostGone) : std::nullopt;
    }
    // Every request of the protocol is handled: the compiler names one left out here.
    switch (HostClientCommand(h.dwCommandId)) {
    case ReadParameters:
        Log(sWhat + ": read parameters");
        if (m_bAuthorized) {
            SendDocument();
        } else {
            m_bReadPending = true;
            Send(DeviceReply::PasswordRequest, 0);
        }
        break;
    case PasswordReply: {
        Log(sWhat + ": password");
        if (!m_options.oPassword)
            break;
        std::string sTyped(vPayload.begin(), vPayload.end());
        if (sTyped != *m_options.oPassword) {
            Log("wrong password; asking again");
            Send(DeviceReply::PasswordRequest, 0);
            break;
        }
        m_bAuthorized = true;
        if (m_bReadPending) {
            m_bReadPending = false;
            SendDocument();
        }
        break;
    }
    case WriteParameters:
    case WriteParametersCompressed: {
        bool bCompressed = h.dwCommandId == WriteParametersCompressed;
        Log(sWhat + (bCompressed ? ": compressed change document" : ": change document"));
        if (!MayChangeParameters())
            break;
        std::string sXml;
        if (bCompressed && !InflateDocument(vPayload, sXml)) {
            Log("change document does not decompress");
            Send(DeviceReply::WriteParametersResult, 0);
            break;
        }
        if (!bCompressed)
            sXml.assign(vPayload.begin(), vPayload.end());
        WriteParametersFrom(sXml);
        break;
    }
    case ResetParameters:
        Log(sWhat + ": reset parameters");
        if (!MayChangeParameters())
            break;
        Send(DeviceReply::ResetParametersResult, m_document.LoadFromText(m_sFactoryDocument) ? 1 : 0);
        break;
    case RestartDevice: Log(sWhat + ": restart"); return ESessionEnd::Restart;
    case ShutdownDevice: Log(sWhat + ": shutdown"); return ESessionEnd::Shutdown;
    case ProgramBegin:
        Log(sWhat + ": program begin");
        m_bProgramming = true;
        m_bBadAckSpent = false;
        m_vImage.clear();
        m_qFlashReplies.clear();
        Send(DeviceReply::ProgramReady, 0);
        break;
    case ProgramBlock:
        Log(sWhat + ": program block");
        ProgramBlockReceived(h.dwParam, vPayload);
        break;
    case ProgramEnd:
        Log(sWhat + ": program end");
        ProgramEndReceived();
        break;
    case ReadCriticalLog: {
        Log(sWhat + ": read critical log");
        std::string sLog(m_vCriticalLog.begin(), m_vCriticalLog.end());
        Send(DeviceReply::CriticalLog, m_dwCriticalLogStart, sLog);
        break;
    }
    case DeleteCriticalLog:
        Log(sWhat + ": delete critical log");
        m_vCriticalLog.clear();
        m_dwCriticalLogStart = 0;
        break;
    case ReadDiagnostics:
        Log(sWhat + ": diagnostics");
        Send(DeviceReply::DiagnosticsReport, 0, DiagnosticsReport(h.dwParam));
        break;
    case DeleteAllRecordings:
        Log(sWhat + ": delete recordings");
        Send(DeviceReply::RecordingsDeleted, m_dwRecordings);
        m_dwRecordings = 0;
        break;
    case DisableConsole:
        Log(sWhat + ": disable console");
        Send(DeviceReply::DisableConsoleResult, 0);
        break;
    case StartWriteTest:
        Log(sWhat + ": start write test");
        StartStorageTest(m_writeTest, DeviceReply::WriteTestProgress);
        break;
    case StartReadTest:
        Log(sWhat + ": start read test");
        StartStorageTest(m_readTest, DeviceReply::ReadTestProgress);
        break;
    case StopWriteTest:
        Log(sWhat + ": stop test");
        m_writeTest.bRunning = m_readTest.bRunning = false;
        break;
    case LogOutput:
        Log(sWhat + (h.dwParam ? ": log output on" : ": log output off"));
        m_bLogOn = h.dwParam != 0;
        break;
    }
    if (m_bLinkBroken)
        return ESessionEnd::HostGone;
    return std::nullopt;
}

bool CSimDevice::MayChangeParameters()
{
    if (m_bAuthorized)
        return true;
    Log("refused: the configuration password was not given");
    Send(DeviceReply::CommandNotAuthorized, 0);
    return false;
}

void CSimDevice::SendDocument()
{
    std::string sXml;
    if (!m_document.ToUtf8(sXml)) {
        Send(DeviceReply::UnsupportedCommand, ReadParameters);
        return;
    }
    if (m_options.oStrayFrame) {
        Log("sending stray frame " + std::to_string(*m_options.oStrayFrame));
        Send(*m_options.oStrayFrame, 0);
    }
    Log("sending parameters document, " + std::to_string(sXml.size()) + " bytes");
    Send(DeviceReply::ParametersDocument, 0, sXml);
}

void CSimDevice::WriteParametersFrom(const std::string& sXml)
{
    TreeRef change;
    NodeRef wChangeRoot = change.LoadFromText(sXml);
    NodeRef wRoot = m_document.Root();
    bool bOk = wChangeRoot && wRoot && wChangeRoot.Name() == wRoot.Name();
    if (bOk)
        MergeChangeDocument(wRoot, wChangeRoot);
    else
        Log(wChangeRoot ? "change document has a foreign root; ignored" : "change document does not parse");
    Send(DeviceReply::WriteParametersResult, bOk ? 1 : 0);
}

void CSimDevice::ProgramBlockReceived(uint32_t dwOffset, const std::vector<uint8_t>& vBlock)
{
    if (!m_bProgramming) {
        FailProgramming(kFlashErrorNotProgramming);
        return;
    }
    if (vBlock.size() > kProgramBlockSize || dwOffset > kMaxFlashImage - vBlock.size()) {
        FailProgramming(kFlashErrorImageTooLarge);
        return;
    }
    size_t iEnd = size_t(dwOffset) + vBlock.size();
    if (m_vImage.size() < iEnd)
        m_vImage.resize(iEnd);
    std::copy(vBlock.begin(), vBlock.end(), m_vImage.begin() + dwOffset);
    uint32_t dwCrc = uint32_t(crc32(0L, vBlock.data(), uInt(vBlock.size())));
    if (m_options.oBadAckBlock && !m_bBadAckSpent &&
        uint64_t(*m_options.oBadAckBlock) * kProgramBlockSize == dwOffset) {
        m_bBadAckSpent = true;
        dwCrc = ~dwCrc;
        Log("corrupting this acknowledgement");
    }
    Send(DeviceReply::ProgramBlockAck, dwCrc);
}

void CSimDevice::FailProgramming(uint32_t dwCode)
{
    Log("programming failed with error " + std::to_string(dwCode));
    m_bProgramming = false;
    m_qFlashReplies.clear();
    Send(DeviceReply::FlashWriteError, dwCode);
}

void CSimDevice::ProgramEndReceived()
{
    if (!m_bProgramming) {
        FailProgramming(kFlashErrorNotProgramming);
        return;
    }
    if (m_vImage.empty()) {
        FailProgramming(kFlashErrorEmptyImage);
        return;
    }
    m_bProgramming = false;
    SaveImage();
    uint32_t dwSize = uint32_t(m_vImage.size());
    auto fnSteps = [&](DeviceReply eReply, uint32_t dwSteps, uint32_t dwUpTo) {
        for (uint32_t i = 1; i <= dwUpTo; ++i)
            m_qFlashReplies.push_back({uint32_t(eReply), uint32_t(uint64_t(dwSize) * i / dwSteps), 0});
    };
    fnSteps(DeviceReply::SectorEraseProgress, 4, 4);
    if (m_options.oFlashError) {
        fnSteps(DeviceReply::FlashWriteProgress, 8, 4);
        m_qFlashReplies.push_back({uint32_t(DeviceReply::FlashWriteError), *m_options.oFlashError, 0});
        return;
    }
    fnSteps(DeviceReply::FlashWriteProgress, 8, 8);
    fnSteps(DeviceReply::FlashVerifyProgress, 4, 4);
    m_qFlashReplies.push_back({uint32_t(DeviceReply::ProgramComplete), 0, 0});
}

void CSimDevice::SaveImage()
{
    if (m_options.sSaveImagePath.empty())
        return;
    std::ofstream file(m_options.sSaveImagePath, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(m_vImage.data()), std::streamsize(m_vImage.size()));
    file.close();
    Log(file ? "image of " + std::to_string(m_vImage.size()) + " bytes saved to " + m_options.sSaveImagePath
             : "cannot save the image to " + m_options.sSaveImagePath);
}

void CSimDevice::TickLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_bSessionOver) {
        m_cvTick.wait_for(lock, std::chrono::milliseconds(m_options.iTickMs),
                          [this] { return m_bSessionOver; });
        if (!m_bSessionOver)
            Tick();
    }
}

void CSimDevice::Tick()
{
    ++m_dwTicks;
    if (!m_qFlashReplies.empty()) {
        SFrameHeader h = m_qFlashReplies.front();
        m_qFlashReplies.pop_front();
        Send(h.dwCommandId, h.dwParam);
    }
    StorageTestProgress(m_writeTest, DeviceReply::WriteTestProgress, kWriteTestBytesPerSecond);
    StorageTestProgress(m_readTest, DeviceReply::ReadTestProgress, kReadTestBytesPerSecond);
    if (m_bLogOn && m_dwTicks % kTicksPerLogLine == 0) {
        uint32_t dwKind = 0;
        std::string sLine = NextLogLine(dwKind);
        Send(DeviceReply::DeviceText, dwKind, sLine);
    }
}

void CSimDevice::StartStorageTest(SStorageTest& test, DeviceReply eProgress)
{
    test.bRunning = true;
    test.tStart = std::chrono::steady_clock::now();
    Send(eProgress, 0);
}

void CSimDevice::StorageTestProgress(SStorageTest& test, DeviceReply eProgress, uint64_t qwBytesPerSecond)
{
    if (!test.bRunning)
        return;
    const auto llMicroseconds =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - test.tStart)
            .count();
    const uint64_t qwBytes = qwBytesPerSecond * uint64_t(std::max<int64_t>(llMicroseconds, 0)) / 1000000;
    // The count is 32 bits wide: a test that would pass 4 GiB ends there, as a full card would.
    const uint32_t dwBytes = uint32_t(std::min<uint64_t>(qwBytes, UINT32_MAX));
    Send(eProgress, dwBytes);
    test.bRunning = dwBytes < UINT32_MAX;
}

std::string CSimDevice::NextLogLine(uint32_t& dwKind)
{
    uint64_t q = m_qwLogCounter++;
    const SLogPattern& pattern = kLogPatterns[q % std::size(kLogPatterns)];
    dwKind = pattern.dwKind;
    char szBody[160];
    std::snprintf(szBody, sizeof szBody, pattern.szText, static_cast<unsigned long long>(q));
    if (dwKind == 1 || dwKind == 7)
        return szBody; // a status field shows the bare text
    char szLine[200];
    uint64_t qwMs = q * 700 + 12034;
    std::snprintf(szLine, sizeof szLine, "[%6llu.%03llu] %s", static_cast<unsigned long long>(qwMs / 1000),
                  static_cast<unsigned long long>(qwMs % 1000), szBody);
    return szLine;
}

std::vector<std::u16string> CSimDevice::DiagnosticTypes() const
{
    std::vector<std::u16string> v;
    NodeRef wTypes = m_document.Root().FindChild(kConfigElement).FindChild(u"kov:DiagnosticTypes");
    for (NodeRef w = wTypes.FirstChild(); w; w = w.NextSibling())
        if (w.NameIs(u"kov:DiagnosticType"))
            v.emplace_back(w.Text());
    return v;
}

std::string CSimDevice::DiagnosticsReport(uint32_t dwType) const
{
    auto vTypes = DiagnosticTypes();
    if (dwType >= vTypes.size())
        return "No diagnostic information of type " + std::to_string(dwType) + "\n";
    NodeRef wConfig = m_document.Root().FindChild(kConfigElement);
    auto fnAttr = [&](std::u16string_view wszName) {
        std::u16string wsz;
        wConfig.GetAttribute(wszName, wsz);
        return Utf16ToUtf8(wsz);
    };
    std::string s = "Diagnostic Information: " + Utf16ToUtf8(vTypes[dwType]) + "\n";
    s += "Model: " + fnAttr(u"kov:ProductName") + " (" + fnAttr(u"kov:DeviceModel") + ")\n";
    s += "Hardware ID: " + fnAttr(u"kov:HardwareID") + "\n";
    s += "Software Version: " + DottedQuadText<char>(m_options.dwSoftwareVersion) + "\n";
    s += "Device ID: " + fnAttr(u"kov:DeviceID") + "\n";
    switch (dwType % 4) {
    case 0:
        s += "Uptime: 3 days 04:12:55\nLoad average: 0.41 0.38 0.35\nMemory: 61 MB used of 128 MB\n";
        break;
    case 1: s += "eth0: 192.168.10.77/24 up\nwlan0: down\nppp0: 10.64.12.9 up\nkov0: 10.8.0.6 up\n"; break;
    case 2:
        s +=
            "/media/sd0: 28.4 GB free of 31.9 GB\nRecordings: " + std::to_string(m_dwRecordings) + " files\n";
        break;
    default: s += "Modem: registered, signal 21 (-71 dBm)\nSIM: ready\n"; break;
    }
    // The device appends its raw kernel ring after a NUL, as units in the field do.
    s += '\0';
    s += "<6>kov-rec: ready\n<4>kov-net: carrier restored on eth0\n";
    return s;
}

void CSimDevice::FillCriticalLog()
{
    static const char* const kEntries[] = {
        "E watchdog: recorder thread stalled 5012 ms, restarting",
        "E storage: write error on /media/sd0 (errno 5), remounting",
        "W power: input voltage 10.9 V below 11.0 V",
        "E modem: no response to AT+CSQ, power cycling",
        "W thermal: board temperature 78 C",
        "E stream: encoder queue overflow on video 1, frames dropped",
    };
    m_vCriticalLog.assign(kCriticalLogSize, 0);
    uint32_t dwPos = 0;
    bool bWrapped = false;
    for (int i = 0; i < 40; ++i) {
        char szEntry[160];
        int iLen = std::snprintf(szEntry, sizeof szEntry, "2024-%02d-%02d %02d:%02d:%02d %s\n", 3 + i / 28,
                                 1 + i % 28, (i * 7) % 24, (i * 13) % 60, (i * 29) % 60,
                                 kEntries[i % std::size(kEntries)]);
        // Entries end with a NUL in the ring, the device's record separator.
        for (int k = 0; k <= iLen; ++k) {
            m_vCriticalLog[dwPos] = k < iLen ? uint8_t(szEntry[k]) : 0;
            if (++dwPos == kCriticalLogSize) {
                dwPos = 0;
                bWrapped = true;
            }
        }
    }
    if (bWrapped) {
        m_dwCriticalLogStart = dwPos;
    } else {
        m_vCriticalLog.resize(dwPos);
        m_dwCriticalLogStart = 0;
    }
}

} // namespace kov
