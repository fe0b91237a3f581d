#include "optionbytes/SelectBlockDlg.h"

#include "core/HexText.h"
#include "optionbytes/SecurityOptionDlg.h"

using fw::Text;

namespace {

constexpr int kBlockBoxes[32] = {0,
                                 IDC_SB_BLOCK1,
                                 IDC_SB_BLOCK2,
                                 IDC_SB_BLOCK3,
                                 IDC_SB_BLOCK4,
                                 IDC_SB_BLOCK5,
                                 IDC_SB_BLOCK6,
                                 IDC_SB_BLOCK7,
                                 IDC_SB_BLOCK8,
                                 IDC_SB_BLOCK9,
                                 IDC_SB_BLOCK10,
                                 IDC_SB_BLOCK11,
                                 IDC_SB_BLOCK12,
                                 IDC_SB_BLOCK13,
                                 IDC_SB_BLOCK14,
                                 IDC_SB_BLOCK15,
                                 IDC_SB_BLOCK16,
                                 IDC_SB_BLOCK17,
                                 IDC_SB_BLOCK18,
                                 IDC_SB_BLOCK19,
                                 IDC_SB_BLOCK20,
                                 IDC_SB_BLOCK21,
                                 IDC_SB_BLOCK22,
                                 IDC_SB_BLOCK23,
                                 IDC_SB_BLOCK24,
                                 IDC_SB_BLOCK25,
                                 IDC_SB_BLOCK26,
                                 IDC_SB_BLOCK27,
                                 IDC_SB_BLOCK28,
                                 IDC_SB_BLOCK29,
                                 IDC_SB_BLOCK30,
                                 IDC_SB_BLOCK31};

Text PadLeft(Text text, size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), u'0');
    return text;
}

}  // namespace

const fw::MessageMap<SelectBlockDlg> SelectBlockDlg::kMessages{
    fw::OnClick(IDC_SB_ALL, &SelectBlockDlg::OnBnClickedAllSelect),
    fw::OnClick(IDC_SB_OK, &SelectBlockDlg::OnBnClickedOk),
};

SelectBlockDlg::SelectBlockDlg(CWriteByteDlg4* parent, int flashKB)
    : fw::Dialog(IDD_SELECT_BLOCK), m_pParent(parent), m_flashKB(flashKB) {}

bool SelectBlockDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    // The word is active low: a 0 bit protects its block. A short text counts as a number, its missing leading
    // digits as 0 bits.
    m_bitText = PadLeft(HexToBinaryText(m_pParent->m_wrpText), 32);
    if (m_bitText.size() > 32) m_bitText.erase(0, m_bitText.size() - 32);
    for (int n = 1; n <= 31; ++n) {
        const bool shown = n <= LastBox();
        CheckDlgButton(kBlockBoxes[n], shown && m_bitText[31 - n] == u'0' ? 1 : 0);
        GetDlgItem(kBlockBoxes[n]).EnableWindow(shown);
    }
    return true;
}

void SelectBlockDlg::OnBnClickedAllSelect() {
    const bool all = IsDlgButtonChecked(IDC_SB_ALL) != 0;
    for (int n = 1; n <= LastBox(); ++n)
        CheckDlgButton(kBlockBoxes[n], all ? 1 : 0);
}

void SelectBlockDlg::OnBnClickedOk() {
    // Bits above the boxes shown keep what they were; bit 0 protects nothing and is always written 0.
    Text bits = m_bitText.substr(0, static_cast<size_t>(31 - LastBox()));
    for (int n = LastBox(); n >= 1; --n)
        bits.push_back(IsDlgButtonChecked(kBlockBoxes[n]) ? u'0' : u'1');
    bits.push_back(u'0');
    m_pParent->m_wrpText = PadLeft(BinaryTextToHex(bits), 8);
    EndDialog(fw::IDOK);
}
