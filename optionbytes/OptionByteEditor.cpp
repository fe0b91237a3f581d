#include "optionbytes/OptionByteEditor.h"

#include <algorithm>
#include <array>

#include "app/MainWindow.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "optionbytes/FieldMessages.h"
#include "resources/ui/option_bytes.h"

using fw::Text;

namespace {

constexpr uint32_t kQuestion = fw::MB_YESNO | fw::MB_ICONQUESTION;
const char16_t* const kNrstSelEntries[] = {u"NRST_IN_OUT", u"NRST_IN", u"GPIO"};
const char16_t* const kBorLvlEntries[] = {u"1.6V", u"2.0V", u"2.2V", u"2.5V", u"2.8V"};

bool Contains(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

// CCMSRAM_RST is off only at 0xAB with its complement; an erased pair (FF FF) counts as on, any other broken pair
// as off.
bool CcmsramOn(const Text& value, const Text& complement) {
    if (value == u"AB") return false;
    if (value == u"FF" && complement == u"FF") return true;
    return complement == ComplementHexBytes(value);
}

}  // namespace

const fw::MessageMap<COptionByteEditor> COptionByteEditor::kMessages{
    fw::OnClick(IDC_OB_CONFIRM, &COptionByteEditor::OnBnClickedOk),
    fw::OnClick(IDC_OB_L1, &COptionByteEditor::OnLevel1Clicked),
    fw::OnClick(IDC_OB_L2, &COptionByteEditor::OnLevel2Clicked),
    fw::OnCommandRange(1000, 1999, &COptionByteEditor::OnBoxClicked),
    fw::OnEditChange(IDC_OB_BOR_LEV, &COptionByteEditor::OnSpecialEditChange),
    fw::OnEditChange(IDC_OB2_LVR_POWER, &COptionByteEditor::OnSpecialEditChange),
    fw::OnSelChange(IDC_OB_NRST_SEL, &COptionByteEditor::OnCbnSelchangeNrstSel),
    fw::OnSelChange(IDC_OB_BOR_LVL, &COptionByteEditor::OnCbnSelchangeBorLvl),
};

COptionByteEditor::COptionByteEditor(int templateId, EditorKind kind, CQXDownloadToolDlg* owner)
    : fw::Dialog(templateId), m_kind(kind), m_owner(owner), m_series(owner->m_chipSeries) {
    m_row = &DeviceEditorRow(m_series);
    m_layout = &DeviceLayoutOf(m_series);
}

COptionByteEditor::COptionByteEditor(int templateId, EditorKind kind, Text* text, uint8_t family, bool editable)
    : fw::Dialog(templateId), m_kind(kind), m_projectText(text), m_series(family), m_editable(editable) {
    m_row = &ProjectEditorRow(family, kind);
    m_layout = &ProjectLayoutOf(family);
}

CWriteByteDlg::CWriteByteDlg(CQXDownloadToolDlg* owner, void*)
    : COptionByteEditor(IDD_WRITE_BYTE, EditorKind::First, owner) {}

CWriteByteDlg2::CWriteByteDlg2(CQXDownloadToolDlg* owner, void*)
    : COptionByteEditor(IDD_WRITE_BYTE2, EditorKind::Second, owner) {}

CWriteByteLinkDlg::CWriteByteLinkDlg(Text* optionText, uint8_t family, bool editable)
    : COptionByteEditor(IDD_WRITE_BYTE_LINK, EditorKind::First, optionText, family, editable) {}

CWriteByteLinkDlg2::CWriteByteLinkDlg2(Text* optionText, uint8_t family, bool editable)
    : COptionByteEditor(IDD_WRITE_BYTE_LINK2, EditorKind::Second, optionText, family, editable) {}

bool COptionByteEditor::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    const bool first = m_kind == EditorKind::First;
    std::vector<int> limited = {IDC_OB_DATA0, IDC_OB_DATA1, IDC_OB_WRP0, IDC_OB_WRP1, IDC_OB_WRP2, IDC_OB_WRP3};
    // Data2 and Data3 are one byte each like the others: a longer number would lose its high digits.
    if (first && !ProjectMode()) limited.insert(limited.end(), {IDC_OB_BOR_LEV, IDC_OB_DATA2, IDC_OB_DATA3});
    if (!first)
        limited.insert(limited.end(),
                       {IDC_OB2_USER2, IDC_OB2_USER3, IDC_OB2_USER4, IDC_OB2_USER5, IDC_OB2_USER6, IDC_OB2_LVR_POWER});
    for (int id : limited)
        GetDlgItem(id).SetLimitText(2);
    if (first) {
        for (const char16_t* entry : kNrstSelEntries)
            GetDlgItem(IDC_OB_NRST_SEL).AddString(entry);
        for (const char16_t* entry : kBorLvlEntries)
            GetDlgItem(IDC_OB_BOR_LVL).AddString(entry);
    }
    const InterfaceIndex iface = ProjectMode() ? kIfaceUsart : InterfaceIndex{m_owner->m_interface};
    if (ProjectMode() || iface == kIfaceSwdJlink || iface == kIfaceSwdCmsisDap) {
        GetDlgItem(IDC_OB_RESET).ShowWindow(fw::SW_HIDE);
    }
    HideAndDisableForSeries();
    if (ProjectMode()) {
        LoadProjectOptionBytes();
    } else if (!LoadOptionBytes()) {
        m_owner->AppendLog(TranslateText(u"读取选项字节失败！"), kLogRed);
        EndDialog(fw::IDCANCEL);
        return false;
    }
    ShowFields();
    if (ProjectMode() && !m_editable) DisableInputs();
    return true;
}

