#include "drivers/DriverWork.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "drivers/UdevRuleText.h"
#include "support/TextCodec.h"

namespace kov {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxToolText = 160;

std::u16string W(const std::string& s)
{
    return Utf8ToUtf16(s);
}

// Writes the text to a temporary name beside sPath and renames it into place, so a reader
// never sees half a file; "" or the error.
std::string WriteWhole(const fs::path& path, const std::string& sText)
{
    const fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".new");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return "cannot create " + temporary.string();
        out.write(sText.data(), std::streamsize(sText.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return "cannot write " + temporary.string();
        }
    }
    std::error_code error;
    fs::permissions(temporary,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read,
                    error);
    fs::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return error.message();
    }
    return {};
}

bool ReadWhole(const fs::path& path, std::string& sText)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    sText = text.str();
    return !in.bad();
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
    return s;
}

// Matches ATTR{name}=="value" or ATTRS{name}=="value", spaces around the operator allowed.
bool LineMatches(const std::string& sLine, const std::string& sName, const std::string& sValue)
{
    for (size_t iAt = sLine.find("{" + sName + "}"); iAt != std::string::npos;
         iAt = sLine.find("{" + sName + "}", iAt + 1)) {
        size_t i = iAt + sName.size() + 2;
        while (i < sLine.size() && sLine[i] == ' ')
            ++i;
        if (sLine.compare(i, 2, "==") != 0)
            continue;
        i += 2;
        while (i < sLine.size() && sLine[i] == ' ')
            ++i;
        if (sLine.compare(i, sValue.size() + 2, "\"" + sValue + "\"") == 0)
            return true;
    }
    return false;
}

const std::vector<std::string> kReloadCommand = {"udevadm", "control", "--reload"};
const std::vector<std::string> kTriggerCommand = {"udevadm",
                                                  "trigger",
                                                  "--action=add",
                                                  "--subsystem-match=usb",
                                                  "--attr-match=idVendor=8392",
                                                  "--attr-match=idProduct=8789"};

std::string CommandText(const std::vector<std::string>& vCommand)
{
    std::string s;
    for (const std::string& sPart : vCommand)
        s += (s.empty() ? "" : " ") + sPart;
    return s;
}

} // namespace

std::string UdevRulesFolder()
{
    if (const char* sz = std::getenv("KOV_UDEV_RULES_DIR"); sz && *sz)
        return sz;
    return kDefaultUdevRulesFolder;
}

std::string UdevRuleText()
{
    return kUdevRuleText;
}

bool IsDeviceRuleText(const std::string& sText)
{
    std::istringstream lines(Lower(sText));
    std::string sLine;
    while (std::getline(lines, sLine)) {
        const size_t iFirst = sLine.find_first_not_of(" \t");
        if (iFirst == std::string::npos || sLine[iFirst] == '#')
            continue;
        if (LineMatches(sLine, "idvendor", "8392") && LineMatches(sLine, "idproduct", "8789"))
            return true;
    }
    return false;
}

std::string ProcessFailureText(const SProcessResult& result)
{
    std::string sText;
    if (!result.bStarted)
        sText = result.sError;
    else if (!result.sOutput.empty())
        sText = result.sOutput.substr(result.sOutput.rfind('\n') + 1); // the last line says it
    else
        sText = "exit code " + std::to_string(result.iExitCode);
    if (sText.size() > kMaxToolText)
        sText = sText.substr(0, kMaxToolText) + "...";
    return sText;
}

CDriverWork::CDriverWork(ISystemTools& tools, std::string sRulesFolder, std::u16string wszAppDataFolder)
    : m_tools(tools), m_sRulesFolder(std::move(sRulesFolder)), m_wszAppDataFolder(std::move(wszAppDataFolder))
{}

std::u16string CDriverWork::DriverFolder() const
{
    return m_wszAppDataFolder.empty() ? std::u16string() : m_wszAppDataFolder + kDriverSubfolder;
}

void CDriverWork::LogStep(IDriverLog& log, const std::u16string& wszStep, const std::string& sError)
{
    log.Log(wszStep + u"... " + (sError.empty() ? u"OK" : W(sError)));
}

bool CDriverWork::Run(DriverTaskMode eMode, IDriverLog& log)
{
    switch (eMode) {
    case DriverTaskMode::Download: return Download(log);
    case DriverTaskMode::DownloadAndInstall: return Download(log) && (log.Stopped() || Install(log));
    case DriverTaskMode::Install: return Install(log);
    case DriverTaskMode::Uninstall: return Uninstall(log);
    }
    return false;
}

