#include "platform/Http.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>

namespace kov {

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kMaxRedirects = 10;
constexpr int kLongestPollMs = 1000;
constexpr char kUserAgent[] = "Dovrane-Device-Config/7.0.0.0";

bool StartsWithNoCase(std::string_view sText, std::string_view sPrefix)
{
    if (sText.size() < sPrefix.size())
        return false;
    for (size_t i = 0; i < sPrefix.size(); ++i) {
        char ch = sText[i];
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
        if (ch != sPrefix[i])
            return false;
    }
    return true;
}

bool HasHostAfter(std::string_view sUrl, size_t iSchemeLength)
{
    return sUrl.size() > iSchemeLength && sUrl[iSchemeLength] != '/' && sUrl[iSchemeLength] != '?' &&
           sUrl[iSchemeLength] != '#';
}

bool IsSuccessStatus(long lStatus)
{
    return lStatus >= 200 && lStatus <= 299;
}

bool IsRedirectStatus(long lStatus)
{
    return lStatus >= 300 && lStatus <= 399;
}

// State of one GET, shared by the callbacks and the loop.
struct STransfer {
    CURL* pEasy = nullptr;
    IHttpBodySink* pBody = nullptr;
    const SHttpGetOptions* pOptions = nullptr;
    Clock::time_point lastByte;
    int64_t llReceived = 0;
    bool bCancelled = false;
    bool bSinkRefused = false;
    bool bRefusedStatus = false;

    bool CancelAsked() const { return pOptions->pCancel && pOptions->pCancel->IsCancelled(); }
};

size_t OnHeader(char*, size_t, size_t iCount, void* pUser)
{
    static_cast<STransfer*>(pUser)->lastByte = Clock::now();
    return iCount;
}

size_t OnBody(char* pData, size_t, size_t iCount, void* pUser)
{
    auto& transfer = *static_cast<STransfer*>(pUser);
    transfer.lastByte = Clock::now();
    long lStatus = 0;
    curl_easy_getinfo(transfer.pEasy, CURLINFO_RESPONSE_CODE, &lStatus);
    if (IsRedirectStatus(lStatus))
        return iCount; // the body of a redirect is nobody's business
    if (!IsSuccessStatus(lStatus)) {
        transfer.bRefusedStatus = true; // an error page is not the file asked for
        return 0;
    }
    if (transfer.CancelAsked()) {
        transfer.bCancelled = true;
        return 0;
    }
    if (iCount > 0 && !transfer.pBody->Write(pData, iCount)) {
        transfer.bSinkRefused = true;
        return 0;
    }
    transfer.llReceived += static_cast<int64_t>(iCount);
    if (transfer.pOptions->fnProgress) {
        curl_off_t llLength = -1;
        curl_easy_getinfo(transfer.pEasy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &llLength);
        if (!transfer.pOptions->fnProgress(transfer.llReceived, llLength < 0 ? -1 : int64_t{llLength})) {
            transfer.bCancelled = true;
            return 0;
        }
    }
    return iCount;
}

class CCurlHttpClient final : public IHttpClient {
public:
    CCurlHttpClient() { m_bReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }

    SHttpResult Get(const std::string& sUrl, IHttpBodySink& body, const SHttpGetOptions& options) override;

private:
    bool m_bReady = false;
};

struct SEasyHandles {
    CURL* pEasy = curl_easy_init();
    CURLM* pMulti = curl_multi_init();
    bool bAdded = false;
    ~SEasyHandles()
    {
        if (bAdded)
            curl_multi_remove_handle(pMulti, pEasy);
        if (pMulti)
            curl_multi_cleanup(pMulti);
        if (pEasy)
            curl_easy_cleanup(pEasy);
    }
};

SHttpResult CCurlHttpClient::Get(const std::string& sUrl, IHttpBodySink& body, const SHttpGetOptions& options)
{
    SHttpResult result;
    if (options.pCancel && options.pCancel->IsCancelled()) {
        result.eOutcome = EHttpOutcome::Cancelled;
        result.sError = "cancelled";
        return result;
    }
    if (!IsHttpUrl(sUrl)) {
        result.sError = "not an http or https address: " + sUrl;
        return result;
    }
    SEasyHandles handles;
    if (!m_bReady || !handles.pEasy || !handles.pMulti) {
        result.sError = "the HTTP library could not be initialised";
        return result;
    }

    STransfer transfer;
    transfer.pEasy = handles.pEasy;
    transfer.pBody = &body;
    transfer.pOptions = &options;
    char szError[CURL_ERROR_SIZE] = {};
    // A secure start stays secure through every redirect.
    const char* szProtocols = IsHttpsUrl(sUrl) ? "https" : "http,https";
    CURL* pEasy = handles.pEasy;
    curl_easy_setopt(pEasy, CURLOPT_URL, sUrl.c_str());
    curl_easy_setopt(pEasy, CURLOPT_PROTOCOLS_STR, szProtocols);
    curl_easy_setopt(pEasy, CURLOPT_REDIR_PROTOCOLS_STR, szProtocols);
    curl_easy_setopt(pEasy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(pEasy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(pEasy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(pEasy, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(pEasy, CURLOPT_ERRORBUFFER, szError);
    curl_easy_setopt(pEasy, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(pEasy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(pEasy, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(pEasy, CURLOPT_WRITEDATA, &transfer);
    if (curl_multi_add_handle(handles.pMulti, pEasy) != CURLM_OK) {
        result.sError = "the HTTP library could not start the transfer";
        return result;
    }
    handles.bAdded = true;

    if (options.pCancel) {
        CURLM* pMulti = handles.pMulti;
        options.pCancel->SetWaker([pMulti] { curl_multi_wakeup(pMulti); });
    }
    const auto stallTime = std::chrono::milliseconds(std::max<uint32_t>(options.dwStallTimeoutMs, 1));
    transfer.lastByte = Clock::now();
    CURLcode eDone = CURLE_OK;
    bool bStalled = false;
    bool bFinished = false;
    while (!bFinished) {
        int iRunning = 0;
        if (curl_multi_perform(handles.pMulti, &iRunning) != CURLM_OK) {
            eDone = CURLE_FAILED_INIT;
            break;
        }
        int iLeft = 0;
        while (CURLMsg* pMessage = curl_multi_info_read(handles.pMulti, &iLeft)) {
            if (pMessage->msg == CURLMSG_DONE) {
                eDone = pMessage->data.result;
                bFinished = true;
            }
        }
        if (bFinished || transfer.bCancelled)
            break;
        if (transfer.CancelAsked()) {
            transfer.bCancelled = true;
            break;
        }
        const auto now = Clock::now();
        if (now - transfer.lastByte >= stallTime) {
            bStalled = true;
            break;
        }
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(transfer.lastByte + stallTime - now);
        const int iWaitMs = static_cast<int>(std::clamp<int64_t>(wait.count() + 1, 1, kLongestPollMs));
        curl_multi_poll(handles.pMulti, nullptr, 0, iWaitMs, nullptr);
    }
    if (options.pCancel)
        options.pCancel->SetWaker({});

    long lStatus = 0;
    curl_easy_getinfo(pEasy, CURLINFO_RESPONSE_CODE, &lStatus);
    result.iStatusCode = static_cast<int32_t>(lStatus);
    result.llReceived = transfer.llReceived;
    if (transfer.bCancelled || (!bFinished && transfer.CancelAsked())) {
        result.eOutcome = EHttpOutcome::Cancelled;
        result.sError = "cancelled";
    } else if (bStalled) {
        result.eOutcome = EHttpOutcome::Stalled;
        result.sError = "nothing received for " + std::to_string(stallTime.count()) + " ms";
    } else if (transfer.bSinkRefused) {
        result.eOutcome = EHttpOutcome::SinkRefused;
        result.sError = "the body could not be stored";
    } else if (transfer.bRefusedStatus || (bFinished && eDone == CURLE_OK && !IsSuccessStatus(lStatus))) {
        result.eOutcome = EHttpOutcome::HttpStatus;
        result.sError = "the server answered with status " + std::to_string(lStatus);
    } else if (bFinished && eDone == CURLE_OK) {
        result.eOutcome = EHttpOutcome::Ok;
    } else {
        result.eOutcome = EHttpOutcome::Failed;
        result.sError = szError[0] ? szError : curl_easy_strerror(eDone);
    }
    return result;
}

} // namespace

bool CHttpMemoryBody::Write(const char* pData, size_t iCount)
{
    if (iCount > m_iLimit - m_sBody.size())
        return false;
    m_sBody.append(pData, iCount);
    return true;
}

void CHttpCancel::Cancel()
{
    m_bCancelled.store(true);
    std::lock_guard lock(m_mutex);
    if (m_fnWake)
        m_fnWake();
}

void CHttpCancel::SetWaker(std::function<void()> fnWake)
{
    std::lock_guard lock(m_mutex);
    m_fnWake = std::move(fnWake);
}

IHttpClient& SystemHttpClient()
{
    static CCurlHttpClient s_client;
    return s_client;
}

bool IsHttpUrl(std::string_view sUrl)
{
    return IsHttpsUrl(sUrl) || (StartsWithNoCase(sUrl, "http://") && HasHostAfter(sUrl, 7));
}

bool IsHttpsUrl(std::string_view sUrl)
{
    return StartsWithNoCase(sUrl, "https://") && HasHostAfter(sUrl, 8);
}

} // namespace kov