void COptionByteEditor::HideAndDisableForSeries() {
    for (int id : SeriesControls(m_kind)) {
        GetDlgItem(id).ShowWindow(Contains(m_row->shown, id) ? fw::SW_SHOW : fw::SW_HIDE);
    }
    for (int id : m_row->disabled)
        GetDlgItem(id).EnableWindow(false);
    if (!ProjectMode()) {
        for (const auto& [id, caption] : m_row->captions)
            SetDlgItemText(id, caption);
    }
}

void COptionByteEditor::DisableInputs() {
    for (int id :
         {IDC_OB_L1, IDC_OB_L2, IDC_OB_DATA0, IDC_OB_DATA1, IDC_OB_WRP0, IDC_OB_WRP1, IDC_OB_WRP2, IDC_OB_WRP3}) {
        GetDlgItem(id).EnableWindow(false);
    }
    for (const BitBox& box : m_row->boxes)
        GetDlgItem(box.boxId).EnableWindow(false);
    if (m_kind == EditorKind::First) {
        for (int id : {IDC_OB_CCMSRAM_BOX, IDC_OB_CCMSRAM, IDC_OB_NRST_SEL, IDC_OB_BOR_LVL, IDC_OB_BOR_LEV})
            GetDlgItem(id).EnableWindow(false);
    } else {
        for (int id : {IDC_OB2_LVR_POWER, IDC_OB2_USER2, IDC_OB2_USER3, IDC_OB2_USER4, IDC_OB2_USER5, IDC_OB2_USER6})
            GetDlgItem(id).EnableWindow(false);
    }
}

void COptionByteEditor::LoadProjectOptionBytes() {
    m_fields = FieldsFromProjectText(*m_layout, m_projectText ? *m_projectText : Text());
}

