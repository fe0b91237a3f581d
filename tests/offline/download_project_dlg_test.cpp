// The download project maker: where Add lets a file go, a project saved and opened again with every kind of row
// and setting, a project opened and saved unchanged written as it was read, and a refused file or step leaving
// the dialog as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/BuiltinKeys.h"
#include "core/Crc32.h"
#include "framework/Files.h"
#include "framework/Resources.h"
#include "framework/host/headless/HeadlessHost.h"
#include "offline/DownloadProjectDlg.h"
#include "offline/OfflineCommands.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/ProjectBuilder.h"
#include "resources/ui/add_start_address.h"
#include "resources/ui/download_project.h"
#include "resources/ui/option_bytes.h"
#include "resources/ui/ovlink_project_dialogs.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/framework/TempFolder.h"
#include "tests/offline/DownloadProjectSamples.h"

namespace {

using fw::Text;
using sealed_project::Bytes;
using sealed_project::Filled;

// Two series of the main flash only, one with the extra windows, and one whose page size the table leaves at 0.
constexpr const char* kTable =
    "CLASS = VK517\nCHIPMARK = VK517C8\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x10000\nPAGESIZE = 0x800\n"
    "SRAMSTARTADDR = 0x20000000\nSRAMSIZE = 0x5000\n"
    "CLASS = VK517\nCHIPMARK = VK517K6\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x8000\nPAGESIZE = 0x800\n"
    "CLASS = VK266\nCHIPMARK = VK266C8\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x8000\nPAGESIZE = 0x200\n"
    "CLASS = VK828\nCHIPMARK = VK828A\nFLASHSTARTADDR = 0x10000000\nFLASHSIZE = 0x40000\nPAGESIZE = 0x1000\n"
    "CLASS = VK420\nCHIPMARK = VK420F\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x4000\nPAGESIZE = 0\n";

const Text kSaved = u"文件保存成功！";
const Text kOpened = u"打开项目文件成功！";
const Text kNoOptionBytes = u"没有配置选项字节，下载程序安全性无法保障！是否继续？";

class DownloadProjectDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousDir = fw::GetWorkingDirectory();
        fw::SetWorkingDirectory(dir.Wide());
        fw::SetResourceLanguage(fw::kLangChinese);
        dir.Write("Series CFG Table.ini", kTable);
        ProjectSettings() = OfflineProjectSettings();
        CDownloadProjectDlg::s_lastFileExt.clear();
        CDownloadProjectDlg::SetStartAddressAsker([this](fw::Window&, uint32_t defaultStart) {
            offeredStart = defaultStart;
            return nextAnswer;
        });
        Open();
    }
    void TearDown() override {
        dlg.reset();
        CDownloadProjectDlg::SetStartAddressAsker(nullptr);
        CDownloadProjectDlg::SetPartitionDialog(nullptr);
        CDownloadProjectDlg::SetChipKeyDialog(nullptr);
        fw::SetWorkingDirectory(m_previousDir);
    }

    void Open() {
        dlg = std::make_unique<CDownloadProjectDlg>();
        ASSERT_TRUE(dlg->Create());
    }

    void Choose(const char16_t* series, int model = 0) {
        ASSERT_TRUE(dlg->SelectText(IDC_DLP_SERIES, series));
        ASSERT_TRUE(dlg->Select(IDC_DLP_MODEL, model));
    }

    // Adds a file of the working folder; the start-address step answers start (and the placement).
    void Add(const std::string& file, const Text& start = u"08000000", FilePlacementPartition placement = {}) {
        nextAnswer = CDownloadProjectDlg::StartAddressAnswer{start, placement};
        host.ExpectOpenFile(dir.Wide(file));
        EXPECT_TRUE(dlg->Click(IDC_DLP_ADD));
    }

    std::vector<Text> ListRow(int i) const {
        std::vector<Text> texts;
        for (int c = 0; c < 5; ++c)
            texts.push_back(dlg->GetDlgItem(IDC_DLP_FILES).GetItemText(i, c));
        return texts;
    }
    int ListCount() const { return dlg->GetDlgItem(IDC_DLP_FILES).GetItemCount(); }
    bool Enabled(int id) const { return dlg->GetDlgItem(id).IsWindowEnabled(); }

    void Save(const std::string& file, const std::vector<Text>& boxes = {kNoOptionBytes, kSaved}) {
        for (const Text& box : boxes)
            host.ExpectBox(box, box == kNoOptionBytes ? fw::IDYES : fw::IDOK);
        host.ExpectSaveFile(dir.Wide(file));
        EXPECT_TRUE(dlg->Click(IDC_DLP_SAVE));
    }
    void OpenProject(const std::string& file, const Text& box = kOpened) {
        host.ExpectOpenFile(dir.Wide(file));
        host.ExpectBox(box, fw::IDOK);
        EXPECT_TRUE(dlg->Click(IDC_DLP_OPEN));
    }
    Bytes FileBytes(const std::string& name) const {
        const std::string s = dir.Read(name);
        return {s.begin(), s.end()};
    }
    void WriteBytes(const std::string& name, const Bytes& bytes) {
        dir.Write(name, std::string(bytes.begin(), bytes.end()));
    }

    fw::HeadlessHost host;
    fw::testing::TempFolder dir;
    std::unique_ptr<CDownloadProjectDlg> dlg;
    std::optional<CDownloadProjectDlg::StartAddressAnswer> nextAnswer;
    uint32_t offeredStart = 0;

