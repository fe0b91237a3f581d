#include "offline/UpdateChipKeyDlg.h"

#include <array>
#include <optional>

#include "app/ChipSeries.h"
#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "offline/DeviceKeyRules.h"
#include "offline/KeyTextCheck.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/ProjectKeys.h"

const fw::MessageMap<CUpdateChipKeyDlg> CUpdateChipKeyDlg::kMessages{
    fw::OnClick(IDC_CHIPKEY_OK, &CUpdateChipKeyDlg::OnBnClickedOk),
    fw::OnClick(IDC_CHIPKEY_FIRST1, &CUpdateChipKeyDlg::OnBnClickedFirstUpdate1),
    fw::OnClick(IDC_CHIPKEY_FIRST2, &CUpdateChipKeyDlg::OnBnClickedFirstUpdate2),
    fw::OnClick(IDC_CHIPKEY_FIRST3, &CUpdateChipKeyDlg::OnBnClickedFirstUpdate3),
    fw::OnClick(IDC_CHIPKEY_SHOW, &CUpdateChipKeyDlg::OnBnClickedShowKey),
};

namespace {

constexpr uint32_t kConfigured = 0xA5A5A5A5;

struct RowIds {
    int oldKey, newKey, update, first;
};
constexpr std::array<RowIds, 3> kRows = {{
    {IDC_CHIPKEY_OLD1, IDC_CHIPKEY_NEW1, IDC_CHIPKEY_UPDATE1, IDC_CHIPKEY_FIRST1},
    {IDC_CHIPKEY_OLD2, IDC_CHIPKEY_NEW2, IDC_CHIPKEY_UPDATE2, IDC_CHIPKEY_FIRST2},
    {IDC_CHIPKEY_OLD3, IDC_CHIPKEY_NEW3, IDC_CHIPKEY_UPDATE3, IDC_CHIPKEY_FIRST3},
}};

}  // namespace

bool CUpdateChipKeyDlg::AsksDeviceKey() const {
    return m_caller == ChipKeyCaller::OfflineProjectPage || ProjectSettings().deviceKeyWanted != 0;
}

bool CUpdateChipKeyDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    const OfflineProjectSettings& settings = ProjectSettings();
    // Every run starts with each configured partition chosen for a first update, whatever was chosen before.
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const RowIds& row = kRows[i];
        const bool configured = settings.partitionConfigured[i] == kConfigured;
        GetDlgItem(row.oldKey).EnableWindow(false);
        GetDlgItem(row.newKey).EnableWindow(configured);
        GetDlgItem(row.first).EnableWindow(configured);
        GetDlgItem(row.update).EnableWindow(configured);
        CheckDlgButton(row.first, configured ? 1 : 0);
        CheckDlgButton(row.update, configured ? 1 : 0);
    }
    SetDlgItemText(IDC_CHIPKEY_DEVICE, m_deviceKeyText);
    const int show = AsksDeviceKey() ? fw::SW_SHOW : fw::SW_HIDE;
    GetDlgItem(IDC_CHIPKEY_DEVICE).ShowWindow(show);
    GetDlgItem(IDC_CHIPKEY_DEVICE_LABEL).ShowWindow(show);
    return true;
}

void CUpdateChipKeyDlg::OnFirstUpdate(int row) {
    const RowIds& ids = kRows[static_cast<std::size_t>(row)];
    const bool first = IsDlgButtonChecked(ids.first) != 0;
    GetDlgItem(ids.oldKey).EnableWindow(!first);
    if (first) SetDlgItemText(ids.oldKey, u"");
}

void CUpdateChipKeyDlg::OnBnClickedShowKey() {
    const char16_t mask = IsDlgButtonChecked(IDC_CHIPKEY_SHOW) ? u'\0' : u'*';
    constexpr std::array kEdits = {IDC_CHIPKEY_OLD1, IDC_CHIPKEY_NEW1, IDC_CHIPKEY_OLD2,  IDC_CHIPKEY_NEW2,
                                   IDC_CHIPKEY_OLD3, IDC_CHIPKEY_NEW3, IDC_CHIPKEY_DEVICE};
    for (int id : kEdits)
        GetDlgItem(id).SetPasswordChar(mask);
    for (int id : kEdits)
        GetDlgItem(id).SetFocus();
}

