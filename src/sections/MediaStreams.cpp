#include "sections/MediaStreams.h"

#include <algorithm>
#include <iterator>

#include "document/Exchange.h"
#include "form/Page.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr char16_t kMediaStreamsName[] = u"kov:MediaStreams";
constexpr char16_t kEditorTitle[] = u"Media Stream Params";
constexpr char16_t kEditorCaption[] = u"Edit Media Stream Parameters";

NodeRef Child(NodeRef parent, std::u16string_view wszName, bool bStore)
{
    return parent.FindOrCreateChild(wszName, kKovNamespaceUri, bStore);
}

// A stream list inside its container: reading empties the list first; storing replaces the
// entries and marks the container for erasing. False only when the container is missing.
template <class TStream>
bool ExchangeStreams(NodeRef container, std::u16string_view wszItemName, bool bStore,
                     std::vector<TStream>& vStreams)
{
    if (!bStore)
        vStreams.clear();
    if (!ExchangeList(container, wszItemName, bStore, vStreams))
        return false;
    if (bStore)
        MarkEraseChildren(container);
    return true;
}

// The parts a stream of either direction has, as attributes of its element.
template <class TStream> void ExchangeStreamTexts(TStream& stream, NodeRef item, bool bStore)
{
    ExchangeBoolAttribute(item, u"kov:Enable", bStore, stream.bEnabled);
    ExchangeTextAttribute(item, u"kov:Name", bStore, stream.wszName);
    ExchangeTextAttribute(item, u"kov:Address", bStore, stream.wszAddress);
    ExchangeTextAttribute(item, u"kov:UserName", bStore, stream.wszUserName);
    ExchangeTextAttribute(item, u"kov:Password", bStore, stream.wszPassword);
}

std::u16string StreamNameFor(size_t nCount)
{
    return u"Stream " + DecimalText(static_cast<int64_t>(nCount) + 1);
}

// Cameras with a fixed address of their own, offered by name in the input stream editor; the
// name list and the address list go by the same positions.
struct SStreamPreset {
    const char16_t* wszName;
    const char16_t* wszAddress;
};
constexpr SStreamPreset kStreamPresets[] = {
    {u"Go Pro Hero 3", u"http://10.5.5.9:8080/live/amba.m3u8"},
    {u"Go Pro Hero 4", u"gphero4://10.5.5.9"},
    {u"HLS", u"http://"},
    {u"Law Mate PV-RC200HDW", u"lm01://192.168.1.254/stream.mov"},
    {u"Mohoc", u"mohoc://192.168.42.1/live"},
    {u"RTSP", u"rtsp://"},
    {u"ONVIF", u"onvif://"},
};

// "None" (-1), then one item per channel, "<prefix>1" for channel 0.
void FillChannelList(CDropDownList& rList, std::u16string_view wszPrefix, int32_t iChannels)
{
    rList.DeleteAllItems();
    rList.AddItem(u"None");
    const int32_t nListed = std::clamp(iChannels, 0, kMaxListedChannels);
    for (int32_t i = 1; i <= nListed; ++i)
        rList.AddItem(std::u16string(wszPrefix) + DecimalText(i));
}

// A channel shows at its position after "None"; one the list does not hold shows no selection,
// and no selection keeps the channel.
template <class TRecord>
void BindChannel(CFieldBindings<TRecord>& bindings, CDropDownList& rList, int32_t TRecord::*pChannel)
{
    bindings.Custom(
        [&rList, pChannel](const TRecord& record) {
            const int32_t iChannel = record.*pChannel;
            rList.SetSelection(iChannel >= -1 && iChannel < rList.ItemCount() - 1 ? iChannel + 1 : -1);
        },
        [&rList, pChannel](TRecord& record) {
            if (rList.Selection() >= 0)
                record.*pChannel = rList.Selection() - 1;
        });
}

bool NeedsAddress(ProcessingAction eAction)
{
    return eAction == ProcessingAction::ForwardAsIs || eAction == ProcessingAction::Transcode;
}

} // namespace

// ---- Records -------------------------------------------------------------------------------

