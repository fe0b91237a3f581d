#include "tools/SetExtFlashKeyDlg.h"

#include "core/HexText.h"
#include "core/TextMatching.h"
#include "core/Translation.h"
#include "resources/ui/set_ext_flash_key.h"

const fw::MessageMap<CSetExtFlashKeyDlg> CSetExtFlashKeyDlg::kMessages{
    fw::OnClick(IDC_EXT_FLASH_KEY_OK, &CSetExtFlashKeyDlg::OnBnClickedOk),
};

CSetExtFlashKeyDlg::CSetExtFlashKeyDlg(fw::Window* owner) : fw::Dialog(IDD_SET_EXT_FLASH_KEY, owner) {}

void CSetExtFlashKeyDlg::DoDataExchange(fw::DataExchange& dx) { dx.Text(IDC_EXT_FLASH_KEY_EDIT, m_edit); }

void CSetExtFlashKeyDlg::OnBnClickedOk() {
    UpdateData(true);
    fw::Text key = WithoutBlanks(m_edit);
    if (key.empty()) {
        m_msgBox.MessageBox(this, TranslateText(u"外设FLASH加密密钥不能为空！"), fw::MB_OK);
        return;
    }
    if (key.starts_with(u"0x")) key.erase(0, 2);
    if (key.size() != 32) {
        m_msgBox.MessageBox(this, TranslateText(u"外设FLASH加密密钥长度必须为16字节！"), fw::MB_OK);
        return;
    }
    if (!IsHexText(key)) {
        m_msgBox.MessageBox(this, TranslateText(u"外设FLASH加密密钥必须为十六进制字符！"), fw::MB_OK);
        return;
    }
    m_keyText = key;
    EndDialog(fw::IDOK);
}
