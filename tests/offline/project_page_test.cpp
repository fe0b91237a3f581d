// The offline project page on the headless host with the simulated downloader: opening without a chip table,
// the download-file list through Add and Delete, the configuration boxes and their dialogs in the editable and the
// read-only state, a project composed, built and saved, and projects opened from their file, stored in the
// downloader, listed, activated, started and deleted, with the downloader's failures shown.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/ChipSeriesTable.h"
#include "linksim/ProjectStoreState.h"
#include "offline/CurrentProject.h"
#include "offline/LinkProjectFile.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/ProjectBuilder.h"
#include "optionbytes/ProjectOptionTexts.h"
#include "resources/ui/add_start_address.h"
#include "resources/ui/option_bytes.h"
#include "resources/ui/ovlink_project.h"
#include "resources/ui/ovlink_project_dialogs.h"
#include "resources/ui/security_options.h"
#include "tests/offline/LinkFixture.h"

namespace {

using fw::Text;

constexpr fw::Color kRed = fw::Rgb(220, 0, 0);

// One Intel HEX data record, or the extended linear address record of `upper`.
std::string HexRecord(uint16_t address, uint8_t type, const std::vector<uint8_t>& data) {
    uint8_t sum = static_cast<uint8_t>(data.size() + (address >> 8) + (address & 0xFF) + type);
    char line[600];
    int n = std::snprintf(line, sizeof line, ":%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
    for (uint8_t b : data) {
        n += std::snprintf(line + n, sizeof line - n, "%02X", b);
        sum = static_cast<uint8_t>(sum + b);
    }
    std::snprintf(line + n, sizeof line - n, "%02X\r\n", static_cast<uint8_t>(0x100 - sum) & 0xFF);
    return line;
}

// A HEX file of 16-byte runs at 0x0800xxxx offsets, one run per offset.
std::string HexFile(const std::vector<uint16_t>& offsets) {
    std::string text = HexRecord(0, 4, {0x08, 0x00});
    for (uint16_t offset : offsets)
        text += HexRecord(offset, 0, std::vector<uint8_t>(16, 0xA5));
    return text + ":00000001FF\r\n";
}

class ProjectPage : public LinkFixture {
protected:
    // The settings outlive every window, as in the program; each test starts from the program's start.
    void SetUp() override {
        LinkFixture::SetUp();
        ProjectSettings() = OfflineProjectSettings{};
    }
    void TearDown() override {
        LinkFixture::TearDown();
        ProjectSettings() = OfflineProjectSettings{};
    }

    // Opens the configuration window from its menu entry and runs `work` on its project page.
    void OnProjectPage(const std::function<void(COVLinkProjectDlg&)>& work) {
        bool ran = false;
        onConfig = [&work, &ran](COVLinkConfigTabDlg& tabs) {
            ran = true;
            work(tabs.m_projectPage);
        };
        window->SendCommand(ID_OFFLINE_DOWNLOADER);
        onConfig = nullptr;
        EXPECT_TRUE(ran) << "the configuration window did not open";
    }

    // "Add" with the start-address dialog answering `start` and the file dialog `name` of the test folder.
    void Add(COVLinkProjectDlg& page, const Text& start, const std::string& name) {
        host.OnModal(IDD_ADD_START_ADDRESS, [start](fw::Dialog& d) {
            // The partition choice is offered only to a project placed per partition.
            EXPECT_EQ(d.GetDlgItem(IDC_ADDSTART_PARTITION).IsWindowVisible(), ProjectSettings().partitionMode != 0);
            d.EnterText(IDC_ADDSTART_ADDRESS, start);
            d.Click(IDC_ADDSTART_OK);
        });
        host.ExpectOpenFile(dir.Wide(name));
        EXPECT_TRUE(page.Click(IDC_OVPROJ_ADD));
    }

    static std::vector<Text> Item(COVLinkProjectDlg& page, int item) {
        std::vector<Text> texts;
        for (int column = 0; column < 5; ++column)
            texts.push_back(page.GetDlgItem(IDC_OVPROJ_FILES).GetItemText(item, column));
        return texts;
    }
    static int Items(COVLinkProjectDlg& page) { return page.GetDlgItem(IDC_OVPROJ_FILES).GetItemCount(); }
    static bool Enabled(COVLinkProjectDlg& page, int id) { return page.GetDlgItem(id).IsWindowEnabled(); }

    // The flash algorithm every VK51x build loads.
    void CopyFlm() {
        std::filesystem::create_directories(dir.Path() / "FLM");
        std::filesystem::copy_file(std::filesystem::path(QX_BINARY_DIR) / "workdir" / "FLM" / "VK51x.FLM",
                                   dir.Path() / "FLM" / "VK51x.FLM", std::filesystem::copy_options::skip_existing);
    }

    // A VK517 project named "Demo" of one 3000-byte file and the option bytes, built as the page builds and
    // saved as a project file in the test folder.
    Text DemoProjectFile() {
        CopyFlm();
        CChipSeriesTable table([](const Text& text) { ADD_FAILURE() << fw::TextToUtf8(text); });
        EXPECT_EQ(table.Load(), 1);
        ProjectPageChoices choices;
        choices.seriesSelected = choices.modelSelected = true;
        choices.seriesText = choices.modelText = u"VK517";
        choices.nameText = u"Demo";
        choices.eraseIndex = 1;
        choices.optionBytesChecked = true;
        choices.optionFamily = 0;
        ProjectFileRow row;
        row.name = u"app.bin";
        row.startText = u"08000000";
        row.data.assign(3008, 0x5A);
        row.length = 3008;
        struct : ProjectBuildUi {
            void ShowMessage(const Text& text) override { ADD_FAILURE() << fw::TextToUtf8(text); }
            bool Ask(const Text&) override { return true; }
            bool RunProjectSetup() override { return true; }
        } ui;
        OfflineProjectSettings settings;
        EXPECT_TRUE(BuildProjectConfig(choices, std::span(&row, 1), table, settings, ui));
        LinkProject project;
        project.record = *CurrentProjectConfig();
        std::copy_n(table.m_pAlgoDescriptor.get(), project.descriptor.size(), project.descriptor.begin());
        project.blob.assign(table.m_pAlgoBlob.get(), table.m_pAlgoBlob.get() + table.m_algoBlobSize);
        project.files.push_back(row.data);
        EXPECT_TRUE(WriteLinkProjectFile(dir.Wide("Demo.ovpf"), project));
        return dir.Wide("Demo.ovpf");
    }

    void OpenDemo(COVLinkProjectDlg& page, const Text& path) {
        host.ExpectOpenFile(path);
        host.ExpectBox(u"打开项目文件成功！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_OPEN_FILE));
    }

    linksim::ProjectStoreState& Store() { return downloader->State<linksim::ProjectStoreState>(); }

    // The downloader holds the demo project three times, as P1, P2 and P3, each record naming its project.
    void StoreP1ToP3() {
        LinkProject demo;
        ASSERT_EQ(OpenLinkProjectFile(DemoProjectFile(), demo), ProjectFileOpen::Opened);
        for (const char* name : {"P1", "P2", "P3"}) {
            linksim::StoredProject stored;
            stored.name.assign(name, name + 2);
            ProjectConfig record = demo.record;
            std::copy_n(name, 2, record.name.begin());
            record.nameLength = 2;
            std::ranges::copy(record.Bytes(), stored.record.begin());
            stored.blob = demo.blob;
            stored.files = demo.files;
            Store().projects.push_back(stored);
        }
    }
};

TEST_F(ProjectPage, OpensWithABlankRecordWhenTheChipTableIsMissing) {
    std::filesystem::remove(dir.Path() / "Series CFG Table.ini");
    StartOnLink();
    ClearProjectConfig();
    host.ExpectBox(u"Series CFG Table 配置文件打开失败！", fw::IDOK);
    OnProjectPage([this](COVLinkProjectDlg& page) {
        // Every handler that reads the current record finds one, although the opening stopped early.
        const ProjectConfig* record = CurrentProjectConfig();
        ASSERT_NE(record, nullptr);
        EXPECT_TRUE(std::ranges::all_of(record->Bytes(), [](uint8_t b) { return b == 0xFF; }));
        EXPECT_EQ(page.GetDlgItem(IDC_OVPROJ_SERIES).GetCount(), 0);
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_OPTION_BYTES));
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_WRITE_SN));
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_INTERFACE));
        host.ExpectBox(u"请先选择MCU类型！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_ADD));
        host.ExpectBox(u"请先连接设备！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_START));
    });
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(ProjectPage, FilesArePlacedListedRefusedWholeAndDeleted) {
    dir.Write("app.bin", std::string(100, '\x11'));
    dir.Write("next.BIN", std::string(32, '\x22'));
    dir.Write("empty.bin", "");
    dir.Write("short.enc", std::string(39, '\x33'));
    // Its header announces 32 bytes of ciphertext; 16 follow.
    dir.Write("cut.enc", std::string{0, 0, 0, 0x20} + std::string(36, '\x33') + std::string(16, '\x77'));
    // Header and file agree on 24 bytes of ciphertext: one and a half AES blocks.
    dir.Write("odd.enc", std::string{0, 0, 0, 0x18} + std::string(36, '\x33') + std::string(24, '\x77'));
    // Enciphered by one rule and not by the other: the extension says "enc", the downloader looks for ".enc".
    for (const char* name : {"fw.Enc", "app.enc.bin", "app.ENC.hex"})
        dir.Write(name, std::string{0, 0, 0, 0x10} + std::string(36, '\x33') + std::string(16, '\x77'));
    // 17 characters that take two bytes each in the record, 34 in all.
    dir.Write("固件固件固件固件固件固件固件固件固.bin", std::string(16, '\x44'));
    dir.Write("notes.txt", "text");
    dir.Write("two.hex", HexFile({0x1000, 0x2000}));
    dir.Write("three.hex", HexFile({0x4000, 0x5000, 0x6000}));
    StartOnLink();
    OnProjectPage([this](COVLinkProjectDlg& page) {
        ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, u"VK517"));
        EXPECT_EQ(page.GetDlgItem(IDC_OVPROJ_MODEL).GetCurSel(), 0);
        Add(page, u"08000000", "app.bin");
        ASSERT_EQ(Items(page), 1);
        EXPECT_EQ(Item(page, 0), (std::vector<Text>{u"1", u"app.bin", u"100", u"08000000-08000063", u"0"}));
        // The row keeps the data rounded up to 16 bytes, 0xFF beyond the file.
        ASSERT_EQ(page.m_rows[0].data.size(), 112u);
        EXPECT_EQ(page.m_rows[0].length, 112u);
        EXPECT_EQ(page.m_rows[0].data[99], 0x11);
        EXPECT_EQ(page.m_rows[0].data[100], 0xFF);
        EXPECT_EQ(page.m_rows[0].data[111], 0xFF);

        const struct {
            Text start;
            std::string file;
            Text refusal;
        } refused[] = {
            {u"08000068", "next.BIN", u"下载起始地址不是16的倍数！"},
            {u"08000060", "next.BIN", u"下载地址有重叠，请确认！"},
            {u"08020000", "next.BIN", u"下载起始地址不正确，请检查是否超出范围！"},
            {u"08000400", "empty.bin", u"文件大小为0！"},
            {u"08000400", "short.enc", u"文件长度不正确！"},
            {u"08000400", "cut.enc", u"文件长度不正确！"},
            {u"08000400", "odd.enc", u"加密文件长度不是16的倍数！"},
            {u"08000400", "fw.Enc", u"文件类型不正确！"},
            {u"08000400", "app.enc.bin", u"文件类型不正确！"},
            {u"08000400", "app.ENC.hex", u"文件类型不正确！"},
            {u"08000400", "固件固件固件固件固件固件固件固件固.bin", u"文件名称长度超过32字节！"},
            {u"08000400", "notes.txt", u"文件类型不正确！"},
        };
        for (const auto& r : refused) {
            SCOPED_TRACE(r.file);
            host.ExpectBox(r.refusal, fw::IDOK);
            Add(page, r.start, r.file);
            EXPECT_EQ(Items(page), 1);
            EXPECT_EQ(page.m_rows.size(), 1u);
        }
        // The extension counts in any case; a file may start right after the padding of the one before.
        Add(page, u"08000070", "next.BIN");
        // An enciphered file: its header's values (most significant byte first), the data after it.
        std::string enc = {0x00, 0x00, 0x00, 0x10};
        enc += std::string(32, '\x5D') + std::string{0x0A, 0x0B, 0x0C, 0x0D} + std::string(16, '\x77');
        dir.Write("fw.enc", enc);
        Add(page, u"08000800", "fw.enc");
        ASSERT_EQ(page.m_rows.size(), 3u);
        const ProjectFileRow& enciphered = page.m_rows[2];
        EXPECT_EQ(enciphered.data, std::vector<uint8_t>(16, 0x77));
        EXPECT_EQ(enciphered.plainLength, 0x10u);
        EXPECT_EQ(enciphered.plainCrc32, 0x0A0B0C0Du);
        EXPECT_EQ(enciphered.plainSha256[31], 0x5D);
        ASSERT_TRUE(page.SelectItems(IDC_OVPROJ_FILES, {2}));
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE));
        Add(page, u"08000000", "two.hex");
        ASSERT_EQ(Items(page), 4);
        EXPECT_EQ(Item(page, 2), (std::vector<Text>{u"3", u"two.hex", u"16", u"08001000-0800100F", u"0"}));
        EXPECT_EQ(Item(page, 3), (std::vector<Text>{u"4", u"two.hex", u"16", u"08002000-0800200F", u"0"}));

        // Three more binaries leave one row: a HEX file of three runs is refused before any row changes.
        for (const char* start : {"08003000", "08003100", "08003200"}) {
            dir.Write(std::string("f") + start + ".bin", std::string(16, '\x44'));
            Add(page, fw::Utf8ToText(start), std::string("f") + start + ".bin");
        }
        ASSERT_EQ(Items(page), 7);
        host.ExpectBox(u"最多可添加8个文件！", fw::IDOK);
        Add(page, u"08000000", "three.hex");
        EXPECT_EQ(Items(page), 7);
        EXPECT_EQ(page.m_rows.size(), 7u);
        Add(page, u"08007000", "next.BIN");
        // A ninth file: both dialogs first, then the refusal.
        host.ExpectBox(u"最多可添加8个文件！", fw::IDOK);
        Add(page, u"08008000", "next.BIN");
        EXPECT_EQ(host.ModalsRun().back(), IDD_ADD_START_ADDRESS);

        // Delete: nothing selected removes the last; two selected go together and the rest are renumbered.
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE));
        ASSERT_EQ(Items(page), 7);
        ASSERT_TRUE(page.SelectItems(IDC_OVPROJ_FILES, {0, 2}));
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE));
        ASSERT_EQ(Items(page), 5);
        ASSERT_EQ(page.m_rows.size(), 5u);
        EXPECT_EQ(Item(page, 0)[0], u"1");
        EXPECT_EQ(Item(page, 0)[1], u"next.BIN");
        EXPECT_EQ(page.m_rows[0].name, u"next.BIN");
        EXPECT_EQ(Item(page, 1)[3], u"08002000-0800200F");
        EXPECT_EQ(Item(page, 4)[0], u"5");
        ASSERT_TRUE(page.SelectItems(IDC_OVPROJ_FILES, {0, 1, 2, 3, 4}));
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE));
        host.ExpectBox(u"没有可删除的文件！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE));
        EXPECT_TRUE(page.m_rows.empty());
    });
}

