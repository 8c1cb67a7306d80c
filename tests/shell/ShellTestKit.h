#pragma once
// A main view without windows: records the outcomes the main window reports, shows their texts
// as statuses and message boxes, and answers its dialogs through a scripted form host.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../link/FakeDeviceSlot.h"
#include "common/TestDir.h"
#include "document/AppOptions.h"
#include "form/ScriptedFormHost.h"
#include "shell/MainFrame.h"

namespace kov::test {

class CScriptedView final : public IMainView {
public:
    EDlgResult RunModal(CDialog& rDialog) override { return m_host.RunModal(rDialog); }
    EDlgResult MessageBox(std::u16string_view wszText, std::u16string_view wszCaption, EMsgButtons eButtons,
                          EMsgIcon eIcon) override
    {
        return m_host.MessageBox(wszText, wszCaption, eButtons, eIcon);
    }
    std::optional<std::u16string> OpenFileDialog(const SFileDialogOptions& o) override
    {
        return m_host.OpenFileDialog(o);
    }
    std::optional<std::u16string> SaveFileDialog(const SFileDialogOptions& o) override
    {
        return m_host.SaveFileDialog(o);
    }

    void ShowModeless(CForm& rForm) override { m_host.ShowModeless(rForm); }
    void HideModeless(CForm& rForm) override { m_host.HideModeless(rForm); }
    bool IsModelessShown(const CForm& rForm) const override { return m_host.IsModelessShown(rForm); }
    bool SetClipboardText(std::u16string_view wsz) override { return m_host.SetClipboardText(wsz); }

    void OnOutcome(const SOutcome& outcome) override
    {
        m_vOutcomes.push_back(outcome);
        const SOutcomeForm& form = OutcomeForm(outcome.eOutcome);
        if (form.eShown == EOutcomeShown::Status)
            m_vStatus.push_back(OutcomeText(outcome));
        else if (form.eShown == EOutcomeShown::Message)
            m_host.MessageBox(OutcomeText(outcome), form.wszCaption, EMsgButtons::Ok, EMsgIcon::None);
    }
    void SetTitle(std::u16string_view wsz) override { m_wszTitle = wsz; }
    bool OpenWithDefaultHandler(std::u16string_view wsz, std::u16string_view wszFolder = {}) override
    {
        m_vOpened.emplace_back(wsz);
        m_vOpenedIn.emplace_back(wszFolder);
        return m_bOpens;
    }
    void PostCloseRequest() override { ++m_nCloseRequests; }
    void DestroyWindow() override { m_bDestroyed = true; }
    void StartTimer(uint32_t dwId, uint32_t dwPeriod) override { m_vTimers.push_back({dwId, dwPeriod}); }
    void CommandStateChanged(uint32_t) override {}
    void ShowBar(EBar, bool) override {}
    void ShowTreePane(bool bShow) override { m_bTreePane = bShow; }
    void SendEditCommand(uint32_t) override {}
    void ShowPageWindow(int32_t iSubject, CForm* pWindow) override
    {
        m_iShownSubject = iSubject;
        m_pShownWindow = pWindow;
    }
    void ShowTreeSelection(int32_t) override {}

    std::u16string LastStatus() const { return m_vStatus.empty() ? std::u16string() : m_vStatus.back(); }
    bool SawStatus(std::u16string_view wsz) const
    {
        return std::find(m_vStatus.begin(), m_vStatus.end(), wsz) != m_vStatus.end();
    }
    bool Saw(EOutcome eOutcome) const
    {
        return std::any_of(m_vOutcomes.begin(), m_vOutcomes.end(),
                           [&](const SOutcome& outcome) { return outcome.eOutcome == eOutcome; });
    }

