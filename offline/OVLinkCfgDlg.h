// The parameter page of the offline downloader's configuration window: the control lines' levels and times, the
// target supply, SWD clock, baud rate, reset mode and buzzer, and the settings the device key guards (the key
// itself, the burn limit, the factory restore).
#pragma once

#include <array>
#include <cstdint>

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "offline/DeviceKeyRules.h"
#include "offline/LinkFrame.h"
#include "resources/ui/ovlink_config.h"

class CQXDownloadToolDlg;

class COVLinkCfgDlg : public fw::Dialog {
public:
    explicit COVLinkCfgDlg(CQXDownloadToolDlg& main) : fw::Dialog(IDD_OVLINK_PARAMS), m_main(main) {}

    // 0 without a connection; with one, first compares the downloader's firmware with 3.1.6 (m_versionOrder).
    int CheckLinkConnected();
    bool SendLinkCommand(fw::TextView request, LinkReply& reply);
    void ReadParameters();
    bool WriteBurnLimit();
    bool ReadBurnCount();

    // Times in ms as read or last scrolled to; what "Save parameters" sends.
    uint32_t m_startPulseMs = 0, m_busyTimeMs = 0, m_passPulseMs = 0, m_errorPulseMs = 0, m_powerOffTimeMs = 0;
    fw::Text m_powerOffText = u"0";
    // 0 equal, 1 the downloader's firmware is newer than 3.1.6, 2 older; -1 while its version is unknown.
    int m_versionOrder = -1;

protected:
    bool OnInitDialog() override;

private:
    // The parameter of one control line or the supply: its command, list, slider, label and time.
    struct PinControls {
        uint8_t command;
        int list, slider, label;
        uint32_t COVLinkCfgDlg::*ms;
    };
    static const std::array<PinControls, 5> kPins;

    void ShowTimes();
    bool VersionGate();
    bool FetchChallenge(LinkKey& challenge, bool sayWhenFailed);
    bool KeyFromEdit(int edit, LinkKey& key, bool serial);
    void WriteListSetting(int list, fw::Text request);

    void OnScrollSlider(const fw::NotifyInfo& info);
    void OnBnClickedSaveParameters();
    void OnBnClickedResetDeviceParameters();
    void OnCbnSelchangeSwdSpeed();
    void OnCbnSelchangeBuzzer();
    void OnCbnSelchangeBaudRate();
    void OnCbnSelchangeResetMode();
    void OnBnClickedModifyDeviceKey();
    void OnBnClickedModifyBurningTimes();
    void OnBnClickedQueryBurningTimes();
    void OnBnClickedRestoreFactorySettings();
    void OnBnClickedMaxBurningTimes();
    void OnBnClickedLockSn();
    void OnBnClickedDisplayDeviceKey();
    void Say(const fw::Text& text);
    static const fw::MessageMap<COVLinkCfgDlg> kMessages;

    CQXDownloadToolDlg& m_main;
    CMessageBoxEx m_msgBox;
};