private:
    Text m_previousDir;
};

std::string Blob(std::size_t size, uint8_t first) {
    const Bytes b = Filled(size, first);
    return std::string(b.begin(), b.end());
}

// An enciphered image: padded plaintext length, digest and CRC in the 40-byte header, then the ciphertext.
std::string EncFile(uint32_t paddedLength, std::size_t cipherBytes) {
    std::string s(40, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(paddedLength >> (24 - 8 * i));
    for (int i = 4; i < 36; ++i)
        s[i] = static_cast<char>(0x40 + i);
    s[36] = '\x12', s[37] = '\x34', s[38] = '\x56', s[39] = '\x78';
    return s + Blob(cipherBytes, 0x77);
}

std::string HexOf(const std::vector<std::pair<uint32_t, std::size_t>>& runs) {
    std::vector<hexfile::Run> out;
    for (const auto& [start, size] : runs)
        out.push_back({start, Filled(size, static_cast<uint8_t>(start >> 8))});
    return hexfile::Text(out);
}

// Each case lists files already added and then one more; the last one is accepted or refused with the message,
// and a refusal keeps the rows the list had.
TEST_F(DownloadProjectDlgTest, AddPlacesFilesByTheRulesOfTheSeries) {
    struct File {
        std::string name;
        std::string bytes;
        Text start;
        FilePlacementPartition placement{};
    };
    struct Case {
        const char* what;
        const char16_t* series;
        std::vector<File> before;
        File file;
        const char16_t* refusal;  // nullptr: accepted
    };
    const FilePlacementPartition user2{true, 1, 0x08008000, 0x0800C000};
    const FilePlacementPartition user1{true, 0, 0x08008000, 0x0800C000};
    const Case cases[] = {
        {"bin at the flash start", u"VK517", {}, {"a.bin", Blob(0x100, 1), u"08000000"}, nullptr},
        {"start not a multiple of 16",
         u"VK517",
         {},
         {"a.bin", Blob(0x100, 1), u"08000008"},
         u"下载起始地址不是16的倍数！"},
        {"empty bin", u"VK517", {}, {"a.bin", "", u"08000000"}, u"文件大小为0！"},
        {"enc of its header only", u"VK517", {}, {"a.enc", EncFile(0, 0), u"08000000"}, u"文件大小为0！"},
        {"enc whose header announces more",
         u"VK517",
         {},
         {"a.enc", EncFile(0x20, 0x10), u"08000000"},
         u"文件长度不正确！"},
        {"enc whose header announces less",
         u"VK517",
         {},
         {"a.enc", EncFile(0x10, 0x20), u"08000000"},
         u"文件长度不正确！"},
        // The downloader takes ".enc" or ".ENC" anywhere in the name for enciphered; the extension alone does not.
        {"extension enc in mixed case", u"VK517", {}, {"a.Enc", EncFile(0x10, 0x10), u"08000000"}, u"文件类型不正确！"},
        {"bin named .enc before its extension",
         u"VK517",
         {},
         {"a.enc.bin", Blob(0x10, 1), u"08000000"},
         u"文件类型不正确！"},
        {"below the flash",
         u"VK517",
         {},
         {"a.bin", Blob(0x10, 1), u"07FFFFF0"},
         u"下载起始地址不正确，请检查是否超出FLASH范围！"},
        {"far above the flash",
         u"VK517",
         {},
         {"a.bin", Blob(0x10, 1), u"90000000"},
         u"下载起始地址不正确，请检查是否超出FLASH范围！"},
        {"ends exactly at the flash end", u"VK517", {}, {"a.bin", Blob(0x100, 1), u"0800FF00"}, nullptr},
        {"one byte past the flash", u"VK517", {}, {"a.bin", Blob(0x101, 1), u"0800FF00"}, u"下载的位置超出FLASH范围！"},
        {"touching the next file",
         u"VK517",
         {{"b.bin", Blob(0x100, 2), u"08001000"}},
         {"a.bin", Blob(0x100, 1), u"08000F00"},
         nullptr},
        {"one byte into the next file",
         u"VK517",
         {{"b.bin", Blob(0x100, 2), u"08001000"}},
         {"a.bin", Blob(0x101, 1), u"08000F00"},
         u"下载地址有重叠，请确认！"},
        {"starting on the last byte of a file",
         u"VK517",
         {{"b.bin", Blob(0x101, 2), u"08001000"}},
         {"a.bin", Blob(0x10, 1), u"08001100"},
         u"下载地址有重叠，请确认！"},
        {"enclosing a file",
         u"VK517",
         {{"b.bin", Blob(0x10, 2), u"08001000"}},
         {"a.bin", Blob(0x300, 1), u"08000F00"},
         u"下载地址有重叠，请确认！"},
        {"extra window of the series with windows", u"VK266", {}, {"a.bin", Blob(0xE00, 1), u"1FFF0000"}, nullptr},
        {"past the end of that window",
         u"VK266",
         {},
         {"a.bin", Blob(0xE01, 1), u"1FFF0000"},
         u"下载结束地址不正确，请检查是否超出FLASH范围！"},
        {"past its flash end",
         u"VK266",
         {},
         {"a.bin", Blob(0x20, 1), u"08007FF0"},
         u"下载结束地址不正确，请检查是否超出FLASH范围！"},
        {"outside every window",
         u"VK266",
         {},
         {"a.bin", Blob(0x20, 1), u"1FFF0E00"},
         u"下载起始地址不正确，请检查是否超出FLASH范围！"},
        {"windows fill the allowance",
         u"VK266",
         {{"f.bin", Blob(0x8000, 1), u"08000000"}, {"s.bin", Blob(0x3000, 2), u"20001000"}},
         {"w.bin", Blob(0x2000, 3), u"1FFF1000"},
         nullptr},
        {"one file more than the allowance",
         u"VK266",
         {{"f.bin", Blob(0x8000, 1), u"08000000"},
          {"s.bin", Blob(0x3000, 2), u"20001000"},
          {"w.bin", Blob(0x2000, 3), u"1FFF1000"}},
         {"x.bin", Blob(0x10, 4), u"1FFF0000"},
         u"下载的位置超出FLASH范围！"},
        {"USER2 up to the USER3 base", u"VK517", {}, {"a.bin", Blob(0x4000, 1), u"08008000", user2}, nullptr},
        {"USER2 one byte past the USER3 base",
         u"VK517",
         {},
         {"a.bin", Blob(0x4001, 1), u"08008000", user2},
         u"下载的位置超出分区2的范围！"},
        {"USER1 into USER2", u"VK517", {}, {"a.bin", Blob(0x10, 1), u"08007FF8", user1}, u"下载起始地址不是16的倍数！"},
        {"USER1 running into USER2",
         u"VK517",
         {},
         {"a.bin", Blob(0x20, 1), u"08007FF0", user1},
         u"下载的位置超出分区1的范围！"},
        {"HEX at its own addresses", u"VK517", {}, {"a.hex", HexOf({{0x08002000, 0x40}}), u"08000000"}, nullptr},
        {"HEX with more runs than free rows",
         u"VK517",
         {{"1.bin", Blob(0x10, 1), u"08000000"},
          {"2.bin", Blob(0x10, 1), u"08000100"},
          {"3.bin", Blob(0x10, 1), u"08000200"},
          {"4.bin", Blob(0x10, 1), u"08000300"},
          {"5.bin", Blob(0x10, 1), u"08000400"},
          {"6.bin", Blob(0x10, 1), u"08000500"}},
         {"r.hex", HexOf({{0x08002000, 0x10}, {0x08003000, 0x10}, {0x08004000, 0x10}}), u"08000000"},
         u"最多可添加8个文件！"},
        {"name of 33 bytes",
         u"VK517",
         {},
         {std::string(29, 'n') + ".bin", Blob(0x10, 1), u"08000000"},
         u"文件名称长度超过32字节！"},
        {"name of 32 bytes", u"VK517", {}, {std::string(28, 'n') + ".bin", Blob(0x10, 1), u"08000000"}, nullptr},
        {"wrong type", u"VK517", {}, {"a.txt", Blob(0x10, 1), u"08000000"}, u"文件类型不正确！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        Choose(c.series);
        for (const File& f : c.before) {
            dir.Write(f.name, f.bytes);
            Add(f.name, f.start, f.placement);
        }
        ASSERT_EQ(dlg->m_fileCount, c.before.size());
        dir.Write(c.file.name, c.file.bytes);
        if (c.refusal) host.ExpectBox(c.refusal, fw::IDOK);
        Add(c.file.name, c.file.start, c.file.placement);
        const std::size_t expected = c.before.size() + (c.refusal ? 0 : 1);
        EXPECT_EQ(dlg->m_fileCount, expected);
        EXPECT_EQ(ListCount(), static_cast<int>(expected));
    }
    // The step that asks for the address offers the model's flash start.
    EXPECT_EQ(offeredStart, 0x08000000u);
}

// Which steps a model allows, by the names in the model (the first of its series, which choosing the series
// selects), typed from the maker's rules: "VK23W" and "VKS90" allow none of the three, "VK42W" only the option
// bytes; the same series code with another model allows all three.
TEST_F(DownloadProjectDlgTest, ModelNamesDecideTheStepsOffered) {
    dir.Write(
        "Series CFG Table.ini",
        "CLASS = VK517\nCHIPMARK = VK517C8\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x10000\nPAGESIZE = 0x800\n"
        "CLASS = VK517B\nCHIPMARK = VK23W8\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x10000\nPAGESIZE = 0x800\n"
        "CLASS = VK517S\nCHIPMARK = VKS90A\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x10000\nPAGESIZE = 0x800\n"
        "CLASS = VK517W\nCHIPMARK = VK42W1\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x10000\nPAGESIZE = 0x800\n");
    CDownloadProjectDlg::SetPartitionDialog([](fw::Window&) { return true; });
    CDownloadProjectDlg::SetChipKeyDialog([](fw::Window&) { return true; });
    struct Offered {
        const char16_t* series;
        bool optionBytes, partitions, updateKey;
    };
    const Offered rows[] = {{u"VK517", true, true, true},
                            {u"VK517B", false, false, false},
                            {u"VK517S", false, false, false},
                            {u"VK517W", true, false, false}};
    Open();
    for (const Offered& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.series));
        Choose(row.series);
        EXPECT_EQ(Enabled(IDC_DLP_SET_OPTION_BYTE), row.optionBytes);
        EXPECT_EQ(Enabled(IDC_DLP_SET_PARTITION), row.partitions);
        EXPECT_EQ(Enabled(IDC_DLP_UPDATE_KEY), row.updateKey);
    }
}

