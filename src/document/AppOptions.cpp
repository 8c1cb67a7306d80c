#include "document/AppOptions.h"

#include "document/FileAccess.h"
#include "document/Namespace.h"
#include "document/ValueTree.h"
#include "platform/KnownFolders.h"
#include "support/Paths.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {
constexpr std::u16string_view kRootName = u"kov:DeviceConfigAppOptions";
constexpr std::u16string_view kProgramName = u"kov:DeviceProgram";
constexpr std::u16string_view kFilePathName = u"kov:FilePath";
constexpr std::u16string_view kDownloadSiteName = u"kov:DownloadSite";

std::u16string OptionsFileIn(const std::u16string& wszFolder)
{
    return wszFolder.empty() ? wszFolder : wszFolder + kPathSeparator + kAppOptionsFileName;
}
} // namespace

std::u16string AppOptionsFolderFrom(const std::u16string& wszUserAppData,
                                    const std::u16string& wszCommonAppData)
{
    std::u16string wszFolder = wszUserAppData.empty() ? wszCommonAppData : wszUserAppData;
    return wszFolder.empty() ? wszFolder : JoinPath(std::move(wszFolder), u"KOV");
}

std::u16string AppOptionsFile()
{
    return OptionsFileIn(AppOptionsFolderFrom(UserAppDataFolder(), CommonAppDataFolder()));
}

std::u16string PrepareAppOptionsFile()
{
    const std::u16string wszFolder = AppOptionsFolderFrom(UserAppDataFolder(), CommonAppDataFolder());
    // The application-data folder itself may not exist yet on a fresh account.
    if (!wszFolder.empty())
        CreateDirectoryPath(wszFolder);
    return OptionsFileIn(wszFolder);
}

bool LoadAppOptions(const std::u16string& wszPath, std::u16string& wszProgramFilePath)
{
    TreeRef tree;
    NodeRef root = tree.LoadFromFile(wszPath);
    if (!root.NameIs(kRootName))
        return false;
    std::u16string wszValue;
    root.FindChild(kProgramName).GetAttribute(kFilePathName, wszValue);
    wszProgramFilePath = std::move(wszValue);
    return true;
}

bool LoadDownloadSite(const std::u16string& wszPath, std::u16string& wszSite)
{
    TreeRef tree;
    NodeRef root = tree.LoadFromFile(wszPath);
    if (!root.NameIs(kRootName))
        return false;
    std::u16string wszText = TrimControlSpace(root.FindChild(kDownloadSiteName).Text());
    if (wszText.empty())
        return false;
    wszSite = std::move(wszText);
    return true;
}

bool SaveAppOptions(const std::u16string& wszProgramFilePath, const std::u16string& wszPath,
                    IFileSystem& fileSystem)
{
    std::u16string wszSite;
    const bool bSite = LoadDownloadSite(wszPath, wszSite);
    TreeRef tree;
    NodeRef root = tree.CreateRoot(kRootName, kKovNamespaceUri);
    NodeRef program = root.FindOrCreateChild(kProgramName, kKovNamespaceUri, true);
    program.SetAttribute(kFilePathName, kKovNamespaceUri, wszProgramFilePath);
    if (bSite)
        root.AddChild(kDownloadSiteName).SetText(wszSite);
    return tree.SaveToFile(wszPath, fileSystem);
}

} // namespace kov