bool MediaInputStream::Exchange(NodeRef item, bool bStore)
{
    if (!item)
        return false;
    ExchangeStreamTexts(*this, item, bStore);
    ExchangeEnumAttribute(Child(item, u"kov:VideoChannel", bStore), u"kov:ProcessingAction",
                          kProcessingActionTexts, bStore, eVideoProcessingAction);
    ExchangeEnumAttribute(Child(item, u"kov:AudioChannel", bStore), u"kov:ProcessingAction",
                          kProcessingActionTexts, bStore, eAudioProcessingAction);
    return true;
}

bool MediaOutputStream::Exchange(NodeRef item, bool bStore)
{
    if (!item)
        return false;
    ExchangeStreamTexts(*this, item, bStore);
    ExchangeIntAttribute(item, u"kov:VideoChannel", bStore, iVideoChannel);
    ExchangeIntAttribute(item, u"kov:AudioChannel", bStore, iAudioChannel);
    ExchangeEnumAttribute(item, u"kov:TransportProtocol", kTransportProtocolTexts, bStore,
                          eTransportProtocol);
    return true;
}

bool SMediaInputStreams::Exchange(NodeRef root, bool bStore)
{
    const NodeRef rules = Child(root, kCaptureDeviceRulesName, bStore);
    return ExchangeStreams(Child(Child(rules, kMediaStreamsName, bStore), u"kov:MediaInputStreams", bStore),
                           u"kov:MediaInputStream", bStore, vStreams);
}

bool SMediaOutputStreams::Exchange(NodeRef root, bool bStore)
{
    const NodeRef rules = Child(root, kCaptureDeviceRulesName, bStore);
    const NodeRef config = Child(root, kCaptureDeviceConfigName, bStore);
    bool bAll = rules && config;
    bAll &= ExchangeIntAttribute(Child(config, u"kov:VideoChannels", bStore), u"kov:Quantity", bStore,
                                 iVideoChannelQuantity);
    bAll &= ExchangeIntAttribute(Child(config, u"kov:AudioChannels", bStore), u"kov:Quantity", bStore,
                                 iAudioChannelQuantity);
    // A device without output streams may have no container; that is an empty list.
    ExchangeStreams(Child(Child(rules, kMediaStreamsName, bStore), u"kov:MediaOutputStreams", bStore),
                    u"kov:MediaOutputStream", bStore, vStreams);
    return bAll;
}

// ---- Input stream editor -------------------------------------------------------------------

CEditMediaInputStreamParamsDlg::CEditMediaInputStreamParamsDlg(MediaInputStream& rStream)
    : CRecordDialog(kEditorTitle, rStream)
{
    using R = MediaInputStream;
    CCheckBox& rEnable = AddCheckBox(IDC_IN_ENABLE, u"Enable");
    CComboEdit& rName = AddComboEdit(IDC_IN_NAME, u"Stream Name:");
    CComboEdit& rAddress = AddComboEdit(IDC_IN_ADDRESS, u"Stream Address:");
    CDropDownList& rVideo = AddDropDownList(IDC_IN_VIDEO_ACTION, u"Video Processing Action:");
    CDropDownList& rAudio = AddDropDownList(IDC_IN_AUDIO_ACTION, u"Audio Processing Action:");
    CEdit& rUserName = AddEdit(IDC_IN_USER_NAME, u"User name:");
    CEdit& rPassword = AddPasswordEdit(IDC_IN_PASSWORD, u"Password:");
    AddOkCancel();

    for (const SStreamPreset& preset : kStreamPresets) {
        rName.AddItem(preset.wszName);
        rAddress.AddItem(preset.wszAddress);
    }
    rName.SetOnChoose([&rAddress](int iPreset) { rAddress.SetText(kStreamPresets[iPreset].wszAddress); });
    FillEnumList(rVideo, kProcessingActionTexts);
    FillEnumList(rAudio, kProcessingActionTexts);
    Bind()
        .Check(rEnable, &R::bEnabled)
        .TrimmedText(rName, &R::wszName)
        .TrimmedText(rAddress, &R::wszAddress)
        .Position(rVideo, &R::eVideoProcessingAction)
        .Position(rAudio, &R::eAudioProcessingAction)
        .TrimmedText(rUserName, &R::wszUserName)
        .TrimmedText(rPassword, &R::wszPassword);
}

