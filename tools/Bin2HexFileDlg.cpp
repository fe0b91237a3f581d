#include "tools/Bin2HexFileDlg.h"

#include <cstdlib>
#include <ctime>

#include "core/FileFilters.h"
#include "core/HexText.h"
#include "core/IntelHex.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Files.h"
#include "framework/MessageBox.h"
#include "tools/ToolMessage.h"

using namespace fw;

namespace {

constexpr uint32_t kFileDialogFlags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
constexpr uint64_t kMaxGeneratedBytes = 0xA00000;

// The path with its last four characters replaced.
Text WithEnding(TextView path, TextView ending) {
    return Text(path.substr(0, path.size() >= 4 ? path.size() - 4 : 0)) + Text(ending);
}

Text UpperEnding(TextView path) {
    Text tail(path.substr(path.size() >= 4 ? path.size() - 4 : 0));
    for (char16_t& c : tail) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    }
    return tail;
}

Text HexToBinMessage(int code) {
    switch (code) {
        case kHexOk:
            return TranslateText(u"Hex->Bin成功！");
        case kHexLineTooLong:
            return TranslateText(u"Hex->Bin失败:数据太长");
        case kHexLineTooShort:
            return TranslateText(u"Hex->Bin失败:数据太短");
        case kHexNoColon:
            return TranslateText(u"Hex->Bin失败:无标号");
        case kHexBadType:
            return TranslateText(u"Hex->Bin失败:类型出错，或许不存在");
        case kHexLengthMismatch:
            return TranslateText(u"Hex->Bin失败:数据长度字段和内容的总长度不对应");
        case kHexBadChecksum:
            return TranslateText(u"Hex->Bin失败:校验错误");
        case kHexCannotOpenInput:
            return TranslateText(u"Hex->Bin失败:HEX文件不存在");
        case kHexCannotCreateOutput:
            return TranslateText(u"Hex->Bin失败:BIN文件路径可能不正确");
        case kHexWriteFailed:
            return TranslateText(u"Hex->Bin失败:写数据出错");
        case kHexNoEndRecord:
            return TranslateText(u"Hex->Bin失败:hex文件没有结束符");
        case kHexAddressOutOfRange:
            return TranslateText(u"Hex->Bin失败:数据地址超出范围");
        default:
            return TranslateText(u"Hex->Bin失败:其他错误");
    }
}

// The decimal size typed; a value beyond the limit stays beyond it without wrapping.
uint64_t ReadSize(TextView text) {
    uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') break;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
        if (value > kMaxGeneratedBytes) return kMaxGeneratedBytes + 1;
    }
    return value;
}

}  // namespace

Text HexTargetWithAddress(TextView hexPath, TextView addressText) {
    size_t nameStart = hexPath.find_last_of(u"/\\");
    nameStart = nameStart == TextView::npos ? 0 : nameStart + 1;
    const Text folder(hexPath.substr(0, nameStart));
    const TextView name = hexPath.substr(nameStart);
    const size_t open = name.find(u'(');
    if (open != TextView::npos && name.find(u')') != TextView::npos) {
        return folder + Text(name.substr(0, open + 1)) + Text(addressText) + u").hex";
    }
    return WithEnding(hexPath, u"") + u"(" + Text(addressText) + u").hex";
}

const MessageMap<CBin2HexFileDlg> CBin2HexFileDlg::kMessages{
    fw::OnClick(IDC_B2H_SELECT_BIN, &CBin2HexFileDlg::OnBnClickedSelectBinFile),
    fw::OnClick(IDC_B2H_SELECT_HEX, &CBin2HexFileDlg::OnBnClickedSelectHexFile),
    fw::OnClick(IDC_B2H_BIN_TO_HEX, &CBin2HexFileDlg::OnBnClickedBinToHex),
    fw::OnClick(IDC_B2H_HEX_TO_BIN, &CBin2HexFileDlg::OnBnClickedHexToBin),
    fw::OnClick(IDC_B2H_SELECT_HEX1, &CBin2HexFileDlg::OnBnClickedSelectHexFile1),
    fw::OnClick(IDC_B2H_SELECT_HEX2, &CBin2HexFileDlg::OnBnClickedSelectHexFile2),
    fw::OnClick(IDC_B2H_SELECT_HEX3, &CBin2HexFileDlg::OnBnClickedSelectHexFile3),
    fw::OnClick(IDC_B2H_SELECT_MERGE_TARGET, &CBin2HexFileDlg::OnBnClickedSelectMergeTarget),
    fw::OnClick(IDC_B2H_MERGE, &CBin2HexFileDlg::OnBnClickedMergeFiles),
    fw::OnClick(IDC_B2H_GENERATE, &CBin2HexFileDlg::OnBnClickedGenerateBin),
    fw::OnClick(IDC_B2H_FIXED_BYTE, &CBin2HexFileDlg::OnBnClickedFixedByte),
    fw::OnClick(IDC_B2H_RANDOM_BYTE, &CBin2HexFileDlg::OnBnClickedRandomByte),
    fw::OnClick(IDC_B2H_SELECT_GENERATE_TARGET, &CBin2HexFileDlg::OnBnClickedSelectGenerateTarget),
};