bool COptionByteEditor::LoadOptionBytes() {
    using Transfer = CQXDownloadToolDlg::OptionTransfer;
    std::array<uint8_t, 64> image{};
    size_t answered = 0;
    const Transfer read = m_owner->ReadWriteOptionBytes(m_owner->m_hDevice, image, 0, 0xFF, &answered);
    if (read != Transfer::Done && read != Transfer::Short) return false;
    m_wholeImage = read == Transfer::Done;
    m_fields = FieldsFromImage(*m_layout, image);
    if (const std::optional<uint32_t> crc =
            FlashCrcOfAnswer(m_series, std::span<const uint8_t>(image.data(), answered))) {
        m_owner->AppendLog(TranslateText(u"FLASH CRC32值：0x") + fw::Format(u"%08X", *crc), kLogBlack);
    }
    return true;
}

int COptionByteEditor::EditOf(OptionField field) const {
    for (const FieldEdit& edit : FieldEdits(m_kind)) {
        if (FieldOfEdit(edit, m_series, ProjectMode()) == field) return edit.editId;
    }
    return 0;
}

void COptionByteEditor::WriteField(OptionField field, const Text& text) {
    m_fields[field] = text;
    if (const int edit = EditOf(field)) SetDlgItemText(edit, text);
}

void COptionByteEditor::ShowFields() {
    for (const FieldEdit& edit : FieldEdits(m_kind))
        SetDlgItemText(edit.editId, m_fields[FieldOfEdit(edit, m_series, ProjectMode())]);
    CheckDlgButton(IDC_OB_L1, m_fields[kFieldRdp] != u"A5");
    CheckDlgButton(IDC_OB_L2, m_fields[kFieldRdp2] == u"CC");
    for (const BitBox& box : m_row->boxes)
        CheckDlgButton(box.boxId, FieldBit(m_fields[box.field], box.bit));
    for (const WordBox& word : m_row->words)
        CheckDlgButton(word.boxId, WordSwitchOn(m_fields[word.field]));
    if (m_row->borLevEdit != 0) {
        SetDlgItemText(m_row->borLevEdit, fw::Format(u"%02X", FieldBits(m_fields[kFieldUser2], 4, 3)));
    }
    if (m_row->lvrEdit != 0)
        SetDlgItemText(m_row->lvrEdit, fw::Format(u"%02X", FieldBits(m_fields[kFieldUser3], 0, 4)));
    if (m_row->userLists) {
        const unsigned borLvl = FieldBits(m_fields[kFieldUser2], 5, 3);
        const unsigned nrstSel = FieldBits(m_fields[kFieldUser3], 0, 2);
        // Codes that no entry stands for show the first entry and stay until the user picks one.
        GetDlgItem(IDC_OB_BOR_LVL).SetCurSel(borLvl <= 4 ? static_cast<int>(borLvl) : 0);
        GetDlgItem(IDC_OB_NRST_SEL).SetCurSel(nrstSel <= 2 ? static_cast<int>(nrstSel) : 0);
    }
    if (m_row->dbankBox) CheckDlgButton(IDC_OB_DBANK_BOX, m_fields[kFieldDbank] != u"5A");
    if (m_row->ccmsramBox) ShowCcmsramBox();
}

void COptionByteEditor::ShowCcmsramBox() {
    const Text& value = m_fields[kFieldCcmsramRst];
    const Text complement = ProjectMode() ? ComplementHexBytes(value) : m_fields.complement[kFieldCcmsramRst];
    CheckDlgButton(IDC_OB_CCMSRAM_BOX, CcmsramOn(value, complement));
}

bool COptionByteEditor::Ask(Text question) {
    return m_msgBox.MessageBox(this, std::move(question), kQuestion) == fw::IDYES;
}

void COptionByteEditor::Tell(Text text) { m_msgBox.MessageBox(this, std::move(text), fw::MB_OK); }

bool COptionByteEditor::PreTranslateKey(fw::Key key) {
    if (!ProjectMode()) return false;
    // A project editor never closes on Esc; Enter confirms from whichever control has the focus.
    if (key == fw::Key::Enter) OnBnClickedOk();
    return true;
}