bool CEditMediaInputStreamParamsDlg::Check(MediaInputStream& stream)
{
    if (stream.wszName.empty()) {
        MessageBox(u"Empty Name", kEditorCaption);
        return false;
    }
    // Only a stream that passes media on needs to know where to take it from.
    if (stream.wszAddress.empty() && stream.bEnabled &&
        (NeedsAddress(stream.eVideoProcessingAction) || NeedsAddress(stream.eAudioProcessingAction))) {
        MessageBox(u"Empty stream address", kEditorCaption);
        return false;
    }
    return true;
}

// ---- Output stream editor ------------------------------------------------------------------

CEditMediaStreamParamsDlg::CEditMediaStreamParamsDlg(MediaOutputStream& rStream, int32_t iVideoChannels,
                                                     int32_t iAudioChannels)
    : CRecordDialog(kEditorTitle, rStream)
{
    using R = MediaOutputStream;
    CCheckBox& rEnable = AddCheckBox(IDC_OUT_ENABLE, u"Enable");
    CEdit& rName = AddEdit(IDC_OUT_NAME, u"Stream Name:");
    CEdit& rAddress = AddEdit(IDC_OUT_ADDRESS, u"Stream Address:");
    CDropDownList& rVideo = AddDropDownList(IDC_OUT_VIDEO_CHANNEL, u"Video Channel:");
    CDropDownList& rAudio = AddDropDownList(IDC_OUT_AUDIO_CHANNEL, u"Audio Channel:");
    CDropDownList& rTransport = AddDropDownList(IDC_OUT_TRANSPORT, u"Transport Protocol:");
    CEdit& rUserName = AddEdit(IDC_OUT_USER_NAME, u"Username:");
    CEdit& rPassword = AddPasswordEdit(IDC_OUT_PASSWORD, u"Password:");
    AddOkCancel();

    FillChannelList(rVideo, u"Camera ", iVideoChannels);
    FillChannelList(rAudio, u"Microphone ", iAudioChannels);
    FillEnumList(rTransport, kTransportProtocolTexts);
    Bind()
        .Check(rEnable, &R::bEnabled)
        .TrimmedText(rName, &R::wszName)
        .TrimmedText(rAddress, &R::wszAddress)
        .ItemData(rTransport, &R::eTransportProtocol)
        .TrimmedText(rUserName, &R::wszUserName)
        .TrimmedText(rPassword, &R::wszPassword);
    BindChannel(Bind(), rVideo, &R::iVideoChannel);
    BindChannel(Bind(), rAudio, &R::iAudioChannel);
}

bool CEditMediaStreamParamsDlg::Check(MediaOutputStream& stream)
{
    if (stream.wszName.empty()) {
        MessageBox(u"Empty Name", kEditorCaption);
        return false;
    }
    if (stream.wszAddress.empty()) {
        MessageBox(u"Empty stream address", kEditorCaption);
        return false;
    }
    if (stream.iVideoChannel == -1 && stream.iAudioChannel == -1) {
        MessageBox(u"No channels selected", kEditorCaption);
        return false;
    }
    return true;
}

// ---- The pages -----------------------------------------------------------------------------

template <class TRecord, class TStream>
CMediaStreamsPage<TRecord, TStream>::CMediaStreamsPage(std::u16string wszTitle, SListEditorTexts texts,
                                                       Hooks hooks)
    : CRecordPage<TRecord>(std::move(wszTitle))
{
    CListView& rList = AddListWithButtons(*this, IDC_STREAMS_LIST,
                                          {{IDC_STREAMS_ADD, u"Add"},
                                           {IDC_STREAMS_CHANGE, u"Change"},
                                           {IDC_STREAMS_DELETE, u"Delete"},
                                           {IDC_STREAMS_EMPTY, u"Empty"}});
    rList.AddColumn(u"Enable", 50);
    rList.AddColumn(u"Name", 120);
    rList.AddColumn(u"Address", 240);
    hooks.fnCells = [](const TStream& stream) {
        return std::vector<std::u16string>{stream.bEnabled ? u"True" : u"False", stream.wszName,
                                           stream.wszAddress};
    };
    m_pEditor = std::make_unique<CListEditor<TStream>>(*this, rList, std::move(texts), std::move(hooks));
    m_pEditor->SetEntries(&this->m_record.vStreams);
    m_pEditor->BindButtons(IDC_STREAMS_ADD, IDC_STREAMS_CHANGE, IDC_STREAMS_DELETE, IDC_STREAMS_EMPTY);
}

