#include "tools/EnFileDlg.h"

#include "core/FileFilters.h"
#include "core/FileServices.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "tools/EncFileOutput.h"
#include "tools/EncFiles.h"
#include "tools/McuSelectDlg.h"
#include "tools/ToolMessage.h"

using namespace fw;

const MessageMap<CEnFileDlg> CEnFileDlg::kMessages{
    fw::OnClick(IDC_ENCPAGE_BROWSE, &CEnFileDlg::OnBnClickedBrowse),
    fw::OnClick(IDC_ENCPAGE_MAKE, &CEnFileDlg::OnBnClickedOk),
};

bool CEnFileDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    SetDlgItemText(IDC_ENCPAGE_KEY, m_initialKeyText);
    return true;
}

void CEnFileDlg::OnBnClickedBrowse() {
    EncSourceFile source;
    if (!ChooseEncSource(this, BinFilesEntry() + HexFilesEntry() + u"|", source)) return;
    m_filePath = source.path;
    m_fileName = source.name;
    m_fileExt = source.extension;
    SetDlgItemText(IDC_ENCPAGE_SOURCE_PATH, m_filePath);
}

void CEnFileDlg::OnBnClickedOk() {
    std::vector<uint8_t> plaintext;
    if (!ReadEncSource(this, {m_filePath, m_fileName, m_fileExt}, plaintext)) return;
    uint32_t pageSize = 0;
    if (DigestHeaderNeedsPageSize(plaintext.size())) {
        const std::optional<uint32_t> chosen = m_choosePageSize ? m_choosePageSize(this) : ChoosePageSize(this);
        if (!chosen) return;
        // The CRC block is read as 32-bit words: a page of no words, or a part word, gives a CRC nobody checks.
        if (!PageSizeUsable(*chosen)) {
            ShowToolMessage(this, TranslateText(u"所选型号的页大小不正确！"));
            return;
        }
        pageSize = *chosen;
    }
    const Text keyText = GetDlgItemText(IDC_ENCPAGE_KEY);
    switch (CheckKeyText(keyText)) {
        case KeyTextCheck::Empty:
            ShowToolMessage(this, TranslateText(u"无可用密钥"));
            return;
        case KeyTextCheck::NotHex:
            ShowToolMessage(this, TranslateText(u"密钥必须是十六进制字符！"));
            return;
        case KeyTextCheck::WrongLength:
            ShowToolMessage(this, TranslateText(u"密钥长度必须是16字节！"));
            return;
        case KeyTextCheck::Ok:
            break;
    }
    if (!WriteEncryptedFile(MakeDigestHeaderEncFile(plaintext, *KeyFromText(keyText), pageSize))) return;
    SetDlgItemText(IDC_ENCPAGE_OUTPUT_PATH, m_outputPath);
    ShowToolMessage(this, TranslateText(u"加密文件制作完成"));
}

bool CEnFileDlg::WriteEncryptedFile(const std::vector<uint8_t>& bytes) {
    return WriteEncFile(this, GetCurrentDir(), m_fileName, bytes, m_outputPath);
}