TEST_F(ProjectPage, OptionBoxOpensItsEditorAndCancelUnticks) {
    StartOnLink();
    OnProjectPage([this](COVLinkProjectDlg& page) {
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_OPTION_BYTES));
        ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, u"VK51R"));
        // Partitions and chip keys need UART.
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_PARTITION));
        ASSERT_TRUE(page.Select(IDC_OVPROJ_INTERFACE, 1));
        EXPECT_TRUE(Enabled(page, IDC_OVPROJ_PARTITION));
        EXPECT_TRUE(Enabled(page, IDC_OVPROJ_CHIP_KEY));
        ASSERT_TRUE(Enabled(page, IDC_OVPROJ_OPTION_BYTES));

        host.OnModal(IDD_WRITE_BYTE_LINK, [](fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_OPTION_BYTES));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_OPTION_BYTES), 0);
        EXPECT_EQ(ProjectSettings().linkOptFamily, 0);
        EXPECT_EQ(ProjectSettings().linkOptEditable, 1);

        host.OnModal(IDD_WRITE_BYTE_LINK, [](fw::Dialog& d) { d.Click(IDC_OB_CONFIRM); });
        host.ExpectBox(u"选项字节确认OK！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_OPTION_BYTES));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_OPTION_BYTES), 1);
        // Configured in the editable state: locked until "New project".
        page.UpdateControlStates(true);
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_OPTION_BYTES));
        EXPECT_TRUE(page.Click(IDC_OVPROJ_NEW));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_OPTION_BYTES), 0);
        EXPECT_TRUE(Enabled(page, IDC_OVPROJ_OPTION_BYTES));
    });
}

