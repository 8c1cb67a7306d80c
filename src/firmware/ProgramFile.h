#pragma once
// Program files: which kind a file is for a device model, the version of a loader image, and
// the identification line of a firmware archive, with the messages the Maintenance page shows
// for each outcome.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kov {

enum class ProgramFileKind : int32_t { None = 0, Ldr = 1, Tgz = 2 };

struct SHardwarePlatform {
    int32_t iId;
    std::u16string_view wszName;
};

struct SDeviceModel {
    int32_t iPlatformId;
    std::u16string_view wszDisplayName;
    std::u16string_view wszModelCode; // as the device reports it in kov:DeviceModel
};

// Ids equal the row numbers.
std::span<const SHardwarePlatform> HardwarePlatformTable();
std::span<const SDeviceModel> DeviceModelTable();

// The first row with exactly this model code, or nullptr.
const SDeviceModel* FindDeviceModel(std::u16string_view wszModelCode);
// Empty when the id is not in the table.
std::u16string_view HardwarePlatformName(int32_t iPlatformId);

// The model that takes loader images; it is not in DeviceModelTable.
inline constexpr std::u16string_view kLdrModelCode = u"XXWWR";
inline constexpr std::u16string_view kLdrModelDisplayName = u"KOV-400 Device";
// Platform reported for every file that is not an archive for a known model.
inline constexpr int32_t kOtherFilePlatformId = 4;

struct SProgramFileClass {
    bool bFound = false;
    ProgramFileKind eKind = ProgramFileKind::None;
    int32_t iPlatformId = 0;
};

// The kind the extension alone names (".tgz" and ".gz", ".ldr", any case).
ProgramFileKind KindOfExtension(std::u16string_view wszPath);
// By the extension (".tgz", ".gz" or ".ldr", any case) and the device's model code. Not found
// when the path has no extension.
SProgramFileClass ClassifyProgramFile(std::u16string_view wszPath, std::u16string_view wszModelCode);

// Texts and captions of the checks.
inline constexpr std::u16string_view kCaptionFlashTgz = u"Flash TGZ";
inline constexpr std::u16string_view kCaptionDeviceProgramming = u"Device Programming";
inline constexpr std::u16string_view kMsgCouldNotOpenZip = u"Could not open zip file";
inline constexpr std::u16string_view kMsgNoVersionIdentification = u"Could not find version identification";
inline constexpr std::u16string_view kMsgInvalidPartitionsHeader = u"Invalid internal partitions header";
inline constexpr std::u16string_view kMsgUnknownDevicePlatform =
    u"Could not decide on connected device platform";
inline constexpr std::u16string_view kMsgPlatformMismatch =
    u"Device hardware platform mismatch.\nDevice hardware platform: %ls\nFile hardware platform: %ls";
inline constexpr std::u16string_view kMsgConfirmTgz =
    u"Device file version is %hs\nDate: %hs\nConfirm start of programming.";
inline constexpr std::u16string_view kMsgConfirmLdr =
    u"Device file version is %d.%d.%d.%d\nConfirm start of programming.";
inline constexpr std::u16string_view kMsgInvalidProgrammingFile = u"Invalid programming file";
inline constexpr std::u16string_view kMsgCannotOpenFile = u"Cannot open file";
inline constexpr std::u16string_view kMsgFileDoesNotMatchDevice = u"Program file does not match device!";
inline constexpr std::u16string_view kMsgUnrecognizedFile = u"Unrecognized file";

// A message box: OK only, or OK/Cancel when it asks to start programming.
struct SFirmwareMessage {
    std::u16string wszText;
    std::u16string_view wszCaption;
    bool bConfirmation = false;
};

// The message for a file that classifies as not found or as None.
SFirmwareMessage ClassificationMessage(const SProgramFileClass& fileClass);

// Loader images.
inline constexpr int64_t kLdrCannotOpen = -1;
inline constexpr int64_t kLdrNoMarker = -2;
// The packed version (0..0xFFFFFFFF, first number in the top byte), or kLdrCannotOpen or
// kLdrNoMarker. Every version, 255.255.255.255 included, stays apart from the failures.
int64_t ReadLdrVersion(const std::u16string& wszPath);
// The confirmation for a version, or the failure message for kLdrCannotOpen / kLdrNoMarker.
SFirmwareMessage LdrVersionMessage(int64_t llResult);

// Firmware archives.
inline constexpr std::string_view kIdentificationMember = "partitions.txt";
inline constexpr int32_t kIdentificationLineMax = 300;

enum class ETgzCheck {
    Ok,
    CannotOpen,
    NoIdentification,
    InvalidHeader,
    UnknownDevicePlatform,
    PlatformMismatch,
};

struct STgzIdentification {
    std::string szVersion;      // field 1
    std::u16string wszPlatform; // field 3, "_" read as a space
    std::string szDate;         // field 4
};

// Reads the identification line of the archive's "partitions.txt"; fills ident when the line
// has its fields (Ok), else returns CannotOpen, NoIdentification or InvalidHeader.
ETgzCheck ReadTgzIdentificationLine(const std::u16string& wszPath, STgzIdentification& ident);
// The line, then its platform compared with the device's platform.
ETgzCheck ReadTgzIdentification(const std::u16string& wszPath, int32_t iPlatformId,
                                STgzIdentification& ident);
// The failure message of a check, or for Ok the confirmation with the version and date.
SFirmwareMessage TgzCheckMessage(ETgzCheck eResult, const STgzIdentification& ident, int32_t iPlatformId);

} // namespace kov
