#include "tools/CreateKeyDlg.h"

#include <array>
#include <cwctype>

#include "core/FileServices.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Files.h"
#include "framework/Format.h"
#include "tools/ToolMessage.h"

using namespace fw;

namespace {

// The count as a decimal number: leading blanks skipped, digits up to the first other character; a text without
// digits is 0.
int ReadCount(TextView text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > 1000000) break;  // far beyond any batch; stops the number from wrapping
    }
    return static_cast<int>(value);
}

Text KeyFilePath(TextView folder, TextView stem, int n, bool enciphered) {
    return JoinPath(folder, Format(u"%s%d", Text(stem), n) + (enciphered ? u".enc" : u".bin"));
}

}  // namespace

const MessageMap<CCreateKeyDlg> CCreateKeyDlg::kMessages{
    fw::OnClick(IDC_CREATEKEY_CREATE, &CCreateKeyDlg::OnBnClickedCreateKey),
    fw::OnClick(IDC_CREATEKEY_REK_BROWSE, &CCreateKeyDlg::OnBnClickedBrowseKeyFolder),
    fw::OnClick(IDC_CREATEKEY_JTAG_BROWSE, &CCreateKeyDlg::OnBnClickedBrowseJtagKeyFolder),
};

bool CCreateKeyDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    CheckDlgButton(IDC_CREATEKEY_REK_KIND, 1);
    CheckDlgButton(IDC_CREATEKEY_JTAG_KIND, 1);
    SetDlgItemText(IDC_CREATEKEY_REK_COUNT, u"1");
    SetDlgItemText(IDC_CREATEKEY_JTAG_COUNT, u"1");
    m_generateRandom = m_bindRandom ? m_bindRandom() : nullptr;
    if (m_generateRandom == nullptr) return true;
    m_defaultFolder = JoinPath(GetCurrentDir(), u"Key");
    if (!FolderExists(m_defaultFolder)) CreateFolders(m_defaultFolder);
    return true;
}

void CCreateKeyDlg::OnBnClickedBrowseKeyFolder() {
    m_rekFolder = BrowseForFolder(this, {}).value_or(Text());
    SetDlgItemText(IDC_CREATEKEY_REK_FOLDER, m_rekFolder);
}

void CCreateKeyDlg::OnBnClickedBrowseJtagKeyFolder() {
    m_jtagFolder = BrowseForFolder(this, {}).value_or(Text());
    SetDlgItemText(IDC_CREATEKEY_JTAG_FOLDER, m_jtagFolder);
}

bool CCreateKeyDlg::Draw(uint8_t* out, unsigned length) {
    // A draw that failed leaves no random bytes: writing the buffer would make a key file of known bytes.
    if (m_generateRandom(out, length) == 0) return true;
    ShowToolMessage(this, TranslateText(u"生成随机数失败！"));
    return false;
}

bool CCreateKeyDlg::MakeRekIdKeys(int count, bool enciphered, int& failures) {
    const Text folder = m_rekFolder.empty() ? m_defaultFolder : m_rekFolder;
    for (int n = 1; n <= count; ++n) {
        std::array<uint8_t, kKeyDrawBytes> draw{};
        if (!Draw(draw.data(), draw.size())) return false;
        const RekIdKeyFiles files = MakeRekIdKeyFiles(draw, enciphered, m_builtinKey);
        const Text keyPath = KeyFilePath(folder, u"REK_IDKey_", n, enciphered);
        const Text noncePath = KeyFilePath(folder, u"Nonce_", n, enciphered);
        // A key is used with the nonce of its own draw: both files change, or neither does.
        if (!WriteBuffersToFiles(std::array{FileToWrite{keyPath, files.rekIdKey}, FileToWrite{noncePath, files.nonce}}))
            ++failures;
    }
    if (m_rekFolder.empty()) SetDlgItemText(IDC_CREATEKEY_REK_FOLDER, m_defaultFolder);
    return true;
}

bool CCreateKeyDlg::MakeJtagKeys(int count, bool enciphered, int& failures) {
    const Text folder = m_jtagFolder.empty() ? m_defaultFolder : m_jtagFolder;
    for (int n = 1; n <= count; ++n) {
        std::array<uint8_t, 4> key{};
        if (!Draw(key.data(), key.size())) return false;
        if (!WriteBufferToFile(KeyFilePath(folder, u"JTAG_Key_", n, enciphered),
                               MakeJtagKeyFile(key, enciphered, m_builtinKey))) {
            ++failures;
        }
    }
    if (m_jtagFolder.empty()) SetDlgItemText(IDC_CREATEKEY_JTAG_FOLDER, m_defaultFolder);
    return true;
}

void CCreateKeyDlg::OnBnClickedCreateKey() {
    const bool rek = IsDlgButtonChecked(IDC_CREATEKEY_REK_KIND) != 0;
    const bool jtag = IsDlgButtonChecked(IDC_CREATEKEY_JTAG_KIND) != 0;
    if (!rek && !jtag) {
        ShowToolMessage(this, TranslateText(u"请选择需要创建的密钥类型！"));
        return;
    }
    if (m_generateRandom == nullptr) {
        ShowToolMessage(this, TranslateText(u"随机数库加载失败，无法生成密钥！"));
        return;
    }
    const bool enciphered = IsDlgButtonChecked(IDC_CREATEKEY_ENCIPHER) != 0;
    int failures = 0;
    if (rek) {
        const Text count = GetDlgItemText(IDC_CREATEKEY_REK_COUNT);
        if (count.empty()) {
            ShowToolMessage(this, TranslateText(u"请输入需要创建的密钥数量！"));
            return;
        }
        if (!MakeRekIdKeys(ReadCount(count), enciphered, failures)) return;
    }
    if (jtag) {
        const Text count = GetDlgItemText(IDC_CREATEKEY_JTAG_COUNT);
        if (count.empty()) {
            ShowToolMessage(this, TranslateText(u"请输入需要创建的密钥数量！"));
            return;
        }
        if (!MakeJtagKeys(ReadCount(count), enciphered, failures)) return;
    }
    ShowToolMessage(this, failures == 0 ? TranslateText(u"生成密钥成功！") : TranslateText(u"生成密钥失败！"));
}