TEST_F(ProjectPage, OpenedProjectIsStoredListedActivatedAndStarted) {
    const Text path = DemoProjectFile();
    StartConnected();
    OnProjectPage([&](COVLinkProjectDlg& page) {
        // A downloader with no stored project: the list stays empty and the page editable.
        EXPECT_EQ(page.GetDlgItem(IDC_OVPROJ_STORED).GetCount(), 0);
        EXPECT_EQ(ProjectSettings().projectEditable, 1u);
        host.ExpectBox(u"没有可激活的项目！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_ACTIVATE));

        OpenDemo(page, path);
        EXPECT_EQ(ProjectSettings().projectEditable, 0u);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_NAME), u"Demo");
        EXPECT_EQ(Item(page, 0), (std::vector<Text>{u"1", u"app.bin", u"3008", u"08000000-08000BBF", u"0"}));
        EXPECT_EQ(page.GetDlgItem(IDC_OVPROJ_MODEL).GetLBText(page.GetDlgItem(IDC_OVPROJ_MODEL).GetCurSel()), u"VK517");
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_ADD));
        // Read-only: the configured option box opens its editor to view and stays ticked.
        ASSERT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_OPTION_BYTES), 1);
        ASSERT_TRUE(Enabled(page, IDC_OVPROJ_OPTION_BYTES));
        host.OnModal(IDD_WRITE_BYTE_LINK, [](fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_OPTION_BYTES));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_OPTION_BYTES), 1);
        EXPECT_EQ(ProjectSettings().linkOptEditable, 0);

        // The downloader refuses a file frame: the user is told, and the list gains nothing.
        downloader->ForceStatus(0x10, 0x03);
        host.ClearRecords();
        host.ExpectBox(u"保存到下载器失败！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_TO_LINK));
        EXPECT_EQ(page.GetDlgItem(IDC_OVPROJ_STORED).GetCount(), 0);
        ASSERT_FALSE(host.LogLines().empty());
        EXPECT_EQ(host.LogLines().back().color, kRed);
        EXPECT_TRUE(Store().projects.empty());

        host.ExpectBox(u"保存到下载器成功！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_TO_LINK));
        ASSERT_EQ(page.GetDlgItem(IDC_OVPROJ_STORED).GetCount(), 1);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_STORED), u"Demo");
        ASSERT_EQ(Store().projects.size(), 1u);
        EXPECT_EQ(Store().projects[0].files.size(), 1u);

        host.ExpectBox(u"项目已激活！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_ACTIVATE));
        ASSERT_TRUE(Store().active.has_value());
        host.ExpectBox(u"已启动下载！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_START));
        EXPECT_EQ(Store().downloadsStarted, 1);

        // A refused start is shown, in the log with the downloader's status and in a box; never as started.
        downloader->ForceStatus(0x12, 0x03);
        host.ClearRecords();
        host.ExpectBox(u"启动下载失败！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_START));
        ASSERT_FALSE(host.LogLines().empty());
        EXPECT_EQ(host.LogLines().back().color, kRed);
        EXPECT_EQ(Store().downloadsStarted, 1);
        EXPECT_TRUE(Enabled(page, IDC_OVPROJ_START));
    });

    // Opened again with the downloader connected: the stored project is listed, loaded and shown read-only.
    ProjectSettings().projectEditable = 1;
    OnProjectPage([&](COVLinkProjectDlg& page) {
        ASSERT_EQ(page.GetDlgItem(IDC_OVPROJ_STORED).GetCount(), 1);
        EXPECT_EQ(page.GetDlgItem(IDC_OVPROJ_STORED).GetCurSel(), 0);
        EXPECT_EQ(ProjectSettings().projectEditable, 0u);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_NAME), u"Demo");
        EXPECT_EQ(Item(page, 0)[1], u"app.bin");
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_NAME));

        // Deleting the only stored project leaves the page as "New project" does.
        host.ExpectBox(u"项目已删除！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE_PROJECT));
        EXPECT_EQ(page.GetDlgItem(IDC_OVPROJ_STORED).GetCount(), 0);
        EXPECT_TRUE(Store().projects.empty());
        EXPECT_EQ(ProjectSettings().projectEditable, 1u);
        EXPECT_EQ(Items(page), 0);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_NAME), u"");
    });
}

