#pragma once
// GPIO: the device's input and output ports. The device defines the ports; the page edits the
// entries its document lists and never adds or removes one. Settings live in
// "kov:CaptureDeviceConfig", names in "kov:CaptureDeviceStatus": separate lists that correspond
// by position. Also the alarm recording flags and the wake-up rules.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "document/ValueTree.h"
#include "sections/RecordPage.h"

namespace kov {

struct SOutputPortSetting {
    uint32_t dwDefaultValue = 0; // the level between pulses, 0 or 1
    uint32_t dwPulseTimeMs = 0;  // 0: not a pulse port

    bool Exchange(NodeRef item, bool bStore);
    friend bool operator==(const SOutputPortSetting&, const SOutputPortSetting&) = default;
};

struct SInputPortSetting {
    int32_t iDefaultValue = -1;           // -1 not active, 0 normally closed, 1 normally open
    std::vector<uint32_t> vVideoChannels; // 0-based channels associated with an alarm on the port
    std::vector<uint32_t> vAudioChannels;

    bool Exchange(NodeRef item, bool bStore);
    friend bool operator==(const SInputPortSetting&, const SInputPortSetting&) = default;
};

struct SGpioPorts {
    std::vector<SOutputPortSetting> vOutputPortSettings;
    std::vector<SInputPortSetting> vInputPortSettings;
    std::vector<std::u16string> vInputPortNames;
    std::vector<std::u16string> vOutputPortNames;
    uint32_t dwVideoChannelQuantity = 0;
    uint32_t dwAudioChannelQuantity = 0;
    int32_t iResetIndex = -1;    // output port set before the device restarts itself; -1 none
    int32_t iPowerIndex = -1;    // output port set while the device is up; -1 none
    int32_t iWakeupMinutes = -1; // -1: a device woken by an alarm stays awake
    bool bRecordVideoOnAlarm = false;
    bool bRecordAudioOnAlarm = false;
    bool bCellularModemOnWakeup = true;

    // Under the root. Reading fails at once when one of the enclosing sections is missing; a
    // missing port list makes it fail while the rest is still read. Port entries with missing
    // parts keep their defaults without failing.
    bool Exchange(NodeRef root, bool bStore);
    friend bool operator==(const SGpioPorts&, const SGpioPorts&) = default;
};

class CDeviceGPIODlg : public CRecordPage<SGpioPorts> {
public:
    enum : int {
        IDC_RECORD_VIDEO = 1001,
        IDC_INPUT_NAME = 1002,
        IDC_INPUT_NOT_ACTIVE = 1005,
        IDC_INPUT_NORMALLY_CLOSE = 1006,
        IDC_INPUT_NORMALLY_OPEN = 1007,
        IDC_INPUT_PORTS = 1045,
        IDC_RECORD_AUDIO = 1081,
        IDC_OUTPUT_NAME = 1096,
        IDC_OUTPUT_PORTS = 1104,
        IDC_PULSE = 1105,
        IDC_PULSE_TIME = 1106,
        IDC_OUTPUT_DEFAULT = 1107,
        IDC_USE_FOR_RESET = 1130,
        IDC_WAKEUP_LIMIT = 1131,
        IDC_WAKEUP_MINUTES = 1132,
        IDC_USE_FOR_POWER = 1140,
        IDC_WAKEUP_MODEM = 1154,
        IDC_INPUT_VIDEO = 1155,
        IDC_INPUT_AUDIO = 1156,
    };

    CDeviceGPIODlg();

    void Enable(bool bEnable) override;

    int SelectedInputPort() const { return m_iInputPort; }
    int SelectedOutputPort() const { return m_iOutputPort; }
    CListView& InputVideoList() const { return *m_pInputVideo; }
    CListView& InputAudioList() const { return *m_pInputAudio; }

protected:
    std::span<const SToolTip> ToolTips() const override;
    void OnRecordShown() override;
    void OnRecordRead() override;

private:
    bool IsInputPort(int iPort) const;
    bool IsOutputPort(int iPort) const;

    void OnInputPortSelected();
    void KeepInputEdits();
    void ShowInputPort();
    void SetInputDefault(int32_t iValue);
    void EnableInputControls();

    void OnOutputPortSelected();
    void KeepOutputEdits();
    void ShowOutputPort();
    void OnPulseClicked();
    void EnableOutputControls();

    void OnLimitClicked();

    bool m_bEnabled = false;
    int m_iInputPort = -1;
    int m_iOutputPort = -1;

    // Declared in the constructor, in layout order.
    CListView* m_pInputPorts = nullptr;
    CEdit* m_pInputName = nullptr;
    CRadioButton* m_pNotActive = nullptr;
    CRadioButton* m_pNormallyClose = nullptr;
    CRadioButton* m_pNormallyOpen = nullptr;
    CListView* m_pInputVideo = nullptr;
    CListView* m_pInputAudio = nullptr;
    CCheckBox* m_pRecordVideo = nullptr;
    CCheckBox* m_pRecordAudio = nullptr;
    CCheckBox* m_pLimit = nullptr;
    CEdit* m_pWakeupMinutes = nullptr;
    CCheckBox* m_pWakeupModem = nullptr;
    CListView* m_pOutputPorts = nullptr;
    CEdit* m_pOutputName = nullptr;
    CCheckBox* m_pPulse = nullptr;
    CEdit* m_pPulseTime = nullptr;
    CDropDownList* m_pOutputDefault = nullptr;
    CCheckBox* m_pUseForReset = nullptr;
    CCheckBox* m_pUseForPower = nullptr;
};

} // namespace kov
