#pragma once
// Connection: how the device reaches its media server (none, one remote server, as a server
// itself, or several connections), the link's transport and encryption, a reference TCP server,
// the idle timeout with reset and sleep, and the interface utilization policy. The record lies in
// "kov:ConnectionParameters"; the sleep capability comes from "kov:CaptureDeviceStatus".
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/ValueTree.h"
#include "form/Dialog.h"
#include "sections/ListEditor.h"
#include "sections/NetworkTypes.h"
#include "sections/PageRoles.h"
#include "sections/RecordPage.h"
#include "sections/SocialNetwork.h"
#include "sections/TimeUnits.h"

namespace kov {

enum class ConnectionType : int32_t {
    NoConnection = 0,
    ConnectionToServer = 1,
    ConnectionAsServer = 2,
    MultipleConnections = 3,
};

inline constexpr EnumText kConnectionTypeTexts[] = {
    {ConnectionType::NoConnection, u"No Connection"},
    {ConnectionType::ConnectionToServer, u"Connection to server"},
    {ConnectionType::ConnectionAsServer, u"Connection as a server"},
    {ConnectionType::MultipleConnections, u"Multiple Connections"},
};

enum class InterfaceUtilizationPolicy : int32_t { Prioritize = 0, AllTogether = 1 };

inline constexpr EnumText kInterfaceUtilizationPolicyTexts[] = {
    {InterfaceUtilizationPolicy::Prioritize, u"Prioritize"},
    {InterfaceUtilizationPolicy::AllTogether, u"All Together"},
};

// The "Sleep for" units in list order with their factors in minutes; position 0 is no sleep.
inline constexpr STimeUnit kSleepUnits[] = {
    {u"None", 0},
    {u"Minutes", 1},
    {u"Hours", 60},
    {u"Days", 1440},
};

// The unit position and the number shown for a sleep time: 0 gives "None"; otherwise the largest
// factor that divides the time exactly.
inline STimeDisplay SleepDisplayOf(uint32_t dwMinutes)
{
    return TimeDisplayOf(kSleepUnits, dwMinutes);
}
// Factor × number, saturating instead of wrapping round for very long sleeps.
inline uint32_t SleepMinutesOf(int iUnit, uint32_t dwNumber)
{
    return TimeValueOf(kSleepUnits, iUnit, dwNumber);
}

struct ClientParameters {
    bool bEnabled = false;
    bool bSecure = false;
    TransportProtocol eTransportProtocol = TransportProtocol::Any;
    std::u16string wszName;
    std::u16string wszServerAddress;
    std::u16string wszNetworkInterface; // kept from the document, not edited
    std::u16string wszUserName;
    std::u16string wszPassword;

    // The attributes of one "kov:ClientParameters". Missing attributes keep their defaults; a
    // transport text outside its table keeps the default and fails the read.
    bool Exchange(NodeRef item, bool bStore);
    friend bool operator==(const ClientParameters&, const ClientParameters&) = default;
};

struct MultipleConnectionParameters {
    bool bEnableLocalServer = false;
    bool bShareDevicesAmongServers = false;
    std::vector<ClientParameters> vServerConnections;

    bool Exchange(NodeRef connectionParameters, bool bStore);
    friend bool operator==(const MultipleConnectionParameters&,
                           const MultipleConnectionParameters&) = default;
};

struct ConnectionSettings {
    ConnectionType eConnectionType = ConnectionType::NoConnection;
    std::u16string wszServerAddress;
    TransportProtocol eTransportProtocol = TransportProtocol::Any;
    bool bSecure = false;
    bool bHardwareResetOnIdle = false;
    bool bMaxIdleTimeEnabled = false;
    int32_t iMaxIdleTime = 0;
    uint32_t dwSleepMinutes = 0; // 0: no sleep
    InterfaceUtilizationPolicy eInterfaceUtilizationPolicy = InterfaceUtilizationPolicy::Prioritize;
    bool bReferenceConnectionEnabled = false;
    std::u16string wszReferenceServerAddress;
    int32_t iReferenceServerPort = 0;
    bool bDeviceCanSleep = false;
    MultipleConnectionParameters multipleConnections;
    SocialNetwork1 socialNetwork1;