// What a person does on the page: a chip on UART, three partitions, files for USER1 and USER2, the chip keys and
// serial numbers; the project is built into a project file, stored in the downloader and started there.
TEST_F(ProjectPage, ComposedBuiltSavedStoredAndStarted) {
    CopyFlm();
    dir.Write("app.bin", std::string(3000, '\x11'));
    dir.Write("two.hex", HexFile({0x1000, 0x2000}));
    dir.Write("user2.bin", std::string(256, '\x22'));
    // As the download project dialog leaves it; the page's chip keys still need the device key.
    ProjectSettings().deviceKeyWanted = 0;
    StartConnected();
    OnProjectPage([&](COVLinkProjectDlg& page) {
        ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, u"VK517"));
        ASSERT_TRUE(page.Select(IDC_OVPROJ_INTERFACE, 1));
        ASSERT_TRUE(page.EnterText(IDC_OVPROJ_NAME, u"Line7"));
        Add(page, u"08000000", "app.bin");

        // Partitions: Cancel unticks; OK takes the layout into the record and asks for the files again.
        host.OnModal(IDD_PARTITION_CFG_LINK, [](fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_PARTITION));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_PARTITION), 0);
        EXPECT_EQ(ProjectSettings().partitionMode, 0u);
        EXPECT_EQ(Items(page), 1);
        host.OnModal(IDD_PARTITION_CFG_LINK, [](fw::Dialog& d) {
            EXPECT_TRUE(d.Tick(IDC_PART_ENABLE1, true));
            EXPECT_TRUE(d.Tick(IDC_PART_ENABLE2, true));
            EXPECT_TRUE(d.Tick(IDC_PART_ENABLE3, true));
            EXPECT_TRUE(d.EnterText(IDC_PART_SIZE1, u"4"));
            EXPECT_TRUE(d.EnterText(IDC_PART_SIZE2, u"2"));
            EXPECT_TRUE(d.EnterText(IDC_PART_SIZE3, u"2"));
            EXPECT_TRUE(d.Select(IDC_PART_KEYID1, 1));
            EXPECT_TRUE(d.Select(IDC_PART_KEYID2, 2));
            EXPECT_TRUE(d.Select(IDC_PART_KEYID3, 3));
            d.Click(IDC_PART_OK);
        });
        host.ExpectBox(u"分区配置确认OK", fw::IDOK);
        host.ExpectBox(u"分区下载，请重新添加下载文件！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_PARTITION));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_PARTITION), 1);
        EXPECT_EQ(ProjectSettings().partitionMode, 1u);
        EXPECT_EQ(ProjectSettings().flashSizeKB, 128u);
        EXPECT_EQ(CurrentProjectConfig()->chip.partitions[1].marker.Get(), kProjectMarkerValid);
        EXPECT_EQ(CurrentProjectConfig()->chip.partitions[1].size, 2);
        EXPECT_EQ(Items(page), 0);
        // Unticked again: files are no longer placed per partition, the layout stays in the record; ticked once
        // more, the dialog opens on it.
        EXPECT_TRUE(page.Click(IDC_OVPROJ_PARTITION));
        EXPECT_EQ(ProjectSettings().partitionMode, 0u);
        EXPECT_EQ(CurrentProjectConfig()->chip.partitions[1].marker.Get(), kProjectMarkerValid);
        host.OnModal(IDD_PARTITION_CFG_LINK, [](fw::Dialog& d) {
            EXPECT_EQ(d.GetDlgItemText(IDC_PART_SIZE2), u"02");
            d.Click(IDC_PART_OK);
        });
        host.ExpectBox(u"分区配置确认OK", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_PARTITION));
        EXPECT_EQ(ProjectSettings().partitionMode, 1u);
        page.UpdateControlStates(true);
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_PARTITION));  // configured: locked while editable

        // USER1 from the flash start, USER2 from its base (64 KB on), which the dialog fills in.
        Add(page, u"08000000", "app.bin");
        Add(page, u"08000000", "two.hex");
        host.OnModal(IDD_ADD_START_ADDRESS, [](fw::Dialog& d) {
            EXPECT_TRUE(d.Select(IDC_ADDSTART_PARTITION, 1));
            EXPECT_EQ(d.GetDlgItemText(IDC_ADDSTART_ADDRESS), u"08010000");
            d.Click(IDC_ADDSTART_OK);
        });
        host.ExpectOpenFile(dir.Wide("user2.bin"));
        EXPECT_TRUE(page.Click(IDC_OVPROJ_ADD));
        ASSERT_EQ(Items(page), 4);
        EXPECT_EQ(Item(page, 3), (std::vector<Text>{u"4", u"user2.bin", u"256", u"08010000-080100FF", u"1"}));

        // Chip keys: Cancel unticks; the device key is asked for although the settings say otherwise.
        host.OnModal(IDD_UPDATE_CHIP_KEY, [](fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_CHIP_KEY));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_CHIP_KEY), 0);
        host.OnModal(IDD_UPDATE_CHIP_KEY, [](fw::Dialog& d) {
            EXPECT_TRUE(d.GetDlgItem(IDC_CHIPKEY_DEVICE).IsWindowVisible());
            for (int id : {IDC_CHIPKEY_NEW1, IDC_CHIPKEY_NEW2, IDC_CHIPKEY_NEW3})
                EXPECT_TRUE(d.EnterText(id, u"000102030405060708090A0B0C0D0E0F"));
            d.Click(IDC_CHIPKEY_OK);
        });
        host.ExpectBox(u"芯片密钥确认OK", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_CHIP_KEY));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_CHIP_KEY), 1);
        EXPECT_EQ(ProjectSettings().chipKeyUpdate, (std::array<uint8_t, 3>{1, 1, 1}));

        // Serial numbers: Cancel unticks; OK puts them into the record.
        host.OnModal(IDD_WRITE_SN, [](fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_WRITE_SN));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_WRITE_SN), 0);
        host.OnModal(IDD_WRITE_SN, [](fw::Dialog& d) {
            EXPECT_TRUE(d.EnterText(IDC_WRITESN_ADDRESS, u"0801F000"));
            EXPECT_TRUE(d.EnterText(IDC_WRITESN_INITIAL, u"1"));
            EXPECT_TRUE(d.EnterText(IDC_WRITESN_STEP, u"1"));
            d.Click(IDC_WRITESN_OK);
        });
        host.ExpectBox(u"序列号(SN)已确认！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_WRITE_SN));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_WRITE_SN), 1);
        EXPECT_EQ(CurrentProjectConfig()->snAddress.Get(), 0x0801F000u);

        // Build and save: the option-byte question, the project setup, the file.
        host.ExpectBox(u"没有配置选项字节，下载程序安全性无法保障！是否继续？", fw::IDYES);
        host.OnModal(IDD_PROJECT_FILE_CFG, [](fw::Dialog& d) { d.Click(IDC_PROJCFG_OK); });
        host.ExpectSaveFile(dir.Wide("Line7.ovpf"));
        host.ExpectBox(u"文件保存成功！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_FILE));
        EXPECT_EQ(ProjectSettings().projectEditable, 0u);
        LinkProject saved;
        ASSERT_EQ(OpenLinkProjectFile(dir.Wide("Line7.ovpf"), saved), ProjectFileOpen::Opened);
        EXPECT_EQ(saved.record.fileCount, 4);
        EXPECT_EQ(saved.record.files[3].partitionId, 1);
        EXPECT_EQ(saved.record.files[3].startAddress.Get(), 0x08010000u);
        EXPECT_EQ(saved.record.chip.partitions[2].marker.Get(), kProjectMarkerValid);
        EXPECT_EQ(saved.record.keys.keyMode, (std::array<uint8_t, 3>{1, 1, 1}));
        EXPECT_EQ(saved.record.snAddress.Get(), 0x0801F000u);
        ASSERT_EQ(saved.files.size(), 4u);
        EXPECT_EQ(saved.files[0].size(), 3008u);

        // Saved, the page is read-only: a configured box opens its dialog to view and keeps its tick.
        ASSERT_TRUE(Enabled(page, IDC_OVPROJ_PARTITION));
        host.OnModal(IDD_PARTITION_CFG_LINK, [](fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_PARTITION));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_PARTITION), 1);
        EXPECT_EQ(ProjectSettings().partitionsEditable, 0);
        ASSERT_TRUE(Enabled(page, IDC_OVPROJ_WRITE_SN));
        host.OnModal(IDD_WRITE_SN, [](fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_WRITE_SN));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_WRITE_SN), 1);
        EXPECT_EQ(ProjectSettings().snEditable, 0);

        // The saved project goes to the downloader as it stands, and runs there.
        host.ExpectBox(u"保存到下载器成功！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_TO_LINK));
        ASSERT_EQ(Store().projects.size(), 1u);
        EXPECT_EQ(Store().projects[0].files.size(), 4u);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_STORED), u"Line7");
        host.ExpectBox(u"项目已激活！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_ACTIVATE));
        host.ExpectBox(u"已启动下载！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_START));
        EXPECT_EQ(Store().downloadsStarted, 1);
    });
}