    CScriptedFormHost m_host;
    std::u16string m_wszTitle;
    std::vector<SOutcome> m_vOutcomes;
    std::vector<std::u16string> m_vStatus;
    std::vector<std::u16string> m_vOpened;
    std::vector<std::u16string> m_vOpenedIn; // the working folder of each
    bool m_bOpens = true;                    // what the default handler answers
    std::vector<std::pair<uint32_t, uint32_t>> m_vTimers;
    int m_nCloseRequests = 0;
    bool m_bDestroyed = false;
    bool m_bTreePane = true;
    int32_t m_iShownSubject = -1;
    CForm* m_pShownWindow = nullptr;
};

// A private folder for the test, removed at the end; File and Folder give wide paths.
class CTempFolder : public CTestDir {
public:
    std::u16string File(const std::string& sName) const { return (Path() / sName).u16string(); }
    std::u16string Folder() const { return (Path() / "").u16string(); } // with the trailing separator
};

// A main frame over a fake device slot (plug it in with slot->m_iCount = 1 and a presence
// tick). Its reports go under the test's folder, "appdata", stamped with the fixed clock.
struct SFrameFixture {
    // The frame starts over the given customization texts and remembered program file.
    explicit SFrameFixture(const std::string& sCustomXml = {}, SSystemFacts facts = {},
                           const std::u16string& wszProgramFile = {},
                           IDriverMaintenance* pMaintenance = nullptr)
        : system(facts)
    {
        if (!sCustomXml.empty())
            std::ofstream(folder.Path() / "Custom.xml") << sCustomXml;
        if (!wszProgramFile.empty()) {
            EXPECT_TRUE(SaveAppOptions(wszProgramFile, folder.File("options.xml")));
        }
        auto pSlot = std::make_unique<CFakeSlot>();
        slot = pSlot.get();
        SMainFrameSettings settings;
        settings.pTransport = std::move(pSlot);
        settings.oOptionsFile = folder.File("options.xml");
        settings.oCustomizationFolder = folder.Folder();
        settings.pSystemInfo = &system;
        settings.reports.oAppDataFolder = folder.File("appdata");
        settings.reports.fnClock = [this] { return clock; };
        settings.pDriverMaintenance = pMaintenance;
        frame = std::make_unique<CMainFrame>(view, std::move(settings));
        frame->Create();
    }
    void Event(DeviceEvent eEvent, uint32_t wParam = 0, uint32_t lParam = 0, const std::string& sPayload = {})
    {
        SDeviceEventData event{eEvent, wParam, lParam, nullptr, uint32_t(sPayload.size())};
        if (!sPayload.empty()) {
            event.pPayload.reset(new char[sPayload.size() + 1]()); // NUL-terminated
            sPayload.copy(event.pPayload.get(), sPayload.size());
        }
        frame->HandleDeviceEvent(std::move(event));
    }
    CMainDevicePropertiesDlg& Page() { return frame->DeviceIdentificationPage(); }

    CTempFolder folder;
    CFakeSystemInfo system;
    CScriptedView view;
    CFakeSlot* slot = nullptr;
    DateTime6 clock{2024, 5, 1, 10, 20, 30};
    std::unique_ptr<CMainFrame> frame;
};

// A main frame over a private device root, pumped the way a front end's event loop would.
class CFrameTest : public ::testing::Test {
protected:
    CFrameTest() : CFrameTest(nullptr, nullptr) {}
    // pTransport nullptr: the USB transport over the private device root; pFileSystem nullptr:
    // the system's (else it must outlive the frame).
    CFrameTest(std::unique_ptr<IDeviceTransport> pTransport, IFileSystem* pFileSystem)
        : m_sRoot((m_folder.Path() / "devices").string())
    {
        MakeFrame([&](SMainFrameSettings& settings) {
            if (pTransport)
                settings.pTransport = std::move(pTransport);
            settings.pFileSystem = pFileSystem;
        });
    }
    // A new frame (the old one goes first), its settings adjusted by the test.
    void MakeFrame(const std::function<void(SMainFrameSettings&)>& fnAdjust = {})
    {
        m_pFrame.reset();
        SMainFrameSettings settings;
        settings.pTransport = std::make_unique<CUsbDeviceTransport>(m_sRoot);
        settings.oOptionsFile = m_folder.File("options.xml");
        settings.oCustomizationFolder = m_folder.Folder();
        settings.reports.oAppDataFolder = m_folder.File("appdata");
        if (fnAdjust)
            fnAdjust(settings);
        m_pFrame = std::make_unique<CMainFrame>(m_view, std::move(settings));
        m_pFrame->Create();
    }
    // Handles events (and ticks the poll when asked) until the condition holds; a generous
    // bound turns a hang into a failure.
    bool PumpUntil(const std::function<bool()>& fnDone, bool bTick = false)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fnDone()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            if (bTick)
                m_pFrame->PresenceTick();
            SDeviceEventData event;
            if (m_pFrame->EventQueue().WaitAndTake(event, std::chrono::milliseconds(10)))
                m_pFrame->HandleDeviceEvent(std::move(event));
        }
        return true;
    }
    // A status shown after this call.
    bool WaitStatus(std::u16string_view wszStatus, bool bTick = false)
    {
        const size_t nFrom = m_view.m_vStatus.size();
        return PumpUntil(
            [&] {
                return std::find(m_view.m_vStatus.begin() + long(nFrom), m_view.m_vStatus.end(), wszStatus) !=
                       m_view.m_vStatus.end();
            },
            bTick);
    }

    CTempFolder m_folder;
    std::string m_sRoot;
    CScriptedView m_view;
    std::unique_ptr<CMainFrame> m_pFrame;
};

} // namespace kov::test
