#include "offline/PartitionCFGLinkDlg.h"

#include <algorithm>
#include <vector>

#include "app/ChipSeries.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/Format.h"

const fw::MessageMap<CPartitionCFGLinkDlg> CPartitionCFGLinkDlg::kMessages{
    fw::OnClick(IDC_PART_OK, &CPartitionCFGLinkDlg::OnBnClickedOk),
    fw::OnEditChange(IDC_PART_SIZE1, &CPartitionCFGLinkDlg::OnEnChangeSize1),
    fw::OnEditChange(IDC_PART_SIZE2, &CPartitionCFGLinkDlg::OnEnChangeSize2),
    fw::OnEditChange(IDC_PART_SIZE3, &CPartitionCFGLinkDlg::OnEnChangeSize3),
};

namespace {

constexpr uint32_t kConfigured = 0xA5A5A5A5;
constexpr uint32_t kNotConfigured = 0xFFFFFFFF;
// 0xFF is what an erased entry holds and reads as 0; a partition's size stays below it.
constexpr uint32_t kLargestSize = 0xFE;

struct RowIds {
    int enable, size, units, keyId, keyIdLabel, auth, enc;
};
constexpr std::array<RowIds, 3> kRows = {{
    {IDC_PART_ENABLE1, IDC_PART_SIZE1, IDC_PART_UNITS1, IDC_PART_KEYID1, IDC_PART_KEYID_LABEL1, IDC_PART_AUTH1,
     IDC_PART_ENC1},
    {IDC_PART_ENABLE2, IDC_PART_SIZE2, IDC_PART_UNITS2, IDC_PART_KEYID2, IDC_PART_KEYID_LABEL2, IDC_PART_AUTH2,
     IDC_PART_ENC2},
    {IDC_PART_ENABLE3, IDC_PART_SIZE3, IDC_PART_UNITS3, IDC_PART_KEYID3, IDC_PART_KEYID_LABEL3, IDC_PART_AUTH3,
     IDC_PART_ENC3},
}};

// The series whose partitions carry authentication, encrypted download and a key ID.
bool HasPartitionSecurity(uint8_t code) { return code <= 2 || code == 5 || code == 8 || code == 9; }

// Series 3 and 11 give USER1 one unit more than its size field says.
bool User1HasExtraUnit(uint8_t code) { return code == 3 || code == 11; }

// Hex digits as a number of units; a text of more than eight significant digits is capped rather than wrapped.
uint32_t SizeUnits(fw::TextView text) {
    const std::size_t first = text.find_first_not_of(u'0');
    if (first != fw::TextView::npos && text.size() - first > 8) return 0xFFFFFFFF;
    return HexToUInt32(text);
}

}  // namespace

bool CPartitionCFGLinkDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    const OfflineProjectSettings& settings = ProjectSettings();
    const uint8_t code = settings.seriesCode;
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        fw::Control combo = GetDlgItem(kRows[i].keyId);
        for (uint8_t id : PartitionKeyIdChoices(code, static_cast<int>(i)))
            combo.AddString(fw::Format(u"%d", static_cast<int>(id)));
        combo.SetCurSel(0);
    }
    if (code > 12) {
        // Without a series there is no partition unit to lay the flash out in.
        m_msgBox.MessageBox(this, TranslateText(u"该MCU类型不支持配置分区！"), fw::MB_OK);
        EndDialog(fw::IDCANCEL);
        return true;
    }
    if (code == 5) {
        m_unitKB = 2;
        m_unitHint = TranslateText(u"(最小单位2K)");
    } else if (code == 3 || code == 4 || code == 6 || code == 7 || code == 11 || code == 12) {
        m_unitKB = 4;
        m_unitHint = TranslateText(u"(最小单位4K)");
    } else {
        m_unitKB = 16;
        m_unitHint = TranslateText(u"(最小单位16K)");
    }
    LoadPartitionSettings();
    if (settings.partitionsEditable == 0) {
        for (const RowIds& row : kRows) {
            for (int id : {row.enable, row.size, row.keyId, row.auth, row.enc})
                GetDlgItem(id).EnableWindow(false);
        }
    }
    if (code == 3) {
        for (const RowIds& row : kRows) {
            for (int id : {row.keyId, row.auth, row.enc})
                GetDlgItem(id).EnableWindow(false);
        }
    } else if (code == 5) {
        // USER2 does not exist on this series; USER1 and USER3 each have their one key ID.
        for (int id : {IDC_PART_KEYID1, IDC_PART_KEYID3, IDC_PART_ENABLE2, IDC_PART_SIZE2, IDC_PART_KEYID2,
                       IDC_PART_AUTH2, IDC_PART_ENC2}) {
            GetDlgItem(id).EnableWindow(false);
        }
        CheckDlgButton(IDC_PART_AUTH2, 0);
        CheckDlgButton(IDC_PART_ENC2, 0);
    }
    return true;
}

