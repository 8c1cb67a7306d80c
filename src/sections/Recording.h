#pragma once
// Recording: how the device records media to its storage ("kov:MediaRecorderConfig"): file size
// and time limits, storage options, event and location logging, preferred file formats, a
// remote file system and file encryption. The page also deletes every recording on the device
// and runs the device's storage speed test in the "File Writing Test" window.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/Exchange.h"
#include "document/ValueTree.h"
#include "sections/DeviceRequests.h"
#include "sections/FileWritingTest.h"
#include "sections/PageRoles.h"
#include "sections/RecordPage.h"
#include "sections/TimeUnits.h"

namespace kov {

enum class FileFormat : int32_t { Any = 0, Raw = 1, FLV = 2, AVI = 3, MP4 = 4, WAV = 5 };

inline constexpr EnumText kFileFormatTexts[] = {
    {FileFormat::Any, u"Any"}, {FileFormat::Raw, u"Raw"}, {FileFormat::FLV, u"FLV"},
    {FileFormat::AVI, u"AVI"}, {FileFormat::MP4, u"MP4"}, {FileFormat::WAV, u"WAV"},
};

enum class RemoteFileSystemType : int32_t { None = 0, SMB = 1, NFS = 2, USB = 3 };

inline constexpr EnumText kRemoteFileSystemTypeTexts[] = {
    {RemoteFileSystemType::None, u"None"},
    {RemoteFileSystemType::SMB, u"SMB"},
    {RemoteFileSystemType::NFS, u"NFS"},
    {RemoteFileSystemType::USB, u"USB"},
};

// The file size limit's choices in list order, in bytes; 0 is no limit.
struct SFileSizeChoice {
    const char16_t* wszText;
    uint32_t dwBytes;
};
inline constexpr SFileSizeChoice kFileSizeChoices[] = {
    {u"No Limit", 0},       {u"1 MB", 1048576},     {u"2 MB", 2097152},    {u"5 MB", 5242880},
    {u"10 MB", 10485760},   {u"20 MB", 20971520},   {u"50 MB", 52428800},  {u"100 MB", 104857600},
    {u"200 MB", 209715200}, {u"500 MB", 524288000}, {u"1 GB", 1073741824},
};

// The row of the size list that shows a limit: its own row, else the nearest of "1 MB" to
// "1 GB" (below the midpoint of two rows the lower one), so a limit under 1 MB shows "1 MB".
int FileSizeChoiceOf(uint64_t qwBytes);

// The units of the two time values, factors in seconds.
inline constexpr STimeUnit kRecordingTimeUnits[] = {
    {u"None", 0},
    {u"Seconds", 1},
    {u"Minutes", 60},
    {u"Hours", 3600},
};

// "kov:RemoteFileSystem": address, user name and password only matter, and are exchanged only,
// when there is a remote file system.
struct SRemoteFileSystem {
    RemoteFileSystemType eType = RemoteFileSystemType::None;
    std::u16string wszAddress; // with the folder path
    std::u16string wszUserName;
    std::u16string wszPassword;

    bool Exchange(NodeRef recorder, bool bStore);
};

// "kov:Encryption": the key is exchanged only while encryption is enabled.
struct SEncryption {
    bool bEnable = false;
    std::u16string wszKey;

    bool Exchange(NodeRef recorder, bool bStore);
};

struct SMediaRecorder {
    uint64_t qwFileSizeLimit = 0; // bytes; 0 no limit
    int32_t iFileTimeLimit = 0;   // seconds; 0 no limit
    bool bFileSystemOptimizations = false;
    bool bVerifyWrites = false;
    bool bRecordIfMotionDetected = false;
    bool bDeleteOldFiles = false;
    bool bSignFiles = false;
    bool bRecordLocations = false;
    bool bRecordEvents = false;
    int32_t iRecordingEventTime = 0; // seconds
    bool bUseNamesInFiles = false;
    bool bRecordMediaTraffic = false;
    FileFormat eAudioFileFormat = FileFormat::Any;
    FileFormat eVideoFileFormat = FileFormat::Any;
    FileFormat eAudioVideoFileFormat = FileFormat::Any;
    SRemoteFileSystem remoteFileSystem;
    SEncryption encryption;

