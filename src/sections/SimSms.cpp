#include "sections/SimSms.h"

#include "sections/Modem.h"
#include "sections/NetworkTypes.h"

namespace kov {

bool SimParameters::Exchange(NodeRef root, bool bStore)
{
    NodeRef section = root.FindOrCreateChild(kConnectionParametersName, kKovNamespaceUri, bStore)
                          .FindOrCreateChild(u"kov:SimParameters", kKovNamespaceUri, bStore);
    if (!section)
        return false;
    bool bAll = true;
    bAll &= ExchangeTextAttribute(section, u"kov:PIN", bStore, wszPIN);
    bAll &= ExchangeTextAttribute(section, u"kov:PIN2", bStore, wszPIN2);
    bAll &= ExchangeTextAttribute(section, u"kov:PHPIN", bStore, wszPHPIN);
    bAll &= ExchangeTextAttribute(section, u"kov:PUK", bStore, wszPUK);
    bAll &= ExchangeTextAttribute(section, u"kov:PUK2", bStore, wszPUK2);
    bAll &= ExchangeTextAttribute(section, u"kov:PHPUK", bStore, wszPHPUK);
    return bAll;
}

bool SmsParameters::Exchange(NodeRef root, bool bStore)
{
    NodeRef connection = root.FindOrCreateChild(kConnectionParametersName, kKovNamespaceUri, bStore);
    NodeRef remote = connection.FindOrCreateChild(kRemoteAccessConnectionName, kKovNamespaceUri, bStore);
    NodeRef config = root.FindOrCreateChild(u"kov:CaptureDeviceConfig", kKovNamespaceUri, bStore);
    if (!remote || !config)
        return false;
    bool bAll = true;
    bAll &= ExchangeTextElement(remote, u"kov:ConnSMSPhoneNum", bStore, wszConnSMSPhoneNum);
    bAll &=
        ExchangeEnumAttribute(connection.FindOrCreateChild(u"kov:SMS", kKovNamespaceUri, bStore),
                              u"kov:OutputServiceType", kOutputServiceTypeTexts, bStore, eOutputServiceType);
    bAll &= ExchangeTextAttribute(config, u"kov:SMSCommandAuthCode", bStore, wszSMSCommandAuthCode);
    return bAll;
}

// ---- SIM -----------------------------------------------------------------------------------

CSIMParamsDlg::CSIMParamsDlg() : CRecordPage(u"SIM")
{
    using R = SimParameters;
    BeginGroup(0, u"PIN");
    Bind()
        .TrimmedText(AddEdit(IDC_PIN, u"PIN:"), &R::wszPIN)
        .TrimmedText(AddEdit(IDC_PIN2, u"PIN 2:"), &R::wszPIN2)
        .TrimmedText(AddEdit(IDC_PHPIN, u"PH PIN:"), &R::wszPHPIN);
    End();
    BeginGroup(0, u"PUK");
    Bind()
        .TrimmedText(AddEdit(IDC_PUK, u"PUK:"), &R::wszPUK)
        .TrimmedText(AddEdit(IDC_PUK2, u"PUK 2:"), &R::wszPUK2)
        .TrimmedText(AddEdit(IDC_PHPUK, u"PH PUK:"), &R::wszPHPUK);
    End();
}

std::span<const SToolTip> CSIMParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_PIN, u"pin verification code."},      {IDC_PIN2, u"pin-2 verification code."},
        {IDC_PHPIN, u"ph-pin verification code."}, {IDC_PUK, u"pin unlock code."},
        {IDC_PUK2, u"pin-2 unlock code."},         {IDC_PHPUK, u"ph-pin unlock code."},
    };
    return kToolTips;
}

// ---- SMS -----------------------------------------------------------------------------------

CSMSParamsDlg::CSMSParamsDlg() : CRecordPage(u"SMS")
{
    using R = SmsParameters;
    CEdit& rNumber = AddEdit(IDC_SMS_NUMBER, u"Connection SMS Number:");
    CDropDownList& rServiceType = AddDropDownList(IDC_SERVICE_TYPE, u"Send Service Type:");
    CEdit& rCode = AddEdit(IDC_AUTH_CODE, u"Authentication Code:");
    FillEnumList(rServiceType, kOutputServiceTypeTexts);
    Bind()
        .TrimmedText(rNumber, &R::wszConnSMSPhoneNum)
        .Position(rServiceType, &R::eOutputServiceType)
        .TrimmedText(rCode, &R::wszSMSCommandAuthCode);
}

std::span<const SToolTip> CSMSParamsDlg::ToolTips() const
{
    static constexpr SToolTip kToolTips[] = {
        {IDC_SMS_NUMBER,
         u"Phone number to send an SMS when an IP address is received from the cellular provider."},
        {IDC_SERVICE_TYPE, u"Type of service to use for SMS. Not relevant for modern modems."},
        {IDC_AUTH_CODE,
         u"Authentication code to be placed in the beginning when sending text messages to the device."},
    };
    return kToolTips;
}

} // namespace kov
