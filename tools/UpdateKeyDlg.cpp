#include "tools/UpdateKeyDlg.h"

#include <algorithm>

#include "app/ChipCommand.h"
#include "app/ChipKeyStore.h"
#include "app/ChipSeries.h"
#include "app/MainWindow.h"
#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "core/TextMatching.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "resources/ui/update_key.h"

using fw::Text;

namespace {

constexpr char16_t kMaskChar = u'*';

// Key ids a series offers: series 5 keeps two partition keys, series 8 and 9 three, the others all 32.
int KeyIdCount(uint8_t series) {
    if (series == 5) return 2;
    if (series == 8 || series == 9) return 3;
    return 32;
}

}  // namespace

const fw::MessageMap<CUpdateKeyDlg> CUpdateKeyDlg::kMessages{
    fw::OnClick(IDC_UPDATE_KEY_OK, &CUpdateKeyDlg::OnBnClickedOk),
    fw::OnClick(IDC_UPDATE_KEY_SHOW, &CUpdateKeyDlg::OnBnClickedShowKey),
    fw::OnClick(IDC_UPDATE_KEY_FIRST, &CUpdateKeyDlg::OnBnClickedFirstUpdate),
    fw::OnEditChange(IDC_UPDATE_KEY_OLD, &CUpdateKeyDlg::OnEnChangeOldKey),
    fw::OnEditChange(IDC_UPDATE_KEY_NEW, &CUpdateKeyDlg::OnEnChangeNewKey),
};

CUpdateKeyDlg::CUpdateKeyDlg(CQXDownloadToolDlg* window) : fw::Dialog(IDD_UPDATE_KEY, window), m_window(window) {}

void CUpdateKeyDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Control(IDC_UPDATE_KEY_OLD, m_oldKeyEdit);
    dx.Control(IDC_UPDATE_KEY_NEW, m_newKeyEdit);
    dx.Control(IDC_UPDATE_KEY_ID, m_keyIdCombo);
    dx.Control(IDC_UPDATE_KEY_SHOW, m_showKeyCheck);
    dx.Control(IDC_UPDATE_KEY_FIRST, m_firstUpdateCheck);
    dx.Control(IDC_UPDATE_KEY_OLD_BYTES, m_oldBytes);
    dx.Control(IDC_UPDATE_KEY_NEW_BYTES, m_newBytes);
}

bool CUpdateKeyDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    const int count = KeyIdCount(m_window->m_chipSeries);
    for (int id = 0; id < count; ++id)
        m_keyIdCombo.AddString(fw::Format(u"%d", id));
    m_keyIdCombo.SetCurSel(0);
    return true;
}

void CUpdateKeyDlg::OnBnClickedShowKey() {
    const char16_t mask = m_showKeyCheck.GetCheck() == 1 ? 0 : kMaskChar;
    m_oldKeyEdit.SetPasswordChar(mask);
    m_newKeyEdit.SetPasswordChar(mask);
}

void CUpdateKeyDlg::OnBnClickedFirstUpdate() { m_oldKeyEdit.EnableWindow(m_firstUpdateCheck.GetCheck() != 1); }

void CUpdateKeyDlg::OnEnChangeOldKey() {
    m_oldBytes.SetWindowText(
        fw::Format(u"%02d", static_cast<int>(WithoutBlanks(m_oldKeyEdit.GetWindowText()).size() / 2)));
}

void CUpdateKeyDlg::OnEnChangeNewKey() {
    m_newBytes.SetWindowText(
        fw::Format(u"%02d", static_cast<int>(WithoutBlanks(m_newKeyEdit.GetWindowText()).size() / 2)));
}

std::optional<Text> CUpdateKeyDlg::KeyText(const fw::Control& edit, Text emptyText, Text lengthText) {
    const Text key = WithoutBlanks(edit.GetWindowText());
    Text refusal;
    if (key.empty()) {
        refusal = std::move(emptyText);
    } else if (!IsHexText(key)) {
        refusal = TranslateText(u"输入的数据必须为十六进制的数据！");
    } else if (key.size() != 32) {
        refusal = std::move(lengthText);
    }
    if (refusal.empty()) return key;
    m_msgBox.MessageBox(this, refusal, fw::MB_OK);
    return std::nullopt;
}

void CUpdateKeyDlg::OnBnClickedOk() {
    if (m_msgBox.MessageBox(this, TranslateText(u"确认更新密钥?"), fw::MB_YESNO | fw::MB_ICONQUESTION) != fw::IDYES) {
        return;
    }
    const uint8_t series = m_window->m_chipSeries;
    const int sel = m_keyIdCombo.GetCurSel();
    const auto keyId = static_cast<uint8_t>(sel < 0 ? 0 : sel);
    const int entry = PartitionKeyEntry(series, keyId);
    if (entry < 0) return;

    std::optional<Text> oldKey;
    if (m_firstUpdateCheck.GetCheck() == 1) {
        oldKey = Text(g_defaultChipKeys[static_cast<size_t>(entry)]);
    } else {
        oldKey =
            KeyText(m_oldKeyEdit, TranslateText(u"旧密钥不能为空！"), TranslateText(u"旧密钥长度必须为16个字节！"));
        if (!oldKey) return;
    }
    const std::optional<Text> newKey =
        KeyText(m_newKeyEdit, TranslateText(u"新密钥不能为空！"), TranslateText(u"新密钥长度必须为16个字节！"));
    if (!newKey) return;

    // Built apart from the window's three partition records: ids above 2 have none, and a refused key must not
    // stay where the next erase or download of that partition would send it.
    KeyUpdateRecord record{};
    record.keyId = keyId;
    HexToBytes(*newKey, record.key, sizeof record.key);
    HexToBytes(*oldKey, record.oldKey, sizeof record.oldKey);
    const StatusCode status = OV_CMD_KEY_UPDATE(m_window->m_hDevice, record);
    if (status != CMD_STATUS_OK) {
        m_msgBox.MessageBox(this, TranslateText(u"更新密钥失败！"), fw::MB_OK);
        ChipCommand(*m_window, kNoInterfaces).Succeeded(status, TranslateText(u"更新密钥失败！"));
        return;
    }
    if (keyId < std::size(m_window->m_keyUpdates)) m_window->m_keyUpdates[keyId] = record;
    m_msgBox.MessageBox(this, TranslateText(u"更新密钥成功！"), fw::MB_OK);
    StoreChipKey(m_window->m_keyTable, entry, *newKey);
    // The parts keep the key they send with their erases and downloads from the last partition read; a part
    // whose key this was would otherwise go on sending the key the chip no longer holds.
    const std::vector<uint32_t>& partKeyIds = m_window->m_partitionKeyIds;
    for (size_t part = 0; part < partKeyIds.size() && part < m_window->m_items.size(); ++part) {
        if (partKeyIds[part] > 31) continue;
        if (PartitionKeyEntry(series, static_cast<uint8_t>(partKeyIds[part])) != entry) continue;
        m_window->m_items[part].partitionKeyText = *newKey;
    }
}
