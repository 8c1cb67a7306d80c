#include "sections/Maintenance.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

#include "common/TestDir.h"
#include "document/Customization.h"
#include "form/ScriptedFormHost.h"
#include "link/ParameterDocumentHolder.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Dlg = CDeviceProgramDlg;

struct SFakeLink final : IProgramLink, IProgramTransferObserver {
    struct SFrame {
        uint32_t dwId, dwParam;
        std::string sPayload;
    };
    bool IsConnected() const override { return true; }
    bool Send(uint32_t dwId, uint32_t dwParam, std::string_view sPayload) override
    {
        vFrames.push_back({dwId, dwParam, std::string(sPayload)});
        return !bSendFails;
    }
    void OnProgress(EProgramBar eBar, int iPercent) override { aiBar[int(eBar)] = iPercent; }
    void OnReadError() override { ++nReadErrors; }

    bool bSendFails = false;
    std::vector<SFrame> vFrames;
    int aiBar[kProgramBarCount] = {};
    int nReadErrors = 0;
};

struct STransferFixture {
    STransferFixture()
    {
        for (size_t i = 0; i < sFile.size(); ++i)
            sFile[i] = char(i * 7 + i / 251);
        std::ofstream(dir / "fw.bin", std::ios::binary) << sFile;
        EXPECT_EQ(transfer.Start((dir / "fw.bin").u16string()), ETransferStart::Started);
        Reply(DeviceEvent::ProgramReadyEvent);
    }
    void Reply(DeviceEvent eEvent, uint32_t lParam = 0)
    {
        transfer.HandleEvent({eEvent, 0, lParam, nullptr, 0});
    }
    void Ack(uint32_t dwFlip = 0)
    {
        const std::string& s = link.vFrames.back().sPayload;
        Reply(DeviceEvent::ProgramBlockAckEvent,
              uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(s.data()), uInt(s.size()))) ^ dwFlip);
    }

    CTestDir dir;
    std::string sFile = std::string(2500, '\0');
    SFakeLink link;
    CProgramTransfer transfer{link, link};
};

TEST(ProgramTransfer, SendsThe2500ByteFileIn3BlocksAndResendsAWronglyAcknowledgedOne)
{
    STransferFixture f;
    f.Ack();
    EXPECT_EQ(f.link.aiBar[0], 40);
    f.Ack(1); // the second block's acknowledgement does not match
    f.Ack();
    EXPECT_EQ(f.link.aiBar[0], 81);
    f.Ack();
    const std::vector<std::pair<uint32_t, size_t>> vExpected = {
        {0, 1024}, {1024, 1024}, {1024, 1024}, {2048, 452}};
    ASSERT_EQ(f.link.vFrames.size(), 6u);
    EXPECT_EQ(f.link.vFrames[0].dwId, uint32_t(ProgramBegin));
    for (size_t i = 0; i < 4; ++i) {
        const auto& frame = f.link.vFrames[i + 1];
        EXPECT_EQ(frame.dwId, uint32_t(ProgramBlock));
        EXPECT_EQ(frame.dwParam, vExpected[i].first);
        EXPECT_EQ(frame.sPayload, f.sFile.substr(vExpected[i].first, vExpected[i].second));
    }
    EXPECT_EQ(f.link.vFrames[5].dwId, uint32_t(ProgramEnd));
    EXPECT_FALSE(f.transfer.IsFileOpen());
    EXPECT_EQ(f.link.aiBar[0], 100);
    // The device's progress counts against the same total; stray replies send nothing.
    f.Reply(DeviceEvent::SectorEraseProgressEvent, 1250);
    f.Reply(DeviceEvent::ProgramReadyEvent);
    f.Ack();
    EXPECT_EQ(f.link.aiBar[1], 50);
    EXPECT_EQ(f.link.vFrames.size(), 6u);
}

TEST(ProgramTransfer, AShrunkFileOrADeadLinkStopsTheRun)
{
    STransferFixture f;
    std::filesystem::resize_file(f.dir / "fw.bin", 1500);
    f.Ack();
    f.Ack();
    EXPECT_EQ(f.link.nReadErrors, 1);
    EXPECT_EQ(f.link.vFrames.size(), 2u);
    EXPECT_EQ(f.transfer.State(), ETransferState::Stalled);
    // Started again on the new size; a frame that cannot be written ends it with the file closed.
    ASSERT_EQ(f.transfer.Start((f.dir / "fw.bin").u16string()), ETransferStart::Started);
    EXPECT_EQ(f.transfer.TotalSize(), 1500u);
    f.link.bSendFails = true;
    f.Reply(DeviceEvent::ProgramReadyEvent);
    EXPECT_FALSE(f.transfer.IsFileOpen());
    EXPECT_EQ(f.transfer.State(), ETransferState::Idle);
    // That run was cut short: the link's end tells so, once. A begin that could not be written
    // started nothing.
    EXPECT_TRUE(f.transfer.Interrupt());
    EXPECT_FALSE(f.transfer.Interrupt());
    EXPECT_EQ(f.transfer.Start((f.dir / "fw.bin").u16string()), ETransferStart::SendFailed);
    EXPECT_FALSE(f.transfer.Interrupt());
}

