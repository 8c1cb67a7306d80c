#include "upgrade/UpgradeProgressForm.h"

#include <gtest/gtest.h>

#include "document/AppOptions.h"
#include "form/ScriptedFormHost.h"
#include "upgrade/DownloadSite.h"
#include "upgrade/UpgradeTestKit.h"

namespace kov {
namespace {

using test::FilesUnder;
using test::Utf8;

// A host that counts how often the progress window was shown and hidden.
class CCountingHost final : public CScriptedFormHost {
public:
    void ShowModeless(CForm& rForm) override
    {
        iShown += IsModelessShown(rForm) ? 0 : 1;
        CScriptedFormHost::ShowModeless(rForm);
    }
    void HideModeless(CForm& rForm) override
    {
        iHidden += IsModelessShown(rForm) ? 1 : 0;
        CScriptedFormHost::HideModeless(rForm);
    }
    int iShown = 0;
    int iHidden = 0;
};

class CEventCollector final : public IDeviceEventSink {
public:
    void PostDeviceEvent(SDeviceEventData event) override { vEvents.push_back(std::move(event)); }
    std::vector<SDeviceEventData> vEvents;
};

class UpgradeWindow : public test::UpgradeSite {
protected:
    static constexpr uint32_t kOwnerParam = 5;

    UpgradeWindow()
    {
        m_form.SetHost(&m_host);
        m_upgrade.SetOwner(&m_owner, uint32_t(DeviceEvent::UpgradeReadyEvent), kOwnerParam);
    }

    // The owner's loop: every report of the run goes to the window in order.
    void Pump()
    {
        for (const SUpgradeReport& report : Collect())
            m_form.OnReport(report);
    }
    std::u16string StatusLine() const { return m_form.TextOf(CUpgradeProgressForm::IDC_STATUS); }

