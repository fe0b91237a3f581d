#include "tools/SetParttionDlg.h"

#include <algorithm>

#include "app/ChipCommand.h"
#include "app/ChipSeries.h"
#include "app/MainWindow.h"
#include "app/PartitionLayout.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "resources/ui/set_partition.h"

using fw::Text;

namespace {

constexpr uintptr_t kSizeTimer = 1;
constexpr unsigned kTypingPauseMs = 200;
constexpr uint8_t kSeries11Partitioned = 0xAA;

bool NotPartitioned(uint8_t size) { return size == 0 || size == 0xFF; }
// A size read as 0xFF says "not partitioned": it takes no units.
int UnitsOf(uint8_t size) { return size == 0xFF ? 0 : size; }

// Series whose partitions carry a key id and the two enables the user chooses.
bool KeyedSeries(uint8_t series) {
    return series == 0 || series == 1 || series == 2 || series == 5 || series == 8 || series == 9;
}

}  // namespace

const fw::MessageMap<CSetParttionDlg> CSetParttionDlg::kMessages{
    fw::OnClick(IDC_PARTITION_OK, &CSetParttionDlg::OnBnClickedOk),
    fw::OnEditChange(IDC_PARTITION_SIZE, &CSetParttionDlg::OnEnChangeSize),
    fw::OnSelChange(IDC_PARTITION_COMBO, &CSetParttionDlg::OnCbnSelchangePartition),
    fw::OnTimer(&CSetParttionDlg::OnTimer),
};

CSetParttionDlg::CSetParttionDlg(CQXDownloadToolDlg* window)
    : fw::Dialog(IDD_SET_PARTITION, window), m_window(window) {}

void CSetParttionDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Control(IDC_PARTITION_COMBO, m_partitionCombo);
    dx.Control(IDC_PARTITION_SIZE, m_sizeEdit);
    dx.Control(IDC_PARTITION_SIZE_INFO, m_sizeInfo);
    dx.Control(IDC_PARTITION_AUTH, m_authCheck);
    dx.Control(IDC_PARTITION_ENCRYPT, m_encryptCheck);
    dx.Control(IDC_PARTITION_KEY_ID, m_keyIdCombo);
}

bool CSetParttionDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    m_partitionCombo.AddString(u"USER1");
    if (m_window->m_chipSeries != 5) m_partitionCombo.AddString(u"USER2");
    m_partitionCombo.AddString(u"USER3");
    m_partitionCombo.SetCurSel(0);
    FillKeyIds(0);
    m_sizeEdit.SetLimitText(2);
    RefreshPartition(0);
    return true;
}

int CSetParttionDlg::SelectedPartition() const {
    const int sel = m_partitionCombo.GetCurSel();
    const Text name = sel < 0 ? Text() : m_partitionCombo.GetLBText(sel);
    if (name == u"USER2") return 1;
    if (name == u"USER3") return 2;
    return 0;
}

void CSetParttionDlg::FillKeyIds(int partition) {
    m_keyIdCombo.ResetContent();
    m_keyIds = PartitionKeyIdChoices(m_window->m_chipSeries, partition);
    for (uint8_t id : m_keyIds)
        m_keyIdCombo.AddString(fw::Format(u"%d", static_cast<int>(id)));
    m_keyIdCombo.SetCurSel(0);
}

bool CSetParttionDlg::ShortensUser1() const { return CountsUser1Short(m_window->m_chipSeries); }

void CSetParttionDlg::OnCbnSelchangePartition() { RefreshPartition(SelectedPartition()); }

void CSetParttionDlg::RefreshPartition(int partition) {
    if (partition < 0 || partition > 2) return;
    const uint8_t series = m_window->m_chipSeries;
    const UserPartitionRecord& r = m_window->m_partitions[partition];
    const double flashKB = m_window->m_flashSizeKB;
    const int unitKB = static_cast<int>(m_window->m_partitionUnitKB);
    const int others = UnitsOf(m_window->m_partitions[1].size) + UnitsOf(m_window->m_partitions[2].size);
    const bool partitionedMark = series == 11 && r.keyId == kSeries11Partitioned;

    m_showing = true;
    m_sizeEdit.SetWindowText(u"");
    m_sizeInfo.SetWindowText(u"");
    if (!NotPartitioned(r.size)) {
        if (ShortensUser1() && partition == 0) {
            // What USER2 and USER3 leave, one unit short as these series count USER1; never below nothing.
            const double units = unitKB > 0 ? flashKB / unitKB : 0.0;
            const int shown = std::max(0, static_cast<int>(units) - others - 1);
            const int kb = std::max(0, static_cast<int>(flashKB - static_cast<double>(others) * unitKB));
            m_sizeEdit.SetWindowText(fw::Format(u"%02X", shown));
            m_sizeInfo.SetWindowText(fw::Format(TranslateText(u"(%dKB)(最小单位%dKB)"), kb, unitKB));
        } else {
            m_sizeEdit.SetWindowText(fw::Format(u"%02X", static_cast<int>(r.size)));
            m_sizeInfo.SetWindowText(fw::Format(TranslateText(u"(%dKB)(最小单位%dKB)"), r.size * unitKB, unitKB));
        }
        m_sizeEdit.EnableWindow(!partitionedMark && partition == 0);
    } else {
        m_sizeInfo.SetWindowText(partitionedMark ? TranslateText(u"(已分区)") : TranslateText(u"(未分区)"));
        m_sizeEdit.EnableWindow(!partitionedMark);
        m_sizeEdit.SetWindowText(fw::Format(u"%02X", static_cast<int>(r.size)));
    }
    m_showing = false;

    if (ShortensUser1()) {
        m_keyIdCombo.SetCurSel(-1);
        m_keyIdCombo.EnableWindow(false);
        m_authCheck.EnableWindow(false);
        m_encryptCheck.EnableWindow(false);
        return;
    }
    if (PartitionKeyIdChoices(series, partition) != m_keyIds) FillKeyIds(partition);
    const int configured = static_cast<int>(m_keyIds.size());  // "已配置ID" follows the ids
    if (r.keyId == 0) {
        if (m_keyIdCombo.GetCount() == configured) m_keyIdCombo.AddString(TranslateText(u"已配置ID"));
        m_keyIdCombo.SetCurSel(configured);
        m_keyIdCombo.EnableWindow(false);
    } else if (r.keyId == 0xFF) {
        if (m_keyIdCombo.GetCount() > configured) m_keyIdCombo.DeleteString(configured);
        m_keyIdCombo.SetCurSel(0);
        m_keyIdCombo.EnableWindow(true);
    }
    const bool auth = (r.flags >> 4) == 1, encrypt = (r.flags & 0x0F) == 1;
    m_authCheck.SetCheck(auth ? 1 : 0);
    m_authCheck.EnableWindow(!auth);
    m_encryptCheck.SetCheck(encrypt ? 1 : 0);
    m_encryptCheck.EnableWindow(!encrypt);
}

