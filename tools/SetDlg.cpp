#include "tools/SetDlg.h"

#include <algorithm>
#include <array>

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "core/FileFilters.h"
#include "core/FileServices.h"
#include "core/TextMatching.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "resources/ui/set_key.h"
#include "tools/JtagKeyBlocks.h"

using fw::Text;

namespace {

constexpr uint8_t kJtagKeyKind = 2;
constexpr uint32_t kBrowseFlags = fw::OFN_HIDEREADONLY | fw::OFN_NOCHANGEDIR;

struct UseTexts {
    Text caption, success, failure;
};
UseTexts TextsOf(uint8_t use) {
    switch (use) {
        case kSetSecureMode:
            return {TranslateText(u"设置安全模式"), TranslateText(u"设置安全模式成功！"),
                    TranslateText(u"设置安全模式失败！")};
        case kSetJtagMode:
            return {TranslateText(u"设置JTAG模式"), TranslateText(u"设置JTAG模式成功！"),
                    TranslateText(u"设置JTAG模式失败！")};
        default:
            return {TranslateText(u"设置JTAG密钥"), TranslateText(u"设置JTAGKey密钥成功！"),
                    TranslateText(u"设置JTAGKey密钥失败！")};
    }
}

}  // namespace

const fw::MessageMap<CSetDlg> CSetDlg::kMessages{
    fw::OnClick(IDC_SET_KEY_OK, &CSetDlg::OnBnClickedOk),
    fw::OnClick(IDC_SET_KEY_BROWSE, &CSetDlg::OnBnClickedBrowseOldKey),
    fw::OnClick(IDC_SET_KEY_DEFAULT, &CSetDlg::OnBnClickedFirstModify),
};

CSetDlg::CSetDlg(CQXDownloadToolDlg* owner) : fw::Dialog(IDD_SET_KEY, owner), m_owner(owner) {}

void CSetDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Control(IDC_SET_KEY_MODE, m_modeList);
    dx.Control(IDC_SET_KEY_MODE_LABEL, m_modeLabel);
    dx.Control(IDC_SET_KEY_KEY_LABEL, m_keyLabel);
    dx.Control(IDC_SET_KEY_PATH, m_pathEdit);
    dx.Control(IDC_SET_KEY_BROWSE, m_browseButton);
    dx.Control(IDC_SET_KEY_DEFAULT, m_defaultKeyBox);
}

bool CSetDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    m_keyBlock.fill(0);
    const uint8_t use = m_owner->m_setKeyMode;
    SetWindowText(TextsOf(use).caption);
    const auto show = [](fw::Control& c, bool visible) { c.ShowWindow(visible ? fw::SW_SHOW : fw::SW_HIDE); };
    if (use == kSetSecureMode) {
        m_modeLabel.SetWindowText(TranslateText(u"安全模式："));
        m_modeList.AddString(u"ROOT MODE");
        m_modeList.AddString(u"USER MODE");
    } else if (use == kSetJtagMode) {
        m_modeLabel.SetWindowText(TranslateText(u"JTAG模式："));
        m_modeList.AddString(TranslateText(u"不使能"));
        m_modeList.AddString(TranslateText(u"使能"));
        m_defaultKeyBox.SetWindowText(TranslateText(u"使用默认密钥"));
    } else {
        show(m_modeLabel, false);
        show(m_modeList, false);
    }
    const bool keyRow = use != kSetSecureMode;
    if (keyRow) m_keyLabel.SetWindowText(TranslateText(u"密钥："));
    for (fw::Control* c : {&m_keyLabel, &m_pathEdit, &m_browseButton})
        show(*c, keyRow);
    show(m_defaultKeyBox, use == kSetJtagMode);
    m_modeList.SetCurSel(0);
    return true;
}

void CSetDlg::Box(const Text& text) { m_msgBox.MessageBox(this, text, fw::MB_OK); }

void CSetDlg::OnBnClickedBrowseOldKey() {
    fw::FileDialog dialog(true, {}, {}, kBrowseFlags, BinOrEncFilesEntry() + u"|", this);
    if (dialog.DoModal() != fw::IDOK) return;
    const Text path = dialog.GetPathName();
    if (!path.empty()) m_pathEdit.SetWindowText(path);
}

void CSetDlg::OnBnClickedFirstModify() {
    const bool ownKey = m_defaultKeyBox.GetCheck() == 0;
    m_pathEdit.EnableWindow(ownKey);
    m_browseButton.EnableWindow(ownKey);
}

bool CSetDlg::ReadKeyFile(const Text& path) {
    if (path.empty()) return true;
    std::vector<uint8_t> data;
    uint32_t size = 0;
    if (!ReadFileToBuffer(data, size, path, false)) {
        Box(TranslateText(u"读取文件失败！"));
        return false;
    }
    const std::span<const uint8_t> file(data.data(), std::min<size_t>(size, data.size()));
    const bool enciphered = EndsWithNoCase(path, u"enc");
    Key16 builtinKey{};
    std::copy(m_owner->m_builtinKey.begin(), m_owner->m_builtinKey.end(), builtinKey.begin());
    // Built afresh from the file on every attempt: a retry after a failure sends what the first attempt sent.
    const std::optional<Key16> block = m_owner->m_setKeyMode == kSetJtagMode
                                           ? JtagModeKeyBlock(file, enciphered, builtinKey)
                                           : JtagKeyBlock(file, enciphered, builtinKey);
    if (!block) {
        Box(TranslateText(u"文件长度不正确！"));
        return false;
    }
    m_keyBlock = *block;
    return true;
}

void CSetDlg::OnBnClickedOk() {
    CQXDownloadToolDlg& w = *m_owner;
    const uint8_t use = w.m_setKeyMode;
    m_choice = static_cast<uint8_t>(std::max(0, m_modeList.GetCurSel()));
    if (use == kSetJtagMode || use == kSetJtagKey) {
        const bool defaultKey = use == kSetJtagMode && m_defaultKeyBox.GetCheck() != 0;
        if (defaultKey) {
            Key16 builtinKey{};
            std::copy(w.m_builtinKey.begin(), w.m_builtinKey.end(), builtinKey.begin());
            m_keyBlock = DefaultJtagModeKeyBlock(builtinKey);
        } else {
            const Text path = m_pathEdit.GetWindowText();
            if (path.empty()) return Box(TranslateText(u"请选择密钥文件！"));
            if (!ReadKeyFile(path)) return;
        }
    }

    StatusCode status = CMD_STATUS_OK;
    if (use == kSetSecureMode) {
        std::array<uint8_t, 32> token{};
        status = w.MakeSecureModeToken(token.data());
        if (status != CMD_STATUS_OK) {
            Box(TranslateText(u"获取认证码失败！"));
            ReportStatus(w, status, TranslateText(u"获取认证码失败！"));
            return;
        }
        status = OV_CMD_SET_SECURE_MODE(w.m_hDevice, m_choice, token.data());
    } else if (use == kSetJtagMode) {
        status =
            OV_CMD_SET_JTAG_MODE(w.m_hDevice, m_choice, m_keyBlock.data(), static_cast<uint32_t>(m_keyBlock.size()));
    } else {
        status = OV_CMD_SET_KEY(w.m_hDevice, kJtagKeyKind, m_keyBlock.data(), static_cast<uint32_t>(m_keyBlock.size()));
    }
    const UseTexts texts = TextsOf(use);
    if (status != CMD_STATUS_OK) {
        Box(texts.failure);
        ReportStatus(w, status, texts.failure);
        return;
    }
    w.AppendLog(texts.success, kLogGreen);
    EndDialog(fw::IDOK);
}