void CPartitionCFGLinkDlg::LoadPartitionSettings() {
    OfflineProjectSettings& settings = ProjectSettings();
    const bool security = HasPartitionSecurity(settings.seriesCode);
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const RowIds& row = kRows[i];
        CheckDlgButton(row.enable, settings.partitionConfigured[i] == kConfigured ? 1 : 0);
        if (security) {
            // A new project's erased record holds 0xFF in every field: a flag shows as set only when it is 1 and a
            // key ID only when it exists, else the box would show half ticked and OK would store it as set.
            const uint8_t flags = settings.partitionFlags[i];
            const uint8_t keyId = settings.partitionKeyId[i];
            CheckDlgButton(row.auth, (flags >> 4) == 1 ? 1 : 0);
            CheckDlgButton(row.enc, (flags & 0x0F) == 1 ? 1 : 0);
            const std::vector<uint8_t> ids = PartitionKeyIdChoices(settings.seriesCode, static_cast<int>(i));
            const auto at = std::ranges::find(ids, keyId);
            GetDlgItem(row.keyId).SetCurSel(at == ids.end() ? 0 : static_cast<int>(at - ids.begin()));
        } else {
            for (int id : {row.auth, row.enc, row.keyId, row.keyIdLabel})
                GetDlgItem(id).ShowWindow(fw::SW_HIDE);
        }
    }
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (settings.partitionSize[i] == 0xFF) settings.partitionSize[i] = 0;
        SetDlgItemText(kRows[i].size, fw::Format(u"%02X", settings.partitionSize[i]));
    }
}

void CPartitionCFGLinkDlg::OnSizeChange(int row) {
    const int edit = kRows[static_cast<std::size_t>(row)].size;
    fw::Text text = GetDlgItemText(edit);
    const auto bad = std::ranges::find_if(text, [](char16_t ch) { return !IsHexText(fw::TextView(&ch, 1)); });
    if (bad != text.end()) {
        const char16_t ch = *bad;
        m_msgBox.MessageBox(this, TranslateText(u"必须输入十六进制数据！"), fw::MB_OK);
        fw::Remove(text, ch);
        SetDlgItemText(edit, text);  // comes back here with the cleaned text
        return;
    }
    const uint8_t code = ProjectSettings().seriesCode;
    const bool extraUnit = row == 0 && User1HasExtraUnit(code);
    // Under these series a zero size still holds units, so it is shown as any other size.
    const bool zeroCounts = extraUnit || (row > 0 && code == 3);
    fw::Text label;
    if (((text == u"0" || text == u"00") && !zeroCounts) || text == u"FF") {
        label = TranslateText(u"(未分区)");
    } else if (!text.empty()) {
        const uint64_t units = uint64_t{SizeUnits(text)} + (extraUnit ? 1 : 0);
        label = fw::Format(u"(%lluKB)", static_cast<unsigned long long>(units * m_unitKB)) + m_unitHint;
    }
    SetDlgItemText(kRows[static_cast<std::size_t>(row)].units, label);
}

bool CPartitionCFGLinkDlg::Refuse(const fw::Text& text) {
    m_msgBox.MessageBox(this, text, fw::MB_OK);
    return false;
}

