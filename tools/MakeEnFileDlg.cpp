#include "tools/MakeEnFileDlg.h"

#include "app/ChipSeries.h"
#include "core/FileFilters.h"
#include "core/FileServices.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Format.h"
#include "tools/EncFileOutput.h"
#include "tools/EncFiles.h"
#include "tools/ToolMessage.h"

using namespace fw;

int KeyIdCount(uint8_t chipSeries) {
    if (chipSeries == 5) return 2;
    if (chipSeries == 8 || chipSeries == 9) return 3;
    return 32;
}

std::optional<int> KeyTableEntry(uint8_t chipSeries, int keyId) {
    if (keyId < 0 || keyId >= KeyIdCount(chipSeries)) return std::nullopt;
    return PartitionKeyEntry(chipSeries, static_cast<uint8_t>(keyId));
}

const MessageMap<CMakeEnFileDlg> CMakeEnFileDlg::kMessages{
    fw::OnClick(IDC_MAKEENC_BROWSE, &CMakeEnFileDlg::OnBnClickedBrowse),
    fw::OnClick(IDC_MAKEENC_MAKE, &CMakeEnFileDlg::OnBnClickedOk),
};

bool CMakeEnFileDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    Control ids = GetDlgItem(IDC_MAKEENC_KEY_ID);
    for (int id = 0; id < KeyIdCount(m_chipSeries); ++id)
        ids.AddString(Format(u"%d", id));
    ids.SetCurSel(0);
    m_workDir = GetCurrentDir();
    EncFileFolder(m_workDir);
    return true;
}

void CMakeEnFileDlg::OnBnClickedBrowse() {
    EncSourceFile source;
    if (!ChooseEncSource(this, BinFilesEntry() + HexFilesEntry() + u"|", source)) return;
    m_filePath = source.path;
    m_fileName = source.name;
    m_fileExt = source.extension;
    SetDlgItemText(IDC_MAKEENC_SOURCE_PATH, m_filePath);
}

void CMakeEnFileDlg::OnBnClickedOk() {
    std::vector<uint8_t> plaintext;
    if (!ReadEncSource(this, {m_filePath, m_fileName, m_fileExt}, plaintext)) return;
    // An entry that is not a key (a corrupt profile value) is treated as no key rather than enciphering under
    // whatever its digits happen to make.
    const std::optional<int> entry = KeyTableEntry(m_chipSeries, GetDlgItem(IDC_MAKEENC_KEY_ID).GetCurSel());
    std::optional<Key16> key;
    if (entry && static_cast<size_t>(*entry) < m_keyTable.size()) key = KeyFromText(m_keyTable[*entry]);
    if (!key) {
        ShowToolMessage(this, TranslateText(u"无可用密钥"));
        return;
    }
    if (!WriteEncryptedFile(MakeCrcPrefixedEncFile(plaintext, *key))) return;
    SetDlgItemText(IDC_MAKEENC_OUTPUT_PATH, m_outputPath);
    ShowToolMessage(this, TranslateText(u"加密文件制作完成"));
}

bool CMakeEnFileDlg::WriteEncryptedFile(const std::vector<uint8_t>& bytes) {
    return WriteEncFile(this, m_workDir, m_fileName, bytes, m_outputPath);
}
