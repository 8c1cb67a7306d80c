#include "sections/CameraEngines.h"

#include <algorithm>
#include <cstdint>

#include "document/Exchange.h"
#include "sections/NetworkTypes.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr char16_t kRelationCaption[] = u"Camera Engine Relation";
constexpr char16_t kDefaultProtocolText[] = u"Default";
constexpr int32_t kMaxCameraId = 63;

NodeRef Child(NodeRef parent, std::u16string_view wszName, bool bStore)
{
    return parent.FindOrCreateChild(wszName, kKovNamespaceUri, bStore);
}

// The number after iValue; a document's largest value stays itself instead of overflowing.
int32_t NextNumber(int32_t iValue)
{
    return iValue == INT32_MAX ? iValue : iValue + 1;
}

bool IsProtocolIndex(const std::vector<std::u16string>& vProtocolNames, int32_t iProtocol)
{
    return iProtocol >= 0 && static_cast<size_t>(iProtocol) < vProtocolNames.size();
}

} // namespace

std::u16string PtzProtocolText(const std::vector<std::u16string>& vProtocolNames, int32_t iProtocol)
{
    return IsProtocolIndex(vProtocolNames, iProtocol) ? vProtocolNames[static_cast<size_t>(iProtocol)]
                                                      : std::u16string(kDefaultProtocolText);
}

bool PtzEngine::Exchange(NodeRef item, bool bStore)
{
    ExchangeIntAttribute(item, u"kov:DeviceID", bStore, iDeviceId);
    ExchangeIntAttribute(item, u"kov:VideoChannel", bStore, iVideoChannel);
    ExchangeIntAttribute(item, u"kov:Protocol", bStore, iProtocol);
    return true;
}

bool SCameraEngines::Exchange(NodeRef root, bool bStore)
{
    const NodeRef config = Child(root, kCaptureDeviceConfigName, bStore);
    if (!config)
        return false;
    bool bAll = ExchangeIntAttribute(Child(config, u"kov:VideoChannels", bStore), u"kov:Quantity", bStore,
                                     dwVideoChannelQuantity);
    const NodeRef engines = Child(config, u"kov:PtzEngines", bStore);
    bAll &= ExchangeList(engines, u"kov:PtzEngine", kKovNamespaceUri, bStore, vRelations);
    bAll &= ExchangeIntAttribute(engines, u"kov:SerialComBaudRate", bStore, dwBaudRate);
    const NodeRef protocols = Child(config, u"kov:PtzProtocols", bStore);
    bAll &= static_cast<bool>(protocols);
    // Not part of the match: a device may leave its default protocol unset.
    ExchangeIntAttribute(protocols, u"kov:Index", bStore, iDefaultProtocol);
    if (bStore) {
        MarkEraseChildren(engines);
    } else {
        vProtocolNames.clear();
        for (NodeRef item = protocols.FirstChild(); item; item = item.NextSibling())
            if (item.NameIs(u"kov:Protocol"))
                vProtocolNames.emplace_back(item.Text());
    }
    return bAll;
}

// ---- Edit Camera Engine Relation -----------------------------------------------------------

CCameraEngineRelationDlg::CCameraEngineRelationDlg(SCameraEngineRelation& rEntry,
                                                   uint32_t dwVideoChannelQuantity,
                                                   const std::vector<std::u16string>& vProtocolNames)
    : CRecordDialog(u"Edit Camera Engine Relation", rEntry), m_dwVideoChannelQuantity(dwVideoChannelQuantity),
      m_vProtocolNames(vProtocolNames), m_rVideoChannel(AddEdit(IDC_VIDEO_CHANNEL, u"Video Channel Number:")),
      m_rCameraId(AddEdit(IDC_CAMERA_ID, u"Camera Identifier:")),
      m_rProtocol(AddDropDownList(IDC_PROTOCOL, u"Protocol:"))
{
    AddOkCancel();
    m_rProtocol.AddItem(kDefaultProtocolText);
    for (const std::u16string& wszName : m_vProtocolNames)
        m_rProtocol.AddItem(wszName);
    using R = SCameraEngineRelation;
    Bind()
        .Number(m_rVideoChannel, &R::iVideoChannelNumber)
        .Number(m_rCameraId, &R::iCameraId)
        .Custom(
            [this](const R& r) {
                m_rProtocol.SetSelection(IsProtocolIndex(m_vProtocolNames, r.iProtocol) ? r.iProtocol + 1
                                                                                        : 0);
            },
            [this](R& r) { r.iProtocol = std::max(m_rProtocol.Selection(), 0) - 1; });
}

