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

CMainDevicePropertiesDlg::CMainDevicePropertiesDlg()
    : CRecordPage(u"Device Identification"),
      m_rSoftwareVersion(AddEdit(IDC_SOFTWARE_VERSION, u"Software Version:").SetReadOnly(true))
{
    using R = SDeviceIdentification;
    Bind()
        .Text(m_rSoftwareVersion, &R::wszSoftwareVersion)
        .Text(AddEdit(IDC_MODEL_NAME, u"Model Name:").SetReadOnly(true), &R::wszModelName)
        .Text(AddEdit(IDC_HARDWARE_ID, u"Hardware Identifier:").SetReadOnly(true), &R::wszHardwareId)
        .Text(AddEdit(IDC_MODEM_IMEI, u"Modem IMEI:").SetReadOnly(true), &R::wszImei)
        .Number(AddEdit(IDC_DEVICE_ID, u"Device ID Number:"), &R::iDeviceId)
        .TrimmedText(AddEdit(IDC_DEVICE_NAME, u"Device Name:"), &R::wszName)
        .TrimmedText(AddEdit(IDC_CLIENT_PASSWORD, u"Device Client Password:"), &R::wszClientPassword)
        .TrimmedText(AddPasswordEdit(IDC_CONFIG_PASSWORD, u"Config Password:"), &R::wszConfigPassword)
        // Never read from the document, so a loaded page always shows it empty.
        .TrimmedText(AddPasswordEdit(IDC_ADMIN_PASSWORD, u"Server Admin Password:"), &R::wszAdminPassword);
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

void CMainDevicePropertiesDlg::SetSoftwareVersion(const std::u16string& wszVersion)
{
    m_rSoftwareVersion.SetText(wszVersion);
}

} // namespace kov
