#include "tools/MakeSecurityFirmwareDlg.h"

#include "core/FileFilters.h"
#include "core/FileServices.h"
#include "core/HexText.h"
#include "core/IntelHex.h"
#include "core/TextMatching.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Files.h"
#include "optionbytes/SecurityOptionDlg.h"
#include "tools/ToolMessage.h"

using namespace fw;

const MessageMap<CMakeSecurityFirmwareDlg> CMakeSecurityFirmwareDlg::kMessages{
    fw::OnClick(IDC_SECFW_PROGRAM_BROWSE, &CMakeSecurityFirmwareDlg::OnBnClickedBrowseProgram),
    fw::OnClick(IDC_SECFW_BUILD, &CMakeSecurityFirmwareDlg::OnBnClickedOk),
    fw::OnClick(IDC_SECFW_KEY_BROWSE, &CMakeSecurityFirmwareDlg::OnBnClickedBrowseKey),
    fw::OnClick(IDC_SECFW_SAVE_BROWSE, &CMakeSecurityFirmwareDlg::OnBnClickedBrowseSavePath),
    fw::OnClick(IDC_SECFW_NONCE_BROWSE, &CMakeSecurityFirmwareDlg::OnBnClickedBrowseNonce),
    fw::OnClick(IDC_SECFW_OPTION_BYTES, &CMakeSecurityFirmwareDlg::OnBnClickedOptionBytes),
};

bool CMakeSecurityFirmwareDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    if (m_settings.kind == 1) {
        SetWindowText(TranslateText(u"生成安全模块"));
        for (int id : {IDC_SECFW_BINDING_LABEL, IDC_SECFW_BINDING, IDC_SECFW_OPTION_BYTES}) {
            GetDlgItem(id).ShowWindow(SW_HIDE);
        }
    } else {
        Control binding = GetDlgItem(IDC_SECFW_BINDING);
        binding.AddString(TranslateText(u"加密不绑定"));
        binding.AddString(TranslateText(u"加密绑定"));
        binding.SetCurSel(0);
    }
    SetDlgItemText(IDC_SECFW_START_ADDRESS, u"15000000");
    m_defaultFolder = JoinPath(m_settings.workDir, u"Firmware");
    if (!FolderExists(m_defaultFolder)) CreateFolders(m_defaultFolder);
    return true;
}

void CMakeSecurityFirmwareDlg::OnBnClickedOptionBytes() {
    if (!IsDlgButtonChecked(IDC_SECFW_OPTION_BYTES)) return;  // a build ignores the kept text while unticked
    CWriteByteDlg4 editor(nullptr, SecurityOptionMode::File);
    editor.m_flashAreaLimit = m_settings.flashAreaLimit;
    editor.m_cryptionIndex = GetDlgItem(IDC_SECFW_BINDING).GetCurSel();
    if (editor.DoModal() == IDOK) m_optionText = editor.m_itemText;
}

void CMakeSecurityFirmwareDlg::OnBnClickedBrowseProgram() {
    FileDialog dialog(true, {}, {}, OFN_HIDEREADONLY, BinFilesEntry() + HexFilesEntry() + u"|", this);
    if (dialog.DoModal() != IDOK) return;
    m_programTitle = dialog.GetFileTitle();
    SetDlgItemText(IDC_SECFW_PROGRAM_PATH, dialog.GetPathName());
}

void CMakeSecurityFirmwareDlg::OnBnClickedBrowseKey() {
    FileDialog dialog(true, {}, {}, OFN_HIDEREADONLY | OFN_NOCHANGEDIR, BinOrEncFilesEntry() + u"|", this);
    if (dialog.DoModal() == IDOK) SetDlgItemText(IDC_SECFW_KEY_PATH, dialog.GetPathName());
}

void CMakeSecurityFirmwareDlg::OnBnClickedBrowseNonce() {
    FileDialog dialog(true, {}, {}, OFN_HIDEREADONLY | OFN_NOCHANGEDIR, BinOrEncFilesEntry() + u"|", this);
    if (dialog.DoModal() == IDOK) SetDlgItemText(IDC_SECFW_NONCE_PATH, dialog.GetPathName());
}

void CMakeSecurityFirmwareDlg::OnBnClickedBrowseSavePath() {
    m_saveFolder = BrowseForFolder(this, {}).value_or(Text());
    SetDlgItemText(IDC_SECFW_SAVE_PATH, m_saveFolder);
}

void CMakeSecurityFirmwareDlg::OnBnClickedOk() {
    const bool module = m_settings.kind == 1;
    if (BuildSecurityImages() == 1) {
        ShowToolMessage(this, module ? TranslateText(u"生成安全模块成功！") : TranslateText(u"生成安全固件成功！"));
    } else {
        ShowToolMessage(this, module ? TranslateText(u"生成安全模块失败！") : TranslateText(u"生成安全固件失败！"));
    }
}

bool CMakeSecurityFirmwareDlg::Refuse(const Text& message) {
    ShowToolMessage(this, message);
    return false;
}