bool CBin2HexFileDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    SetDlgItemText(IDC_B2H_START_ADDRESS, u"08000000");
    SetDlgItemText(IDC_B2H_SIZE, u"2048");
    SetDlgItemText(IDC_B2H_BYTE, u"FF");
    GetDlgItem(IDC_B2H_BYTE).SetLimitText(2);
    CheckDlgButton(IDC_B2H_FIXED_BYTE, 1);
    return true;
}

void CBin2HexFileDlg::Say(const Text& text) { ShowToolMessage(this, text); }

void CBin2HexFileDlg::OnBnClickedSelectBinFile() {
    FileDialog dialog(true, {}, {}, kFileDialogFlags, BinFilesEntry() + u"|", this);
    if (dialog.DoModal() != IDOK) return;
    SetDlgItemText(IDC_B2H_BIN_PATH, dialog.GetPathName());
    SetDlgItemText(IDC_B2H_HEX_PATH, WithEnding(dialog.GetPathName(), u".hex"));
}

void CBin2HexFileDlg::OnBnClickedSelectHexFile() {
    FileDialog dialog(true, {}, {}, kFileDialogFlags, HexFilesEntry() + u"|", this);
    if (dialog.DoModal() != IDOK) return;
    SetDlgItemText(IDC_B2H_HEX_PATH, dialog.GetPathName());
    SetDlgItemText(IDC_B2H_BIN_PATH, WithEnding(dialog.GetPathName(), u".bin"));
}

void CBin2HexFileDlg::SelectHexInto(int editId) {
    FileDialog dialog(true, {}, {}, kFileDialogFlags, HexFilesEntry() + u"|", this);
    if (dialog.DoModal() == IDOK) SetDlgItemText(editId, dialog.GetPathName());
}

void CBin2HexFileDlg::OnBnClickedSelectHexFile1() { SelectHexInto(IDC_B2H_HEX1_PATH); }
void CBin2HexFileDlg::OnBnClickedSelectHexFile2() { SelectHexInto(IDC_B2H_HEX2_PATH); }
void CBin2HexFileDlg::OnBnClickedSelectHexFile3() { SelectHexInto(IDC_B2H_HEX3_PATH); }

void CBin2HexFileDlg::SelectTarget(int editId, TextView filter, TextView extension) {
    FileDialog dialog(false, {}, {}, kFileDialogFlags, filter, this);
    if (dialog.DoModal() != IDOK) return;
    Text path = dialog.GetPathName();
    Text upper(extension);
    for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    }
    if (UpperEnding(path) != upper) path += Text(extension);
    if (FileExists(path) &&
        fw::MessageBox(this, TranslateText(u"覆盖选择的文件?"), TranslateText(u"提醒"), MB_OKCANCEL) != IDOK) {
        return;
    }
    SetDlgItemText(editId, path);
}

void CBin2HexFileDlg::OnBnClickedSelectMergeTarget() {
    SelectTarget(IDC_B2H_MERGE_TARGET, HexFilesEntry() + u"|", u".hex");
}

void CBin2HexFileDlg::OnBnClickedSelectGenerateTarget() {
    SelectTarget(IDC_B2H_GENERATE_TARGET, BinFilesEntry() + u"|", u".bin");
}

void CBin2HexFileDlg::OnBnClickedFixedByte() { GetDlgItem(IDC_B2H_BYTE).EnableWindow(true); }

void CBin2HexFileDlg::OnBnClickedRandomByte() { GetDlgItem(IDC_B2H_BYTE).EnableWindow(false); }