void CUpdateChipKeyDlg::OnBnClickedOk() {
    OfflineProjectSettings& settings = ProjectSettings();
    // This dialog checks the length before the digits.
    const KeyTextMessages oldMessages{TranslateText(u"旧密钥不能为空！"), TranslateText(u"旧密钥必须是十六进制数！"),
                                      TranslateText(u"旧密钥长度应为16字节！"), true};
    const KeyTextMessages newMessages{TranslateText(u"新密钥不能为空！"), TranslateText(u"新密钥必须是十六进制数！"),
                                      TranslateText(u"新密钥长度应为16字节！"), true};
    const KeyTextMessages deviceMessages{TranslateText(u"设备密钥不能为空！"),
                                         TranslateText(u"设备密钥必须是十六进制数！"),
                                         TranslateText(u"设备密钥长度应为16字节！"), true};
    // Collected aside and stored together once every chosen partition passed.
    std::array<uint8_t, 3> update{};
    std::array<LinkKey, 3> oldKeys{}, newKeys{};
    std::optional<LinkKey> deviceKey;
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const RowIds& row = kRows[i];
        if (settings.partitionConfigured[i] != kConfigured || !IsDlgButtonChecked(row.update)) continue;
        const uint8_t keyId = settings.partitionKeyId[i];
        const int entry = PartitionKeyEntry(settings.keySeriesCode, keyId);
        if (!PartitionKeyIdAllowed(settings.keySeriesCode, static_cast<int>(i), keyId) || entry < 0) {
            // Only an id the series opens the partition with has a default key the chip starts from.
            m_msgBox.MessageBox(this, fw::Format(TranslateText(u"分区USER%d的密钥ID无效！"), static_cast<int>(i) + 1),
                                fw::MB_OK);
            return;
        }
        fw::Text oldText;
        if (IsDlgButtonChecked(row.first)) {
            oldText = fw::Text(g_defaultChipKeys[static_cast<std::size_t>(entry)]);
        } else {
            oldText = GetDlgItemText(row.oldKey);
            if (!KeyTextAccepted(oldText, oldMessages, m_msgBox, this)) return;
        }
        fw::Text newText = GetDlgItemText(row.newKey);
        if (!KeyTextAccepted(newText, newMessages, m_msgBox, this)) return;
        HexToBytes(oldText, oldKeys[i].data(), oldKeys[i].size());
        HexToBytes(newText, newKeys[i].data(), newKeys[i].size());
        if (AsksDeviceKey()) {
            if (!deviceKey) {
                fw::Text deviceText = GetDlgItemText(IDC_CHIPKEY_DEVICE);
                if (!KeyTextAccepted(deviceText, deviceMessages, m_msgBox, this)) return;
                deviceKey.emplace();
                HexToBytes(deviceText, deviceKey->data(), deviceKey->size());
            }
            EncipherBlocks(*deviceKey, newKeys[i]);
            EncipherBlocks(*deviceKey, oldKeys[i]);
        }
        update[i] = 1;
    }
    if (update == std::array<uint8_t, 3>{}) {
        m_msgBox.MessageBox(this, TranslateText(u"没有选择需要更新的密钥！"), fw::MB_OK);
        return;
    }
    // A partition left unticked is no longer updated, whatever an earlier run chose for it.
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        settings.chipKeyUpdate[i] = update[i];
        if (!update[i]) continue;
        settings.chipKeyId[i] = settings.partitionKeyId[i];
        settings.chipKeyOld[i] = oldKeys[i];
        settings.chipKeyNew[i] = newKeys[i];
    }
    m_msgBox.MessageBox(this, TranslateText(u"芯片密钥确认OK"), fw::MB_OK);
    EndDialog(fw::IDOK);
}

bool CUpdateChipKeyDlg::PreTranslateKey(fw::Key key) {
    // Enter confirms from whichever control has the focus; Esc never closes the dialog.
    if (key == fw::Key::Enter) OnBnClickedOk();
    return true;
}
