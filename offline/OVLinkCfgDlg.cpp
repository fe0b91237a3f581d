// The parameter page: reading, scrolling, saving and resetting the operating parameters.
#include "offline/OVLinkCfgDlg.h"

#include "app/MainWindow.h"
#include "core/AppServices.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "offline/LinkParameterRules.h"
#include "offline/LinkSession.h"

const std::array<COVLinkCfgDlg::PinControls, 5> COVLinkCfgDlg::kPins = {{
    {0x05, IDC_OVPARAM_VOLTAGE, IDC_OVPARAM_POWER_OFF_SLIDER, IDC_OVPARAM_POWER_OFF_TEXT,
     &COVLinkCfgDlg::m_powerOffTimeMs},
    {0x06, IDC_OVPARAM_START_LEVEL, IDC_OVPARAM_START_SLIDER, IDC_OVPARAM_START_MS, &COVLinkCfgDlg::m_startPulseMs},
    {0x07, IDC_OVPARAM_BUSY_LEVEL, IDC_OVPARAM_BUSY_SLIDER, IDC_OVPARAM_BUSY_MS, &COVLinkCfgDlg::m_busyTimeMs},
    {0x08, IDC_OVPARAM_PASS_LEVEL, IDC_OVPARAM_PASS_SLIDER, IDC_OVPARAM_PASS_MS, &COVLinkCfgDlg::m_passPulseMs},
    {0x09, IDC_OVPARAM_ERROR_LEVEL, IDC_OVPARAM_ERROR_SLIDER, IDC_OVPARAM_ERROR_MS, &COVLinkCfgDlg::m_errorPulseMs},
}};

const fw::MessageMap<COVLinkCfgDlg> COVLinkCfgDlg::kMessages{
    fw::OnScroll(IDC_OVPARAM_START_SLIDER, &COVLinkCfgDlg::OnScrollSlider),
    fw::OnScroll(IDC_OVPARAM_BUSY_SLIDER, &COVLinkCfgDlg::OnScrollSlider),
    fw::OnScroll(IDC_OVPARAM_PASS_SLIDER, &COVLinkCfgDlg::OnScrollSlider),
    fw::OnScroll(IDC_OVPARAM_ERROR_SLIDER, &COVLinkCfgDlg::OnScrollSlider),
    fw::OnScroll(IDC_OVPARAM_POWER_OFF_SLIDER, &COVLinkCfgDlg::OnScrollSlider),
    fw::OnClick(IDC_OVPARAM_RESET, &COVLinkCfgDlg::OnBnClickedResetDeviceParameters),
    fw::OnClick(IDC_OVPARAM_SAVE, &COVLinkCfgDlg::OnBnClickedSaveParameters),
    fw::OnSelChange(IDC_OVPARAM_SWD_SPEED, &COVLinkCfgDlg::OnCbnSelchangeSwdSpeed),
    fw::OnSelChange(IDC_OVPARAM_BUZZER, &COVLinkCfgDlg::OnCbnSelchangeBuzzer),
    fw::OnSelChange(IDC_OVPARAM_BAUD_RATE, &COVLinkCfgDlg::OnCbnSelchangeBaudRate),
    fw::OnSelChange(IDC_OVPARAM_RESET_MODE, &COVLinkCfgDlg::OnCbnSelchangeResetMode),
    fw::OnClick(IDC_OVPARAM_MODIFY_KEY, &COVLinkCfgDlg::OnBnClickedModifyDeviceKey),
    fw::OnClick(IDC_OVPARAM_MODIFY_LIMIT, &COVLinkCfgDlg::OnBnClickedModifyBurningTimes),
    fw::OnClick(IDC_OVPARAM_LIMIT_ON, &COVLinkCfgDlg::OnBnClickedMaxBurningTimes),
    fw::OnClick(IDC_OVPARAM_LOCK_SN, &COVLinkCfgDlg::OnBnClickedLockSn),
    fw::OnClick(IDC_OVPARAM_RESTORE, &COVLinkCfgDlg::OnBnClickedRestoreFactorySettings),
    fw::OnClick(IDC_OVPARAM_QUERY_LIMIT, &COVLinkCfgDlg::OnBnClickedQueryBurningTimes),
    fw::OnClick(IDC_OVPARAM_SHOW_KEY, &COVLinkCfgDlg::OnBnClickedDisplayDeviceKey),
};