void CBin2HexFileDlg::OnBnClickedBinToHex() {
    const Text binPath = GetDlgItemText(IDC_B2H_BIN_PATH);
    if (binPath.empty()) return Say(TranslateText(u"bin 文件不能为空！"));
    const Text hexPath = GetDlgItemText(IDC_B2H_HEX_PATH);
    if (hexPath.empty()) return Say(TranslateText(u"hex 文件不能为空！"));
    Text address = GetDlgItemText(IDC_B2H_START_ADDRESS);
    if (address.empty()) return Say(TranslateText(u"起始地址不能为空！"));
    std::erase_if(address, [](char16_t c) { return c == u' ' || c == u'\t'; });
    if (address.substr(0, 2) == u"0x") address.erase(0, 2);
    if (address.empty() || !IsHexText(address)) return Say(TranslateText(u"起始地址必须是十六进制字符！"));
    // More digits would be cut to 32 bits silently and put the data somewhere else than typed.
    if (address.size() > 8) return Say(TranslateText(u"起始地址不能超过8位十六进制数！"));

    const Text target = HexTargetWithAddress(hexPath, address);
    SetDlgItemText(IDC_B2H_HEX_PATH, target);
    const int result = BinToHexFile(WideToAnsi(binPath), WideToAnsi(target), static_cast<uint32_t>(HexToInt(address)));
    Say(result == 0 ? TranslateText(u"Bin->Hex成功！") : TranslateText(u"Bin->Hex失败！"));
}

void CBin2HexFileDlg::OnBnClickedHexToBin() {
    const Text hexPath = GetDlgItemText(IDC_B2H_HEX_PATH);
    if (hexPath.empty()) return Say(TranslateText(u"hex 文件不能为空！"));
    const Text binPath = GetDlgItemText(IDC_B2H_BIN_PATH);
    if (binPath.empty()) return Say(TranslateText(u"bin 文件不能为空！"));
    Say(HexToBinMessage(HexToBinFile(WideToAnsi(hexPath), WideToAnsi(binPath))));
}

void CBin2HexFileDlg::OnBnClickedMergeFiles() {
    std::vector<std::string> paths;
    for (int id : {IDC_B2H_HEX1_PATH, IDC_B2H_HEX2_PATH, IDC_B2H_HEX3_PATH}) {
        const Text path = GetDlgItemText(id);
        if (!path.empty()) paths.push_back(WideToAnsi(path));
    }
    if (paths.empty()) return Say(TranslateText(u"请选择需要合并的文件！"));
    const Text target = GetDlgItemText(IDC_B2H_MERGE_TARGET);
    if (target.empty()) return Say(TranslateText(u"目标文件不能为空！"));
    const int result = MergeHexFiles(static_cast<uint32_t>(paths.size()), paths,
                                     WideToAnsi(WithEnding(target, u".bin")), WideToAnsi(target));
    Say(result == 0 ? TranslateText(u"合并成功！") : TranslateText(u"合并失败！"));
}

void CBin2HexFileDlg::OnBnClickedGenerateBin() {
    // Everything is checked before the target is touched, so a refused request leaves an existing file as it was.
    const Text target = GetDlgItemText(IDC_B2H_GENERATE_TARGET);
    if (target.empty()) return Say(TranslateText(u"bin 文件不能为空！"));
    const Text sizeText = GetDlgItemText(IDC_B2H_SIZE);
    if (sizeText.empty()) return Say(TranslateText(u"大小不能为空！"));
    const uint64_t size = ReadSize(sizeText);
    if (size > kMaxGeneratedBytes) return Say(TranslateText(u"大小不能大于10M！"));

    std::vector<uint8_t> bytes(size);
    if (IsDlgButtonChecked(IDC_B2H_RANDOM_BYTE)) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(std::rand() % 100);
    } else {
        const Text byteText = GetDlgItemText(IDC_B2H_BYTE);
        if (byteText.empty()) return Say(TranslateText(u"字节不能为空！"));
        if (!IsHexText(byteText)) return Say(TranslateText(u"字节必须是十六进制字符！"));
        std::fill(bytes.begin(), bytes.end(), static_cast<uint8_t>(HexToInt(byteText)));
    }
    // Nothing to write counts as a failed write, as a write of no bytes always has.
    if (bytes.empty() || !WriteFileAtomic(target, bytes)) return Say(TranslateText(u"写入bin文件失败！"));
    Say(TranslateText(u"生成bin文件成功！"));
}