// A series whose partitions have no keys of their own keeps the whole key record erased, even with partitions
// set; another series gets the partitions' default keys.
TEST_F(DownloadProjectDlgTest, SeriesWithoutPartitionKeysKeepTheKeyRecordErased) {
    dir.Write(
        "Series CFG Table.ini",
        "CLASS = VK232\nCHIPMARK = VK232C6\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x10000\nPAGESIZE = 0x800\n"
        "CLASS = VK517\nCHIPMARK = VK517C8\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x10000\nPAGESIZE = 0x800\n");
    CDownloadProjectDlg::SetPartitionDialog([](fw::Window&) {
        OfflineProjectSettings& s = ProjectSettings();
        s.partitionConfigured = {kProjectMarkerValid, kProjectMarkerAbsent, kProjectMarkerAbsent};
        s.partitionSize = {0, 0, 0};
        s.partitionKeyId = {3, 0, 0};
        s.partitionFlags = {0x11, 0, 0};
        return true;
    });
    dir.Write("app.bin", Blob(0x300, 1));
    for (const char16_t* series : {u"VK232", u"VK517"}) {
        SCOPED_TRACE(fw::TextToUtf8(series));
        Open();
        Choose(series);
        ASSERT_TRUE(dlg->Tick(IDC_DLP_SET_PARTITION, true));
        Add("app.bin", u"08000000", FilePlacementPartition{true, 0, 0x08008000, 0});
        ASSERT_EQ(dlg->m_fileCount, 1);
        Save("keys.dlpf");
        DownloadProject saved;
        ASSERT_TRUE(ParseDownloadProjectFile(FileBytes("keys.dlpf"), saved));
        const ProjectKeyRecord& keys = saved.record.keys;
        const auto* bytes = reinterpret_cast<const uint8_t*>(&keys);
        const bool erased = std::all_of(bytes, bytes + sizeof keys, [](uint8_t b) { return b == 0xFF; });
        EXPECT_EQ(erased, fw::TextView(series) == u"VK232");
        if (!erased) {
            EXPECT_EQ(keys.keyMode[0], 0);
            EXPECT_EQ(keys.keyId[0], 3);
        }
    }
}

