#pragma once
// Device Identification: who the device is (model, firmware, hardware id, modem IMEI) and its
// number, name and three passwords. Reads "kov:CaptureDeviceConfig",
// "kov:CaptureDeviceStatus" and writes the admin password hash under "kov:ServerParameters".
#include <cstdint>
#include <span>
#include <string>

#include "document/ValueTree.h"
#include "sections/RecordPage.h"

namespace kov {

struct SDeviceIdentification {
    int32_t iDeviceId = 0;
    std::u16string wszName;
    std::u16string wszClientPassword;
    std::u16string wszConfigPassword;
    std::u16string wszAdminPassword;   // written only as its hash, never read
    std::u16string wszSoftwareVersion; // the four below are read only
    std::u16string wszModelName;
    std::u16string wszHardwareId;
    std::u16string wszImei;

    bool Exchange(NodeRef root, bool bStore);
};

// MD5 of the trimmed password's UTF-8 bytes as 32 upper-case hex digits; empty if the digest
// cannot be computed.
std::u16string AdminPasswordHash(std::u16string_view wszPassword);

class CMainDevicePropertiesDlg : public CRecordPage<SDeviceIdentification> {
public:
    enum : int {
        IDC_SOFTWARE_VERSION = 1001,
        IDC_MODEL_NAME = 1002,
        IDC_HARDWARE_ID = 1003,
        IDC_MODEM_IMEI = 1004,
        IDC_DEVICE_ID = 1005,
        IDC_DEVICE_NAME = 1006,
        IDC_CLIENT_PASSWORD = 1007,
        IDC_CONFIG_PASSWORD = 1008,
        IDC_ADMIN_PASSWORD = 1009,
    };

    CMainDevicePropertiesDlg();

    // The version the device reports on connecting, shown in "Software Version:".
    void SetSoftwareVersion(const std::u16string& wszVersion);

protected:
    std::span<const SToolTip> ToolTips() const override;

private:
    CEdit& m_rSoftwareVersion;
};

} // namespace kov
