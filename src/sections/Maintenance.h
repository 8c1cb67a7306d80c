#pragma once
// Maintenance: programs a firmware file into the device block by block, restarts the device,
// restores its factory parameters, disables its console and sets its periodic restart.
// Reads "kov:CaptureDeviceConfig" (model, version, console flag) and writes the restart period
// under "kov:CaptureDeviceStatus".
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "document/ValueTree.h"
#include "firmware/ProgramFile.h"
#include "sections/DeviceRequests.h"
#include "sections/PageRoles.h"
#include "sections/ProgramTransfer.h"
#include "sections/RecordPage.h"
#include "support/TextNumbers.h"
#include "upgrade/ApplicationUpgrade.h"

namespace kov {

class CCustomization;

struct SMaintenanceSettings {
    std::u16string wszDeviceModel;     // read only
    std::u16string wszSoftwareVersion; // read only
    uint32_t dwRestartPeriod = 0;      // hours; 0: no periodic restart
    bool bCanDisableConsole = false;

    bool Exchange(NodeRef root, bool bStore);
};

struct SRestartPeriodUnit {
    const char16_t* wszText;
    uint32_t dwHours;
};

// Combo box order.
inline constexpr SRestartPeriodUnit kRestartPeriodUnits[] = {
    {u"None", 0},
    {u"Hours", 1},
    {u"Days", 24},
    {u"Weeks", 168},
};

// What the period controls show for a period: the unit index and the number beside it.
struct SRestartPeriodView {
    int iUnit = 0;
    uint32_t dwCount = 0;
};
SRestartPeriodView RestartPeriodView(uint32_t dwHours);

// What the firmware downloader looks for on the download site.
struct SFirmwareDownloadRequest {
    std::u16string wszProductName;
    std::string sLinkPrefix;
    // The device's software version, packed; kNoVersion when its text is not four numbers
    // 0..255, so that every published version counts as newer.
    int32_t iCurrentVersion = kNoVersion;