// The partition step counts one series' units and follows its key ids: changing the series afterwards drops it and
// the chip-key step built on it, says so, and the project then saved configures no partition and replaces no key.
// Choosing another model of the same series keeps both.
TEST_F(DownloadProjectDlgTest, ChangingTheSeriesDropsThePartitionAndKeySteps) {
    CDownloadProjectDlg::SetPartitionDialog([](fw::Window&) {
        OfflineProjectSettings& s = ProjectSettings();
        s.partitionConfigured = {kProjectMarkerValid, kProjectMarkerAbsent, kProjectMarkerAbsent};
        s.partitionSize = {0, 0, 0};
        s.partitionKeyId = {3, 0, 0};
        s.partitionFlags = {0x10, 0, 0};
        return true;
    });
    CDownloadProjectDlg::SetChipKeyDialog([](fw::Window&) {
        OfflineProjectSettings& s = ProjectSettings();
        s.chipKeyUpdate = {1, 0, 0};
        s.chipKeyId = {3, 0, 0};
        s.chipKeyNew[0].fill(0x21);
        return true;
    });
    Open();
    Choose(u"VK517");
    ASSERT_TRUE(dlg->Tick(IDC_DLP_SET_PARTITION, true));
    ASSERT_TRUE(dlg->Tick(IDC_DLP_UPDATE_KEY, true));
    ASSERT_TRUE(dlg->Select(IDC_DLP_MODEL, 1));
    EXPECT_TRUE(dlg->IsDlgButtonChecked(IDC_DLP_SET_PARTITION));
    dir.Write("user3.bin", Blob(0x100, 3));
    Add("user3.bin", u"08004000", FilePlacementPartition{true, 2, 0, 0x08004000});
    ASSERT_EQ(dlg->m_fileCount, 1);
    ASSERT_EQ(ListRow(0)[4], u"2");

    host.ExpectBox(u"芯片系列已更改，分区配置和芯片密钥更新已清除，请重新配置！", fw::IDOK);
    Choose(u"VK420");

    // The file stays where it was put, no longer in a partition.
    EXPECT_EQ(ListRow(0)[4], u"0");
    EXPECT_FALSE(dlg->IsDlgButtonChecked(IDC_DLP_SET_PARTITION));
    EXPECT_FALSE(dlg->IsDlgButtonChecked(IDC_DLP_UPDATE_KEY));
    EXPECT_EQ(ProjectSettings().partitionConfigured, (std::array<uint32_t, 3>{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(ProjectSettings().chipKeyUpdate, (std::array<uint8_t, 3>{0, 0, 0}));
    dir.Write("app.bin", Blob(0x300, 1));
    Add("app.bin");
    Save("changed.dlpf");
    DownloadProject saved;
    ASSERT_TRUE(ParseDownloadProjectFile(FileBytes("changed.dlpf"), saved));
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(saved.record.chip.partitions[i].marker.Get(), kProjectMarkerValid);
        EXPECT_NE(saved.record.keys.keyMode[i], 1);
    }
    EXPECT_EQ(saved.record.files[0].partitionId, 0);
}

// A new project's first Set Partition starts from its erased record, not from the partitions another dialog left in
// the shared settings; the next one from what was confirmed. Confirming with files listed empties the list.
TEST_F(DownloadProjectDlgTest, SetPartitionStartsFromTheNewProjectsRecordAndEmptiesTheList) {
    OfflineProjectSettings& shared = ProjectSettings();
    shared.partitionConfigured = {kProjectMarkerValid, kProjectMarkerValid, kProjectMarkerValid};
    shared.partitionSize = {1, 2, 3};
    shared.partitionKeyId = {7, 8, 9};
    shared.partitionFlags = {0x11, 0x11, 0x11};
    struct Seen {
        std::array<uint32_t, 3> configured;
        std::array<uint8_t, 3> size, keyId, flags;
    };
    std::vector<Seen> seen;
    CDownloadProjectDlg::SetPartitionDialog([&](fw::Window&) {
        OfflineProjectSettings& s = ProjectSettings();
        seen.push_back({s.partitionConfigured, s.partitionSize, s.partitionKeyId, s.partitionFlags});
        s.partitionConfigured = {kProjectMarkerValid, kProjectMarkerAbsent, kProjectMarkerAbsent};
        s.partitionSize = {0, 0, 0};
        s.partitionKeyId = {4, 0, 0};
        s.partitionFlags = {0x10, 0, 0};
        return true;
    });
    Open();
    Choose(u"VK517");
    dir.Write("app.bin", Blob(0x300, 1));
    Add("app.bin");
    ASSERT_EQ(dlg->m_fileCount, 1);
    host.ExpectBox(u"分区下载，请重新添加下载文件！", fw::IDOK);
    ASSERT_TRUE(dlg->Tick(IDC_DLP_SET_PARTITION, true));
    EXPECT_EQ(dlg->m_fileCount, 0);
    EXPECT_EQ(ListCount(), 0);
    ASSERT_TRUE(dlg->Tick(IDC_DLP_SET_PARTITION, false));
    ASSERT_TRUE(dlg->Tick(IDC_DLP_SET_PARTITION, true));

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].configured, (std::array<uint32_t, 3>{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(seen[0].keyId, (std::array<uint8_t, 3>{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(seen[0].size, (std::array<uint8_t, 3>{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(seen[1].configured,
              (std::array<uint32_t, 3>{kProjectMarkerValid, kProjectMarkerAbsent, kProjectMarkerAbsent}));
    EXPECT_EQ(seen[1].keyId, (std::array<uint8_t, 3>{4, 0, 0}));
    EXPECT_EQ(seen[1].flags, (std::array<uint8_t, 3>{0x10, 0, 0}));
}

// Everything a project holds goes through its file: rows of each kind at their addresses and partitions, the
// partitions and key updates the page's dialogs leave in the shared settings, the option bytes the editor
// confirmed. Opened again it shows the same rows and settings, locked; saved again unchanged it is the same file.
TEST_F(DownloadProjectDlgTest, SaveAndOpenKeepEveryRowAndSetting) {
    CDownloadProjectDlg::SetPartitionDialog([](fw::Window&) {
        OfflineProjectSettings& s = ProjectSettings();
        s.partitionConfigured = {kProjectMarkerValid, kProjectMarkerValid, kProjectMarkerAbsent};
        s.partitionSize = {0, 4, 0};
        s.partitionKeyId = {3, 5, 0};
        s.partitionFlags = {0x11, 0x00, 0x00};
        return true;
    });
    CDownloadProjectDlg::SetChipKeyDialog([](fw::Window&) {
        OfflineProjectSettings& s = ProjectSettings();
        s.chipKeyUpdate = {1, 0, 0};
        s.chipKeyId = {3, 0, 0};
        s.chipKeyNew[0].fill(0x21);
        s.chipKeyOld[0].fill(0x43);
        return true;
    });
    Open();
    Choose(u"VK517");
    ASSERT_TRUE(dlg->Tick(IDC_DLP_SET_PARTITION, true));
    EXPECT_EQ(ProjectSettings().partitionMode, 1u);
    ASSERT_TRUE(dlg->Tick(IDC_DLP_UPDATE_KEY, true));
    host.OnModal(IDD_WRITE_BYTE_LINK, [](fw::Dialog& d) {
        EXPECT_TRUE(d.Tick(IDC_OB_WDG_SW, false));
        d.Click(IDC_OB_CONFIRM);
    });
    host.ExpectBox(u"选项字节确认OK！", fw::IDOK);
    ASSERT_TRUE(dlg->Tick(IDC_DLP_SET_OPTION_BYTE, true));
    EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_DLP_SET_OPTION_BYTE), 1);
    const ProjectOptionBytes options = dlg->m_optionBytes;
    EXPECT_NE(options, ProjectOptionBytes{});

    const FilePlacementPartition user1{true, 0, 0x08008000, 0};
    const FilePlacementPartition user2{true, 1, 0x08008000, 0};
    dir.Write("app.bin", Blob(0x300, 1));
    dir.Write("boot.hex", HexOf({{0x08002000, 0x40}, {0x08003000, 0x24}}));
    dir.Write("user.enc", EncFile(0x200, 0x200));
    Add("app.bin", u"08000000", user1);
    Add("boot.hex", u"08000000", user1);
    Add("user.enc", u"08008000", user2);
    ASSERT_EQ(dlg->m_fileCount, 4);
    const std::vector<std::vector<Text>> shown = {ListRow(0), ListRow(1), ListRow(2), ListRow(3)};
    EXPECT_EQ(shown[0], (std::vector<Text>{u"1", u"app.bin", u"768", u"08000000-080002FF", u"0"}));
    EXPECT_EQ(shown[2], (std::vector<Text>{u"3", u"boot.hex", u"36", u"08003000-08003023", u"0"}));
    EXPECT_EQ(shown[3], (std::vector<Text>{u"4", u"user.enc", u"512", u"08008000-080081FF", u"1"}));

    Save("p.dlpf", {kSaved});
    EXPECT_EQ(dlg->m_editable, 0u);
    EXPECT_FALSE(Enabled(IDC_DLP_ADD));
    DownloadProject saved;
    ASSERT_TRUE(ParseDownloadProjectFile(FileBytes("p.dlpf"), saved));
    const ProjectConfig& r = saved.record;
    ASSERT_EQ(saved.rows.size(), 4u);
    EXPECT_EQ(saved.rows[0].data, Filled(0x300, 1));
    EXPECT_EQ(saved.rows[1].start, 0x08002000u);
    EXPECT_EQ(saved.rows[2].data, Filled(0x24, 0x30));
    EXPECT_EQ(saved.rows[3].data, Filled(0x200, 0x77));
    EXPECT_EQ(saved.rows[3].partition, 1);
    EXPECT_EQ(r.files[3].plainSize.Get(), 0x200u);
    EXPECT_EQ(r.files[3].plainCrc.Get(), 0x12345678u);
    EXPECT_EQ(r.files[3].storedSize.Get(), 0x200u);
    // A plain image shorter than a page is checked over its page as the chip holds it.
    EXPECT_EQ(r.files[2].plainCrc.Get(), ProjectImageCrc(Filled(0x24, 0x30), 0x08003000, 0x800));
    EXPECT_EQ(r.chip.partitions[0].marker.Get(), kProjectMarkerValid);
    EXPECT_EQ(r.chip.partitions[1].size, 4);
    EXPECT_EQ(r.chip.partitions[0].flags, 0x11);
    EXPECT_EQ(r.chip.partitions[2].marker.Get(), kProjectMarkerAbsent);
    EXPECT_EQ(r.keys.keyMode[0], 1);
    EXPECT_EQ(r.keys.keyId[0], 3);
    EXPECT_EQ(r.keys.newKey[0], (std::array<uint8_t, 16>{0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21,
                                                         0x21, 0x21, 0x21, 0x21, 0x21, 0x21}));
    EXPECT_EQ(r.keys.keyMode[1], 0);
    EXPECT_EQ(r.keys.keyId[1], 5);
    EXPECT_EQ(r.keys.newKey[1], WrapDefaultChipKey(g_defaultChipKeys[5]));
    EXPECT_EQ(r.keys.keyMode[2], 0xFF);
    EXPECT_EQ(r.chip.option.marker.Get(), kProjectMarkerValid);
    EXPECT_EQ(r.chip.option.optionBytes, options);
    EXPECT_EQ(r.targetInterface, 0xFF);

    ASSERT_TRUE(dlg->Click(IDC_DLP_NEW));
    EXPECT_EQ(ListCount(), 0);
    OpenProject("p.dlpf");
    ASSERT_EQ(dlg->m_fileCount, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ListRow(i), shown[i]) << i;
    EXPECT_EQ(dlg->m_optionBytes, options);
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DLP_SERIES), u"VK517");
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DLP_MODEL), u"VK517C8");
    for (int id : {IDC_DLP_SET_PARTITION, IDC_DLP_UPDATE_KEY, IDC_DLP_SET_OPTION_BYTE})
        EXPECT_EQ(dlg->IsDlgButtonChecked(id), 1) << id;
    for (int id : {IDC_DLP_ADD, IDC_DLP_DEL, IDC_DLP_SERIES, IDC_DLP_MODEL, IDC_DLP_UPDATE_KEY})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(IDC_DLP_SAVE));

    // Saved again as it was opened: the same record, serial and file times included, and the same data.
    Save("q.dlpf", {kSaved});
    EXPECT_EQ(FileBytes("q.dlpf"), FileBytes("p.dlpf"));
}

// A file the reader refuses, whatever is wrong with it, leaves the project shown as it was: rows, their count,
// the list, the record that a later Save writes, and the boxes.
TEST_F(DownloadProjectDlgTest, ARefusedFileLeavesTheProjectShownAsItWas) {
    using namespace download_project_samples;
    WriteBytes("good.dlpf", Encode(ThreeRowProject()));
    OpenProject("good.dlpf");
    ASSERT_EQ(dlg->m_fileCount, 3);
    const ProjectConfig record = dlg->m_record;
    std::vector<std::vector<Text>> list;
    for (int i = 0; i < ListCount(); ++i)
        list.push_back(ListRow(i));
    std::vector<Bytes> data;
    for (const ProjectFileRow& row : dlg->m_rows)
        data.push_back(row.data);
    const ProjectOptionBytes options = dlg->m_optionBytes;

    for (const DamagedFile& damaged : DamagedFiles()) {
        SCOPED_TRACE(damaged.what);
        WriteBytes("bad.dlpf", damaged.file());
        OpenProject("bad.dlpf", u"项目文件打开失败！");
        EXPECT_EQ(dlg->m_fileCount, 3);
        EXPECT_TRUE(std::ranges::equal(dlg->m_record.Bytes(), record.Bytes()));
        for (std::size_t i = 0; i < dlg->m_rows.size(); ++i)
            EXPECT_EQ(dlg->m_rows[i].data, data[i]) << i;
        ASSERT_EQ(ListCount(), static_cast<int>(list.size()));
        for (int i = 0; i < ListCount(); ++i)
            EXPECT_EQ(ListRow(i), list[i]) << i;
        EXPECT_EQ(dlg->m_optionBytes, options);
        EXPECT_EQ(dlg->m_editable, 0u);
        EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_DLP_SET_OPTION_BYTE), 1);
    }
    // Still the project that was opened: saved, it is that record and those files again.
    Save("again.dlpf", {kSaved});
    DownloadProject saved;
    ASSERT_TRUE(ParseDownloadProjectFile(FileBytes("again.dlpf"), saved));
    EXPECT_TRUE(std::ranges::equal(saved.record.Bytes(), record.Bytes()));
    ASSERT_EQ(saved.rows.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(saved.rows[i].data, data[i]) << i;
}

TEST_F(DownloadProjectDlgTest, ARowWithoutPartitionShowsAndStoresUser1) {
    using namespace download_project_samples;
    Sample sample = ThreeRowProject();
    ASSERT_EQ(sample.record.files[0].partitionId, 0xFF);
    WriteBytes("p.dlpf", Encode(sample));
    OpenProject("p.dlpf");
    EXPECT_EQ(ListRow(0)[4], u"0");
    EXPECT_EQ(dlg->m_rows[0].partitionId, 0);
    Save("q.dlpf", {kSaved});
    DownloadProject saved;
    ASSERT_TRUE(ParseDownloadProjectFile(FileBytes("q.dlpf"), saved));
    EXPECT_EQ(Unseal(FileBytes("q.dlpf"))[4 + 8 * 4 + offsetof(ProjectConfig, files) + 5], 0);
}

// Choosing a series decides which boxes are offered; re-enabling the buttons after a refused save must not offer
// what the series does not allow, and a project opened over a chosen series lists each model once.
TEST_F(DownloadProjectDlgTest, TheSeriesRulesHoldAfterASaveAndAnOpen) {
    Choose(u"VK828");  // the security chip: its option bytes are not the project's to set
    EXPECT_FALSE(Enabled(IDC_DLP_SET_OPTION_BYTE));
    host.ExpectBox(u"请先添加下载文件！", fw::IDOK);
    ASSERT_TRUE(dlg->Click(IDC_DLP_SAVE));
    EXPECT_EQ(dlg->m_editable, 1u);
    EXPECT_FALSE(Enabled(IDC_DLP_SET_OPTION_BYTE));
    EXPECT_TRUE(Enabled(IDC_DLP_ADD));

    Choose(u"VK517");
    ASSERT_EQ(dlg->GetDlgItem(IDC_DLP_MODEL).GetCount(), 2);
    WriteBytes("p.dlpf", download_project_samples::Encode(download_project_samples::ThreeRowProject()));
    OpenProject("p.dlpf");
    EXPECT_EQ(dlg->GetDlgItem(IDC_DLP_MODEL).GetCount(), 2);
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DLP_MODEL), u"VK517C8");
}

