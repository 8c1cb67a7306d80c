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
    : CRecordDialog(u"Social Network 1", rRecord)
{
    using R = SocialNetwork1;
    CCheckBox& rEnable = AddCheckBox(IDC_SN_ENABLE, u"Enable");
    rEnable.SetOnClick([this] { FollowEnable(); });
    CEdit& rServer = AddEdit(IDC_SN_SERVER_ADDRESS, u"Server Address:");
    CDropDownList& rTransport = AddDropDownList(IDC_SN_TRANSPORT, u"Transport Protocol:");
    FillEnumList(rTransport, kTransportProtocolTexts);
    Bind()
        .Check(rEnable, &R::bEnabled)
        .TrimmedText(rServer, &R::wszServerAddress)
        .ItemData(rTransport, &R::eTransportProtocol)
        .TrimmedText(AddEdit(IDC_SN_CHANNEL_ID, u"Channel Identifier:"), &R::wszChannelIdentifier)
        .Check(AddCheckBox(IDC_SN_RECORD, u"Record"), &R::bRecordChannel)
        .TrimmedText(AddEdit(IDC_SN_NAME, u"Name:"), &R::wszName)
        .TrimmedText(AddMultiLineEdit(IDC_SN_DESCRIPTION, u"Description:"), &R::wszDescription)
        .TrimmedText(AddEdit(IDC_SN_CATEGORY, u"Category:"), &R::wszCategory)
        .TrimmedText(AddEdit(IDC_SN_GROUP_ID, u"Group ID:"), &R::wszGroupIdentifier)
        .TrimmedText(AddEdit(IDC_SN_LOCATION, u"Location:"), &R::wszLocation);
    AddOkCancel();
}

void CSocialNetwork1ParamsDlg::OnEntryShown()
{
    FollowEnable();
}

void CSocialNetwork1ParamsDlg::FollowEnable()
{
    EnableControls({IDC_SN_SERVER_ADDRESS, IDC_SN_TRANSPORT, IDC_SN_CHANNEL_ID, IDC_SN_RECORD, IDC_SN_NAME,
                    IDC_SN_DESCRIPTION, IDC_SN_CATEGORY, IDC_SN_GROUP_ID, IDC_SN_LOCATION},
                   IsChecked(IDC_SN_ENABLE));
}

bool CSocialNetwork1ParamsDlg::Check(SocialNetwork1& record)
{
    if (!record.bEnabled)
        return true;
    if (record.wszServerAddress.empty()) {
        MessageBox(u"Empty server address", kCaption);
        return false;
    }
    if (record.wszChannelIdentifier.empty()) {
        MessageBox(u"Empty channel identifier", kCaption);
        return false;
    }
    return true;
}

} // namespace kov