bool CCameraEngineRelationDlg::Check(SCameraEngineRelation&)
{
    // Each entry must be one whole number: "7x" or an emptied field is refused, not taken as 7 or 0.
    int iCameraId = 0;
    if (!m_rCameraId.TryGetInt(iCameraId) || iCameraId < 0 || iCameraId > kMaxCameraId) {
        MessageBox(u"Invalid camera identifier", kRelationCaption);
        return false;
    }
    int iNumber = 0;
    if (!m_rVideoChannel.TryGetInt(iNumber) || iNumber < 1 ||
        static_cast<uint32_t>(iNumber) > m_dwVideoChannelQuantity) {
        MessageBox(u"Invalid video channel number", kRelationCaption);
        return false;
    }
    return true;
}

// ---- The page ------------------------------------------------------------------------------

CCameraEngineParamsDlg::CCameraEngineParamsDlg()
    : CRecordPage(u"PTZ"), m_rDefaultProtocol(AddDropDownList(IDC_DEFAULT_PROTOCOL, u"Default protocol:")),
      m_rBaudRate(AddDropDownList(IDC_BAUD_RATE, u"Baud Rate:")),
      m_rRelations(AddListWithButtons(
          *this, IDC_RELATIONS,
          {{IDC_ADD, u"Add"}, {IDC_CHANGE, u"Change"}, {IDC_DELETE, u"Delete"}, {IDC_EMPTY, u"Empty"}}))
{
    m_rRelations.AddColumn(u"Video Channel", 120);
    m_rRelations.AddColumn(u"Camera ID", 120);
    m_rRelations.AddColumn(u"Protocol", 120);
    for (uint32_t dwRate : kPtzBaudRates)
        m_rBaudRate.AddItem(DecimalText(static_cast<int32_t>(dwRate)), dwRate);
    m_rBaudRate.SetOnChange([this] { m_record.dwBaudRate = m_rBaudRate.SelectedData(m_record.dwBaudRate); });

    using R = SCameraEngines;
    Bind()
        .Custom(
            [this](const R& r) {
                m_rDefaultProtocol.DeleteAllItems();
                for (const std::u16string& wszName : r.vProtocolNames)
                    m_rDefaultProtocol.AddItem(wszName);
                m_rDefaultProtocol.SetSelection(
                    IsProtocolIndex(r.vProtocolNames, r.iDefaultProtocol) ? r.iDefaultProtocol : -1);
            },
            [this](R& r) { r.iDefaultProtocol = m_rDefaultProtocol.Selection(); })
        .Custom(
            [this](const R& r) {
                // The first rate whose text begins with the stored number.
                const std::u16string wszRate = DecimalText(static_cast<int32_t>(r.dwBaudRate));
                int iFound = -1;
                for (int i = 0; i < m_rBaudRate.ItemCount() && iFound < 0; ++i)
                    if (m_rBaudRate.ItemText(i).starts_with(wszRate))
                        iFound = i;
                m_rBaudRate.SetSelection(iFound);
            },
            // The rate is taken into the record when the operator picks it.
            [](R&) {});

    SListEditorTexts texts;
    texts.wszNoSelection = u"No item selected";
    texts.wszChangeCaption = u"Change Relation";
    texts.wszDeleteNoSelectionCaption = u"Delete Relation";
    texts.wszDeleteQuestion = u"Are You Sure?";
    texts.wszDeleteCaption = u"Delete Camera Engine Relation";
    texts.wszEmptyQuestion = u"Are You Sure?";
    texts.wszEmptyCaption = u"Delete Whole Camera Engines Definition";
    texts.eEmptyListRule = EEmptyListRule::Ask;
    texts.bDoubleClickChanges = true;

    CListEditor<PtzEngine>::SHooks hooks;
    hooks.fnCells = [this](const PtzEngine& relation) { return RowCells(relation); };
    hooks.fnNew = [this](size_t) { return NewRelation(); };
    hooks.fnEdit = [this](PtzEngine& rRelation) { return EditRelation(rRelation); };
    m_pEditor =
        std::make_unique<CListEditor<PtzEngine>>(*this, m_rRelations, std::move(texts), std::move(hooks));
    m_pEditor->SetEntries(&m_record.vRelations);
    m_pEditor->BindButtons(IDC_ADD, IDC_CHANGE, IDC_DELETE, IDC_EMPTY);
}

