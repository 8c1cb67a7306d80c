#pragma once
// HTTP(S) GET with progress and cancel.
//
// One GET follows redirects, hands the final response's body to a sink piece by piece, reports
// the bytes received against the response's Content-Length, and can be stopped from any other
// thread. A transfer that receives nothing for the stall time fails; a slow one that keeps
// receiving runs as long as it needs.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace kov {

// No byte for this long ends a transfer.
inline constexpr uint32_t kHttpStallTimeoutMs = 10000;

// Where a response body goes. A false result stops the transfer (a full disk, a page larger
// than anyone would publish).
class IHttpBodySink {
public:
    virtual ~IHttpBodySink() = default;
    virtual bool Write(const char* pData, size_t iCount) = 0;
};

// The body kept in memory, for pages; a body above the limit stops the transfer.
class CHttpMemoryBody final : public IHttpBodySink {
public:
    static constexpr size_t kDefaultLimit = 8u << 20;
    explicit CHttpMemoryBody(size_t iLimit = kDefaultLimit) : m_iLimit(iLimit) {}
    bool Write(const char* pData, size_t iCount) override;
    const std::string& Body() const { return m_sBody; }

private:
    std::string m_sBody;
    size_t m_iLimit;
};

// A cancel flag that also wakes a transfer waiting for the network, so that Cancel from the
// interface thread ends the running GET at once instead of at its next byte.
class CHttpCancel {
public:
    CHttpCancel() = default;
    CHttpCancel(const CHttpCancel&) = delete;
    CHttpCancel& operator=(const CHttpCancel&) = delete;

    void Cancel(); // any thread
    bool IsCancelled() const { return m_bCancelled.load(); }
    void Reset() { m_bCancelled.store(false); }

    // For clients: fnWake runs on every Cancel while it is set. Clearing it (an empty function)
    // waits for a Cancel that is calling it.
    void SetWaker(std::function<void()> fnWake);

private:
    std::atomic<bool> m_bCancelled{false};
    std::mutex m_mutex;
    std::function<void()> m_fnWake;
};

enum class EHttpOutcome {
    Ok,          // a 2xx answer, its whole body taken by the sink
    HttpStatus,  // the server answered with another status (its body is not passed on)
    Cancelled,   // by CHttpCancel or the progress callback
    Stalled,     // nothing received for the stall time
    SinkRefused, // the sink did not take a piece of the body
    Failed,      // no usable answer: address, connection, certificate, protocol, bad URL
};

struct SHttpResult {
    EHttpOutcome eOutcome = EHttpOutcome::Failed;
    int32_t iStatusCode = 0; // status of the last response; 0 when none arrived
    int64_t llReceived = 0;  // body bytes handed to the sink
    std::string sError;      // one line on what went wrong; empty on success

    bool Succeeded() const { return eOutcome == EHttpOutcome::Ok; }
};

struct SHttpGetOptions {
    uint32_t dwStallTimeoutMs = kHttpStallTimeoutMs;
    // After each piece of the body the sink took: the bytes so far and the response's
    // Content-Length (-1 when it has none). False stops the transfer as a cancel.
    std::function<bool(int64_t llReceived, int64_t llContentLength)> fnProgress;
    CHttpCancel* pCancel = nullptr; // optional
};

class IHttpClient {
public:
    virtual ~IHttpClient() = default;
    // Several GETs may run at once on different threads.
    virtual SHttpResult Get(const std::string& sUrl, IHttpBodySink& body, const SHttpGetOptions& options) = 0;
};

// libcurl. Only http and https are spoken, and a redirect never leads from https to plain
// http; certificates and host names are checked as libcurl checks them by default. Proxy
// variables of the environment apply as libcurl reads them.
IHttpClient& SystemHttpClient();

// Whether the text is an absolute http:// or https:// URL with a host (scheme in any case).
bool IsHttpUrl(std::string_view sUrl);
bool IsHttpsUrl(std::string_view sUrl);

} // namespace kov
