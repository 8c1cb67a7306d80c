#pragma once
// An upgrade run on the console, for kovctl upgrade, download-firmware and program --download:
// the progress window's status line and bar become lines on the report stream, drawn in place
// on a terminal; a held SIGINT or SIGTERM is the Cancel button.
#include <string>
#include <vector>

#include "app/kovctl/ConsoleView.h"
#include "upgrade/ApplicationUpgrade.h"

namespace kov {

// Takes "--site URL" out of the arguments into sSite. False (a usage error, already printed)
// for a --site without a usable http:// or https:// address, or given twice.
bool TakeSiteOption(std::vector<std::string>& args, std::string& sSite);

// Runs the upgrade to its end: its site root is sSite, else the one chosen for this user
// (KOV_DOWNLOAD_SITE, the options file's "kov:DownloadSite", the built-in site). Returns the
// run's final report. Call HoldStopSignals before any thread starts for Ctrl-C to cancel.
SUpgradeReport RunUpgradeOnConsole(CApplicationUpgrade& upgrade, EUpgradeMode eMode, const std::string& sSite,
                                   CConsoleView& view);

// A final report that is not Saved or Found, told on the view: the message of the failure
// table, the download page's address when the site has no version folder, or that the run was
// cancelled. Returns kExitFailure.
int ReportUpgradeFailure(const SUpgradeReport& report, CConsoleView& view);

class CDeviceSession;
class CDeviceProgramDlg;

// The session's Maintenance page; nullptr, told as "<szNothingDone>: ...", when the window has
// none.
CDeviceProgramDlg* MaintenancePage(CDeviceSession& session, const char* szNothingDone);

// The page's Download for the connected device: the newest newer firmware for its model and
// software version, saved into the local layout (wszPath). The exit code; every failure is
// told on the session's view ("Unknown device", the failure table, ...).
int DownloadDeviceFirmware(CDeviceSession& session, CDeviceProgramDlg& page, const std::string& sSite,
                           std::u16string& wszPath);

} // namespace kov