bool CDriverWork::Download(IDriverLog& log)
{
    log.Log(u"Getting application data path... " +
            std::u16string(m_wszAppDataFolder.empty() ? u"Failed" : u"OK"));
    if (m_wszAppDataFolder.empty())
        return false;
    const std::u16string wszFolder = DriverFolder();
    std::error_code error;
    fs::create_directories(fs::path(Utf16ToUtf8(wszFolder)), error);
    log.Log(u"Creating path for driver (" + wszFolder + u")... " + (error ? u"Failed" : u"OK"));
    if (error || log.Stopped())
        return !error;
    log.Progress(0);
    const std::string sPath = Utf16ToUtf8(wszFolder) + "/" + kUdevRuleFileName;
    log.Log(u"Saving " + W(kUdevRuleFileName));
    if (const std::string sError = WriteWhole(sPath, UdevRuleText()); !sError.empty()) {
        log.Log(u"Failed to write file: " + W(sPath) + u" (" + W(sError) + u")");
        return false;
    }
    log.Progress(100);
    log.Log(u"Downloading done.");
    if (!m_tools.Launch({kOpenerProgram, Utf16ToUtf8(wszFolder)}))
        log.Log(u"Opening " + wszFolder + u"... Failed: " + W(kOpenerProgram) + u" is not available");
    return true;
}

SProcessResult CDriverWork::RunElevated(const std::string& sScript, const std::vector<std::string>& vArgs)
{
    std::vector<std::string> vCommand = {"pkexec", "/bin/sh", "-c", sScript, "sh"};
    vCommand.insert(vCommand.end(), vArgs.begin(), vArgs.end());
    return m_tools.Run(vCommand);
}

bool CDriverWork::ReloadUdev(IDriverLog& log, bool bTrigger)
{
    if (!m_tools.HasProgram("udevadm")) {
        log.Log(u"Reloading udev rules... Failed: udevadm is not available; the change takes effect when the "
                u"system starts again");
        return false;
    }
    bool bOk = true;
    for (const auto* pCommand : {&kReloadCommand, &kTriggerCommand}) {
        if (pCommand == &kTriggerCommand && !bTrigger)
            break;
        const SProcessResult result = m_tools.Run(*pCommand);
        LogStep(log, u"Running " + W(CommandText(*pCommand)),
                result.Succeeded() ? "" : ProcessFailureText(result));
        bOk = bOk && result.Succeeded();
    }
    return bOk;
}

bool CDriverWork::Install(IDriverLog& log)
{
    const fs::path folder(m_sRulesFolder);
    const fs::path target = folder / kUdevRuleFileName;
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        log.Log(u"Installing the udev rule... Failed: the rules folder " + W(m_sRulesFolder) +
                u" does not exist");
        return false;
    }
    log.Progress(0);
    if (m_tools.CanWriteFolder(m_sRulesFolder)) {
        const std::string sError = WriteWhole(target, UdevRuleText());
        LogStep(log, u"Writing " + W(target.string()), sError);
        if (!sError.empty())
            return false;
        log.Progress(50);
        const bool bReloaded = log.Stopped() || ReloadUdev(log, true);
        log.Progress(100);
        return bReloaded;
    }

    // The folder belongs to the administrator: one elevated script does every step.
    const std::u16string wszStep = u"Writing " + W(target.string()) + u" as administrator (pkexec)";
    if (!m_tools.HasProgram("pkexec")) {
        LogStep(log, wszStep, "the folder is not writable and pkexec is not available");
        return false;
    }
    // The administrator installs a copy this user keeps in the driver folder: never a file in
    // a folder that others can write, which could be swapped before it is installed.
    if (m_wszAppDataFolder.empty()) {
        LogStep(log, wszStep, "there is no application data folder to keep the rule in");
        return false;
    }
    const fs::path source = fs::path(Utf16ToUtf8(DriverFolder())) / kUdevRuleFileName;
    fs::create_directories(source.parent_path(), error);
    if (const std::string sError = WriteWhole(source, UdevRuleText()); !sError.empty()) {
        LogStep(log, wszStep, sError);
        return false;
    }
    const bool bUdevadm = m_tools.HasProgram("udevadm");
    std::string sScript = "install -m 0644 \"$1\" \"$2.new\" || exit 10; mv -f \"$2.new\" \"$2\" || exit 11";
    if (bUdevadm)
        sScript += "; " + CommandText(kReloadCommand) + " || exit 12; " + CommandText(kTriggerCommand) +
                   " || exit 13";
    const SProcessResult result = RunElevated(sScript, {source.string(), target.string()});
    const int iCode = result.bStarted ? result.iExitCode : -1;
    const bool bWritten = iCode == 0 || iCode == 12 || iCode == 13;
    if (iCode == 126 || iCode == 127)
        LogStep(log, wszStep, "administrator rights were refused or could not be asked for");
    else
        LogStep(log, wszStep, bWritten ? "" : ProcessFailureText(result));
    if (!bWritten)
        return false;
    log.Progress(50);
    if (!bUdevadm)
        return ReloadUdev(log, true); // says that udevadm is missing
    LogStep(log, u"Running " + W(CommandText(kReloadCommand)), iCode == 12 ? ProcessFailureText(result) : "");
    if (iCode != 12)
        LogStep(log, u"Running " + W(CommandText(kTriggerCommand)),
                iCode == 13 ? ProcessFailureText(result) : "");
    log.Progress(100);
    return iCode == 0;
}