void COptionByteEditor::OnLevel1Clicked() {
    if (IsDlgButtonChecked(IDC_OB_L1)) {
        const Text& rdp = m_fields[kFieldRdp];
        SetDlgItemText(IDC_OB_RDP, rdp == u"A5" ? Text(u"FF") : rdp);
        return;
    }
    if (ProjectMode() && !Ask(TranslateText(u"取消读保护，下载程序安全性无法保障！是否确定取消？"))) {
        CheckDlgButton(IDC_OB_L1, 1);
        return;
    }
    SetDlgItemText(IDC_OB_RDP, u"A5");
}

void COptionByteEditor::OnLevel2Clicked() {
    if (!IsDlgButtonChecked(IDC_OB_L2)) {
        SetDlgItemText(IDC_OB_RDP2, u"FF");
        return;
    }
    if (!Ask(TranslateText(u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?"))) {
        CheckDlgButton(IDC_OB_L2, 0);
        return;
    }
    SetDlgItemText(IDC_OB_RDP2, u"CC");
}

void COptionByteEditor::OnBoxClicked(int id) {
    const bool on = IsDlgButtonChecked(id) != 0;
    for (const BitBox& box : m_row->boxes) {
        if (box.boxId != id) continue;
        const int edit = EditOf(box.field);
        const Text byte = edit != 0 ? GetDlgItemText(edit) : m_fields[box.field];
        WriteField(box.field, WithFieldBit(byte, box.bit, on));
        return;
    }
    for (const WordBox& word : m_row->words) {
        if (word.boxId == id) WriteField(word.field, WordSwitchText(on));
    }
    if (m_row->dbankBox && id == IDC_OB_DBANK_BOX) {
        const Text& dbank = m_fields[kFieldDbank];
        SetDlgItemText(IDC_OB_DBANK, on ? (dbank == u"5A" ? Text(u"FF") : dbank) : Text(u"5A"));
    }
    if (m_row->ccmsramBox && id == IDC_OB_CCMSRAM_BOX) WriteField(kFieldCcmsramRst, on ? u"FF" : u"AB");
}

void COptionByteEditor::OnSpecialEditChange(const fw::NotifyInfo& info) {
    if (info.id == m_row->borLevEdit && m_row->borLevEdit != 0) OnBorLevChange();
    if (info.id == m_row->lvrEdit && m_row->lvrEdit != 0) OnLvrPowerChange();
}

void COptionByteEditor::OnBorLevChange() {
    const Text text = GetDlgItemText(m_row->borLevEdit);
    if (!IsHexText(text)) {
        Tell(ProjectMode() ? TranslateText(u"BOR_LEV输入的数据必须为十六进制的数据！")
                           : TranslateText(u"请输入十六进制数据！"));
        return;
    }
    const uint32_t value = HexToUInt32(text);
    if (!ProjectMode() && value > 7) {
        Tell(TranslateText(u"BOR_LEV输入范围是0～７"));
        return;
    }
    // The project editor takes the low three bits of whatever number was typed.
    WriteField(kFieldUser2, WithFieldBits(m_fields[kFieldUser2], 4, 3, value & 7));
}

void COptionByteEditor::OnLvrPowerChange() {
    const Text text = GetDlgItemText(m_row->lvrEdit);
    if (!IsHexText(text)) {
        Tell(TranslateText(u"LVR Power输入的数据必须为十六进制的数据！"));
        return;
    }
    const Text user3 = GetDlgItemText(IDC_OB2_USER3);
    WriteField(kFieldUser3, WithFieldBits(user3, 0, 4, HexToUInt32(text) & 0xF));
}

void COptionByteEditor::OnCbnSelchangeNrstSel() {
    const int entry = GetDlgItem(IDC_OB_NRST_SEL).GetCurSel();
    if (!m_row->userLists || entry < 0) return;
    WriteField(kFieldUser3, WithFieldBits(GetDlgItemText(IDC_OB_USER3), 0, 2, static_cast<unsigned>(entry)));
}

void COptionByteEditor::OnCbnSelchangeBorLvl() {
    const int entry = GetDlgItem(IDC_OB_BOR_LVL).GetCurSel();
    if (!m_row->userLists || entry < 0) return;
    WriteField(kFieldUser2, WithFieldBits(m_fields[kFieldUser2], 5, 3, static_cast<unsigned>(entry)));
}

OptionFieldTexts COptionByteEditor::FieldsWithEdits() {
    OptionFieldTexts fields = m_fields;
    for (const FieldEdit& edit : FieldEdits(m_kind)) {
        // A field the series has no place for keeps nothing: the edit of a hidden control stays out.
        if (GetDlgItem(edit.editId).IsWindowVisible())
            fields[FieldOfEdit(edit, m_series, ProjectMode())] = GetDlgItemText(edit.editId);
    }
    return fields;
}

void COptionByteEditor::RefreshLevelOneText() {
    // Turning level 1 on again restores the code last confirmed, as each confirm takes the RDP edit.
    m_fields[kFieldRdp] = GetDlgItemText(IDC_OB_RDP);
}

bool COptionByteEditor::CheckFields() {
    for (const FieldCheck& check : m_row->checks) {
        const Text text = GetDlgItemText(check.editId);
        const bool refused = check.empty ? text.empty() : !IsHexText(text);
        if (refused) {
            Tell(check.empty ? FieldEmptyMessage(check.name) : FieldNotHexMessage(check.name));
            return false;
        }
    }
    return true;
}

void COptionByteEditor::OnBnClickedOk() {
    if (ProjectMode()) {
        ConfirmProject();
    } else {
        ConfirmDevice();
    }
}

void COptionByteEditor::ConfirmDevice() {
    if (!m_wholeImage) {
        RefuseIncompleteRead(*m_owner, this);
        return;
    }
    const int operation = IsDlgButtonChecked(IDC_OB_RESET) ? 2 : 1;
    RefreshLevelOneText();
    if (!CheckFields()) return;
    // The edits go into a copy: after a refused or failed write the texts still hold what was read, which the
    // DBANK box gives back when it is ticked again.
    const std::vector<uint8_t> built = ImageFromFields(*m_layout, FieldsWithEdits());
    std::array<uint8_t, 64> image{};
    std::copy_n(built.begin(), std::min(built.size(), image.size()), image.begin());
    if (m_owner->ReadWriteOptionBytes(m_owner->m_hDevice, image, operation, 0xFF) !=
        CQXDownloadToolDlg::OptionTransfer::Done) {
        Tell(TranslateText(u"配置选项字节失败！"));
        return;
    }
    const InterfaceIndex iface = m_owner->m_interface;
    // Over the probes the chip stays away after its reset, and at 9600 baud the window does not look for it
    // again: there the new bytes take effect at the next reset. The first control set also counts I2C so.
    const bool selfReconnecting =
        iface != kIfaceSwdJlink && iface != kIfaceSwdCmsisDap && (m_kind == EditorKind::Second || iface != kIfaceI2c);
    if (operation == 2 && selfReconnecting && m_owner->m_baudRate != 9600) {
        const Text text = TranslateText(u"配置选项字节成功，设备稍后会重新连接！");
        Tell(text);
        m_owner->AppendLog(text, kLogGreen);
    } else {
        const Text text = TranslateText(u"配置选项字节成功，复位后生效！");
        Tell(text);
        m_owner->AppendLog(text, kLogBlack);
    }
    EndDialog(fw::IDOK);
}

void COptionByteEditor::ConfirmProject() {
    if (!m_editable) {
        EndDialog(fw::IDOK);
        return;
    }
    RefreshLevelOneText();
    if (!CheckFields()) return;
    if (m_projectText) *m_projectText = ProjectTextFromFields(*m_layout, FieldsWithEdits());
    Tell(TranslateText(u"选项字节确认OK！"));
    EndDialog(fw::IDOK);
}
