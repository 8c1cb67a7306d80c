#include "sections/Recording.h"

#include <iterator>
#include <limits>

#include "link/ParameterDocumentHolder.h"
#include "link/Protocol.h"
#include "sections/NetworkTypes.h"

namespace kov {

namespace {

constexpr char16_t kRecorderSection[] = u"kov:MediaRecorderConfig";
constexpr int kFirstSizeRow = 1;                                                // "1 MB"
constexpr int kLastSizeRow = static_cast<int>(std::size(kFileSizeChoices)) - 1; // "1 GB"

NodeRef Child(NodeRef parent, std::u16string_view wszName, bool bStore)
{
    return parent.FindOrCreateChild(wszName, kKovNamespaceUri, bStore);
}

} // namespace

int FileSizeChoiceOf(uint64_t qwBytes)
{
    for (int iRow = 0; iRow <= kLastSizeRow; ++iRow)
        if (kFileSizeChoices[iRow].dwBytes == qwBytes)
            return iRow;
    for (int iRow = kFirstSizeRow; iRow < kLastSizeRow; ++iRow) {
        const uint64_t qwMidpoint =
            (uint64_t{kFileSizeChoices[iRow].dwBytes} + kFileSizeChoices[iRow + 1].dwBytes) / 2;
        if (qwBytes < qwMidpoint)
            return iRow;
    }
    return kLastSizeRow;
}

// ---- Records -------------------------------------------------------------------------------

bool SRemoteFileSystem::Exchange(NodeRef recorder, bool bStore)
{
    const NodeRef element = Child(recorder, u"kov:RemoteFileSystem", bStore);
    if (!element)
        return false;
    bool bAll =
        ExchangeEnumElement(element, u"kov:RemoteFileSystemType", kRemoteFileSystemTypeTexts, bStore, eType);
    if (eType != RemoteFileSystemType::None) {
        bAll &= ExchangeTextElement(element, u"kov:Address", bStore, wszAddress);
        bAll &= ExchangeTextElement(element, u"kov:UserName", bStore, wszUserName);
        bAll &= ExchangeTextElement(element, u"kov:Password", bStore, wszPassword);
    }
    return bAll;
}

bool SEncryption::Exchange(NodeRef recorder, bool bStore)
{
    const NodeRef element = Child(recorder, u"kov:Encryption", bStore);
    if (!element)
        return false;
    bool bAll = ExchangeBoolAttribute(element, u"kov:Enable", bStore, bEnable);
    if (bEnable)
        bAll &= ExchangeTextAttribute(element, u"kov:Key", bStore, wszKey);
    return bAll;
}

bool SMediaRecorder::Exchange(NodeRef root, bool bStore)
{
    const NodeRef recorder = Child(root, kRecorderSection, bStore);
    if (!recorder)
        return false;
    // The size limit travels in the 64-bit encoding; the bits are the unsigned count.
    int64_t llSizeLimit = static_cast<int64_t>(qwFileSizeLimit);
    bool bAll = ExchangeInt64Element(recorder, u"kov:FileSizeSplitThreshold", bStore, llSizeLimit);
    qwFileSizeLimit = static_cast<uint64_t>(llSizeLimit);
    bAll &= ExchangeIntElement(recorder, u"kov:FileTimeSplitThreshold", bStore, iFileTimeLimit);
    bAll &=
        ExchangeBoolElement(recorder, u"kov:EnableFileSystemOptimizations", bStore, bFileSystemOptimizations);
    bAll &= ExchangeBoolElement(recorder, u"kov:VerifyWrites", bStore, bVerifyWrites);
    bAll &= ExchangeBoolElement(recorder, u"kov:RecordIfMotionDetected", bStore, bRecordIfMotionDetected);
    bAll &= ExchangeBoolElement(recorder, u"kov:DeleteOldFiles", bStore, bDeleteOldFiles);
    bAll &= ExchangeBoolElement(recorder, u"kov:SignFiles", bStore, bSignFiles);
    bAll &= ExchangeBoolElement(recorder, u"kov:RecordLocations", bStore, bRecordLocations);
    bAll &= ExchangeBoolElement(recorder, u"kov:RecordEvents", bStore, bRecordEvents);
    bAll &= ExchangeIntElement(recorder, u"kov:RecordingEventTime", bStore, iRecordingEventTime);
    bAll &= ExchangeBoolElement(recorder, u"kov:UseNamesInFiles", bStore, bUseNamesInFiles);
    bAll &= ExchangeBoolElement(recorder, u"kov:RecordMediaTraffic", bStore, bRecordMediaTraffic);
    bAll &= ExchangeEnumElement(recorder, u"kov:AudioFileFormat", kFileFormatTexts, bStore, eAudioFileFormat);
    bAll &= ExchangeEnumElement(recorder, u"kov:VideoFileFormat", kFileFormatTexts, bStore, eVideoFileFormat);
    bAll &= ExchangeEnumElement(recorder, u"kov:AudioVideoFileFormat", kFileFormatTexts, bStore,
                                eAudioVideoFileFormat);
    bAll &= remoteFileSystem.Exchange(recorder, bStore);
    bAll &= encryption.Exchange(recorder, bStore);
    return bAll;
}

// ---- The page ------------------------------------------------------------------------------

CDeviceRecordingParamsDlg::CDeviceRecordingParamsDlg() : CRecordPage(u"Recording")
{
    using R = SMediaRecorder;
    // Labelled fields beside the check boxes, the remote file system and encryption below.
    BeginRow();
    BeginColumn();
    m_pSizeLimit = &AddDropDownList(IDC_FILE_SIZE_LIMIT, u"File Size Limit:");
    m_fileTime = AddTimeValue(IDC_FILE_TIME_LIMIT, IDC_FILE_TIME_UNIT, u"File Time Limit:");
    m_eventTime = AddTimeValue(IDC_EVENT_TIME, IDC_EVENT_TIME_UNIT, u"Minimal Event Recording Time:");
    CDropDownList& rAudio = AddDropDownList(IDC_AUDIO_FILE_FORMAT, u"Audio file format:");
    CDropDownList& rVideo = AddDropDownList(IDC_VIDEO_FILE_FORMAT, u"Video file format:");
    CDropDownList& rAudioVideo = AddDropDownList(IDC_AUDIO_VIDEO_FILE_FORMAT, u"Audio Video file format:");
    AddStretch();
    End();
    BeginColumn();
    CCheckBox& rOptimizations =
        AddCheckBox(IDC_FILE_SYSTEM_OPTIMIZATIONS, u"Enable File System Optimizations");
    CCheckBox& rVerifyWrites = AddCheckBox(IDC_VERIFY_WRITES, u"Verify Writes");
    CCheckBox& rMotion = AddCheckBox(IDC_RECORD_IF_MOTION, u"Record when motion detected");
    CCheckBox& rDeleteOld = AddCheckBox(IDC_DELETE_OLD_FILES, u"Delete old files to free space");
    CCheckBox& rSign = AddCheckBox(IDC_SIGN_FILES, u"Sign media files");
    CCheckBox& rLocations = AddCheckBox(IDC_RECORD_LOCATIONS, u"Record Locations");
    CCheckBox& rEvents = AddCheckBox(IDC_RECORD_EVENTS, u"Record Events");
    CCheckBox& rNames = AddCheckBox(IDC_USE_NAMES_IN_FILES, u"Use names in files");
    CCheckBox& rTraffic = AddCheckBox(IDC_RECORD_MEDIA_TRAFFIC, u"Record media traffic");
    AddStretch();
    End();
    End();
    BeginGroup(0, u"Remote File System");
    m_pRemoteType = &AddDropDownList(IDC_REMOTE_TYPE, u"Type:");
    m_pRemoteAddress = &AddEdit(IDC_REMOTE_ADDRESS, u"Address:");
    m_pRemoteUserName = &AddEdit(IDC_REMOTE_USER_NAME, u"User Name:");
    m_pRemotePassword = &AddPasswordEdit(IDC_REMOTE_PASSWORD, u"Password:");
    End();
    BeginGroup(0, u"File Encryption");
    m_pEncryption = &AddCheckBox(IDC_ENCRYPTION_ENABLE, u"Enable");
    m_pKey = &AddEdit(IDC_ENCRYPTION_KEY, u"Key:");
    End();
    BeginRow();
    m_pSpeedTest = &AddButton(IDC_SPEED_TEST, u"Speed Test");
    m_pDeleteAll = &AddButton(IDC_DELETE_ALL_FILES, u"Delete all files now");
    AddStretch();
    End();
    AddStretch();

    for (const SFileSizeChoice& choice : kFileSizeChoices)
        m_pSizeLimit->AddItem(choice.wszText, choice.dwBytes);
    for (CDropDownList* pList : {&rAudio, &rVideo, &rAudioVideo})
        FillEnumList(*pList, kFileFormatTexts);
    FillEnumList(*m_pRemoteType, kRemoteFileSystemTypeTexts);

    m_vFollowFlag = {m_pSizeLimit,  m_fileTime.pUnit, &rOptimizations,   &rVerifyWrites, &rMotion,
                     &rDeleteOld,   &rSign,           &rLocations,       &rEvents,       &rNames,
                     &rTraffic,     m_pDeleteAll,     m_eventTime.pUnit, m_pRemoteType,  m_pSpeedTest,
                     m_pEncryption, &rAudio,          &rVideo,           &rAudioVideo};

    m_pRemoteType->SetOnChange([this] { ApplyEnabling(); });
    m_pEncryption->SetOnClick([this] { ApplyEnabling(); });
    m_pSpeedTest->SetOnClick([this] { StartSpeedTest(); });
    m_pDeleteAll->SetOnClick([this] { DeleteAllFiles(); });

    Bind()
        .Custom([this](const R& r) { m_pSizeLimit->SetSelection(FileSizeChoiceOf(r.qwFileSizeLimit)); },
                [this](R& r) {
                    if (m_pSizeLimit->Selection() >= 0)
                        r.qwFileSizeLimit = m_pSizeLimit->SelectedData();
                })
        .Custom([this](const R& r) { ShowTime(m_fileTime, r.iFileTimeLimit); },
                [this](R& r) { r.iFileTimeLimit = ReadTime(m_fileTime); })
        .Check(rOptimizations, &R::bFileSystemOptimizations)
        .Check(rVerifyWrites, &R::bVerifyWrites)
        .Check(rMotion, &R::bRecordIfMotionDetected)
        .Check(rDeleteOld, &R::bDeleteOldFiles)
        .Check(rSign, &R::bSignFiles)
        .Check(rLocations, &R::bRecordLocations)
        .Check(rEvents, &R::bRecordEvents)
        .Check(rNames, &R::bUseNamesInFiles)
        .Check(rTraffic, &R::bRecordMediaTraffic)
        .Custom([this](const R& r) { ShowTime(m_eventTime, r.iRecordingEventTime); },
                [this](R& r) { r.iRecordingEventTime = ReadTime(m_eventTime); })
        .ItemData(rAudio, &R::eAudioFileFormat)
        .ItemData(rVideo, &R::eVideoFileFormat)
        .ItemData(rAudioVideo, &R::eAudioVideoFileFormat)
        .ItemData(
            *m_pRemoteType, [](auto& r) -> auto& { return r.remoteFileSystem.eType; })
        .TrimmedText(
            *m_pRemoteAddress, [](auto& r) -> auto& { return r.remoteFileSystem.wszAddress; })
        .TrimmedText(
            *m_pRemoteUserName, [](auto& r) -> auto& { return r.remoteFileSystem.wszUserName; })
        .TrimmedText(
            *m_pRemotePassword, [](auto& r) -> auto& { return r.remoteFileSystem.wszPassword; })
        .Check(
            *m_pEncryption, [](auto& r) -> auto& { return r.encryption.bEnable; })
        .Text(
            *m_pKey, [](auto& r) -> auto& { return r.encryption.wszKey; });
}

CDeviceRecordingParamsDlg::~CDeviceRecordingParamsDlg() = default;

CDeviceRecordingParamsDlg::STimeControls CDeviceRecordingParamsDlg::AddTimeValue(int iNumberId, int iUnitId,
                                                                                 std::u16string wszLabel)
{
    BeginRow();
    STimeControls time;
    time.pNumber = &AddNumberEdit(iNumberId, wszLabel).SetRange(0, std::numeric_limits<int32_t>::max());
    time.pUnit = &AddDropDownList(iUnitId, {});
    // The list has no label of its own: it is the unit of the number beside it.
    time.pUnit->SetAccessibleName(wszLabel + u" unit");
    AddStretch();
    End();
    for (const STimeUnit& unit : kRecordingTimeUnits)
        time.pUnit->AddItem(unit.wszText, unit.dwFactor);
    time.pUnit->SetOnChange([this] { ApplyEnabling(); });
    return time;
}

void CDeviceRecordingParamsDlg::ShowTime(const STimeControls& time, int32_t iSeconds)
{
    // A negative time is no time: the device records without that limit.
    const STimeDisplay display =
        iSeconds > 0 ? TimeDisplayOf(kRecordingTimeUnits, static_cast<uint32_t>(iSeconds)) : STimeDisplay{};
    time.pUnit->SetSelection(display.iUnit);
    if (display.iUnit == 0)
        time.pNumber->SetText({});
    else
        time.pNumber->SetUInt(display.dwNumber);
}

int32_t CDeviceRecordingParamsDlg::ReadTime(const STimeControls& time)
{
    // A number too large for its unit is kept at the largest time the document can hold.
    return static_cast<int32_t>(TimeValueOf(kRecordingTimeUnits, time.pUnit->Selection(),
                                            time.pNumber->GetUInt(), std::numeric_limits<int32_t>::max()));
}

std::span<const SToolTip> CDeviceRecordingParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_FILE_SIZE_LIMIT,
         u"Size limit for a media recording data file. Files will not be larger than this limit."},
        {IDC_FILE_TIME_LIMIT, u"The maximum length (in time) of a recorded media file."},
        {IDC_FILE_TIME_UNIT,
         u"The units for the time that define the maximum length of a recorded media file."},
        {IDC_FILE_SYSTEM_OPTIMIZATIONS,
         u"Allow the unit to perform special algorithms to make writing faster. "
         u"This option is relevant for KOV-400 devices."},
        {IDC_VERIFY_WRITES, u"Allow the unit to perform verification on writes to the micro-SD card. This "
                            u"option is relevant for KOV-400 devices."},
        {IDC_RECORD_IF_MOTION, u"Start recording a video channel if motion is detected there."},
        {IDC_DELETE_OLD_FILES,
         u"If there is little space remaining on the storage device, free up some space "
         u"by deleting the oldest recordings."},
        {IDC_SIGN_FILES,
         u"Write a special signature file for every media recording. It authenticates that the "
         u"recording was made by this type of device."},
        {IDC_RECORD_LOCATIONS, u"Record the positions of the device in a daily locations log file."},
        {IDC_RECORD_EVENTS, u"Record regular and special events in a daily events log file."},
        {IDC_USE_NAMES_IN_FILES, u"Use device and channel names in the recording file names."},
        {IDC_RECORD_MEDIA_TRAFFIC, u"Record media to files whenever the channels are open for transmission."},
        {IDC_EVENT_TIME, u"The time to continue recording after the event is not considered active."},
        {IDC_EVENT_TIME_UNIT,
         u"The units for the time to continue recording after the event is not considered "
         u"active."},
        {IDC_AUDIO_FILE_FORMAT, u"Select preferred audio file format - for audio-only files."},
        {IDC_VIDEO_FILE_FORMAT, u"Select preferred video file format - for video-only files."},
        {IDC_AUDIO_VIDEO_FILE_FORMAT, u"Select preferred mixed video+audio media file format."},
        {IDC_REMOTE_TYPE,
         u"Remote file system selection for external storage, use 'None' for a micro-SD card "
         u"or the internal flash."},
        {IDC_REMOTE_ADDRESS, u"Address for remote file system type, including folder path."},
        {IDC_REMOTE_USER_NAME, u"User name for logging into the remote file system."},
        {IDC_REMOTE_PASSWORD, u"Password for logging into the remote file system."},
        {IDC_ENCRYPTION_ENABLE, u"Encrypt the recording data files."},
        {IDC_ENCRYPTION_KEY, u"The encryption key to use for encrypting the data files."},
        {IDC_SPEED_TEST, u"Test the writing and reading speed of the device storage with a test file."},
        {IDC_DELETE_ALL_FILES, u"Delete all files on the storage device now."},
    };
    return kToolTips;
}

