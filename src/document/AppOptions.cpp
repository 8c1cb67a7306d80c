#include "document/AppOptions.h"

#include "document/FileAccess.h"
#include "document/Namespace.h"
#include "document/ValueTree.h"
#include "platform/KnownFolders.h"

namespace kov {

namespace {
constexpr std::u16string_view kRootName = u"kov:DeviceConfigAppOptions";
constexpr std::u16string_view kProgramName = u"kov:DeviceProgram";
constexpr std::u16string_view kFilePathName = u"kov:FilePath";
} // namespace

std::u16string AppOptionsFolderFrom(const std::u16string& wszUserAppData,
                                    const std::u16string& wszCommonAppData)
{
    std::u16string wszFolder = wszUserAppData.empty() ? wszCommonAppData : wszUserAppData;
    if (wszFolder.empty())
        return wszFolder;
    if (wszFolder.back() != kPathSeparator)
        wszFolder += kPathSeparator;
    wszFolder += u"KOV";
    return wszFolder;
}

std::u16string PrepareAppOptionsFile()
{
    const std::u16string wszFolder = AppOptionsFolderFrom(UserAppDataFolder(), CommonAppDataFolder());
    if (wszFolder.empty())
        return wszFolder;
    // The application-data folder itself may not exist yet on a fresh account.
    CreateDirectoryPath(wszFolder);
    return wszFolder + kPathSeparator + kAppOptionsFileName;
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

bool SaveAppOptions(const std::u16string& wszProgramFilePath, const std::u16string& wszPath)
{
    TreeRef tree;
    NodeRef root = tree.CreateRoot(kRootName, kKovNamespaceUri);
    NodeRef program = root.FindOrCreateChild(kProgramName, kKovNamespaceUri, true);
    program.SetAttribute(kFilePathName, kKovNamespaceUri, wszProgramFilePath);
    return tree.SaveToFile(wszPath);
}

} // namespace kov