    // Sets the downloader's product name, link prefix and current version (while it is idle).
    void ApplyTo(CApplicationUpgrade& rDownloader) const;
};

// The request for the device's model and software version texts (kov:DeviceModel and
// kov:SoftwareVersion). False when the model is neither the loader model nor in the model table.
bool FirmwareDownloadRequestFor(std::u16string_view wszModel, std::u16string_view wszVersion,
                                SFirmwareDownloadRequest& request);

inline constexpr char16_t kProgramFileFilter[] =
    u"Programming files|*.ldr;*.tgz;*.gz|LDR files (*.ldr)|*.ldr|TGZ files (*.tgz)|*.tgz|GZip files "
    u"(*.gz)|*.gz|";

// How a Program action ended.
enum class EProgramResult {
    Started,
    Refused,      // a check refused the file; its message was shown
    Cancelled,    // the operator did not confirm
    CannotOpen,   // the confirmed file could not be opened (nothing is shown)
    Unsendable,   // the confirmed file is empty or too large ("Error reading program file")
    NotConnected, // no device (nothing is shown)
    SendFailed,   // the begin frame could not be written
};

class CDeviceProgramDlg final : public CRecordPage<SMaintenanceSettings>,
                                public IProgrammingHandler,
                                private IProgramLink,
                                private IProgramTransferObserver {
public:
    enum : int {
        IDC_PERIOD_UNIT = 1000,
        IDC_AUTOMATIC_RESTART = 1001,
        IDC_RESTART_PERIOD = 1002,
        IDC_RESTART_DEVICE = 1019,
        IDC_RESET_PARAMETERS = 1020,
        IDC_DOWNLOAD = 1021,
        IDC_SECTORS_ERASE = 1028,
        IDC_BROWSE = 1031,
        IDC_FILE_PATH = 1038,
        IDC_PROGRAM = 1039,
        IDC_BUFFER_ACCEPT = 1041,
        IDC_FLASH_WRITE = 1042,
        IDC_FLASH_VERIFY = 1051,
        IDC_DISABLE_CONSOLE = 1128,
    };

    // rwszRememberedPath: the options file's program path, shown when the page is initialised;
    // ProgramFilePath gives the one to remember. pCustomization may be null.
    CDeviceProgramDlg(const std::u16string& rwszRememberedPath, const CCustomization* pCustomization);

    void Enable(bool bConnected) override;

    // Browse: true when a file was chosen (it is put into the path edit).
    bool Browse();
    // Checks the file in the path edit against the device, asks, and starts the transfer.
    EProgramResult Program();
    // Program with this file, restarting the device at the end or not.
    EProgramResult ProgramFile(const std::u16string& wszPath, bool bAutomaticRestart);
    // "Reset Parameters": checks the connection, asks, sends ResetParameters.
    EDeviceRequest ResetParameters();

    // The Download button's action, given by the firmware downloader's owner; the page works
    // out what to look for ("Unknown device" when its model has no firmware on the site). The
    // owner calls OnFirmwareDownloaded when the downloader saved a newer file: the path goes
    // into the path edit and the Program action runs on it.
    void SetDownloadHandler(std::function<void(const SFirmwareDownloadRequest&)> fn)
    {
        m_fnDownload = std::move(fn);
    }
    EProgramResult OnFirmwareDownloaded(const std::u16string& wszPath);

    // IProgrammingHandler
    void StartProgramming() override;
    void OnProgrammingEvent(const SDeviceEventData& event) override;
    void EndProgramming() override;
    bool OnLinkLost() override { return m_transfer.Interrupt(); }
    bool AutomaticRestart() const override { return m_pAutomaticRestart->IsChecked(); }
    std::u16string ProgramFilePath() const override { return m_pFilePath->Text(); }

    const SMaintenanceSettings& Settings() const { return m_record; }
    const CProgramTransfer& Transfer() const { return m_transfer; }

protected:
    void OnInitialise() override;
    std::span<const SToolTip> ToolTips() const override;

private:
    // IProgramLink: the device link's protocol handler.
    bool IsConnected() const override;
    bool Send(uint32_t dwCommandId, uint32_t dwParam, std::string_view sPayload) override;
    // IProgramTransferObserver
    void OnProgress(EProgramBar eBar, int iPercent) override;
    void OnReadError() override;

    void OnDownload();
    void OnRestartDevice();
    void OnDisableConsole();
    void OnUnitChanged();
    void ShowRestartPeriod(uint32_t dwHours);
    bool Confirm(const SFirmwareMessage& message);
    CProgressBar& Bar(EProgramBar eBar) const;

    const std::u16string& m_rwszRememberedPath;
    const CCustomization* m_pCustomization;
    CEdit* m_pFilePath = nullptr;
    CCheckBox* m_pAutomaticRestart = nullptr;
    std::array<CProgressBar*, kProgramBarCount> m_apBars{};
    CEdit* m_pPeriod = nullptr;
    CDropDownList* m_pPeriodUnit = nullptr;
    int m_iUnit = 0;
    bool m_bEnabled = false;
    CProgramTransfer m_transfer;
    std::function<void(const SFirmwareDownloadRequest&)> m_fnDownload;
};

// The four progress bars, in the order of EProgramBar.
struct SProgramBarControl {
    int iId;
    const char16_t* wszLabel;
};
inline constexpr SProgramBarControl kProgramBars[kProgramBarCount] = {
    {CDeviceProgramDlg::IDC_BUFFER_ACCEPT, u"Buffer Accept:"},
    {CDeviceProgramDlg::IDC_SECTORS_ERASE, u"Sectors Erase:"},
    {CDeviceProgramDlg::IDC_FLASH_WRITE, u"Flash Write:"},
    {CDeviceProgramDlg::IDC_FLASH_VERIFY, u"Flash Verify:"},
};

} // namespace kov