    // Under the root. A missing section fails at once; a missing field or a text outside its
    // table fails the read while everything present is still read.
    bool Exchange(NodeRef root, bool bStore);
};

class CDeviceRecordingParamsDlg : public CRecordPage<SMediaRecorder>, public IWriteTestHandler {
public:
    enum : int {
        IDC_FILE_SIZE_LIMIT = 1000,
        IDC_FILE_TIME_LIMIT = 1001,
        IDC_FILE_TIME_UNIT = 1002,
        IDC_FILE_SYSTEM_OPTIMIZATIONS = 1003,
        IDC_VERIFY_WRITES = 1004,
        IDC_RECORD_IF_MOTION = 1005,
        IDC_DELETE_OLD_FILES = 1006,
        IDC_SIGN_FILES = 1007,
        IDC_RECORD_LOCATIONS = 1008,
        IDC_RECORD_EVENTS = 1009,
        IDC_USE_NAMES_IN_FILES = 1010,
        IDC_RECORD_MEDIA_TRAFFIC = 1011,
        IDC_EVENT_TIME = 1012,
        IDC_EVENT_TIME_UNIT = 1013,
        IDC_AUDIO_FILE_FORMAT = 1014,
        IDC_VIDEO_FILE_FORMAT = 1015,
        IDC_AUDIO_VIDEO_FILE_FORMAT = 1016,
        IDC_REMOTE_TYPE = 1017,
        IDC_REMOTE_ADDRESS = 1018,
        IDC_REMOTE_USER_NAME = 1019,
        IDC_REMOTE_PASSWORD = 1020,
        IDC_ENCRYPTION_ENABLE = 1021,
        IDC_ENCRYPTION_KEY = 1022,
        IDC_SPEED_TEST = 1023,
        IDC_DELETE_ALL_FILES = 1024,
    };

    CDeviceRecordingParamsDlg();
    ~CDeviceRecordingParamsDlg() override;

    void Enable(bool bEnable) override;

    // "Delete all files now": asks, then deletes every recording on the device.
    EDeviceRequest DeleteAllFiles();
    // "Speed Test": with a device, the writing-test window (made on first use, reset on later
    // ones) goes active and the device starts writing. False when nothing was sent.
    bool StartSpeedTest();
    // The window, once the test has been started.
    CWritingTestDlg* WritingTest() const { return m_pWritingTest.get(); }
    // The clock the window's figures are timed with (before the first speed test).
    void SetTestClock(FnMicrosecondClock fnClock) { m_fnTestClock = std::move(fnClock); }

    // IWriteTestHandler
    void OnTestProgress(const SDeviceEventData& event) override;

protected:
    std::span<const SToolTip> ToolTips() const override;
    void OnRecordShown() override;
    void OnRecordRead() override;

private:
    struct STimeControls {
        CEdit* pNumber = nullptr;
        CDropDownList* pUnit = nullptr;
    };
    STimeControls AddTimeValue(int iNumberId, int iUnitId, std::u16string wszLabel);
    void ShowTime(const STimeControls& time, int32_t iSeconds);
    static int32_t ReadTime(const STimeControls& time);
    void ApplyEnabling();

    bool m_bEnabled = false;
    // The editable controls that simply follow Enable's flag.
    std::vector<CControl*> m_vFollowFlag;
    FnMicrosecondClock m_fnTestClock;
    std::unique_ptr<CWritingTestDlg> m_pWritingTest;

    CDropDownList* m_pSizeLimit = nullptr;
    STimeControls m_fileTime;
    STimeControls m_eventTime;
    CDropDownList* m_pRemoteType = nullptr;
    CEdit* m_pRemoteAddress = nullptr;
    CEdit* m_pRemoteUserName = nullptr;
    CEdit* m_pRemotePassword = nullptr;
    CCheckBox* m_pEncryption = nullptr;
    CEdit* m_pKey = nullptr;
    CButton* m_pSpeedTest = nullptr;
    CButton* m_pDeleteAll = nullptr;
};

} // namespace kov