bool CPartitionCFGLinkDlg::StorePartitionSettings() {
    OfflineProjectSettings& settings = ProjectSettings();
    const uint8_t code = settings.seriesCode;
    const bool security = HasPartitionSecurity(code);
    std::array<bool, 3> on{};
    for (std::size_t i = 0; i < 3; ++i)
        on[i] = IsDlgButtonChecked(kRows[i].enable) != 0;
    if (!on[0] && !on[1] && !on[2]) return Refuse(TranslateText(u"请选择配置的分区"));
    if (!on[0] && on[1] && !on[2]) return Refuse(TranslateText(u"不能只配分区2,必须同时配分区3"));
    if (on[0] && on[1] && !on[2]) return Refuse(TranslateText(u"不能只配分区1和分区2,必须同时配分区3"));

    std::array<uint32_t, 3> size{};
    const auto readSize = [&](std::size_t i, bool zeroAllowed) -> bool {
        const fw::Text text = GetDlgItemText(kRows[i].size);
        const int user = static_cast<int>(i) + 1;
        if (text.empty()) return Refuse(fw::Format(TranslateText(u"USER%d分区大小不能为空！"), user));
        size[i] = SizeUnits(text);
        if (size[i] == 0 && !zeroAllowed) return Refuse(fw::Format(TranslateText(u"USER%d分区大小不能为0！"), user));
        if (size[i] > kLargestSize) return Refuse(fw::Format(TranslateText(u"USER%d分区大小不能大于0xFE！"), user));
        return true;
    };
    if (on[2] && !readSize(2, false)) return false;
    if (on[1] && !readSize(1, false)) return false;
    const uint32_t sum = (on[2] ? size[2] : 0) + (on[1] ? size[1] : 0);
    const uint32_t maxUnits = settings.flashSizeKB / m_unitKB;
    const int flashKB = static_cast<int>(settings.flashSizeKB);
    if (on[0]) {
        if (!readSize(0, true)) return false;
        const uint32_t total = sum + size[0] + (User1HasExtraUnit(code) ? 1 : 0);
        if (size[0] == 0 && !User1HasExtraUnit(code)) {
            if (total >= maxUnits) {
                return Refuse(fw::Format(TranslateText(u"分区1大小为0时，其它分区总大小不能大于或等于Flash大小(%dk)！"),
                                         flashKB));
            }
        } else if (total != maxUnits) {
            return Refuse(fw::Format(TranslateText(u"分区总大小不等于Flash大小(%dk)！"), flashKB));
        }
    } else if (sum >= maxUnits) {
        return Refuse(
            fw::Format(TranslateText(u"没有配分区1时，其它分区总大小不能大于或等于Flash大小(%dk)！"), flashKB));
    }

    std::array<int, 3> keyId{};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::vector<uint8_t> ids = PartitionKeyIdChoices(code, static_cast<int>(i));
        const auto selected = static_cast<std::size_t>(std::max(0, GetDlgItem(kRows[i].keyId).GetCurSel()));
        keyId[i] = ids.empty() ? 0xFF : ids[std::min(selected, ids.size() - 1)];
    }
    if (security) {
        if (on[1] && on[0] && keyId[1] == keyId[0]) return Refuse(TranslateText(u"分区2与分区1的密钥ID不能相同！"));
        if (on[2] && on[0] && keyId[2] == keyId[0]) return Refuse(TranslateText(u"分区3与分区1的密钥ID不能相同！"));
        if (on[2] && on[1] && keyId[2] == keyId[1]) return Refuse(TranslateText(u"分区3与分区2的密钥ID不能相同！"));
    }

    // Everything accepted: the three entries are written together.
    for (std::size_t i = 0; i < 3; ++i) {
        if (!on[i]) {
            settings.partitionConfigured[i] = kNotConfigured;
            settings.partitionSize[i] = settings.partitionIndex[i] = 0;
            settings.partitionFlags[i] = settings.partitionKeyId[i] = 0;
            continue;
        }
        if (security) {
            settings.partitionFlags[i] = static_cast<uint8_t>((IsDlgButtonChecked(kRows[i].auth) ? 0x10 : 0) +
                                                              (IsDlgButtonChecked(kRows[i].enc) ? 1 : 0));
            settings.partitionKeyId[i] = static_cast<uint8_t>(keyId[i]);
        }
        settings.partitionSize[i] = static_cast<uint8_t>(size[i]);
        settings.partitionIndex[i] = static_cast<uint8_t>(i);
        settings.partitionConfigured[i] = kConfigured;
    }
    return true;
}

void CPartitionCFGLinkDlg::OnBnClickedOk() {
    if (ProjectSettings().partitionsEditable != 0) {
        if (!StorePartitionSettings()) return;
        m_msgBox.MessageBox(this, TranslateText(u"分区配置确认OK"), fw::MB_OK);
    }
    EndDialog(fw::IDOK);
}

bool CPartitionCFGLinkDlg::PreTranslateKey(fw::Key key) {
    // Enter confirms from whichever control has the focus; Esc never closes the dialog.
    if (key == fw::Key::Enter) OnBnClickedOk();
    return true;
}