// A table whose page size is 0 leaves a short image to the multiple-of-16 rule instead of dividing by it.
TEST_F(DownloadProjectDlgTest, APageSizeOfZeroStillBuilds) {
    Choose(u"VK420");
    dir.Write("a.bin", Blob(0x21, 5));
    Add("a.bin");
    ASSERT_EQ(dlg->m_fileCount, 1);
    Save("p.dlpf");
    DownloadProject saved;
    ASSERT_TRUE(ParseDownloadProjectFile(FileBytes("p.dlpf"), saved));
    Bytes padded = Filled(0x21, 5);
    padded.resize(0x30, 0xFF);
    EXPECT_EQ(saved.record.files[0].plainCrc.Get(),
              Crc32Buffer(padded.data(), static_cast<int>(padded.size()), nullptr));
    EXPECT_EQ(saved.record.chip.pageSize.Get(), 0u);
}

TEST_F(DownloadProjectDlgTest, DeletingTheMiddleRowMovesTheLastUp) {
    Choose(u"VK517");
    for (int i = 0; i < 3; ++i) {
        const std::string name = std::to_string(i) + ".bin";
        dir.Write(name, Blob(0x10 * (i + 1), static_cast<uint8_t>(i)));
        Add(name, i == 0 ? u"08000000" : i == 1 ? u"08001000" : u"08002000");
    }
    ASSERT_TRUE(dlg->Select(IDC_DLP_FILES, 1));
    ASSERT_TRUE(dlg->Click(IDC_DLP_DEL));
    ASSERT_EQ(dlg->m_fileCount, 2);
    EXPECT_EQ(ListRow(0), (std::vector<Text>{u"1", u"0.bin", u"16", u"08000000-0800000F", u"0"}));
    EXPECT_EQ(ListRow(1), (std::vector<Text>{u"2", u"2.bin", u"48", u"08002000-0800202F", u"0"}));
    EXPECT_EQ(dlg->m_rows[1].data, Filled(0x30, 2));
    EXPECT_TRUE(dlg->m_rows[2].data.empty());
    // Nothing selected: the last row goes.
    ASSERT_TRUE(dlg->Click(IDC_DLP_DEL));
    EXPECT_EQ(dlg->m_fileCount, 1);
    ASSERT_TRUE(dlg->Click(IDC_DLP_DEL));
    host.ExpectBox(u"没有可删除的文件！", fw::IDOK);
    ASSERT_TRUE(dlg->Click(IDC_DLP_DEL));
}