template class CMediaStreamsPage<SMediaInputStreams, MediaInputStream>;
template class CMediaStreamsPage<SMediaOutputStreams, MediaOutputStream>;

namespace {

SListEditorTexts StreamListTexts()
{
    SListEditorTexts texts;
    texts.wszNoSelection = u"No stream selected";
    texts.wszChangeCaption = u"Change Stream Parameters";
    texts.wszDeleteNoSelectionCaption = u"Delete Stream";
    texts.eEmptyListRule = EEmptyListRule::Ask;
    return texts;
}

SListEditorTexts InputListTexts()
{
    SListEditorTexts texts = StreamListTexts();
    texts.wszDeleteQuestion = u"Are you sure?";
    texts.wszDeleteCaption = u"Delete media input stream";
    texts.wszEmptyQuestion = u"Are You Sure?";
    texts.wszEmptyCaption = u"Delete All Media Input Streams";
    texts.bDoubleClickChanges = true;
    texts.bSelectAfterDelete = true;
    return texts;
}

SListEditorTexts OutputListTexts()
{
    SListEditorTexts texts = StreamListTexts();
    texts.wszDeleteQuestion = u"Are You Sure?";
    texts.wszDeleteCaption = u"Delete Media Output Stream";
    texts.wszEmptyQuestion = u"Are You Sure?";
    texts.wszEmptyCaption = u"Delete All Media Output Streams";
    return texts;
}

} // namespace

CMediaInputStreamsDlg::CMediaInputStreamsDlg()
    : CMediaStreamsPage(u"Input", InputListTexts(),
                        Hooks{.fnNew =
                                  [](size_t nCount) {
                                      MediaInputStream stream;
                                      stream.bEnabled = true;
                                      stream.wszName = StreamNameFor(nCount);
                                      return stream;
                                  },
                              .fnEdit =
                                  [this](MediaInputStream& rStream) {
                                      CEditMediaInputStreamParamsDlg dlg(rStream);
                                      return RunDialog(dlg) == EDlgResult::Ok;
                                  }})
{}

std::span<const SToolTip> CMediaInputStreamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_STREAMS_LIST, u"Select to edit a stream from the list of input streams."},
        {IDC_STREAMS_ADD, u"Add an input stream. The stream must be of type HTTP Live Streaming."},
        {IDC_STREAMS_CHANGE, u"Change the current input stream parameters."},
        {IDC_STREAMS_DELETE, u"Delete the current input stream."},
        {IDC_STREAMS_EMPTY, u"Delete all listed input streams."},
    };
    return kToolTips;
}

void CMediaInputStreamsDlg::OnPageMessage(std::uint32_t uMessage, std::uint64_t, std::int64_t)
{
    // Through the button, so that the key does nothing while the button is disabled.
    if (uMessage == kPageDeleteKeyMessage)
        Click(IDC_STREAMS_DELETE);
}

CMediaOutputStreamsDlg::CMediaOutputStreamsDlg()
    : CMediaStreamsPage(u"Output", OutputListTexts(),
                        Hooks{.fnNew =
                                  [this](size_t nCount) {
                                      MediaOutputStream stream;
                                      stream.bEnabled = true;
                                      stream.wszName = StreamNameFor(nCount);
                                      stream.wszAddress = u"rtsp://";
                                      stream.iVideoChannel = m_record.iVideoChannelQuantity > 0 ? 0 : -1;
                                      stream.iAudioChannel = m_record.iAudioChannelQuantity > 0 ? 0 : -1;
                                      return stream;
                                  },
                              .fnEdit =
                                  [this](MediaOutputStream& rStream) {
                                      CEditMediaStreamParamsDlg dlg(rStream, m_record.iVideoChannelQuantity,
                                                                    m_record.iAudioChannelQuantity);
                                      return RunDialog(dlg) == EDlgResult::Ok;
                                  }})
{}

std::span<const SToolTip> CMediaOutputStreamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_STREAMS_LIST, u"Select to edit a stream from the list of output streams."},
        {IDC_STREAMS_ADD, u"Add an output stream. The stream must be of type RTSP."},
        {IDC_STREAMS_CHANGE, u"Change the current output stream parameters."},
        {IDC_STREAMS_DELETE, u"Delete the current output stream."},
        {IDC_STREAMS_EMPTY, u"Delete all listed output streams."},
    };
    return kToolTips;
}

} // namespace kov
