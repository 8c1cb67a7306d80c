#pragma once
// The Driver menu's work on this system. The device needs no kernel driver here: libusb reaches
// it, and what a user lacks is the right to open it. A udev rule that tags the device for the
// user at the seat gives that right; downloading, installing and uninstalling the driver are
// done on that rule.
//
//   Download     writes the rule into the driver folder and opens the folder;
//   Install      writes it into the udev rules folder (as administrator through pkexec when that
//                folder is not writable) and asks udev to reload and to apply it to the device;
//   Uninstall    removes every rule file in the rules folder that names the device, and reloads.
// Every step is logged with OK or the error; nothing is ever half-written (a rule goes to a
// temporary name first and is renamed into place).
#include <atomic>
#include <string>
#include <vector>

#include "platform/SystemTools.h"
#include "platform/UsbDevice.h"

namespace kov {

enum class DriverTaskMode : int {
    Download = 1,
    DownloadAndInstall = 2,
    Install = 3,
    Uninstall = 4,
};

inline constexpr char kUdevRuleFileName[] = "70-kov-device.rules";
inline constexpr char kDefaultUdevRulesFolder[] = "/etc/udev/rules.d";
inline constexpr char16_t kDriverSubfolder[] = u"/KOV/USB Device Driver";

// $KOV_UDEV_RULES_DIR when set, else /etc/udev/rules.d.
std::string UdevRulesFolder();
// The rule this program installs.
std::string UdevRuleText();
// Whether a rule file's text gives rules for our device: a line (not a comment) that matches
// both our vendor and our product id. Another device's rule with a similar name is not ours.
bool IsDeviceRuleText(const std::string& sText);

// Where the work reports: log lines in order, the progress bar, and whether to go on.
class IDriverLog {
public:
    virtual ~IDriverLog() = default;
    virtual void Log(const std::u16string& wszLine) = 0;
    virtual void Progress(int iPercent) = 0;
    // Checked between steps; a stopped run ends after its current step, logging nothing more.
    virtual bool Stopped() const = 0;
};

struct SDriverStatus {
    std::string sRulesFolder;
    std::vector<std::string> vRuleFiles; // files in the rules folder that name the device
    std::vector<SUsbDeviceState> vDevices;
};

class CDriverWork {
public:
    // wszAppDataFolder: the user's application-data folder (empty when there is none).
    CDriverWork(ISystemTools& tools, std::string sRulesFolder, std::u16string wszAppDataFolder);

    // The whole run of a mode; false when a step failed (it was logged).
    bool Run(DriverTaskMode eMode, IDriverLog& log);
    bool Download(IDriverLog& log);
    bool Install(IDriverLog& log);
    bool Uninstall(IDriverLog& log);

    // Rule files that name the device, in name order; unreadable files are skipped.
    std::vector<std::string> FindDeviceRules(std::vector<std::string>* pvUnreadable = nullptr) const;
    SDriverStatus Status() const;

    std::u16string DriverFolder() const;
    const std::string& RulesFolder() const { return m_sRulesFolder; }

private:
    // Runs the commands of a step as one shell script through pkexec (one password prompt);
    // each command's failure exits with its own code, 10 and up, so the log can name it.
    SProcessResult RunElevated(const std::string& sScript, const std::vector<std::string>& vArgs);
    // Logs the outcome of each of the udev steps; false when one failed.
    bool ReloadUdev(IDriverLog& log, bool bTrigger);
    void LogStep(IDriverLog& log, const std::u16string& wszStep, const std::string& sError);

    ISystemTools& m_tools;
    std::string m_sRulesFolder;
    std::u16string m_wszAppDataFolder;
};

// The text of a step that failed: the tool's own words, or why it did not run. Cut so that a
// log line stays readable.
std::string ProcessFailureText(const SProcessResult& result);

} // namespace kov
