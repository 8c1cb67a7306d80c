#include "platform/Http.h"

#include <gtest/gtest.h>

#include "common/LoopbackHttpServer.h"
#include "common/TestDir.h"

namespace kov {
namespace {

using test::CLoopbackHttpServer;
using test::SHttpAnswer;

struct SProgressCall {
    int64_t llReceived;
    int64_t llLength;
};

class HttpGet : public ::testing::Test {
protected:
    SHttpResult Fetch(const std::string& sPath, CHttpMemoryBody& body, SHttpGetOptions options = {})
    {
        auto fnOuter = options.fnProgress;
        options.fnProgress = [this, fnOuter](int64_t llReceived, int64_t llLength) {
            m_vProgress.push_back({llReceived, llLength});
            return fnOuter ? fnOuter(llReceived, llLength) : true;
        };
        return SystemHttpClient().Get(m_server.Url(sPath), body, options);
    }

    static std::string Pattern(size_t iSize)
    {
        std::string s(iSize, '\0');
        for (size_t i = 0; i < iSize; ++i)
            s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
        return s;
    }

    test::CTestDir m_dir;
    CLoopbackHttpServer m_server{m_dir.Path()};
    std::vector<SProgressCall> m_vProgress;
};

TEST_F(HttpGet, FollowsRedirectsAndHandsOverTheWholeBodyWithProgress)
{
    const std::string sData = Pattern(300000);
    std::ofstream(m_dir / "data.bin", std::ios::binary) << sData;
    m_server.Answer("/old", {.iStatus = 301, .sBody = "moved away", .sLocation = "/older"});
    m_server.Answer("/older",
                    {.iStatus = 302, .sBody = "moved again", .sLocation = m_server.Url("/data.bin")});

    CHttpMemoryBody body;
    const SHttpResult result = Fetch("/old", body);
    ASSERT_TRUE(result.Succeeded()) << result.sError;
    EXPECT_EQ(result.iStatusCode, 200);
    EXPECT_EQ(result.llReceived, 300000);
    EXPECT_TRUE(body.Body() == sData) << "the bodies of the redirects must not be mixed in";
    EXPECT_EQ(m_server.Requests(), (std::vector<std::string>{"/old", "/older", "/data.bin"}));
    ASSERT_FALSE(m_vProgress.empty());
    for (size_t i = 0; i < m_vProgress.size(); ++i) {
        EXPECT_EQ(m_vProgress[i].llLength, 300000);
        if (i > 0) {
            EXPECT_GT(m_vProgress[i].llReceived, m_vProgress[i - 1].llReceived);
        }
    }
    EXPECT_EQ(m_vProgress.back().llReceived, 300000);

    // An answer without Content-Length ends with the connection and reports no length.
    m_vProgress.clear();
    m_server.Answer("/open-ended", {.sBody = "x" + sData, .bContentLength = false});
    CHttpMemoryBody open;
    ASSERT_TRUE(Fetch("/open-ended", open).Succeeded());
    EXPECT_EQ(open.Body().size(), sData.size() + 1);
    ASSERT_FALSE(m_vProgress.empty());
    EXPECT_EQ(m_vProgress.back().llLength, -1);
}

// Status codes, error pages and Cancel are covered where the upgrade reports them.
TEST_F(HttpGet, RefusesOtherSchemesOversizedPagesAndSilentHosts)
{
    for (const char* szUrl :
         {"file:///etc/hostname", "ftp://127.0.0.1/", "/dlds/", "http://", "https:///x"}) {
        EXPECT_FALSE(IsHttpUrl(szUrl)) << szUrl;
        CHttpMemoryBody body;
        EXPECT_EQ(SystemHttpClient().Get(szUrl, body, {}).eOutcome, EHttpOutcome::Failed) << szUrl;
    }
    EXPECT_TRUE(IsHttpUrl("HTTP://example.org") && IsHttpsUrl("Https://example.org/dlds/"));
    EXPECT_FALSE(IsHttpsUrl("http://example.org"));

    // A redirect may not lead to a local file.
    m_server.Answer("/to-file", {.iStatus = 302, .sLocation = "file:///etc/hostname"});
    CHttpMemoryBody redirected;
    EXPECT_FALSE(Fetch("/to-file", redirected).Succeeded());
    EXPECT_TRUE(redirected.Body().empty());

    m_server.Answer("/big", {.sBody = Pattern(5000)});
    CHttpMemoryBody small(4096);
    const SHttpResult result = SystemHttpClient().Get(m_server.Url("/big"), small, {});
    EXPECT_EQ(result.eOutcome, EHttpOutcome::SinkRefused);
    EXPECT_LE(small.Body().size(), 4096u);

    // Nobody listening: no status at all, and a reason.
    std::string sGone;
    {
        CLoopbackHttpServer gone;
        sGone = gone.Url("/");
    }
    const SHttpResult unreachable = SystemHttpClient().Get(sGone, small, {});
    EXPECT_EQ(unreachable.eOutcome, EHttpOutcome::Failed);
    EXPECT_EQ(unreachable.iStatusCode, 0);
    EXPECT_FALSE(unreachable.sError.empty());
}

TEST_F(HttpGet, StallTimeOutEndsOnlyASilentTransfer)
{
    // Headers, then silence (a stall inside the body is the upgrade's test).
    SHttpGetOptions options;
    options.dwStallTimeoutMs = 300;
    m_server.Answer("/stalls-before-body", {.sBody = Pattern(50000), .iHoldAfter = 0});
    CHttpMemoryBody silent;
    const SHttpResult stalled = Fetch("/stalls-before-body", silent, options);
    EXPECT_EQ(stalled.eOutcome, EHttpOutcome::Stalled);
    EXPECT_EQ(stalled.iStatusCode, 200);

    // Slow but steady: every pause is shorter than the stall time, all of them together longer.
    options.dwStallTimeoutMs = 1000;
    m_server.Answer(
        "/slow", {.sBody = Pattern(12000), .iPieceSize = 1000, .piecePause = std::chrono::milliseconds(150)});
    CHttpMemoryBody body;
    const SHttpResult result = Fetch("/slow", body, options);
    EXPECT_TRUE(result.Succeeded()) << result.sError;
    EXPECT_EQ(body.Body(), Pattern(12000));
}

} // namespace
} // namespace kov