// Three projects in the downloader, the second active: the page lists them, shows the active one, loads another
// when chosen, and tells the user when the downloader fails to give a record, to activate or to delete.
TEST_F(ProjectPage, StoredProjectsListedLoadedAndTheirFailuresShown) {
    StoreP1ToP3();
    Store().active = 1;
    StartConnected();
    OnProjectPage([&](COVLinkProjectDlg& page) {
        std::vector<std::pair<uint8_t, std::vector<uint8_t>>> asked;
        for (const auto& frame : downloader->ReceivedFrames()) {
            if (frame[1] == 0x16 || frame[1] == 0x17)
                asked.emplace_back(frame[1], std::vector<uint8_t>(frame.begin() + 6, frame.end() - 1));
        }
        const std::vector<std::pair<uint8_t, std::vector<uint8_t>>> expected = {
            {0x16, {}}, {0x17, {0}}, {0x17, {1}}, {0x17, {2}}};
        EXPECT_EQ(asked, expected);
        fw::Control stored = page.GetDlgItem(IDC_OVPROJ_STORED);
        ASSERT_EQ(stored.GetCount(), 3);
        EXPECT_EQ(stored.GetCurSel(), 1);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_NAME), u"P2");
        EXPECT_EQ(ProjectSettings().projectEditable, 0u);

        ASSERT_TRUE(page.Select(IDC_OVPROJ_STORED, 2));
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_NAME), u"P3");

        const struct {
            const char* what;
            std::function<void(uint8_t command)> fault;
        } faults[] = {
            {"refused", [this](uint8_t command) { downloader->ForceStatus(command, 0x03); }},
            {"no reply", [this](uint8_t) { downloader->DropReplies(1); }},
        };
        for (const auto& f : faults) {
            SCOPED_TRACE(f.what);
            f.fault(0x15);
            host.ExpectBox(u"项目数据读取失败！", fw::IDOK);
            ASSERT_TRUE(page.Select(IDC_OVPROJ_STORED, 0));
            EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_NAME), u"P3");
        }
        // A refused command changes nothing; a lost reply is a failure to the user whatever the downloader did.
        for (const auto& f : faults) {
            SCOPED_TRACE(f.what);
            f.fault(0x14);
            host.ExpectBox(u"项目激活失败！", fw::IDOK);
            EXPECT_TRUE(page.Click(IDC_OVPROJ_ACTIVATE));
        }
        downloader->ForceStatus(0x14, 0x03);
        host.ExpectBox(u"项目删除失败！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE_PROJECT));
        EXPECT_EQ(stored.GetCount(), 3);
        EXPECT_EQ(Store().projects.size(), 3u);
        // P1 chosen (its load failed, the list still selects it) and deleted: the downloader's active project is
        // selected and shown (P2 again; the activation whose reply was lost had made P1 active).
        Store().active = 1;
        host.ExpectBox(u"项目已删除！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE_PROJECT));
        ASSERT_EQ(stored.GetCount(), 2);
        EXPECT_EQ(stored.GetLBText(stored.GetCurSel()), u"P2");
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_NAME), u"P2");
        downloader->DropReplies(1);
        host.ExpectBox(u"项目删除失败！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE_PROJECT));
        EXPECT_EQ(stored.GetCount(), 2);
    });
}