std::vector<std::string> CDriverWork::FindDeviceRules(std::vector<std::string>* pvUnreadable) const
{
    std::vector<std::string> vFound;
    std::error_code error;
    for (fs::directory_iterator it(m_sRulesFolder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() != ".rules" || !it->is_regular_file(error))
            continue;
        std::string sText;
        if (!ReadWhole(path, sText)) {
            if (pvUnreadable)
                pvUnreadable->push_back(path.string());
            continue;
        }
        if (IsDeviceRuleText(sText))
            vFound.push_back(path.string());
    }
    std::sort(vFound.begin(), vFound.end());
    return vFound;
}

bool CDriverWork::Uninstall(IDriverLog& log)
{
    std::error_code error;
    if (!fs::is_directory(m_sRulesFolder, error)) {
        log.Log(u"Looking for device rules... Failed: the rules folder " + W(m_sRulesFolder) +
                u" does not exist");
        return false;
    }
    std::vector<std::string> vUnreadable;
    const std::vector<std::string> vFound = FindDeviceRules(&vUnreadable);
    for (const std::string& sPath : vUnreadable)
        log.Log(u"Failed to open file " + W(sPath));
    if (vFound.empty()) {
        log.Log(u"No drivers found.");
        return true;
    }
    for (const std::string& sPath : vFound)
        log.Log(u"Found matching driver in file " + W(sPath));
    if (log.Stopped())
        return true;

    if (m_tools.CanWriteFolder(m_sRulesFolder)) {
        bool bOk = true;
        for (const std::string& sPath : vFound) {
            fs::remove(sPath, error);
            LogStep(log, u"Delete file " + W(sPath), error ? error.message() : "");
            bOk = bOk && !error;
        }
        return (log.Stopped() || ReloadUdev(log, false)) && bOk;
    }
    const std::u16string wszStep = u"Deleting " +
                                   std::u16string(vFound.size() == 1 ? u"the rule file" : u"the rule files") +
                                   u" as administrator (pkexec)";
    if (!m_tools.HasProgram("pkexec")) {
        LogStep(log, wszStep, "the folder is not writable and pkexec is not available");
        return false;
    }
    const bool bUdevadm = m_tools.HasProgram("udevadm");
    std::string sScript = "rm -f -- \"$@\" || exit 10";
    if (bUdevadm)
        sScript += "; " + CommandText(kReloadCommand) + " || exit 12";
    const SProcessResult result = RunElevated(sScript, vFound);
    const int iCode = result.bStarted ? result.iExitCode : -1;
    if (iCode == 126 || iCode == 127) {
        LogStep(log, wszStep, "administrator rights were refused or could not be asked for");
        return false;
    }
    LogStep(log, wszStep, iCode == 0 || iCode == 12 ? "" : ProcessFailureText(result));
    if (iCode != 0 && iCode != 12)
        return false;
    if (!bUdevadm)
        return ReloadUdev(log, false);
    LogStep(log, u"Running " + W(CommandText(kReloadCommand)), iCode == 12 ? ProcessFailureText(result) : "");
    return iCode == 0;
}

SDriverStatus CDriverWork::Status() const
{
    SDriverStatus status;
    status.sRulesFolder = m_sRulesFolder;
    status.vRuleFiles = FindDeviceRules();
    status.vDevices = ListUsbDevices();
    return status;
}

} // namespace kov