std::span<const SToolTip> CCameraEngineParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_DEFAULT_PROTOCOL,
         u"Select the camera engine protocol. Make sure it matches the protocol used by the camera."},
        {IDC_BAUD_RATE, u"Select protocol baud rate. Make sure it matches the baud-rate used by the camera."},
        {IDC_RELATIONS,
         u"List of video channels with matching camera ID. Make sure the camera ID matches the ID "
         u"selected in the camera."},
        {IDC_ADD, u"Add a new entry for matching a camera engine with a video channel."},
        {IDC_CHANGE, u"Change the current entry in the list."},
        {IDC_DELETE, u"Delete the current entry in the list."},
        {IDC_EMPTY, u"Empty the list of entries. No camera engine will be defined for any video channel."},
    };
    return kToolTips;
}

void CCameraEngineParamsDlg::OnRecordShown()
{
    m_pEditor->Refill();
}

void CCameraEngineParamsDlg::Enable(bool bEnable)
{
    EnableControls(
        {IDC_RELATIONS, IDC_ADD, IDC_CHANGE, IDC_DELETE, IDC_EMPTY, IDC_BAUD_RATE, IDC_DEFAULT_PROTOCOL},
        bEnable);
}

std::vector<std::u16string> CCameraEngineParamsDlg::RowCells(const PtzEngine& relation) const
{
    return {DecimalText(NextNumber(relation.iVideoChannel)), DecimalText(relation.iDeviceId),
            PtzProtocolText(m_record.vProtocolNames, relation.iProtocol)};
}

PtzEngine CCameraEngineParamsDlg::NewRelation() const
{
    // Next to the highest camera and channel in the list, so that adding in a row numbers on.
    PtzEngine relation;
    relation.iDeviceId = 1;
    relation.iVideoChannel = 0;
    relation.iProtocol = -1;
    if (m_record.vRelations.empty())
        return relation;
    const auto byDevice = [](const PtzEngine& a, const PtzEngine& b) { return a.iDeviceId < b.iDeviceId; };
    const auto byChannel = [](const PtzEngine& a, const PtzEngine& b) {
        return a.iVideoChannel < b.iVideoChannel;
    };
    relation.iDeviceId = NextNumber(
        std::max_element(m_record.vRelations.begin(), m_record.vRelations.end(), byDevice)->iDeviceId);
    relation.iVideoChannel = NextNumber(
        std::max_element(m_record.vRelations.begin(), m_record.vRelations.end(), byChannel)->iVideoChannel);
    return relation;
}

bool CCameraEngineParamsDlg::EditRelation(PtzEngine& rRelation)
{
    SCameraEngineRelation entry{rRelation.iDeviceId, NextNumber(rRelation.iVideoChannel),
                                rRelation.iProtocol};
    CCameraEngineRelationDlg dlg(entry, m_record.dwVideoChannelQuantity, m_record.vProtocolNames);
    if (RunDialog(dlg) != EDlgResult::Ok)
        return false;
    rRelation.iDeviceId = entry.iCameraId;
    rRelation.iVideoChannel = entry.iVideoChannelNumber - 1;
    rRelation.iProtocol = entry.iProtocol;
    return true;
}

} // namespace kov
