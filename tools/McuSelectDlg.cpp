#include "tools/McuSelectDlg.h"

#include <algorithm>

#include "core/HexText.h"
#include "core/Translation.h"
#include "tools/ToolMessage.h"

using namespace fw;

const MessageMap<CMCUSelectDlg> CMCUSelectDlg::kMessages{
    fw::OnSelChange(IDC_MCUSEL_CLASS, &CMCUSelectDlg::OnCbnSelchangeMcuClass),
    fw::OnClick(IDC_MCUSEL_OK, &CMCUSelectDlg::OnBnClickedOk),
};

bool CMCUSelectDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    GetDlgItem(IDC_MCUSEL_MODEL).ResetContent();
    m_table.Load();
    Control classes = GetDlgItem(IDC_MCUSEL_CLASS);
    std::vector<Text> listed;
    for (const ChipSeriesRow& row : m_table.m_rows) {
        if (row.CLASS.empty() || std::find(listed.begin(), listed.end(), row.CLASS) != listed.end()) continue;
        listed.push_back(row.CLASS);
        classes.AddString(row.CLASS);
    }
    return true;
}

void CMCUSelectDlg::OnCbnSelchangeMcuClass() {
    const Text chipClass = GetDlgItemText(IDC_MCUSEL_CLASS);
    Control models = GetDlgItem(IDC_MCUSEL_MODEL);
    models.ResetContent();
    for (int i = 0; i < m_table.m_rowCount; ++i) {
        if (m_table.m_rows[i].CLASS == chipClass) models.AddString(m_table.m_rows[i].CHIPMARK);
    }
    models.SetCurSel(0);
}

void CMCUSelectDlg::OnBnClickedOk() {
    if (GetDlgItem(IDC_MCUSEL_CLASS).GetCurSel() < 0) {
        ShowToolMessage(this, TranslateText(u"请先选择MCU类型！"));
        return;
    }
    if (GetDlgItem(IDC_MCUSEL_MODEL).GetCurSel() < 0) {
        ShowToolMessage(this, TranslateText(u"请先选择MCU型号！"));
        return;
    }
    if (GetDlgItemText(IDC_MCUSEL_CLASS).empty()) {
        ShowToolMessage(this, TranslateText(u"MCU类型不能为空！"));
        return;
    }
    const Text model = GetDlgItemText(IDC_MCUSEL_MODEL);
    if (model.empty()) {
        ShowToolMessage(this, TranslateText(u"MCU型号不能为空！"));
        return;
    }
    int row = 0;
    for (int i = 0; i < m_table.m_rowCount; ++i) {
        if (m_table.m_rows[i].CHIPMARK == model) {
            row = i;
            break;
        }
    }
    m_pageSize = static_cast<uint32_t>(HexToInt(m_table.m_rows[row].PAGESIZE));
    EndDialog(IDOK);
}

std::optional<uint32_t> ChoosePageSize(Window* owner) {
    CMCUSelectDlg chooser(owner);
    if (chooser.DoModal() != IDOK) return std::nullopt;
    return chooser.m_pageSize;
}