bool COVLinkCfgDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    for (int list :
         {IDC_OVPARAM_START_LEVEL, IDC_OVPARAM_BUSY_LEVEL, IDC_OVPARAM_PASS_LEVEL, IDC_OVPARAM_ERROR_LEVEL}) {
        GetDlgItem(list).AddString(TranslateText(u"低电平有效"));
        GetDlgItem(list).AddString(TranslateText(u"高电平有效"));
    }
    fw::Control voltage = GetDlgItem(IDC_OVPARAM_VOLTAGE);
    voltage.AddString(TranslateText(u"无输出"));
    voltage.AddString(u"3.3V");
    voltage.AddString(u"5V");
    for (const char16_t* speed : {u"100K HZ", u"200K HZ", u"500K HZ", u"1M HZ", u"2M HZ", u"5M HZ"}) {
        GetDlgItem(IDC_OVPARAM_SWD_SPEED).AddString(speed);
    }
    GetDlgItem(IDC_OVPARAM_RESET_MODE).AddString(TranslateText(u"软件复位"));
    GetDlgItem(IDC_OVPARAM_RESET_MODE).AddString(TranslateText(u"硬件管脚复位"));
    GetDlgItem(IDC_OVPARAM_BUZZER).AddString(TranslateText(u"关闭"));
    GetDlgItem(IDC_OVPARAM_BUZZER).AddString(TranslateText(u"开启"));
    GetDlgItem(IDC_OVPARAM_BUZZER).AddString(TranslateText(u"仅下载失败开启"));
    for (uint32_t rate : kLinkBaudRates)
        GetDlgItem(IDC_OVPARAM_BAUD_RATE).AddString(fw::Format(u"%u", rate));
    for (const PinControls& pin : kPins) {
        fw::Control slider = GetDlgItem(pin.slider);
        slider.SetRange(0, pin.command == 0x05 ? 5020 : 1000);
        slider.SetPageSize(20);
    }

    ReadParameters();
    SetDlgItemText(IDC_OVPARAM_DEVICE_KEY, m_main.m_linkSerialText);
    SetDlgItemText(IDC_OVPARAM_SERIAL, m_main.m_linkSerialText);
    if (CheckLinkConnected() && m_versionOrder <= 1) ReadBurnCount();
    return true;
}

int COVLinkCfgDlg::CheckLinkConnected() {
    if (!m_main.m_connected) return 0;
    // Without a version text nothing is known to be too old, so nothing is refused for it.
    m_versionOrder = m_main.m_linkFirmwareVersion.empty() ? -1 : CompareVersion(m_main.m_linkFirmwareVersion, u"3.1.6");
    return 1;
}

bool COVLinkCfgDlg::SendLinkCommand(fw::TextView request, LinkReply& reply) {
    return ExchangeLinkCommand(m_main, request, reply);
}

void COVLinkCfgDlg::Say(const fw::Text& text) { m_msgBox.MessageBox(this, text, fw::MB_OK); }

void COVLinkCfgDlg::ReadParameters() {
    if (!CheckLinkConnected()) {
        EnableWindow(false);
        for (int id : {IDC_OVPARAM_MODIFY_KEY, IDC_OVPARAM_SAVE, IDC_OVPARAM_RESET, IDC_OVPARAM_QUERY_LIMIT,
                       IDC_OVPARAM_MODIFY_LIMIT, IDC_OVPARAM_RESTORE}) {
            GetDlgItem(id).EnableWindow(false);
        }
        return;
    }
    LinkReply reply;
    auto read = [&](uint8_t command, size_t needed) {
        return SendLinkCommand(fw::Format(u"A0 %02X 00 00 00 00", command), reply) && reply.Payload().size() >= needed;
    };
    if (!read(0x04, 1)) return;
    GetDlgItem(IDC_OVPARAM_SWD_SPEED).SetCurSel(reply.Payload()[0]);
    for (const PinControls& pin : kPins) {
        if (!read(pin.command, 5)) return;
        GetDlgItem(pin.list).SetCurSel(reply.Payload()[0]);
        this->*pin.ms = reply.PayloadBe32(1);
        GetDlgItem(pin.slider).SetPos(static_cast<int>(std::min<uint32_t>(this->*pin.ms, 0x7FFFFFFF)));
        if (pin.command == 0x05) m_powerOffText = PowerOffText(m_powerOffTimeMs);
    }
    if (!read(0x0A, 1)) return;
    GetDlgItem(IDC_OVPARAM_BUZZER).SetCurSel(reply.Payload()[0]);
    if (!read(0x0B, 4)) return;
    GetDlgItem(IDC_OVPARAM_BAUD_RATE).SetCurSel(BaudRateIndex(reply.PayloadBe32(0)));
    if (!read(0x0C, 1)) return;
    GetDlgItem(IDC_OVPARAM_RESET_MODE).SetCurSel(reply.Payload()[0]);
    ShowTimes();
}