// A stored project's record read whose first piece comes after its wait, then another project chosen: that
// project's record, whole, is what the page shows and installs, never pieces of the two under the first one's name.
TEST_F(ProjectPage, ARecordReadThatGaveUpLeavesNothingInTheNextOne) {
    StoreP1ToP3();
    Store().active = 0;
    StartConnected();
    OnProjectPage([&](COVLinkProjectDlg& page) {
        ASSERT_EQ(page.GetDlgItemText(IDC_OVPROJ_NAME), u"P1");
        downloader->HoldNextReply();
        host.ExpectBox(u"项目数据读取失败！", fw::IDOK);
        ASSERT_TRUE(page.Select(IDC_OVPROJ_STORED, 1));
        ASSERT_TRUE(page.Select(IDC_OVPROJ_STORED, 2));
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_NAME), u"P3");
        ASSERT_NE(CurrentProjectConfig(), nullptr);
        EXPECT_TRUE(std::ranges::equal(CurrentProjectConfig()->Bytes(), Store().projects[2].record));
    });
}

// An activation refused with its reply late, then the project deleted: the deletion's own reply says what
// happened, and the list follows the downloader.
TEST_F(ProjectPage, ADeletionAfterALateActivationRefusalIsReportedAsItHappened) {
    StoreP1ToP3();
    Store().active = 1;
    StartConnected();
    OnProjectPage([&](COVLinkProjectDlg& page) {
        ASSERT_TRUE(page.Select(IDC_OVPROJ_STORED, 0));
        downloader->ForceStatus(0x14, 0x03);
        downloader->HoldNextReply();
        host.ExpectBox(u"项目激活失败！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_ACTIVATE));
        host.ExpectBox(u"项目已删除！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_DELETE_PROJECT));
        ASSERT_EQ(Store().projects.size(), 2u);
        fw::Control stored = page.GetDlgItem(IDC_OVPROJ_STORED);
        ASSERT_EQ(stored.GetCount(), 2);
        EXPECT_EQ(stored.GetLBText(0), u"P2");
        EXPECT_EQ(stored.GetLBText(1), u"P3");
        EXPECT_EQ(stored.GetLBText(stored.GetCurSel()), u"P2");
    });
}

// Each family opens its own option-byte editor, told the family and whether it may edit; the security chips' editor
// also gets the model and the end of its flash area.
TEST_F(ProjectPage, OptionBoxOpensTheEditorOfTheFamily) {
    std::string table;
    for (const char* row : {"VK232,0x10000", "VK810,0x400000", "VK812,0x200000"}) {
        const std::string name(row, 5);
        table += "CLASS = " + name + "\nCHIPMARK = " + name + "\nFLASHSTARTADDR = 0x08000000\n" +
                 "SRAMSTARTADDR = 0x20000000\nFLASHSIZE = " + std::string(row + 6) +
                 "\nSRAMSIZE = 0x5000\nFLMFILE = VK51x.FLM\nPAGESIZE = 0x800\n\n";
    }
    dir.Write("Series CFG Table.ini", table);
    StartOnLink();
    OnProjectPage([&](COVLinkProjectDlg& page) {
        ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, u"VK232"));
        host.OnModal(IDD_WRITE_BYTE_LINK2, [](fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_OPTION_BYTES));
        EXPECT_EQ(ProjectSettings().linkOpt2Family, 3);
        EXPECT_EQ(ProjectSettings().linkOpt2Editable, 1);
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_OPTION_BYTES), 0);

        const struct {
            const char16_t* series;
            uint32_t flashAreaLimit;
        } security[] = {{u"VK810", 0x153DFFFF}, {u"VK812", 0x151DFFFF}};
        for (const auto& chip : security) {
            SCOPED_TRACE(fw::TextToUtf8(chip.series));
            ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, chip.series));
            host.OnModal(IDD_WRITE_BYTE4, [](fw::Dialog& d) { d.EndDialog(fw::IDCANCEL); });
            EXPECT_TRUE(page.Click(IDC_OVPROJ_OPTION_BYTES));
            EXPECT_EQ(window->m_flashAreaLimit, chip.flashAreaLimit);
            EXPECT_EQ(window->m_chipModel, chip.series);
            EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_OPTION_BYTES), 0);
        }
        // The interface is SWD only on the security chips.
        EXPECT_FALSE(Enabled(page, IDC_OVPROJ_INTERFACE));
    });
}

// A project still being composed is built on its way to a file or the downloader and stays editable.
TEST_F(ProjectPage, AnEditableProjectIsBuiltWhenSavedOrSent) {
    CopyFlm();
    dir.Write("app.bin", std::string(500, '\x11'));
    StartConnected();
    OnProjectPage([&](COVLinkProjectDlg& page) {
        ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, u"VK517"));
        ASSERT_TRUE(page.EnterText(IDC_OVPROJ_NAME, u"Quick"));
        Add(page, u"08000000", "app.bin");
        // A project file that cannot be written is reported, and the project stays editable.
        host.ExpectBox(u"没有配置选项字节，下载程序安全性无法保障！是否继续？", fw::IDYES);
        host.OnModal(IDD_PROJECT_FILE_CFG, [](fw::Dialog& d) { d.Click(IDC_PROJCFG_OK); });
        host.ExpectSaveFile(dir.Wide("no such folder/Quick.ovpf"));
        host.ExpectBox(u"保存文件失败！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_FILE));
        EXPECT_EQ(ProjectSettings().projectEditable, 1u);

        host.ExpectBox(u"没有配置选项字节，下载程序安全性无法保障！是否继续？", fw::IDYES);
        host.OnModal(IDD_PROJECT_FILE_CFG, [](fw::Dialog& d) { d.Click(IDC_PROJCFG_OK); });
        host.ExpectBox(u"保存到下载器成功！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_TO_LINK));
        ASSERT_EQ(Store().projects.size(), 1u);
        EXPECT_EQ(Store().projects[0].files[0].size(), 512u);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPROJ_STORED), u"Quick");
        EXPECT_EQ(ProjectSettings().projectEditable, 1u);
        // The name is taken now: a second build under it is refused before anything is sent.
        host.ExpectBox(u"项目名称已存在！", fw::IDOK);
        host.ExpectBox(u"保存到下载器失败！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_TO_LINK));
        EXPECT_EQ(Store().projects.size(), 1u);
    });
}

