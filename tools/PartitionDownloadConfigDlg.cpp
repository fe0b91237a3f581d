#include "tools/PartitionDownloadConfigDlg.h"

#include "app/DownloadStart.h"
#include "app/MainWindow.h"
#include "core/FileFilters.h"
#include "core/FileServices.h"
#include "core/TextMatching.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "resources/ui/partition_download.h"

using fw::Text;

namespace {

struct RowIds {
    int enable, start, file, browse, cipher, auth, encrypt;
};
constexpr RowIds kRowIds[3] = {
    {IDC_PDL_ENABLE1, IDC_PDL_START1, IDC_PDL_FILE1, IDC_PDL_BROWSE1, IDC_PDL_CIPHER1, IDC_PDL_AUTH1, IDC_PDL_ENCRYPT1},
    {IDC_PDL_ENABLE2, IDC_PDL_START2, IDC_PDL_FILE2, IDC_PDL_BROWSE2, IDC_PDL_CIPHER2, IDC_PDL_AUTH2, IDC_PDL_ENCRYPT2},
    {IDC_PDL_ENABLE3, IDC_PDL_START3, IDC_PDL_FILE3, IDC_PDL_BROWSE3, IDC_PDL_CIPHER3, IDC_PDL_AUTH3, IDC_PDL_ENCRYPT3},
};

Text StartRefusal(int part) {
    if (part == 0) return TranslateText(u"USER1 下载起始地址不能为空！");
    return part == 1 ? TranslateText(u"USER2 起始地址不能为空！") : TranslateText(u"USER3 起始地址不能为空！");
}

Text FileRefusal(int part) {
    if (part == 0) return TranslateText(u"USER1 下载文件不能为空！");
    return part == 1 ? TranslateText(u"USER2 下载文件不能为空！") : TranslateText(u"USER3 下载文件不能为空！");
}

// Each browse button remembers the kind of file it was last given, for as long as the program runs.
Text g_lastExtension[3];

}  // namespace

const fw::MessageMap<CPartitionDownloadConfigDlg> CPartitionDownloadConfigDlg::kMessages{
    fw::OnClick(IDC_PDL_OK, &CPartitionDownloadConfigDlg::OnBnClickedOk),
    fw::OnClick(IDC_PDL_BROWSE1, &CPartitionDownloadConfigDlg::OnBnClickedBrowse1),
    fw::OnClick(IDC_PDL_BROWSE2, &CPartitionDownloadConfigDlg::OnBnClickedBrowse2),
    fw::OnClick(IDC_PDL_BROWSE3, &CPartitionDownloadConfigDlg::OnBnClickedBrowse3),
};

CPartitionDownloadConfigDlg::CPartitionDownloadConfigDlg(CQXDownloadToolDlg* window)
    : fw::Dialog(IDD_PARTITION_DOWNLOAD, window), m_window(window) {}

void CPartitionDownloadConfigDlg::DoDataExchange(fw::DataExchange& dx) {
    for (int n = 0; n < 3; ++n) {
        const RowIds& ids = kRowIds[n];
        Row& row = m_rows[n];
        dx.Control(ids.enable, row.enable);
        dx.Control(ids.start, row.start);
        dx.Control(ids.file, row.file);
        dx.Control(ids.browse, row.browse);
        dx.Control(ids.cipher, row.cipher);
        dx.Control(ids.auth, row.auth);
        dx.Control(ids.encrypt, row.encrypt);
    }
}

bool CPartitionDownloadConfigDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    const DownloadItems& items = m_window->m_items;
    if (m_window->m_chipSeries != 3) {
        for (int n = 0; n < 3; ++n) {
            m_rows[n].cipher.SetCheck(items[n].enciphered ? 1 : 0);
            m_rows[n].auth.SetCheck(items[n].readAuthentication ? 1 : 0);
            m_rows[n].encrypt.SetCheck(items[n].readEncryption ? 1 : 0);
        }
    }
    // A download project is not a file of USER1.
    if (!fw::EqualsNoCase(m_window->m_fileExt, u"dlpf")) m_rows[0].file.SetWindowText(items[0].path);
    m_rows[0].enable.SetCheck(items[0].enabled ? 1 : 0);
    m_rows[0].start.SetWindowText(items[0].addressText[0]);
    m_rows[0].start.EnableWindow(!EndsWithNoCase(items[0].path, u"hex"));
    for (int n = 1; n < 3; ++n) {
        Row& row = m_rows[n];
        if (items[n].readSize == 0) {
            row.enable.SetCheck(0);
            row.enable.EnableWindow(false);
            row.start.EnableWindow(false);
            row.browse.EnableWindow(false);
            row.cipher.SetCheck(0);
            continue;
        }
        row.start.SetWindowText(items[n].addressText[0]);
        row.start.EnableWindow(!EndsWithNoCase(items[n].path, u"hex"));
        row.file.SetWindowText(items[n].path);
        row.enable.EnableWindow(true);
        row.enable.SetCheck(items[n].enabled ? 1 : 0);
    }
    return true;
}