void CDeviceRecordingParamsDlg::OnRecordShown()
{
    ApplyEnabling();
}

void CDeviceRecordingParamsDlg::OnRecordRead()
{
    // Encryption without a key would lock the recordings away: it is stored as off.
    m_record.encryption.bEnable = m_pEncryption->IsChecked() && !m_record.encryption.wszKey.empty();
}

void CDeviceRecordingParamsDlg::Enable(bool bEnable)
{
    m_bEnabled = bEnable;
    ApplyEnabling();
    if (!bEnable && m_pWritingTest) {
        m_pWritingTest->SetActive(false);
        m_pWritingTest->HideWindow();
    }
}

void CDeviceRecordingParamsDlg::ApplyEnabling()
{
    for (CControl* pControl : m_vFollowFlag)
        pControl->SetEnabled(m_bEnabled);
    const bool bRemote = m_bEnabled && m_pRemoteType->Selection() >= 0 &&
                         m_pRemoteType->SelectedData() != static_cast<uint32_t>(RemoteFileSystemType::None);
    for (CEdit* pEdit : {m_pRemoteAddress, m_pRemoteUserName, m_pRemotePassword})
        pEdit->SetEnabled(bRemote);
    m_pKey->SetEnabled(m_bEnabled && m_pEncryption->IsChecked());
    for (const STimeControls* pTime : {&m_fileTime, &m_eventTime})
        pTime->pNumber->SetEnabled(m_bEnabled && pTime->pUnit->Selection() > 0);
}

EDeviceRequest CDeviceRecordingParamsDlg::DeleteAllFiles()
{
    return DeleteAllRecordingFiles(Host(), m_pHolder, m_pOutcomes);
}

bool CDeviceRecordingParamsDlg::StartSpeedTest()
{
    if (!m_pHolder || !m_pHolder->IsConnected())
        return false;
    if (!m_pWritingTest) {
        // Hidden until the device reports progress.
        m_pWritingTest = std::make_unique<CWritingTestDlg>(m_pHolder, m_fnTestClock);
        m_pWritingTest->SetHost(Host());
        m_pWritingTest->Initialise();
    } else {
        m_pWritingTest->Reset();
    }
    m_pWritingTest->SetActive(true);
    return m_pHolder->SendCommand(StartWriteTest);
}

void CDeviceRecordingParamsDlg::OnTestProgress(const SDeviceEventData& event)
{
    if (m_pWritingTest)
        m_pWritingTest->OnTestProgress(event);
}

} // namespace kov
