// The parameter page's settings guarded by the device key: the key change, the burn limit and the factory
// restore, each proving the key by enciphering a fresh challenge; and the burn counter, which needs no key.
#include "app/MainWindow.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "offline/OVLinkCfgDlg.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/UpdateDevKeyDlg.h"

namespace {

fw::Text Hex(std::span<const uint8_t> bytes) { return BytesToHex(bytes); }

}  // namespace

bool COVLinkCfgDlg::VersionGate() {
    if (!CheckLinkConnected()) {
        Say(TranslateText(u"设备没有连接！"));
        return false;
    }
    if (m_versionOrder == 2) {
        Say(TranslateText(u"离线下载器版本过低,请升级至3.1.6或以上版本！"));
        return false;
    }
    return true;
}

bool COVLinkCfgDlg::FetchChallenge(LinkKey& challenge, bool sayWhenFailed) {
    LinkReply reply;
    const bool sent = SendLinkCommand(u"A0 02 00 00 00 00", reply);
    // A reply too short to hold the challenge is a failure like a missing one, whatever its status said.
    if (!sent || reply.Payload().size() < challenge.size()) {
        if (sayWhenFailed || sent) Say(TranslateText(u"获取随机数失败！"));
        return false;
    }
    std::copy_n(reply.Payload().begin(), challenge.size(), challenge.begin());
    return true;
}

bool COVLinkCfgDlg::KeyFromEdit(int edit, LinkKey& key, bool serial) {
    switch (ParseKeyText(GetDlgItemText(edit), key)) {
        case KeyTextError::None:
            return true;
        case KeyTextError::Empty:
            Say(serial ? TranslateText(u"设备SN不能为空！") : TranslateText(u"设备密钥不能为空！"));
            return false;
        case KeyTextError::NotHex:
            Say(serial ? TranslateText(u"设备SN必须是成对的十六进制字符！")
                       : TranslateText(u"设备密钥必须是成对的十六进制字符！"));
            return false;
        case KeyTextError::TooLong:
            Say(serial ? TranslateText(u"设备SN不能超过16字节！") : TranslateText(u"设备密钥不能超过16字节！"));
            return false;
    }
    return false;
}

void COVLinkCfgDlg::OnBnClickedModifyDeviceKey() {
    CUpdateDevKeyDlg dialog;
    if (dialog.DoModal() != fw::IDOK) return;
    if (!CheckLinkConnected()) {
        Say(TranslateText(u"设备没有连接！"));
        return;
    }
    LinkKey challenge{};
    if (!FetchChallenge(challenge, false)) return;
    const OfflineProjectSettings& settings = ProjectSettings();
    std::array<uint8_t, 32> payload{};
    std::copy(challenge.begin(), challenge.end(), payload.begin());
    std::copy(settings.deviceKeyNew.begin(), settings.deviceKeyNew.end(), payload.begin() + 16);
    EncipherBlocks(settings.deviceKeyOld, payload);
    LinkReply reply;
    if (SendLinkCommand(u"A0 0E 00 00 00 20 " + Hex(payload), reply)) {
        Say(TranslateText(u"修改设备密钥成功！"));
    } else {
        Say(TranslateText(u"修改设备密钥失败！"));
    }
}

void COVLinkCfgDlg::OnBnClickedModifyBurningTimes() {
    if (!VersionGate()) return;
    if (WriteBurnLimit()) ReadBurnCount();
}

bool COVLinkCfgDlg::WriteBurnLimit() {
    LinkKey challenge{};
    if (!FetchChallenge(challenge, true)) return false;
    const bool limitOn = IsDlgButtonChecked(IDC_OVPARAM_LIMIT_ON) != 0;
    const uint32_t flags = (limitOn ? 1u : 0u) | (IsDlgButtonChecked(IDC_OVPARAM_LOCK_SN) ? 2u : 0u);
    uint32_t maximum = 0xFFFFFFFF;
    if (limitOn) {
        const fw::Text text = GetDlgItemText(IDC_OVPARAM_LIMIT_MAX);
        if (text.empty()) {
            Say(TranslateText(u"烧录次数不能为空！"));
            return false;
        }
        if (!ParseBurnCount(text, maximum)) {
            Say(TranslateText(u"烧录次数超出范围！"));
            return false;
        }
    }
    LinkKey key{};
    if (!KeyFromEdit(IDC_OVPARAM_DEVICE_KEY, key, false)) return false;
    std::array<uint8_t, 48> block = BurnLimitBlock(challenge, flags, maximum);
    EncipherBlocks(key, block);
    LinkReply reply;
    if (!SendLinkCommand(u"A0 18 01 00 00 30 " + Hex(block), reply)) {
        Say(TranslateText(u"修改烧录次数失败！"));
        return false;
    }
    Say(TranslateText(u"修改烧录次数成功！"));
    return true;
}

bool COVLinkCfgDlg::ReadBurnCount() {
    LinkReply reply;
    if (!SendLinkCommand(u"A0 18 00 00 00 00", reply) || reply.Payload().size() < 12) return false;
    const bool limitOn = (reply.PayloadBe32(0) & 1u) != 0;
    CheckDlgButton(IDC_OVPARAM_LIMIT_ON, limitOn ? 1 : 0);
    GetDlgItem(IDC_OVPARAM_LIMIT_MAX).EnableWindow(limitOn);
    SetDlgItemText(IDC_OVPARAM_LIMIT_MAX, fw::Format(u"%u", reply.PayloadBe32(4)));
    SetDlgItemText(IDC_OVPARAM_REMAINING, fw::Format(u"%u", reply.PayloadBe32(8)));
    return true;
}

void COVLinkCfgDlg::OnBnClickedQueryBurningTimes() {
    if (!VersionGate()) return;
    ReadBurnCount();
}

void COVLinkCfgDlg::OnBnClickedRestoreFactorySettings() {
    if (!VersionGate()) return;
    LinkKey challenge{};
    if (!FetchChallenge(challenge, true)) return;
    LinkKey serial{};
    if (!KeyFromEdit(IDC_OVPARAM_SERIAL, serial, true)) return;
    LinkKey key{};
    if (!KeyFromEdit(IDC_OVPARAM_DEVICE_KEY, key, false)) return;
    EncipherBlocks(key, challenge);
    LinkReply reply;
    if (SendLinkCommand(u"A0 19 01 00 00 20 " + Hex(challenge) + Hex(serial), reply)) {
        Say(TranslateText(u"设备已恢复出厂设置！"));
    } else {
        Say(TranslateText(u"设备恢复出厂设置失败！"));
    }
}

void COVLinkCfgDlg::OnBnClickedMaxBurningTimes() {
    GetDlgItem(IDC_OVPARAM_LIMIT_MAX).EnableWindow(IsDlgButtonChecked(IDC_OVPARAM_LIMIT_ON) != 0);
}

void COVLinkCfgDlg::OnBnClickedLockSn() {
    GetDlgItem(IDC_OVPARAM_SERIAL).EnableWindow(IsDlgButtonChecked(IDC_OVPARAM_LOCK_SN) != 0);
}

void COVLinkCfgDlg::OnBnClickedDisplayDeviceKey() {
    fw::Control edit = GetDlgItem(IDC_OVPARAM_DEVICE_KEY);
    edit.SetPasswordChar(IsDlgButtonChecked(IDC_OVPARAM_SHOW_KEY) ? u'\0' : u'*');
    edit.SetFocus();
}
