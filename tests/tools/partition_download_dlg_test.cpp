// The partition download dialog through the main window's command: files load into the parts when chosen, OK
// stores the rows and starts the download of the parts it accepted.
#include <gtest/gtest.h>

#include "framework/Ini.h"
#include "resources/ui/partition_download.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/tools/ChipToolFixture.h"

namespace {

using fw::Text;

// Series 0: 256 KB in 16 KB units; USER1 ten units, USER2 two, USER3 four.
constexpr uint32_t kUser2 = 0x08028000, kUser3 = 0x08030000;

class PartitionDownload : public ChipToolFixture {
protected:
    CQXDownloadToolDlg& ConnectPartitioned() {
        CQXDownloadToolDlg& w = Connect(0);
        UserPartitionRecord user3{1, 2, 4, 0xFF, 0}, user2{1, 1, 2, 0xFF, 0};
        EXPECT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user3), CMD_STATUS_OK);
        EXPECT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user2), CMD_STATUS_OK);
        EXPECT_EQ(w.ReadPartitions(w.m_partitions, nullptr), 1);
        return w;
    }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        dir.Write(name, std::string(bytes.begin(), bytes.end()));
    }
    void Browse(fw::Dialog& d, int button, const std::string& name) {
        host.ExpectOpenFile(dir.Wide(name));
        d.Click(button);
    }
    static void Enable(fw::Dialog& d, int box, bool on) {
        if ((d.IsDlgButtonChecked(box) == 1) != on) d.Click(box);
    }
    Text SysConfigValue(const char16_t* key) const {
        return fw::GetPrivateProfileString(u"dlparam", key, u"(none)", 260, dir.Wide("SysConfig.ini"));
    }
    // The dialog the command opens runs `script`; with `downloads`, the download it starts is waited for.
    void RunCommand(CQXDownloadToolDlg& w, const std::function<void(fw::Dialog&)>& script, bool downloads = false) {
        host.OnModal(IDD_PARTITION_DOWNLOAD, script);
        const size_t panes = host.PaneTexts(2).size();
        w.SendCommand(ID_PARTITION_DOWNLOAD_CONFIGURATION);
        if (!downloads) return;
        host.PumpUntil([&] { return g_channels[0].worker.load() == nullptr && host.PaneTexts(2).size() > panes; },
                       std::chrono::seconds(30));
    }
};

TEST_F(PartitionDownload, ThreeRowsOneRefusedFileProgramExactlyTheAcceptedRows) {
    CQXDownloadToolDlg& w = ConnectPartitioned();
    const std::vector<uint8_t> a(0x400, 0x11), b(0x200, 0x22), c(0x300, 0x33), notes(0x300, 0x44);
    Write("a.bin", a);
    dir.Write("b.hex", hexfile::Text({{kUser2 + 0x100, b}}));
    Write("c.bin", c);
    Write("notes.txt", notes);

    RunCommand(
        w,
        [&](fw::Dialog& d) {
            Browse(d, IDC_PDL_BROWSE1, "a.bin");
            d.EnterText(IDC_PDL_START1, u"08001000");
            Enable(d, IDC_PDL_ENABLE1, true);
            Browse(d, IDC_PDL_BROWSE2, "b.hex");
            EXPECT_EQ(d.GetDlgItemText(IDC_PDL_START2), u"08028100") << "a hex file brings its address";
            EXPECT_FALSE(d.GetDlgItem(IDC_PDL_START2).IsWindowEnabled());
            Enable(d, IDC_PDL_ENABLE2, true);
            Browse(d, IDC_PDL_BROWSE3, "c.bin");
            d.EnterText(IDC_PDL_START3, u"08030000");
            Enable(d, IDC_PDL_ENABLE3, true);
            // Not a file the part can take: refused, the row keeps the file it has.
            host.ExpectBox(u"请选择bin、hex或enc格式的文件！", fw::IDOK);
            Browse(d, IDC_PDL_BROWSE3, "notes.txt");
            EXPECT_EQ(d.GetDlgItemText(IDC_PDL_FILE3), dir.Wide("c.bin"));
            d.Click(IDC_PDL_OK);
        },
        true);
    EXPECT_TRUE(LogHas(u"USER1 下载成功！"));
    EXPECT_TRUE(LogHas(u"USER2 下载成功！"));
    EXPECT_TRUE(LogHas(u"USER3 下载成功！"));
    EXPECT_EQ(ovsim::ReadMemory(kPort, 0x08001000, a.size()), a);
    EXPECT_EQ(ovsim::ReadMemory(kPort, kUser2 + 0x100, b.size()), b);
    EXPECT_EQ(ovsim::ReadMemory(kPort, kUser3, c.size()), c);
    EXPECT_EQ(ovsim::ReadMemory(kPort, kUser2, 0x100), std::vector<uint8_t>(0x100, 0xFF));

    EXPECT_EQ(SysConfigValue(u"downloadfile3"), dir.Wide("c.bin"));
    EXPECT_EQ(SysConfigValue(u"startaddr1"), u"08001000");
    EXPECT_EQ(SysConfigValue(u"startaddr2"), u"08028100");
    for (const char16_t* key : {u"enablepartition1", u"enablepartition2", u"enablepartition3"})
        EXPECT_EQ(SysConfigValue(key), u"1");
    EXPECT_EQ(SysConfigValue(u"encfile1"), u"0");
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_FILE), dir.Wide("a.bin"));
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_START_ADDR), u"08001000");
    EXPECT_EQ(w.m_fileExt, u"bin");
    EXPECT_EQ(w.m_items[2].fileName, u"c.bin");
}