void COVLinkCfgDlg::ShowTimes() {
    for (const PinControls& pin : kPins) {
        SetDlgItemText(pin.label, pin.command == 0x05 ? m_powerOffText : fw::Format(u"%u", this->*pin.ms));
    }
}

void COVLinkCfgDlg::OnScrollSlider(const fw::NotifyInfo& info) {
    for (const PinControls& pin : kPins) {
        if (pin.slider != info.id) continue;
        const int rounded = RoundedSliderMs(std::max(0, info.position));
        this->*pin.ms = static_cast<uint32_t>(rounded);
        if (pin.command == 0x05) m_powerOffText = PowerOffText(m_powerOffTimeMs);
    }
    ShowTimes();
}

void COVLinkCfgDlg::OnBnClickedSaveParameters() {
    if (!CheckLinkConnected()) {
        Say(TranslateText(u"设备没有连接！"));
        return;
    }
    // A list without a selection (after a failed read) has no value to send.
    for (const PinControls& pin : kPins) {
        if (GetDlgItem(pin.list).GetCurSel() < 0) {
            Say(TranslateText(u"参数未选择，无法保存！"));
            return;
        }
    }
    LinkReply reply;
    for (const PinControls& pin : kPins) {
        if (!SendLinkCommand(PinWriteRequest(pin.command, GetDlgItem(pin.list).GetCurSel(), this->*pin.ms), reply)) {
            return;
        }
    }
    if (!SendLinkCommand(u"A0 0D 00 00 00 00", reply)) return;
    Say(TranslateText(u"保存配置成功！"));
}

void COVLinkCfgDlg::OnBnClickedResetDeviceParameters() {
    if (!CheckLinkConnected()) {
        Say(TranslateText(u"设备没有连接！"));
        return;
    }
    LinkReply reply;
    if (SendLinkCommand(u"A0 0F 00 00 00 00", reply)) Say(TranslateText(u"复位设备参数成功！"));
}

void COVLinkCfgDlg::WriteListSetting(int list, fw::Text request) {
    if (!CheckLinkConnected()) {
        Say(TranslateText(u"设备没有连接！"));
        GetDlgItem(list).SetCurSel(-1);
        return;
    }
    LinkReply reply;
    SendLinkCommand(request, reply);
}

void COVLinkCfgDlg::OnCbnSelchangeSwdSpeed() {
    const int index = GetDlgItem(IDC_OVPARAM_SWD_SPEED).GetCurSel();
    WriteListSetting(IDC_OVPARAM_SWD_SPEED, fw::Format(u"A0 04 01 00 00 01 %02X", index));
}

void COVLinkCfgDlg::OnCbnSelchangeBuzzer() {
    const int index = GetDlgItem(IDC_OVPARAM_BUZZER).GetCurSel();
    WriteListSetting(IDC_OVPARAM_BUZZER, fw::Format(u"A0 0A 01 00 00 01 %02X", index));
}

void COVLinkCfgDlg::OnCbnSelchangeResetMode() {
    const int index = GetDlgItem(IDC_OVPARAM_RESET_MODE).GetCurSel();
    WriteListSetting(IDC_OVPARAM_RESET_MODE, fw::Format(u"A0 0C 01 00 00 01 %02X", index));
}

void COVLinkCfgDlg::OnCbnSelchangeBaudRate() {
    const int index = GetDlgItem(IDC_OVPARAM_BAUD_RATE).GetCurSel();
    const uint32_t rate = index >= 0 && index < static_cast<int>(kLinkBaudRates.size()) ? kLinkBaudRates[index] : 0;
    WriteListSetting(IDC_OVPARAM_BAUD_RATE, fw::Format(u"A0 0B 01 00 00 04 %08X", rate));
}