// Without the project page's steps their button and boxes are not offered; the program puts its start-address,
// partition and chip-key dialogs there.
TEST_F(DownloadProjectDlgTest, StepsOfThePageAreOfferedOnlyOnceThere) {
    CDownloadProjectDlg::SetStartAddressAsker(nullptr);
    Open();
    Choose(u"VK517");
    for (int id : {IDC_DLP_ADD, IDC_DLP_SET_PARTITION, IDC_DLP_UPDATE_KEY})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(IDC_DLP_SET_OPTION_BYTE));

    RegisterOfflineCommands();
    Open();
    Choose(u"VK517");
    EXPECT_TRUE(Enabled(IDC_DLP_ADD));
    host.OnModal(IDD_ADD_START_ADDRESS, [](fw::Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_ADDSTART_ADDRESS), u"08000000");  // the model's flash start
        d.EnterText(IDC_ADDSTART_ADDRESS, u"08001000");
        d.Click(IDC_ADDSTART_OK);
    });
    dir.Write("a.bin", Blob(0x20, 1));
    host.ExpectOpenFile(dir.Wide("a.bin"));
    ASSERT_TRUE(dlg->Click(IDC_DLP_ADD));
    ASSERT_EQ(dlg->m_fileCount, 1);
    EXPECT_EQ(ListRow(0)[3], u"08001000-0800101F");
    EXPECT_TRUE(Enabled(IDC_DLP_SET_PARTITION));
    EXPECT_TRUE(Enabled(IDC_DLP_UPDATE_KEY));
    host.OnModal(IDD_PARTITION_CFG_LINK, [](fw::Dialog& d) { d.Click(fw::IDCANCEL); });
    ASSERT_TRUE(dlg->Tick(IDC_DLP_SET_PARTITION, true));
    EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_DLP_SET_PARTITION), 0);  // not confirmed
    EXPECT_EQ(ProjectSettings().partitionMode, 0u);
    EXPECT_EQ(host.ModalsRun(), (std::vector<int>{IDD_ADD_START_ADDRESS, IDD_PARTITION_CFG_LINK}));
}

}  // namespace
