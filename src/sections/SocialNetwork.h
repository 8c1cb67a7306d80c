#pragma once
// Social Network 1: an outside streaming service the device can publish a channel to. Kept by
// the Connection page in "kov:ConnectionParameters" / "kov:SocialNetwork1".
#include <span>
#include <string>

#include "document/ValueTree.h"
#include "sections/NetworkTypes.h"
#include "sections/RecordPage.h"

namespace kov {

struct SocialNetwork1 {
    bool bEnabled = false;
    bool bRecordChannel = false;
    TransportProtocol eTransportProtocol = TransportProtocol::Any;
    std::u16string wszServerAddress;
    std::u16string wszChannelIdentifier;
    std::u16string wszName;
    std::u16string wszDescription;
    std::u16string wszCategory;
    std::u16string wszLocation;
    std::u16string wszGroupIdentifier;

    // Under "kov:ConnectionParameters". Only an enabled record reads or writes more than
    // "kov:Enable"; a disabled one leaves the element's other items as they are.
    bool Exchange(NodeRef connectionParameters, bool bStore);
    friend bool operator==(const SocialNetwork1&, const SocialNetwork1&) = default;
};

class CSocialNetwork1ParamsDlg : public CRecordDialog<SocialNetwork1> {
public:
    enum : int {
        IDC_SN_ENABLE = 1901,
        IDC_SN_SERVER_ADDRESS = 1902,
        IDC_SN_TRANSPORT = 1903,
        IDC_SN_CHANNEL_ID = 1904,
        IDC_SN_RECORD = 1905,
        IDC_SN_NAME = 1906,
        IDC_SN_DESCRIPTION = 1907,
        IDC_SN_CATEGORY = 1908,
        IDC_SN_GROUP_ID = 1909,
        IDC_SN_LOCATION = 1910,
    };

    // Edits rRecord in place; the caller passes a copy and keeps it only after OK.
    explicit CSocialNetwork1ParamsDlg(SocialNetwork1& rRecord);

protected:
    void OnEntryShown() override;
    bool Check(SocialNetwork1& record) override;

private:
    void FollowEnable();
};

} // namespace kov
