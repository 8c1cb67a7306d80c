#include "shell/PageRegistry.h"

#include "sections/Audio.h"
#include "sections/CameraEngines.h"
#include "sections/DeviceIdentification.h"
#include "sections/Ethernet.h"
#include "sections/Gpio.h"
#include "sections/LocalControl.h"
#include "sections/Maintenance.h"
#include "sections/MediaStreams.h"
#include "sections/Modem.h"
#include "sections/PortForwarding.h"
#include "sections/Recording.h"
#include "sections/ServerConnections.h"
#include "sections/SimSms.h"
#include "sections/TimeLocation.h"
#include "sections/Vpn.h"
#include "sections/Wifi.h"
#include "shell/Subjects.h"

namespace kov {

namespace {

template <class TPage> std::unique_ptr<CPage> Make(const SPageContext&)
{
    return std::make_unique<TPage>();
}

std::unique_ptr<CPage> MakeMaintenance(const SPageContext& context)
{
    return std::make_unique<CDeviceProgramDlg>(context.rwszProgramFilePath, &context.customization);
}

// A subject without a line here shows no page.
constexpr SPageRegistration kPages[] = {
    {kSubjectDeviceIdentification, Make<CMainDevicePropertiesDlg>},
    {kSubjectConnection, Make<CNetworkConnectionSettingsDlg>},
    {kSubjectModem, Make<CModemParamsDlg>},
    {kSubjectEthernet, Make<CLocalNetworkParamsDlg>},
    {kSubjectWifi, Make<CWifiParamsDlg>},
    {kSubjectSim, Make<CSIMParamsDlg>},
    {kSubjectVpn, Make<CVPNParamsDlg>},
    {kSubjectSms, Make<CSMSParamsDlg>},
    {kSubjectPortForwarding, Make<CIPForwardingRulesDlg>},
    {kSubjectGpio, Make<CDeviceGPIODlg>},
    {kSubjectAudio, Make<CAudioConfigDlg>},
    {kSubjectPtz, Make<CCameraEngineParamsDlg>},
    {kSubjectLocalControl, Make<CLocalControlParamsDlg>},
    {kSubjectInput, Make<CMediaInputStreamsDlg>},
    {kSubjectOutput, Make<CMediaOutputStreamsDlg>},
    {kSubjectMaintenance, MakeMaintenance},
    {kSubjectRecording, Make<CDeviceRecordingParamsDlg>},
    {kSubjectLocation, Make<CDeviceGPSParamsDlg>},
    {kSubjectTime, Make<CDeviceTimeParamsDlg>},
};

} // namespace

std::span<const SPageRegistration> PageRegistrations()
{
    return kPages;
}

} // namespace kov