void CPartitionDownloadConfigDlg::WriteRowValue(const char16_t* key, int part, fw::TextView value) const {
    fw::WritePrivateProfileString(u"dlparam", fw::Format(key, part + 1), value, m_window->m_sysConfigPath);
}

void CPartitionDownloadConfigDlg::Browse(int part) {
    Text& lastExtension = g_lastExtension[part];
    fw::FileDialog dialog(true, {}, {}, fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT | fw::OFN_NOCHANGEDIR,
                          BuildFileFilter(lastExtension), this);
    if (dialog.DoModal() != fw::IDOK) return;
    const Text path = dialog.GetPathName();
    if (path.empty()) return;
    const Text extension = dialog.GetFileExt();
    lastExtension = extension;

    Row& row = m_rows[part];
    const bool hex = fw::EqualsNoCase(extension, u"hex");
    const bool enc = fw::EqualsNoCase(extension, u"enc");
    if (!hex && !enc && !fw::EqualsNoCase(extension, u"bin")) {
        // Nothing would be loaded: the part would program the image it holds under the new file's name.
        m_msgBox.MessageBox(this, TranslateText(u"请选择bin、hex或enc格式的文件！"), fw::MB_OK);
        return;
    }
    // The loaders say what is wrong with a file they can read; one they cannot read would otherwise go unnoticed.
    const auto loadFailed = [this] { m_window->AppendLog(TranslateText(u"文件加载失败！"), kLogRed); };
    if (hex) {
        if (!m_window->LoadHexFile(path, part)) return loadFailed();
        row.cipher.SetCheck(0);
        row.start.EnableWindow(false);
        row.start.SetWindowText(m_window->m_items[part].addressText[0]);
    } else {
        if (!m_window->LoadBinFile(path, part)) return loadFailed();
        row.cipher.SetCheck(enc ? 1 : 0);
        row.start.EnableWindow(true);
    }
    row.file.SetWindowText(path);
    WriteRowValue(u"downloadfile%d", part, path);
}

bool CPartitionDownloadConfigDlg::CommitRow(int part, bool& chosen) {
    Row& row = m_rows[part];
    DownloadItem& item = m_window->m_items[part];
    const bool enabled = row.enable.GetCheck() == 1;
    item.enabled = enabled ? 1 : 0;
    WriteRowValue(u"enablepartition%d", part, fw::Format(u"%d", enabled ? 1 : 0));
    if (!enabled) return true;

    const Text start = row.start.GetWindowText();
    if (start.empty()) {
        m_msgBox.MessageBox(this, StartRefusal(part), fw::MB_OK);
        return false;
    }
    // The job reads the text as hex: anything else would program the part at an address nobody typed.
    if (!IsStartAddressText(start)) {
        m_msgBox.MessageBox(
            this, fw::Format(u"USER%d ", part + 1) + TranslateText(u"下载起始地址无效，请输入不超过8位的十六进制数！"),
            fw::MB_OK);
        return false;
    }
    item.addressText[0] = start;
    WriteRowValue(u"startaddr%d", part, start);
    if (part == 0) m_window->SetDlgItemText(IDC_EDIT_START_ADDR, start);

    const Text path = row.file.GetWindowText();
    if (path.empty()) {
        m_msgBox.MessageBox(this, FileRefusal(part), fw::MB_OK);
        return false;
    }
    item.path = path;
    WriteRowValue(u"downloadfile%d", part, path);
    Text title, extension;
    SplitFileName(path, title, extension);
    // The name with its extension, as the window's own Browse keeps it.
    const size_t slash = path.find_last_of(u"\\/");
    item.fileName = slash == Text::npos ? path : path.substr(slash + 1);
    if (part == 0) {
        m_window->SetDlgItemText(IDC_EDIT_FILE, path);
        m_window->m_fileExt = extension;
        m_window->GetDlgItem(IDC_EDIT_START_ADDR).EnableWindow(!fw::EqualsNoCase(extension, u"hex"));
    }

    const bool cipher = row.cipher.GetCheck() == 1;
    item.enciphered = cipher ? 1 : 0;
    WriteRowValue(u"encfile%d", part, fw::Format(u"%d", cipher ? 1 : 0));
    chosen = true;
    return true;
}

void CPartitionDownloadConfigDlg::OnBnClickedOk() {
    // A refused row ends here; the rows before it, and its own enable, are already stored.
    bool chosen = false;
    for (int part = 0; part < 3; ++part) {
        if (!CommitRow(part, chosen)) return;
    }
    if (!chosen) {
        m_msgBox.MessageBox(this, TranslateText(u"请选择一个分区进行下载！"), fw::MB_OK);
        return;
    }
    EndDialog(fw::IDOK);
}
