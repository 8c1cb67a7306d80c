#include "sections/DeviceIdentification.h"

#include <openssl/evp.h>

#include "document/Exchange.h"
#include "link/ParameterDocumentHolder.h"
#include "support/Format.h"
#include "support/TextCodec.h"
#include "support/TextNumbers.h"

namespace kov {

namespace {

constexpr char16_t kCaptureDeviceConfig[] = u"kov:CaptureDeviceConfig";
constexpr char16_t kCaptureDeviceStatus[] = u"kov:CaptureDeviceStatus";
constexpr char16_t kServerParameters[] = u"kov:ServerParameters";
constexpr char16_t kServerAdminSettings[] = u"kov:ServerAdminSettings";

} // namespace

std::u16string AdminPasswordHash(std::u16string_view wszPassword)
{
    const std::string sUtf8 = Utf16ToUtf8(TrimControlSpace(wszPassword));
    unsigned char aDigest[EVP_MAX_MD_SIZE];
    unsigned int uDigestLength = 0;
    if (EVP_Digest(sUtf8.data(), sUtf8.size(), aDigest, &uDigestLength, EVP_md5(), nullptr) != 1 ||
        uDigestLength != 16)
        return {};
    const std::string sHex = HexOfBytes(aDigest, uDigestLength, true);
    return std::u16string(sHex.begin(), sHex.end());
}

bool SDeviceIdentification::Exchange(NodeRef root, bool bStore)
{
    NodeRef config = root.FindOrCreateChild(kCaptureDeviceConfig, kKovNamespaceUri, bStore);
    if (!config)
        return false;
    NodeRef status = root.FindOrCreateChild(kCaptureDeviceStatus, kKovNamespaceUri, bStore);
    if (!status)
        return false;
    // Only the admin password hash goes here, and only when storing: reading must not add
    // elements to the loaded document.
    NodeRef adminSettings = root.FindOrCreateChild(kServerParameters, kKovNamespaceUri, bStore)
                                .FindOrCreateChild(kServerAdminSettings, kKovNamespaceUri, bStore);

    bool bAll = true;
    bAll &= ExchangeIntAttribute(config, u"kov:DeviceID", bStore, iDeviceId);
    bAll &= ExchangeTextAttribute(config, u"kov:Password", bStore, wszClientPassword);
    bAll &= ExchangeTextAttribute(config, u"kov:ConfigPassword", bStore, wszConfigPassword);
    if (!bStore) {
        bAll &= ExchangeTextAttribute(config, u"kov:SoftwareVersion", false, wszSoftwareVersion);
        bAll &= ExchangeTextAttribute(config, u"kov:HardwareID", false, wszHardwareId);
        bAll &= ExchangeTextAttribute(config, u"kov:ProductName", false, wszModelName);
        bAll &= ExchangeTextAttribute(status.FindChild(u"kov:Modem"), u"kov:IMEI", false, wszImei);
    } else if (!TrimControlSpace(wszAdminPassword).empty()) {
        // An empty admin password writes nothing, so the device keeps the one it has.
        std::u16string wszHash = AdminPasswordHash(wszAdminPassword);
        bAll &=
            !wszHash.empty() && ExchangeTextElement(adminSettings, u"kov:AdminPasswordHash", true, wszHash);
    }
    bAll &= ExchangeIntAttribute(status, u"kov:DeviceID", bStore, iDeviceId);
    bAll &= ExchangeTextElement(status, u"kov:Name", bStore, wszName);
    return bAll;
}

CMainDevicePropertiesDlg::CMainDevicePropertiesDlg() : CSectionPage(u"Device Identification")
{
    AddEdit(IDC_SOFTWARE_VERSION, u"Software Version:").SetReadOnly(true);
    AddEdit(IDC_MODEL_NAME, u"Model Name:").SetReadOnly(true);
    AddEdit(IDC_HARDWARE_ID, u"Hardware Identifier:").SetReadOnly(true);
    AddEdit(IDC_MODEM_IMEI, u"Modem IMEI:").SetReadOnly(true);
    AddEdit(IDC_DEVICE_ID, u"Device ID Number:");
    AddEdit(IDC_DEVICE_NAME, u"Device Name:");
    AddEdit(IDC_CLIENT_PASSWORD, u"Device Client Password:");
    AddPasswordEdit(IDC_CONFIG_PASSWORD, u"Config Password:");
    AddPasswordEdit(IDC_ADMIN_PASSWORD, u"Server Admin Password:");
    AddStretch();
}

std::span<const SToolTip> CMainDevicePropertiesDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_SOFTWARE_VERSION, u"This is the firmware version running on the device."},
        {IDC_MODEL_NAME, u"This is the device model name."},
        {IDC_DEVICE_NAME, u"a descriptive name for the device to appear in a title."},
        {IDC_DEVICE_ID,
         u"a positive decimal integer identifier number for the device, between 1 and (2^31 - 1)."},
        {IDC_CLIENT_PASSWORD,
         u"a password for device identification in the server, used when the device is used as a client."},
        {IDC_MODEM_IMEI, u"a unique modem equipment identifier that identifies the internal modem."},
        {IDC_CONFIG_PASSWORD, u"a password for viewing device configuration parameters for this device."},
        {IDC_ADMIN_PASSWORD,
         u"a password for accessing server administration when the device is used as a server."},
    };
    return kToolTips;
}