// The page's chips for a series change, all loading the one algorithm: two models of VK517 and another name of
// its series, and the series 5, 2, 3 and 9 beside it.
void WriteSeriesChangeTable(fw::testing::TempFolder& dir) {
    const struct {
        const char* series;
        const char* model;
        const char* flashSize;
    } rows[] = {{"VK517", "VK517C8", "0x20000"}, {"VK517", "VK517CB", "0x20000"}, {"VK51R", "VK51R", "0x20000"},
                {"VK420", "VK420", "0x10000"},   {"VK422", "VK422", "0x40000"},   {"VK232", "VK232", "0x10000"},
                {"VK73", "VK73X", "0x20000"}};
    std::string table;
    for (const auto& row : rows) {
        table += std::string("CLASS = ") + row.series + "\nCHIPMARK = " + row.model +
                 "\nFLASHSTARTADDR = 0x08000000\nSRAMSTARTADDR = 0x20000000\nFLASHSIZE = " + row.flashSize +
                 "\nSRAMSIZE = 0x5000\nFLMFILE = VK51x.FLM\nPAGESIZE = 0x800\n\n";
    }
    dir.Write("Series CFG Table.ini", table);
}

// What a series change leaves: the steps of the series before are forgotten on the page, in the settings and in
// the record; ticked again, the partition dialog starts from nothing and the chip-key dialog finds no partition.
void ExpectNoPartitionSteps(fw::HeadlessHost& host, COVLinkProjectDlg& page) {
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_PARTITION), 0);
    EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_CHIP_KEY), 0);
    const OfflineProjectSettings& settings = ProjectSettings();
    EXPECT_EQ(settings.partitionMode, 0u);
    EXPECT_EQ(settings.partitionConfigured, (std::array<uint32_t, 3>{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(settings.chipKeyUpdate, (std::array<uint8_t, 3>{}));
    for (const ProjectPartitionEntry& entry : CurrentProjectConfig()->chip.partitions)
        EXPECT_NE(entry.marker.Get(), kProjectMarkerValid);
    if (page.GetDlgItem(IDC_OVPROJ_PARTITION).IsWindowEnabled()) {
        host.OnModal(IDD_PARTITION_CFG_LINK, [](fw::Dialog& d) {
            for (int box : {IDC_PART_ENABLE1, IDC_PART_ENABLE2, IDC_PART_ENABLE3})
                EXPECT_EQ(d.IsDlgButtonChecked(box), 0) << box;
            d.EndDialog(fw::IDCANCEL);
        });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_PARTITION));
    }
    if (page.GetDlgItem(IDC_OVPROJ_CHIP_KEY).IsWindowEnabled()) {
        host.OnModal(IDD_UPDATE_CHIP_KEY, [](fw::Dialog& d) {
            for (int edit : {IDC_CHIPKEY_NEW1, IDC_CHIPKEY_NEW2, IDC_CHIPKEY_NEW3})
                EXPECT_FALSE(d.GetDlgItem(edit).IsWindowEnabled()) << edit;
            d.EndDialog(fw::IDCANCEL);
        });
        EXPECT_TRUE(page.Click(IDC_OVPROJ_CHIP_KEY));
    }
}

class ProjectPageSeriesChange : public ProjectPage {
protected:
    void SetUp() override {
        ProjectPage::SetUp();
        CopyFlm();
        WriteSeriesChangeTable(dir);
        dir.Write("app.bin", std::string(256, '\x11'));
    }

    // On `series` over UART: USER1 and USER3 laid out to fill the flash with authentication, on the key ids 1 and 2
    // (or the one id the series gives each), their chip keys updated, and a file placed in USER3.
    void ChooseSteps(COVLinkProjectDlg& page, const Text& series, const Text& halfFlashUnits) {
        ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, series));
        ASSERT_TRUE(page.Select(IDC_OVPROJ_INTERFACE, 1));
        host.OnModal(IDD_PARTITION_CFG_LINK, [halfFlashUnits](fw::Dialog& d) {
            for (int box : {IDC_PART_ENABLE1, IDC_PART_ENABLE3, IDC_PART_AUTH1, IDC_PART_AUTH3})
                EXPECT_TRUE(d.Tick(box, true));
            EXPECT_TRUE(d.EnterText(IDC_PART_SIZE1, halfFlashUnits));
            EXPECT_TRUE(d.EnterText(IDC_PART_SIZE3, halfFlashUnits));
            if (d.GetDlgItem(IDC_PART_KEYID1).GetCount() > 1) {
                EXPECT_TRUE(d.Select(IDC_PART_KEYID1, 1));
                EXPECT_TRUE(d.Select(IDC_PART_KEYID3, 2));
            }
            d.Click(IDC_PART_OK);
        });
        host.ExpectBox(u"分区配置确认OK", fw::IDOK);
        ASSERT_TRUE(page.Click(IDC_OVPROJ_PARTITION));
        ASSERT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_PARTITION), 1);
        host.OnModal(IDD_UPDATE_CHIP_KEY, [](fw::Dialog& d) {
            for (int id : {IDC_CHIPKEY_NEW1, IDC_CHIPKEY_NEW3})
                EXPECT_TRUE(d.EnterText(id, u"000102030405060708090A0B0C0D0E0F"));
            d.Click(IDC_CHIPKEY_OK);
        });
        host.ExpectBox(u"芯片密钥确认OK", fw::IDOK);
        ASSERT_TRUE(page.Click(IDC_OVPROJ_CHIP_KEY));
        ASSERT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_CHIP_KEY), 1);
        host.OnModal(IDD_ADD_START_ADDRESS, [](fw::Dialog& d) {
            EXPECT_TRUE(d.SelectText(IDC_ADDSTART_PARTITION, u"USER3"));
            d.Click(IDC_ADDSTART_OK);
        });
        host.ExpectOpenFile(dir.Wide("app.bin"));
        ASSERT_TRUE(page.Click(IDC_OVPROJ_ADD));
        ASSERT_EQ(page.m_rows.size(), 1u);
        ASSERT_EQ(page.m_rows[0].partitionId, 2);
    }

    // The project as the page builds and saves it now.
    LinkProject Saved(COVLinkProjectDlg& page) {
        EXPECT_TRUE(page.EnterText(IDC_OVPROJ_NAME, u"Changed"));
        host.ExpectBox(u"没有配置选项字节，下载程序安全性无法保障！是否继续？", fw::IDYES);
        host.OnModal(IDD_PROJECT_FILE_CFG, [](fw::Dialog& d) { d.Click(IDC_PROJCFG_OK); });
        host.ExpectSaveFile(dir.Wide("Changed.ovpf"));
        host.ExpectBox(u"文件保存成功！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_FILE));
        LinkProject saved;
        EXPECT_EQ(OpenLinkProjectFile(dir.Wide("Changed.ovpf"), saved), ProjectFileOpen::Opened);
        return saved;
    }
};

