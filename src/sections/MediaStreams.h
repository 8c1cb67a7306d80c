#pragma once
// Media streams: the streams the device pulls from other cameras (input) and the streams it
// serves from its own channels (output), two list pages under "Streams" with one layout, each row
// edited in its "Media Stream Params" editor. Both lists lie in "kov:CaptureDeviceRules" /
// "kov:MediaStreams"; the output page also keeps the device's channel numbers from
// "kov:CaptureDeviceConfig".
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/ValueTree.h"
#include "sections/ListEditor.h"
#include "sections/NetworkTypes.h"
#include "sections/RecordPage.h"

namespace kov {

enum class ProcessingAction : int32_t { Disable = 0, ForwardAsIs = 1, Transcode = 2, Native = 3 };

inline constexpr EnumText kProcessingActionTexts[] = {
    {ProcessingAction::Disable, u"Disable"},
    {ProcessingAction::ForwardAsIs, u"Forward As Is"},
    {ProcessingAction::Transcode, u"Transcode"},
    {ProcessingAction::Native, u"Native"},
};

struct MediaInputStream {
    bool bEnabled = false;
    std::u16string wszName;
    std::u16string wszAddress;
    std::u16string wszUserName;
    std::u16string wszPassword; // in clear, as the device takes it
    ProcessingAction eVideoProcessingAction = ProcessingAction::ForwardAsIs;
    ProcessingAction eAudioProcessingAction = ProcessingAction::ForwardAsIs;

    // One "kov:MediaInputStream". Missing parts, and actions outside their table, keep their
    // defaults; an entry never fails the read.
    bool Exchange(NodeRef item, bool bStore);
    friend bool operator==(const MediaInputStream&, const MediaInputStream&) = default;
};

struct MediaOutputStream {
    bool bEnabled = false;
    std::u16string wszName;
    std::u16string wszAddress;
    std::u16string wszUserName;
    std::u16string wszPassword;
    int32_t iVideoChannel = -1; // 0-based; -1: none
    int32_t iAudioChannel = -1;
    TransportProtocol eTransportProtocol = TransportProtocol::Any;

    // One "kov:MediaOutputStream", as the input stream's exchange.
    bool Exchange(NodeRef item, bool bStore);
    friend bool operator==(const MediaOutputStream&, const MediaOutputStream&) = default;
};

// The Input page's record.
struct SMediaInputStreams {
    std::vector<MediaInputStream> vStreams;

    // Under the root. Reading fails, with an empty list, when "kov:CaptureDeviceRules" or the
    // list's container is missing.
    bool Exchange(NodeRef root, bool bStore);
};

// The Output page's record.
struct SMediaOutputStreams {
    std::vector<MediaOutputStream> vStreams;
    int32_t iVideoChannelQuantity = 0; // the device's, written back as read
    int32_t iAudioChannelQuantity = 0;

    // Under the root. Reading fails when "kov:CaptureDeviceRules", "kov:CaptureDeviceConfig" or
    // either channel quantity is missing; what there is is still read. A missing list container
    // is an empty list.
    bool Exchange(NodeRef root, bool bStore);
};

// The channels a device offers in a list: at most this many, whatever a damaged quantity says.
inline constexpr int32_t kMaxListedChannels = 256;

// "Media Stream Params" of an input stream.
class CEditMediaInputStreamParamsDlg : public CRecordDialog<MediaInputStream> {
public:
    enum : int {
        IDC_IN_ENABLE = 2101,
        IDC_IN_NAME = 2102,
        IDC_IN_ADDRESS = 2103,
        IDC_IN_VIDEO_ACTION = 2104,
        IDC_IN_AUDIO_ACTION = 2105,
        IDC_IN_USER_NAME = 2106,
        IDC_IN_PASSWORD = 2107,
    };

    // Edits rStream in place, and only when OK is accepted.
    explicit CEditMediaInputStreamParamsDlg(MediaInputStream& rStream);

protected:
    bool Check(MediaInputStream& stream) override;
};

// "Media Stream Params" of an output stream, offering the device's channels.
class CEditMediaStreamParamsDlg : public CRecordDialog<MediaOutputStream> {
public:
    enum : int {
        IDC_OUT_ENABLE = 2201,
        IDC_OUT_NAME = 2202,
        IDC_OUT_ADDRESS = 2203,
        IDC_OUT_VIDEO_CHANNEL = 2204,
        IDC_OUT_AUDIO_CHANNEL = 2205,
        IDC_OUT_TRANSPORT = 2206,
        IDC_OUT_USER_NAME = 2207,
        IDC_OUT_PASSWORD = 2208,
    };

    // Edits rStream in place, and only when OK is accepted.
    CEditMediaStreamParamsDlg(MediaOutputStream& rStream, int32_t iVideoChannels, int32_t iAudioChannels);

protected:
    bool Check(MediaOutputStream& stream) override;
};

// The layout both stream pages share: the list and its four command buttons.
struct SMediaStreamIds {
    enum : int {
        IDC_STREAMS_LIST = 2001,
        IDC_STREAMS_ADD = 2002,
        IDC_STREAMS_CHANGE = 2003,
        IDC_STREAMS_DELETE = 2004,
        IDC_STREAMS_EMPTY = 2005,
    };
};

// A stream list page: its record's list edited on the shared list pattern, one row per stream
// showing whether it is enabled, its name and its address.
template <class TRecord, class TStream>
class CMediaStreamsPage : public CRecordPage<TRecord>, public SMediaStreamIds {
public:
    void Enable(bool bEnable) override
    {
        this->EnableControls(
            {IDC_STREAMS_LIST, IDC_STREAMS_ADD, IDC_STREAMS_CHANGE, IDC_STREAMS_DELETE, IDC_STREAMS_EMPTY},
            bEnable);
    }

    const std::vector<TStream>& Streams() const { return this->m_record.vStreams; }

protected:
    using Hooks = typename CListEditor<TStream>::SHooks;

    CMediaStreamsPage(std::u16string wszTitle, SListEditorTexts texts, Hooks hooks);

    void OnRecordShown() override
    {
        m_pEditor->SetEntries(&this->m_record.vStreams);
        m_pEditor->Refill();
    }

    CListEditor<TStream>& Editor() { return *m_pEditor; }

private:
    std::unique_ptr<CListEditor<TStream>> m_pEditor;
};

// "Input": streams pulled from other cameras.
class CMediaInputStreamsDlg : public CMediaStreamsPage<SMediaInputStreams, MediaInputStream> {
public:
    CMediaInputStreamsDlg();

protected:
    std::span<const SToolTip> ToolTips() const override;
    // The Delete key deletes as the "Delete" button does.
    void OnPageMessage(std::uint32_t uMessage, std::uint64_t wParam, std::int64_t lParam) override;
};

// "Output": streams served from the device's own channels.
class CMediaOutputStreamsDlg : public CMediaStreamsPage<SMediaOutputStreams, MediaOutputStream> {
public:
    CMediaOutputStreamsDlg();

protected:
    std::span<const SToolTip> ToolTips() const override;
};

} // namespace kov
