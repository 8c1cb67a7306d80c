#pragma once
// SIM and SMS: the six SIM security codes the device presents to its modem
// ("kov:ConnectionParameters" / "kov:SimParameters"), and the SMS settings spread over three
// places: the number told of a new address ("kov:RemoteAccessConnection"), the SMS service type
// ("kov:ConnectionParameters" / "kov:SMS") and the code incoming messages must begin with
// ("kov:CaptureDeviceConfig").
#include <cstdint>
#include <span>
#include <string>

#include "document/Exchange.h"
#include "document/ValueTree.h"
#include "sections/RecordPage.h"

namespace kov {

struct SimParameters {
    std::u16string wszPIN;
    std::u16string wszPIN2;
    std::u16string wszPHPIN; // phone-lock PIN
    std::u16string wszPUK;
    std::u16string wszPUK2;
    std::u16string wszPHPUK; // phone-lock unlock code

    // Under the root. Reading fails without the section, and for every missing code (which
    // stays empty).
    bool Exchange(NodeRef root, bool bStore);
};

enum class OutputServiceType : int32_t {
    GPRS = 0,
    CircuitSwitched = 1,
    GPRSPreferred = 2,
    CircuitSwitchedPreferred = 3,
};

inline constexpr EnumText kOutputServiceTypeTexts[] = {
    {OutputServiceType::GPRS, u"GPRS"},
    {OutputServiceType::CircuitSwitched, u"Circuit Switched"},
    {OutputServiceType::GPRSPreferred, u"GPRS Preferred"},
    {OutputServiceType::CircuitSwitchedPreferred, u"Circuit Switched Preferred"},
};

struct SmsParameters {
    std::u16string wszConnSMSPhoneNum;
    std::u16string wszSMSCommandAuthCode;
    OutputServiceType eOutputServiceType = OutputServiceType::CircuitSwitched;

    // Under the root. Reading fails at once, with the defaults, when "kov:ConnectionParameters",
    // "kov:RemoteAccessConnection" or "kov:CaptureDeviceConfig" is missing; otherwise a missing
    // item or a service type outside its table keeps that default and fails the read.
    bool Exchange(NodeRef root, bool bStore);
};

class CSIMParamsDlg : public CRecordPage<SimParameters> {
public:
    enum : int {
        IDC_PIN = 1801,
        IDC_PIN2 = 1802,
        IDC_PHPIN = 1803,
        IDC_PUK = 1804,
        IDC_PUK2 = 1805,
        IDC_PHPUK = 1806,
    };

    CSIMParamsDlg();

protected:
    std::span<const SToolTip> ToolTips() const override;
};

class CSMSParamsDlg : public CRecordPage<SmsParameters> {
public:
    enum : int {
        IDC_SMS_NUMBER = 1851,
        IDC_SERVICE_TYPE = 1852,
        IDC_AUTH_CODE = 1853,
    };

    CSMSParamsDlg();

protected:
    std::span<const SToolTip> ToolTips() const override;
};

} // namespace kov