// A refusal on OK ends there: what the earlier rows hold, and the refused row's enable, are already stored. The
// dialog stays open, and Cancel then downloads nothing.
TEST_F(PartitionDownload, RefusalsOnOkKeepWhatWasStoredBefore) {
    CQXDownloadToolDlg& w = ConnectPartitioned();
    Write("a.bin", std::vector<uint8_t>(0x100, 0x11));
    Write("c.bin", std::vector<uint8_t>(0x100, 0x33));
    ovsim::ClearCallLog();
    RunCommand(w, [&](fw::Dialog& d) {
        Browse(d, IDC_PDL_BROWSE1, "a.bin");
        d.EnterText(IDC_PDL_START1, u"08001000");
        Enable(d, IDC_PDL_ENABLE1, true);
        Browse(d, IDC_PDL_BROWSE2, "c.bin");
        Enable(d, IDC_PDL_ENABLE2, true);
        struct Row {
            Text start2;
            bool enable3;
            Text refusal;
        };
        const Row rows[] = {
            {u"", false, u"USER2 起始地址不能为空！"},
            {u"0802G000", false, u"USER2 下载起始地址无效，请输入不超过8位的十六进制数！"},
            {u"123456789", false, u"USER2 下载起始地址无效，请输入不超过8位的十六进制数！"},
            {u"08028000", true, u"USER3 下载文件不能为空！"},
        };
        for (const Row& r : rows) {
            SCOPED_TRACE(fw::TextToUtf8(r.refusal));
            d.EnterText(IDC_PDL_START2, r.start2);
            Enable(d, IDC_PDL_ENABLE3, r.enable3);
            host.ExpectBox(r.refusal, fw::IDOK);
            d.Click(IDC_PDL_OK);
            EXPECT_TRUE(d.IsWindowVisible());
        }
        EXPECT_EQ(SysConfigValue(u"startaddr1"), u"08001000");
        EXPECT_EQ(SysConfigValue(u"downloadfile1"), dir.Wide("a.bin"));
        EXPECT_EQ(SysConfigValue(u"enablepartition3"), u"1");
        EXPECT_EQ(SysConfigValue(u"startaddr2"), u"08028000");
        EXPECT_EQ(SysConfigValue(u"downloadfile3"), u"(none)");
        EXPECT_EQ(SysConfigValue(u"encfile3"), u"(none)");
        EXPECT_EQ(w.m_items[1].addressText[0], u"08028000");

        for (int box : {IDC_PDL_ENABLE1, IDC_PDL_ENABLE2, IDC_PDL_ENABLE3})
            Enable(d, box, false);
        host.ExpectBox(u"请选择一个分区进行下载！", fw::IDOK);
        d.Click(IDC_PDL_OK);
        EXPECT_TRUE(d.IsWindowVisible());
        d.Click(fw::IDCANCEL);
    });
    for (const auto& call : ovsim::CallLog())
        EXPECT_NE(call.fn, ovsim::Fn::FlashDwnld);
    EXPECT_EQ(SysConfigValue(u"enablepartition1"), u"0");
}

TEST_F(PartitionDownload, RowsOpenAsThePartsStandAndLoadWhatIsChosen) {
    // Series 5 has no USER2: its row cannot be chosen.
    CQXDownloadToolDlg& w = Connect(5);
    w.m_fileExt = u"dlpf";
    w.m_items[0].path = dir.Wide("project.dlpf");
    w.m_items[0].enciphered = 1;
    Write("a.bin", std::vector<uint8_t>(0x100, 0x11));
    Write("FW.ENC", std::vector<uint8_t>(0x104, 0x55));
    RunCommand(w, [&](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_PDL_FILE1), u"") << "a project is no file of USER1";
        EXPECT_FALSE(d.GetDlgItem(IDC_PDL_ENABLE2).IsWindowEnabled());
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_PDL_ENABLE2), 0);
        EXPECT_FALSE(d.GetDlgItem(IDC_PDL_START2).IsWindowEnabled());
        EXPECT_FALSE(d.GetDlgItem(IDC_PDL_BROWSE2).IsWindowEnabled());
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_PDL_CIPHER1), 1);
        EXPECT_FALSE(d.GetDlgItem(IDC_PDL_CIPHER1).IsWindowEnabled()) << "the state boxes only show";

        Browse(d, IDC_PDL_BROWSE1, "a.bin");
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_PDL_CIPHER1), 0);
        Browse(d, IDC_PDL_BROWSE1, "FW.ENC");
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_PDL_CIPHER1), 1);
        EXPECT_TRUE(d.GetDlgItem(IDC_PDL_START1).IsWindowEnabled());
        EXPECT_EQ(d.GetDlgItemText(IDC_PDL_FILE1), dir.Wide("FW.ENC"));
        EXPECT_EQ(SysConfigValue(u"downloadfile1"), dir.Wide("FW.ENC"));

        // A file that does not load leaves the row as it was.
        host.ExpectOpenFile(dir.Wide("gone.bin"));
        d.Click(IDC_PDL_BROWSE1);
        EXPECT_EQ(host.LogLines().back().text, u"文件加载失败！");
        EXPECT_EQ(d.GetDlgItemText(IDC_PDL_FILE1), dir.Wide("FW.ENC"));
        EXPECT_EQ(SysConfigValue(u"downloadfile1"), dir.Wide("FW.ENC"));
        d.Click(fw::IDCANCEL);
    });
    // The browse button remembers the kind of file it was given last.
    ASSERT_GE(host.FileDialogs().size(), 2u);
    ASSERT_FALSE(host.FileDialogs().back().filters.empty());
    EXPECT_EQ(host.FileDialogs().back().filters.front().label, u"Enc文件(*.enc)");
}

}  // namespace