bool CMainDevicePropertiesDlg::Load()
{
    m_record = SDeviceIdentification{};
    const bool bMatched = m_pHolder && m_record.Exchange(m_pHolder->Document(false), false);
    EditOf(IDC_DEVICE_ID).SetInt(m_record.iDeviceId);
    EditOf(IDC_DEVICE_NAME).SetText(m_record.wszName);
    EditOf(IDC_CLIENT_PASSWORD).SetText(m_record.wszClientPassword);
    EditOf(IDC_CONFIG_PASSWORD).SetText(m_record.wszConfigPassword);
    EditOf(IDC_ADMIN_PASSWORD).SetText({});
    EditOf(IDC_SOFTWARE_VERSION).SetText(m_record.wszSoftwareVersion);
    EditOf(IDC_MODEL_NAME).SetText(m_record.wszModelName);
    EditOf(IDC_HARDWARE_ID).SetText(m_record.wszHardwareId);
    EditOf(IDC_MODEM_IMEI).SetText(m_record.wszImei);
    return bMatched;
}

void CMainDevicePropertiesDlg::Store()
{
    m_record.iDeviceId = EditOf(IDC_DEVICE_ID).GetInt();
    m_record.wszName = TrimControlSpace(EditOf(IDC_DEVICE_NAME).Text());
    m_record.wszClientPassword = TrimControlSpace(EditOf(IDC_CLIENT_PASSWORD).Text());
    m_record.wszConfigPassword = TrimControlSpace(EditOf(IDC_CONFIG_PASSWORD).Text());
    m_record.wszAdminPassword = TrimControlSpace(EditOf(IDC_ADMIN_PASSWORD).Text());
    if (m_pHolder)
        m_record.Exchange(m_pHolder->Document(true), true);
}

void CMainDevicePropertiesDlg::Enable(bool bEnable)
{
    EnableControls({IDC_SOFTWARE_VERSION, IDC_MODEL_NAME, IDC_HARDWARE_ID, IDC_MODEM_IMEI, IDC_DEVICE_ID,
                    IDC_DEVICE_NAME, IDC_CLIENT_PASSWORD, IDC_CONFIG_PASSWORD, IDC_ADMIN_PASSWORD},
                   bEnable);
}

void CMainDevicePropertiesDlg::SetSoftwareVersion(const std::u16string& wszVersion)
{
    EditOf(IDC_SOFTWARE_VERSION).SetText(wszVersion);
}

} // namespace kov