void CSetParttionDlg::OnEnChangeSize() {
    if (m_showing) return;
    // Checked once the typing pauses, as every keystroke would otherwise open a box.
    KillTimer(kSizeTimer);
    SetTimer(kSizeTimer, kTypingPauseMs);
}

void CSetParttionDlg::OnTimer(uintptr_t id) {
    if (id != kSizeTimer) return;
    KillTimer(kSizeTimer);
    CheckTypedSize();
}

void CSetParttionDlg::CheckTypedSize() {
    Text text = m_sizeEdit.GetWindowText();
    Text digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits),
                 [](char16_t c) { return IsHexText(fw::TextView(&c, 1)); });
    if (digits != text) {
        m_msgBox.MessageBox(this, TranslateText(u"必须输入十六进制数据！"), fw::MB_OK);
        m_showing = true;
        m_sizeEdit.SetWindowText(digits);
        m_showing = false;
        text = digits;
    }
    if (text == u"0" || text == u"00" || text == u"FF") {
        m_sizeInfo.SetWindowText(TranslateText(u"(未分区)"));
        return;
    }
    if (text.empty()) {
        m_sizeInfo.SetWindowText(u"");
        return;
    }
    const int unitKB = static_cast<int>(m_window->m_partitionUnitKB);
    const int units = static_cast<int>(HexToUInt32(text)) + (ShortensUser1() && SelectedPartition() == 0 ? 1 : 0);
    m_sizeInfo.SetWindowText(fw::Format(u"(%dKB)", units * unitKB) +
                             fw::Format(TranslateText(u"(最小单位%dKB)"), unitKB));
}

void CSetParttionDlg::OnBnClickedOk() {
    if (m_msgBox.MessageBox(this, TranslateText(u"确认配置分区?"), fw::MB_YESNO | fw::MB_ICONQUESTION) != fw::IDYES) {
        return;
    }
    const int partition = SelectedPartition();
    if (!ConfigurePartition(partition)) return;
    if (!m_window->ReadPartitions(m_window->m_partitions, nullptr)) return;
    RefreshPartition(partition);
    m_msgBox.MessageBox(this, TranslateText(u"配置分区成功，复位后生效！"), fw::MB_OK);
}

int CSetParttionDlg::ConfigurePartition(int partition) {
    const uint8_t series = m_window->m_chipSeries;
    const Text text = m_sizeEdit.GetWindowText();
    if (text.empty()) {
        m_msgBox.MessageBox(this, TranslateText(u"分区大小不能为空！"), fw::MB_OK);
        return 0;
    }
    if (text.size() > 2) {
        m_msgBox.MessageBox(this, TranslateText(u"输入的数据长度必须为1个字节！"), fw::MB_OK);
        return 0;
    }
    if (!IsHexText(text)) {
        m_msgBox.MessageBox(this, TranslateText(u"输入的数据必须为十六进制的数据！"), fw::MB_OK);
        return 0;
    }
    const auto size = static_cast<uint8_t>(HexToUInt32(text));
    if (size == 0 && partition != 0 && !(partition == 1 && series == 11)) {
        m_msgBox.MessageBox(this, TranslateText(u"分区大小不能为0！"), fw::MB_OK);
        return 0;
    }

    uint8_t keyId = 0, auth = 0, encrypt = 0;
    if (KeyedSeries(series)) {
        const int sel = m_keyIdCombo.GetCurSel();
        keyId = sel < 0 || sel >= static_cast<int>(m_keyIds.size()) ? 0xFF : m_keyIds[static_cast<size_t>(sel)];
        auth = m_authCheck.GetCheck() == 1 ? 1 : 0;
        encrypt = m_encryptCheck.GetCheck() == 1 ? 1 : 0;
    }

    UserPartitionRecord record{1, static_cast<uint8_t>(partition), size, keyId,
                               static_cast<uint8_t>(auth << 4 | encrypt)};
    if (!ReportStatus(*m_window, OV_CMD_USERX_OP(m_window->m_hDevice, &record))) {
        m_msgBox.MessageBox(this, TranslateText(u"配置分区失败！"), fw::MB_OK);
        return 0;
    }
    if (KeyedSeries(series) && keyId != 0xFF) m_window->RememberPartitionKeyId(partition, keyId);
    return 1;
}