    CCountingHost m_host;
    std::vector<std::u16string> m_vOpened;
    CEventCollector m_owner;
    CUpgradeProgressForm m_form{m_upgrade, [this](std::u16string_view wszTarget) {
                                    m_vOpened.emplace_back(wszTarget);
                                    return true;
                                }};
};

TEST_F(UpgradeWindow, ShowsTheRunAndHandsTheSavedFileToItsOwner)
{
    Publish("KOV_7_1_0_0", "DeviceConfig", "Setup_71.exe", std::string(3000, 'q'));
    // The first run cannot make its folder: the message leaves the window open for the next.
    std::ofstream(m_dir / "plain-file") << "x";
    m_upgrade.SetAppDataFolders((m_dir / "plain-file").u16string(), u"");
    ASSERT_TRUE(m_form.Start());
    EXPECT_EQ(StatusLine(), u"Starting Upgrade");
    EXPECT_EQ(m_host.iShown, 1);
    Pump();
    EXPECT_EQ(m_host.LastMessage().wszCaption, kUpgradeCaption);
    EXPECT_EQ(Utf8(m_host.LastMessage().wszText).rfind("Failed to create directory ", 0), 0u);
    EXPECT_TRUE(m_form.IsOpen());
    EXPECT_EQ(m_host.iHidden, 0);

    m_upgrade.SetAppDataFolders(m_data.u16string(), u"");
    ASSERT_TRUE(m_form.Start());
    EXPECT_EQ(m_host.iShown, 1) << "the open window is used again";
    Pump();
    const std::u16string wszSaved = (UpgradeFolder("7.1.0.0") / "Setup_71.exe").u16string();
    EXPECT_EQ(StatusLine(), u"Saving " + wszSaved);
    const auto& bar = *m_form.Find<CProgressBar>(CUpgradeProgressForm::IDC_PROGRESS);
    EXPECT_EQ(bar.Max(), 3000);
    EXPECT_EQ(bar.Pos(), 3000);
    ASSERT_EQ(m_owner.vEvents.size(), 1u);
    EXPECT_EQ(m_owner.vEvents[0].eEvent, DeviceEvent::UpgradeReadyEvent);
    EXPECT_EQ(m_owner.vEvents[0].Text(), Utf8(wszSaved));
    EXPECT_EQ(m_owner.vEvents[0].lParam, kOwnerParam);
    EXPECT_EQ(m_host.Messages().size(), 1u);
    EXPECT_FALSE(m_form.IsOpen());
    EXPECT_EQ(m_host.iHidden, 1);

    // Closed windows open again with a fresh status line.
    m_server.Answer("/dlds/", {.iStatus = 404});
    ASSERT_TRUE(m_form.Start());
    EXPECT_EQ(StatusLine(), u"Starting Upgrade");
    EXPECT_EQ(m_host.iShown, 2);
    Pump();
    EXPECT_EQ(m_host.LastMessage().wszText, u"Web navigation failed. Status=404");
    EXPECT_FALSE(m_form.IsOpen());
    EXPECT_TRUE(m_host.Errors().empty());
}

TEST_F(UpgradeWindow, EachFinalReportEndsTheWindowItsOwnWay)
{
    auto Final = [](EUpgradeReport eKind, int32_t iStatus = 0, std::u16string wszText = {}) {
        SUpgradeReport report;
        report.eKind = eKind;
        report.iStatusCode = iStatus;
        report.wszText = std::move(wszText);
        return report;
    };
    m_form.OnReport(Final(EUpgradeReport::NoUpgradeFound));
    m_form.OnReport(Final(EUpgradeReport::DownloadFailed, 500));
    m_form.OnReport(Final(EUpgradeReport::OpenDownloadPage, 0, u"https://site/dlds/"));
    std::vector<std::u16string> vTexts;
    for (const SMessageRecord& message : m_host.Messages()) {
        vTexts.push_back(message.wszText);
        EXPECT_EQ(message.wszCaption, u"Software Upgrade");
    }
    EXPECT_EQ(vTexts, (std::vector<std::u16string>{u"No upgrade found", u"Download failed. Status=500"}));
    EXPECT_EQ(m_vOpened, std::vector<std::u16string>{u"https://site/dlds/"});

    // After Cancel the transfer failures the Cancel caused say nothing.
    EXPECT_TRUE(m_form.Click(CUpgradeProgressForm::IDC_CANCEL));
    EXPECT_TRUE(m_upgrade.IsCancelled());
    m_form.OnReport(Final(EUpgradeReport::DownloadFailed, 200));
    m_form.OnReport(Final(EUpgradeReport::NavigationFailed, 0));
    m_form.OnReport(Final(EUpgradeReport::Cancelled));
    EXPECT_EQ(m_host.Messages().size(), 2u);
    EXPECT_TRUE(m_owner.vEvents.empty());

    // Sizes beyond the bar's int are scaled down together.
    SUpgradeReport progress = Final(EUpgradeReport::Progress);
    progress.llRange = 6'000'000'000;
    progress.llPosition = 3'000'000'000;
    m_form.OnReport(progress);
    const auto& bar = *m_form.Find<CProgressBar>(CUpgradeProgressForm::IDC_PROGRESS);
    EXPECT_EQ(bar.Max(), 2'000'000'000);
    EXPECT_EQ(bar.Pos(), 1'000'000'000);
}

TEST(DownloadSite, TheFirstUsableRootIsTakenAndKeptInTheOptionsFile)
{
    EXPECT_EQ(ChooseDownloadSite("http://local:8080", "https://env.example", u"https://options.example"),
              "http://local:8080");
    EXPECT_EQ(ChooseDownloadSite("", " https://env.example\n", u"https://options.example"),
              "https://env.example");
    EXPECT_EQ(ChooseDownloadSite("", nullptr, u"http://options.example"), "http://options.example");
    // Not an http(s) address: passed over.
    EXPECT_EQ(ChooseDownloadSite("downloads.example", "file:///srv", u"ftp://x"), kDefaultDownloadSite);
    EXPECT_TRUE(IsHttpsUrl(kDefaultDownloadSite));
    EXPECT_EQ(DownloadBaseUrl("https://a.example//"), "https://a.example/dlds/");

    test::CTestDir dir;
    const std::u16string wszFile = (dir / "options.xml").u16string();
    std::ofstream(dir / "options.xml")
        << "<kov:DeviceConfigAppOptions><kov:DeviceProgram kov:FilePath=\"/a.tgz\"/>"
           "<kov:DownloadSite>\n  http://mirror.local/  \n</kov:DownloadSite>"
           "</kov:DeviceConfigAppOptions>";
    // Saving the remembered program path keeps the operator's site, trimmed when read.
    ASSERT_TRUE(SaveAppOptions(u"/b.tgz", wszFile));
    std::u16string wszPath, wszSite;
    ASSERT_TRUE(LoadAppOptions(wszFile, wszPath));
    EXPECT_EQ(wszPath, u"/b.tgz");
    ASSERT_TRUE(LoadDownloadSite(wszFile, wszSite));
    EXPECT_EQ(wszSite, u"http://mirror.local/");

    ASSERT_TRUE(SaveAppOptions(u"/c.tgz", (dir / "fresh.xml").u16string()));
    EXPECT_FALSE(LoadDownloadSite((dir / "fresh.xml").u16string(), wszSite));
    EXPECT_EQ(wszSite, u"http://mirror.local/");
}

} // namespace
} // namespace kov