TEST(ProgramTransfer, TheLinkClosingInterruptsOnlyARunUnderWay)
{
    {
        STransferFixture f; // the first block is out
        EXPECT_TRUE(f.transfer.Interrupt());
        EXPECT_FALSE(f.transfer.IsFileOpen());
        EXPECT_EQ(f.transfer.State(), ETransferState::Idle);
    }
    STransferFixture f;
    for (int i = 0; i < 3; ++i)
        f.Ack();
    ASSERT_EQ(f.transfer.State(), ETransferState::Ended); // the device is writing its flash
    f.Reply(DeviceEvent::FlashWriteProgressEvent, 1250);
    EXPECT_TRUE(f.transfer.Interrupt());
    EXPECT_EQ(f.link.aiBar[int(EProgramBar::FlashWrite)], 0);
    // Completed (or failed by the device) before the link went: nothing was cut.
    ASSERT_EQ(f.transfer.Start((f.dir / "fw.bin").u16string()), ETransferStart::Started);
    f.transfer.Finish();
    EXPECT_FALSE(f.transfer.Interrupt());
}

TEST(MaintenancePage, PeriodCustomTextsAndFileChecks)
{
    CTestDir dir;
    std::ofstream(dir / "Custom.xml")
        << "<kov:C xmlns:kov=\"urn:dovrane:kov\"><kov:EnableParametersReset>False"
           "</kov:EnableParametersReset></kov:C>";
    CCustomization custom;
    ASSERT_TRUE(custom.Load((dir.Path() / "").u16string()));
    ParameterDocumentHolder holder;
    CScriptedFormHost host;
    const std::u16string wszRemembered = u"/old/fw.tgz";
    Dlg page(wszRemembered, &custom);
    page.SetDocumentHolder(&holder);
    page.SetHost(&host);
    page.Initialise();
    auto fnStored = [&] {
        return holder.Document(true)
            .FindChild(u"kov:CaptureDeviceStatus")
            .FindChild(u"kov:RestartPeriod")
            .Text();
    };
    for (auto [szPeriod, iUnit, wszCount] :
         {std::tuple{"168", 3, u"1"}, {"48", 2, u"2"}, {"5", 1, u"5"}, {"0", 0, u""}}) {
        std::string sXml = SampleDocumentText();
        holder.LoadedDocument().LoadFromText(sXml.replace(sXml.find("168</kov:RestartPeriod>"), 3, szPeriod));
        EXPECT_TRUE(page.Load());
        page.Enable(true);
        EXPECT_EQ(page.SelectionOf(Dlg::IDC_PERIOD_UNIT), iUnit);
        EXPECT_EQ(page.IsEnabled(Dlg::IDC_RESTART_PERIOD), iUnit > 0);
        EXPECT_TRUE(iUnit == 0 || page.TextOf(Dlg::IDC_RESTART_PERIOD) == wszCount) << szPeriod;
    }
    page.Choose(Dlg::IDC_PERIOD_UNIT, 2);
    page.Type(Dlg::IDC_RESTART_PERIOD, u"3");
    page.Store();
    EXPECT_EQ(fnStored(), u"72");
    page.Type(Dlg::IDC_RESTART_PERIOD, u"4000000000"); // kept at the largest, never negative
    page.Store();
    EXPECT_EQ(fnStored(), u"2147483647");
    EXPECT_FALSE(page.IsEnabled(Dlg::IDC_RESET_PARAMETERS));
    EXPECT_FALSE(page.IsEnabled(Dlg::IDC_DOWNLOAD));
    EXPECT_TRUE(page.IsEnabled(Dlg::IDC_DISABLE_CONSOLE));

    std::ofstream(dir / "fw.ldr", std::ios::binary) << std::string("\x01\x2F\x38\xA5\x02\x05\x00\x11", 8);
    host.QueueFile((dir / "fw.ldr").u16string());
    ASSERT_TRUE(page.Click(Dlg::IDC_BROWSE));
    EXPECT_EQ(host.FileDialogs().at(0).options.wszFilter, kProgramFileFilter);
    EXPECT_EQ(host.FileDialogs().at(0).options.wszInitialPath, u"/old/fw.tgz");
    page.Click(Dlg::IDC_PROGRAM); // a loader image for a model that takes archives
    EXPECT_EQ(host.LastMessage().wszText, u"Unrecognized file");
    page.Type(Dlg::IDC_FILE_PATH, u"/fw.d/image");
    page.Click(Dlg::IDC_PROGRAM);
    EXPECT_EQ(host.LastMessage().wszText, u"Program file does not match device!");
    SFirmwareDownloadRequest request;
    ASSERT_TRUE(FirmwareDownloadRequestFor(u"", u"7.1.2.3", request));
    EXPECT_EQ(request.iCurrentVersion, 0x07010203);
    ASSERT_TRUE(FirmwareDownloadRequestFor(u"", u"7.1.2", request));
    EXPECT_EQ(request.iCurrentVersion, kNoVersion); // so every published version is newer
}

} // namespace
} // namespace kov::test