    // Under the root: "kov:ConnectionParameters" and the capability in "kov:CaptureDeviceStatus".
    bool Exchange(NodeRef root, bool bStore);
};

// "Server Connection Settings": the editor of one server connection.
class CServerConnectionSettingsDlg : public CRecordDialog<ClientParameters> {
public:
    enum : int {
        IDC_SC_ENABLE = 1601,
        IDC_SC_NAME = 1602,
        IDC_SC_ADDRESS = 1603,
        IDC_SC_USER_NAME = 1604,
        IDC_SC_PASSWORD = 1605,
        IDC_SC_SECURE = 1606,
        IDC_SC_TRANSPORT = 1607,
    };

    // Edits rEntry in place, and only when OK is accepted.
    explicit CServerConnectionSettingsDlg(ClientParameters& rEntry);

protected:
    void OnEntryShown() override;
    bool Check(ClientParameters& entry) override;
};

// "Multiple Connections": the list of server connections and the two sharing options.
class CMultipleConnectionsDlg : public CRecordDialog<MultipleConnectionParameters> {
public:
    enum : int {
        IDC_MC_LOCAL_SERVER = 1501,
        IDC_MC_SHARE_DEVICES = 1502,
        IDC_MC_LIST = 1503,
        IDC_MC_ADD = 1504,
        IDC_MC_CHANGE = 1505,
        IDC_MC_DELETE = 1506,
        IDC_MC_EMPTY = 1507,
    };

    // Edits rParams in place; the caller passes a copy and keeps it only after OK. fnLoginName
    // gives the operator's login name for new entries.
    CMultipleConnectionsDlg(MultipleConnectionParameters& rParams,
                            std::function<std::u16string()> fnLoginName);

protected:
    void OnEntryShown() override;

private:
    std::function<std::u16string()> m_fnLoginName;
    std::unique_ptr<CListEditor<ClientParameters>> m_pEditor;
};

class CNetworkConnectionSettingsDlg : public CRecordPage<ConnectionSettings>, public IConnectionStatusSink {
public:
    enum : int {
        IDC_NO_SERVER = 1101,
        IDC_REMOTE_SERVER = 1102,
        IDC_LOCAL_SERVER = 1103,
        IDC_MULTIPLE_CONNECTIONS = 1104,
        IDC_SERVER_ADDRESS = 1110,
        IDC_SECURE = 1111,
        IDC_TRANSPORT = 1112,
        IDC_MANAGE = 1113,
        IDC_REFERENCE_ENABLE = 1120,
        IDC_REFERENCE_IP = 1121,
        IDC_REFERENCE_PORT = 1122,
        IDC_STATUS = 1130,
        IDC_RECONNECT = 1131,
        IDC_MAX_IDLE_ENABLE = 1140,
        IDC_MAX_IDLE_TIME = 1141,
        IDC_DEVICE_RESET = 1142,
        IDC_SLEEP_TIME = 1143,
        IDC_SLEEP_UNIT = 1144,
        IDC_POLICY = 1150,
        IDC_SOCIAL_NETWORK = 1160,
    };
    static constexpr int kConnectionTypeGroup = 1;

    CNetworkConnectionSettingsDlg();

    void Enable(bool bEnable) override;

    void SetConnectionStatus(const std::u16string& wszStatus) override;

    // Opens "Multiple Connections" on a copy of the list and keeps the copy after OK.
    void EditMultipleConnections();
    // Opens the Social Network 1 dialog on a copy of its record and keeps the copy after OK.
    void EditSocialNetwork1();

    // Where new server entries take their user name from; the account's login name by default.
    void SetLoginNameSource(std::function<std::u16string()> fnLoginName)
    {
        m_fnLoginName = std::move(fnLoginName);
    }

protected:
    std::span<const SToolTip> ToolTips() const override;
    void OnRecordShown() override;

private:
    void ApplyEnabling(bool bEnable);
    void OnConnectionType(ConnectionType eType);
    void ShowSleep(uint32_t dwMinutes);

    CEdit* m_pStatus = nullptr;
    CEdit* m_pSleepTime = nullptr;
    CDropDownList* m_pSleepUnit = nullptr;
    std::function<std::u16string()> m_fnLoginName;
};

} // namespace kov