bool CMakeSecurityFirmwareDlg::ReadProgram(std::vector<uint8_t>& program) {
    const Text path = GetDlgItemText(IDC_SECFW_PROGRAM_PATH);
    if (path.empty()) return Refuse(TranslateText(u"请先选择程序文件！"));
    if (EndsWithNoCase(path, u"hex")) {
        // One run only: a second run has no place in an image that the start address alone positions.
        HexSegment segment;
        if (ReadHexSegments(path, std::span(&segment, 1)) == 0) return Refuse(TranslateText(u"加载程序文件失败！"));
        program = std::move(segment.data);
        program.resize((program.size() + 15) / 16 * 16, 0);
        return true;
    }
    uint32_t size = 0;
    // An empty file would make an empty image that reports success.
    if (!ReadFileToBuffer(program, size, path, true) || size == 0) return Refuse(TranslateText(u"加载程序文件失败！"));
    program.resize(size);
    return true;
}

bool CMakeSecurityFirmwareDlg::ReadKeys(SecurityInputs& inputs) {
    const Text noncePath = GetDlgItemText(IDC_SECFW_NONCE_PATH);
    if (noncePath.empty()) return Refuse(TranslateText(u"请先选择nonce文件！"));
    std::vector<uint8_t> bytes;
    uint32_t size = 0;
    if (!ReadFileToBuffer(bytes, size, noncePath, false)) return Refuse(TranslateText(u"加载nonce文件失败！"));
    const std::optional<Key16> nonce = ReadNonceFile(bytes, EndsWithNoCase(noncePath, u"enc"), m_settings.builtinKey);
    if (!nonce) return Refuse(TranslateText(u"nonce长度不正确！"));

    const Text keyPath = GetDlgItemText(IDC_SECFW_KEY_PATH);
    if (keyPath.empty()) return Refuse(TranslateText(u"请先选择密钥文件！"));
    if (!ReadFileToBuffer(bytes, size, keyPath, false)) return Refuse(TranslateText(u"加载密钥文件失败！"));
    const std::optional<RekIdKey> keys =
        ReadRekIdKeyFile(bytes, EndsWithNoCase(keyPath, u"enc"), m_settings.builtinKey);
    if (!keys) return Refuse(TranslateText(u"密钥长度不正确！"));
    inputs = {*nonce, keys->rek, keys->idKey};
    return true;
}

Text CMakeSecurityFirmwareDlg::OutputPath(TextView kindName, TextView addressText) const {
    const Text folder = m_saveFolder.empty() ? m_defaultFolder : m_saveFolder;
    return JoinPath(folder, m_programTitle + Text(kindName) + u"(0x" + Text(addressText) + u").bin");
}

int CMakeSecurityFirmwareDlg::BuildSecurityImages() {
    const bool module = m_settings.kind == 1;
    const bool bound = !module && GetDlgItem(IDC_SECFW_BINDING).GetCurSel() == 1;

    const Text addressText = GetDlgItemText(IDC_SECFW_START_ADDRESS);
    if (addressText.empty()) return Refuse(TranslateText(u"请输入下载起始地址！"));
    // The text also names the files, so it must be the number it claims to be.
    const int64_t address = static_cast<int32_t>(HexToInt(addressText));
    if (!IsHexText(addressText) || addressText.size() > 8 || address < 0x15000000 ||
        address > static_cast<int64_t>(m_settings.flashAreaLimit)) {
        return Refuse(TranslateText(u"下载地址不正确！"));
    }
    const uint32_t start = static_cast<uint32_t>(address);

    std::vector<uint8_t> program;
    if (!ReadProgram(program)) return 0;
    SecurityInputs inputs;
    if (!ReadKeys(inputs)) return 0;

    if (module) {
        BuildSecurityModuleImage(program, inputs.rek, inputs.nonce, start);
        const Text path = OutputPath(u"_Module", addressText);
        if (!WriteBufferToFile(path, program)) return 0;
        SetDlgItemText(IDC_SECFW_SAVE_PATH, path);
        return 1;
    }

    std::vector<uint8_t> options;
    if (IsDlgButtonChecked(IDC_SECFW_OPTION_BYTES) && !m_optionText.empty()) {
        options.resize(m_optionText.size() / 2);
        HexToBytes(m_optionText, options.data(), options.size());
    }
    const std::optional<std::vector<uint8_t>> pack =
        EncodeSecurityInfoPack(inputs, bound, options, m_settings.builtinKey);
    if (!pack) return Refuse(TranslateText(u"选项字节太长，安全信息包最多容纳73字节！"));

    switch (
        BuildSecurityFirmwareImage(program, inputs, start, bound, m_settings.flashAreaLimit, m_settings.builtinKey)) {
        case FirmwareImageResult::NoSecurityHeader:
            return Refuse(TranslateText(u"程序文件不包含安全配置信息,不合法！"));
        case FirmwareImageResult::ExecutionAddressOutOfRange:
            return Refuse(TranslateText(u"M7固件程序执行地址超出范围！"));
        case FirmwareImageResult::Ok:
            break;
    }
    // The package verifies only the image it was made with: a new image beside an old package would not load.
    const Text imagePath = OutputPath(u"_Firmware", addressText);
    const Text packPath = OutputPath(u"_InfoPack", addressText);
    if (!WriteBuffersToFiles(std::array{FileToWrite{imagePath, program}, FileToWrite{packPath, *pack}})) return 0;
    SetDlgItemText(IDC_SECFW_SAVE_PATH, imagePath);
    return 1;
}
