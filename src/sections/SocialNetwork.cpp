#include "sections/SocialNetwork.h"

#include "document/Exchange.h"

namespace kov {

namespace {

constexpr char16_t kCaption[] = u"Edit Social Network 1 Parameters";

} // namespace

bool SocialNetwork1::Exchange(NodeRef connectionParameters, bool bStore)
{
    NodeRef element = connectionParameters.FindOrCreateChild(u"kov:SocialNetwork1", kKovNamespaceUri, bStore);
    if (!element)
        return false;
    bool bAll = ExchangeBoolAttribute(element, u"kov:Enable", bStore, bEnabled);
    if (!bEnabled)
        return bAll;
    bAll &= ExchangeBoolAttribute(element, u"kov:RecordChannel", bStore, bRecordChannel);
    bAll &= ExchangeTextAttribute(element, u"kov:ServerAddress", bStore, wszServerAddress);
    bAll &= ExchangeTextAttribute(element, u"kov:ChannelIdentifier", bStore, wszChannelIdentifier);
    bAll &= ExchangeTextAttribute(element, u"kov:Name", bStore, wszName);
    bAll &= ExchangeTextElement(element, u"kov:Description", bStore, wszDescription);
    bAll &= ExchangeTextAttribute(element, u"kov:Category", bStore, wszCategory);
    bAll &= ExchangeEnumAttribute(element, u"kov:TransportProtocol", kTransportProtocolTexts, bStore,
                                  eTransportProtocol);
    bAll &= ExchangeTextAttribute(element, u"kov:Location", bStore, wszLocation);
    bAll &= ExchangeTextAttribute(element, u"kov:GroupID", bStore, wszGroupIdentifier);
    return bAll;
}

CSocialNetwork1ParamsDlg::CSocialNetwork1ParamsDlg(SocialNetwork1& rRecord)
    : CDialog(u"Social Network 1"), m_rRecord(rRecord)
{
    AddCheckBox(IDC_SN_ENABLE, u"Enable").SetOnClick([this] { FollowEnable(); });
    AddEdit(IDC_SN_SERVER_ADDRESS, u"Server Address:");
    AddDropDownList(IDC_SN_TRANSPORT, u"Transport Protocol:");
    AddEdit(IDC_SN_CHANNEL_ID, u"Channel Identifier:");
    AddCheckBox(IDC_SN_RECORD, u"Record");
    AddEdit(IDC_SN_NAME, u"Name:");
    AddMultiLineEdit(IDC_SN_DESCRIPTION, u"Description:");
    AddEdit(IDC_SN_CATEGORY, u"Category:");
    AddEdit(IDC_SN_GROUP_ID, u"Group ID:");
    AddEdit(IDC_SN_LOCATION, u"Location:");
    AddOkCancel();
}

void CSocialNetwork1ParamsDlg::OnInitialise()
{
    CDropDownList& rTransport = *Find<CDropDownList>(IDC_SN_TRANSPORT);
    FillEnumList(rTransport, kTransportProtocolTexts);
    rTransport.SetSelection(static_cast<int>(m_rRecord.eTransportProtocol));
    Find<CCheckBox>(IDC_SN_ENABLE)->SetChecked(m_rRecord.bEnabled);
    Find<CCheckBox>(IDC_SN_RECORD)->SetChecked(m_rRecord.bRecordChannel);
    EditOf(IDC_SN_SERVER_ADDRESS).SetText(m_rRecord.wszServerAddress);
    EditOf(IDC_SN_CHANNEL_ID).SetText(m_rRecord.wszChannelIdentifier);
    EditOf(IDC_SN_NAME).SetText(m_rRecord.wszName);
    EditOf(IDC_SN_DESCRIPTION).SetText(m_rRecord.wszDescription);
    EditOf(IDC_SN_CATEGORY).SetText(m_rRecord.wszCategory);
    EditOf(IDC_SN_GROUP_ID).SetText(m_rRecord.wszGroupIdentifier);
    EditOf(IDC_SN_LOCATION).SetText(m_rRecord.wszLocation);
    FollowEnable();
}

void CSocialNetwork1ParamsDlg::FollowEnable()
{
    EnableControls({IDC_SN_SERVER_ADDRESS, IDC_SN_TRANSPORT, IDC_SN_CHANNEL_ID, IDC_SN_RECORD, IDC_SN_NAME,
                    IDC_SN_DESCRIPTION, IDC_SN_CATEGORY, IDC_SN_GROUP_ID, IDC_SN_LOCATION},
                   IsChecked(IDC_SN_ENABLE));
}

bool CSocialNetwork1ParamsDlg::OnOk()
{
    SocialNetwork1 record = m_rRecord;
    record.bEnabled = IsChecked(IDC_SN_ENABLE);
    record.bRecordChannel = IsChecked(IDC_SN_RECORD);
    const CDropDownList& rTransport = *Find<CDropDownList>(IDC_SN_TRANSPORT);
    if (rTransport.Selection() >= 0)
        record.eTransportProtocol = static_cast<TransportProtocol>(rTransport.SelectedData());
    record.wszServerAddress = EditOf(IDC_SN_SERVER_ADDRESS).TrimmedText();
    record.wszChannelIdentifier = EditOf(IDC_SN_CHANNEL_ID).TrimmedText();
    record.wszName = EditOf(IDC_SN_NAME).TrimmedText();
    record.wszDescription = EditOf(IDC_SN_DESCRIPTION).TrimmedText();
    record.wszCategory = EditOf(IDC_SN_CATEGORY).TrimmedText();
    record.wszGroupIdentifier = EditOf(IDC_SN_GROUP_ID).TrimmedText();
    record.wszLocation = EditOf(IDC_SN_LOCATION).TrimmedText();
    if (record.bEnabled) {
        if (record.wszServerAddress.empty()) {
            MessageBox(u"Empty server address", kCaption);
            return false;
        }
        if (record.wszChannelIdentifier.empty()) {
            MessageBox(u"Empty channel identifier", kCaption);
            return false;
        }
    }
    m_rRecord = record;
    return true;
}

} // namespace kov
