#pragma once
// A main view without windows: records what the main window shows and answers its dialogs
// through a scripted form host.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../link/FakeDeviceSlot.h"
#include "form/ScriptedFormHost.h"
#include "shell/MainFrame.h"

namespace kov::test {

class CScriptedView final : public IMainView {
public:
    EDlgResult RunModal(CDialog& rDialog) override { return m_host.RunModal(rDialog); }
    EDlgResult MessageBox(std::u16string_view wszText, std::u16string_view wszCaption, EMsgButtons eButtons,
                          EMsgIcon eIcon) override {
        return m_host.MessageBox(wszText, wszCaption, eButtons, eIcon);
    }
    std::optional<std::u16string> OpenFileDialog(const SFileDialogOptions& o) override { return m_host.OpenFileDialog(o); }
    std::optional<std::u16string> SaveFileDialog(const SFileDialogOptions& o) override { return m_host.SaveFileDialog(o); }

    void SetTitle(std::u16string_view wsz) override { m_wszTitle = wsz; }
    void SetStatusText(std::u16string_view wsz) override { m_vStatus.emplace_back(wsz); }
    bool OpenWithDefaultHandler(std::u16string_view wsz) override {
        m_vOpened.emplace_back(wsz);
        return true;
    }
    void PostCloseRequest() override { ++m_nCloseRequests; }
    void DestroyWindow() override { m_bDestroyed = true; }
    void StartTimer(uint32_t dwId, uint32_t dwPeriod) override { m_vTimers.push_back({dwId, dwPeriod}); }
    void CommandStateChanged(uint32_t) override {}
    void ShowBar(EBar, bool) override {}
    void ShowTreePane(bool bShow) override { m_bTreePane = bShow; }
    void SendEditCommand(uint32_t) override {}
    void ShowPageWindow(int32_t iSubject, CForm* pWindow) override {
        m_iShownSubject = iSubject;
        m_pShownWindow = pWindow;
    }
    void ShowTreeSelection(int32_t) override {}

    std::u16string LastStatus() const { return m_vStatus.empty() ? std::u16string() : m_vStatus.back(); }
    bool SawStatus(std::u16string_view wsz) const {
        return std::find(m_vStatus.begin(), m_vStatus.end(), wsz) != m_vStatus.end();
    }

    CScriptedFormHost m_host;
    std::u16string m_wszTitle;
    std::vector<std::u16string> m_vStatus;
    std::vector<std::u16string> m_vOpened;
    std::vector<std::pair<uint32_t, uint32_t>> m_vTimers;
    int m_nCloseRequests = 0;
    bool m_bDestroyed = false;
    bool m_bTreePane = true;
    int32_t m_iShownSubject = -1;
    CForm* m_pShownWindow = nullptr;
};

// A private folder under the temporary directory, removed at the end.
class CTempFolder {
public:
    explicit CTempFolder(const std::string& sName)
        : m_path(std::filesystem::temp_directory_path() /
                 (sName + "_" + std::to_string(::getpid()) + "_" + std::to_string(++s_iNext))) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~CTempFolder() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    const std::filesystem::path& Path() const { return m_path; }
    std::u16string File(const std::string& sName) const { return (m_path / sName).u16string(); }
    std::u16string Folder() const { return (m_path / "").u16string(); } // with the trailing separator

private:
    static inline int s_iNext = 0;
    std::filesystem::path m_path;
};

} // namespace kov::test