// The partitions count the units of their series and follow its key-id rule, so a project whose series changes
// has them chosen again: also between series that share one option-byte editor (0 and 5, 0 and 9), between two
// whose key ids both run 0 to 31 (0 and 2) and onto a series without chip keys (3). The project then built carries
// nothing of them, not even the file's partition.
TEST_F(ProjectPageSeriesChange, ChangingTheSeriesDropsThePartitionAndKeySteps) {
    const struct {
        const char16_t* from;
        const char16_t* halfFlashUnits;
        const char16_t* to;
    } cases[] = {
        {u"VK517", u"4", u"VK420"}, {u"VK420", u"10", u"VK517"}, {u"VK517", u"4", u"VK73"},
        {u"VK517", u"4", u"VK422"}, {u"VK517", u"4", u"VK232"},
    };
    StartConnected();
    for (const auto& c : cases) {
        SCOPED_TRACE(fw::TextToUtf8(c.from) + " to " + fw::TextToUtf8(c.to));
        std::filesystem::remove(dir.Path() / "Changed.ovpf");
        ProjectSettings() = OfflineProjectSettings{};  // the last case's save left the project read-only
        OnProjectPage([&](COVLinkProjectDlg& page) {
            ChooseSteps(page, c.from, c.halfFlashUnits);
            host.ExpectBox(u"芯片系列已更改，分区配置和芯片密钥更新已清除，请重新配置！", fw::IDOK);
            ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, c.to));
            ExpectNoPartitionSteps(host, page);
            ASSERT_EQ(page.m_rows.size(), 1u);
            EXPECT_EQ(page.m_rows[0].partitionId, 0);
            EXPECT_EQ(Item(page, 0)[4], u"0");

            const LinkProject saved = Saved(page);
            for (std::size_t i = 0; i < 3; ++i) {
                SCOPED_TRACE(i);
                EXPECT_NE(saved.record.chip.partitions[i].marker.Get(), kProjectMarkerValid);
                EXPECT_NE(saved.record.keys.keyMode[i], 1);
            }
            EXPECT_EQ(saved.record.files[0].partitionId, 0);
        });
    }
}

// A layout unticked again stays behind for the box's next tick within its series, never into another.
TEST_F(ProjectPageSeriesChange, AnUntickedLayoutDoesNotFollowIntoAnotherSeries) {
    StartConnected();
    OnProjectPage([&](COVLinkProjectDlg& page) {
        ChooseSteps(page, u"VK517", u"4");
        EXPECT_TRUE(page.Click(IDC_OVPROJ_CHIP_KEY));
        EXPECT_TRUE(page.Click(IDC_OVPROJ_PARTITION));
        ASSERT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_PARTITION), 0);
        ASSERT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_CHIP_KEY), 0);

        host.ExpectBox(u"芯片系列已更改，分区配置和芯片密钥更新已清除，请重新配置！", fw::IDOK);
        ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, u"VK422"));
        ASSERT_TRUE(page.Select(IDC_OVPROJ_INTERFACE, 1));
        ExpectNoPartitionSteps(host, page);
        EXPECT_EQ(page.m_rows[0].partitionId, 0);
    });
}

// Another model, or another name of the same series, counts the same units and key ids: nothing is dropped and
// nothing said.
TEST_F(ProjectPageSeriesChange, AnotherModelOfTheSameSeriesKeepsTheSteps) {
    StartConnected();
    OnProjectPage([&](COVLinkProjectDlg& page) {
        ChooseSteps(page, u"VK517", u"4");
        const std::vector<uint8_t> record(CurrentProjectConfig()->Bytes().begin(),
                                          CurrentProjectConfig()->Bytes().end());
        ASSERT_TRUE(page.Select(IDC_OVPROJ_MODEL, 1));
        ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, u"VK51R"));
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_PARTITION), 1);
        EXPECT_EQ(page.IsDlgButtonChecked(IDC_OVPROJ_CHIP_KEY), 1);
        EXPECT_EQ(ProjectSettings().partitionKeyId, (std::array<uint8_t, 3>{1, 0, 2}));
        EXPECT_EQ(ProjectSettings().chipKeyUpdate, (std::array<uint8_t, 3>{1, 0, 1}));
        EXPECT_TRUE(std::ranges::equal(CurrentProjectConfig()->Bytes(), record));
        EXPECT_EQ(page.m_rows[0].partitionId, 2);

        const LinkProject saved = Saved(page);
        EXPECT_EQ(saved.record.chip.partitions[0].marker.Get(), kProjectMarkerValid);
        EXPECT_EQ(saved.record.chip.partitions[2].keyId, 2);
        EXPECT_EQ(saved.record.keys.keyMode[0], 1);
        EXPECT_EQ(saved.record.keys.keyMode[2], 1);
        EXPECT_EQ(saved.record.files[0].partitionId, 2);
    });
}

// Nothing leaves the page when there is no downloader, and a save dialog cancelled writes nothing.
TEST_F(ProjectPage, SavingWithoutADownloaderOrWithoutAPathLeavesEverythingAsItWas) {
    CopyFlm();
    dir.Write("app.bin", std::string(500, '\x11'));
    ClearProjectConfig();
    StartOnLink();  // not connected
    OnProjectPage([&](COVLinkProjectDlg& page) {
        ASSERT_TRUE(page.SelectText(IDC_OVPROJ_SERIES, u"VK517"));
        ASSERT_TRUE(page.EnterText(IDC_OVPROJ_NAME, u"Quick"));
        Add(page, u"08000000", "app.bin");
        // Refused before the project is built: no setup dialog, no option question, no frame, the record as it was.
        ASSERT_NE(CurrentProjectConfig(), nullptr);
        const std::vector<uint8_t> record(CurrentProjectConfig()->Bytes().begin(),
                                          CurrentProjectConfig()->Bytes().end());
        host.ExpectBox(u"设备没有连接！", fw::IDOK);
        host.ExpectBox(u"保存到下载器失败！", fw::IDOK);
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_TO_LINK));
        EXPECT_TRUE(downloader->ReceivedFrames().empty());
        ASSERT_NE(CurrentProjectConfig(), nullptr);
        EXPECT_TRUE(std::ranges::equal(CurrentProjectConfig()->Bytes(), record));
        EXPECT_TRUE(Enabled(page, IDC_OVPROJ_SAVE_TO_LINK));

        // Built, then the save dialog cancelled: no file, no message, and the project stays editable.
        host.ExpectBox(u"没有配置选项字节，下载程序安全性无法保障！是否继续？", fw::IDYES);
        host.OnModal(IDD_PROJECT_FILE_CFG, [](fw::Dialog& d) { d.Click(IDC_PROJCFG_OK); });
        host.CancelNextFileDialog();
        const std::size_t boxes = host.Boxes().size();
        EXPECT_TRUE(page.Click(IDC_OVPROJ_SAVE_FILE));
        EXPECT_EQ(host.Boxes().size(), boxes + 1) << "only the option question";
        EXPECT_EQ(ProjectSettings().projectEditable, 1u);
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            EXPECT_NE(entry.path().extension(), ".ovpf") << entry.path();
        EXPECT_TRUE(Enabled(page, IDC_OVPROJ_SAVE_FILE));
    });
    ClearProjectConfig();
}

}  // namespace
