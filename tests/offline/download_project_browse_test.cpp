// A download project chosen with Browse in the main window: its files become the download items at their
// addresses, its option bytes go to the job, a damaged file loads nothing, a project for another chip is refused,
// and a download of it programs every file where the project puts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "app/ChipKeyStore.h"
#include "app/ChipSeries.h"
#include "app/DownloadCounters.h"
#include "app/program/ProgramCommands.h"
#include "core/BuiltinKeys.h"
#include "core/Crc32.h"
#include "core/HexText.h"
#include "framework/Format.h"
#include "offline/ByteStringName.h"
#include "offline/DownloadProjectFile.h"
#include "offline/OfflineCommands.h"
#include "offline/ProjectFileContainer.h"
#include "optionbytes/OptionByteEditor.h"
#include "optionbytes/ProjectOptionTexts.h"
#include "resources/ui/add_start_address.h"
#include "resources/ui/download_project.h"
#include "resources/ui/option_bytes.h"
#include "resources/ui/write_protect.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/offline/ClosedUpdatePort.h"

namespace {

struct Row {
    std::string_view name;
    uint32_t start;
    std::vector<uint8_t> data;
    uint8_t partition = 0xFF;  // as the maker stores a file of USER1
};

class DownloadProjectBrowse : public MainWindowFixture {
protected:
    static constexpr const char* kUsartPort = "/dev/ttyUSB0";

    // Once the offline subsystem is registered, every window checks for updates at start-up: it asks nobody.
    ClosedUpdatePort closedUpdatePort;

    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }

    // Writes the project file: the rows in slot order, all in the main flash item; option bytes when given.
    fw::Text WriteProject(const std::string& file, fw::TextView series, const std::vector<Row>& rows,
                          std::optional<std::array<uint8_t, 20>> options = std::nullopt,
                          const std::function<void(ProjectConfig&)>& adjust = {}) {
        ProjectConfig r = ProjectConfig::Blank();
        r.fileCount = static_cast<uint8_t>(rows.size());
        std::vector<std::vector<uint8_t>> data;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ProjectFileRecord& f = r.files[i];
            f.marker.Set(kProjectMarkerValid);
            f.index = static_cast<uint8_t>(i);
            f.partitionId = rows[i].partition;
            f.nameLength = static_cast<uint8_t>(rows[i].name.size());
            std::ranges::copy(rows[i].name, f.name.begin());
            f.plainSize.Set(static_cast<uint32_t>(rows[i].data.size()));
            f.storedSize.Set(static_cast<uint32_t>(rows[i].data.size()));
            f.startAddress.Set(rows[i].start);
            data.push_back(rows[i].data);
        }
        const std::vector<uint8_t> name = NameToByteString(series);
        r.chip.seriesLength = static_cast<uint8_t>(name.size());
        std::ranges::copy(name, r.chip.series.begin());
        if (options) {
            r.chip.option.marker.Set(kProjectMarkerValid);
            r.chip.option.optionBytes = *options;
        }
        if (adjust) adjust(r);
        EXPECT_TRUE(WriteDownloadProjectFile(dir.Wide(file), r, data));
        return dir.Wide(file);
    }

    // A project adjustment that configures one partition.
    static std::function<void(ProjectConfig&)> WithPartition(uint8_t index, uint8_t size, uint8_t keyId,
                                                             uint8_t flags) {
        return [=](ProjectConfig& r) {
            ProjectPartitionEntry& entry = r.chip.partitions[index];
            entry.marker.Set(kProjectMarkerValid);
            entry.index = index;
            entry.size = size;
            entry.keyId = keyId;
            entry.flags = flags;
        };
    }

    void Browse(CQXDownloadToolDlg& w, const fw::Text& path) {
        host.ExpectOpenFile(path);
        w.Click(IDC_BTN_BROWSE);
    }

    // Download pressed in test mode; true once the job has ended and said the program was downloaded.
    bool Download(CQXDownloadToolDlg& w) {
        const size_t panesBefore = host.PaneTexts(2).size();
        if (!w.Click(IDC_BTN_DOWNLOAD)) return false;
        if (!host.PumpUntil([&] { return Idle() && host.PaneTexts(2).size() > panesBefore; }, std::chrono::seconds(30)))
            return false;
        return LogHas(u"程序下载完成！");
    }

    // A new window connected over USART to a new chip of the series, alone on the simulator, with no records.
    // optionImage, when given, is the chip's option image instead of a fresh chip's. A download configures the
    // partitions of a chip it has not configured before, told apart by the UCID: ucid, when given, fills the chip's.
    CQXDownloadToolDlg& ConnectNewChip(uint8_t series, const std::vector<uint8_t>& optionImage = {}, uint8_t ucid = 0) {
        window.reset();
        ovsim::Reset();
        host.ClearRecords();
        ovsim::ChipSpec chip = Chip(series);
        if (ucid != 0) chip.ucid.assign(16, ucid);
        ovsim::Attach(OV_IFACE_USART, kUsartPort, chip);
        if (!optionImage.empty()) ovsim::SetOptionImage(kUsartPort, optionImage);
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        return w;
    }

    // The production Download pressed with the counters at 0; true once each of `chips` workers has reported.
    bool ProductionDownload(CQXDownloadToolDlg& w, size_t chips) {
        {
            fw::ScopedLock lock(g_csCounters);
            g_passCount = g_failCount = 0;
        }
        const size_t reportsBefore = host.PaneTexts(3).size();
        if (!w.Click(IDC_BTN_PRODUCTION_DOWNLOAD)) return false;
        return host.PumpUntil(
            [&] {
                fw::ScopedLock lock(g_csCounters);
                return g_activeWorkers == 0 && host.PaneTexts(3).size() >= reportsBefore + chips;
            },
            std::chrono::seconds(30));
    }

    // File → make the download project for the connected chip: the image at `address`, saved as "made.dlpf"; with
    // `editOptions`, the "Set Option Byte" box is ticked and the script runs in the project's option-byte editor.
    void MakeProject(CQXDownloadToolDlg& w, const std::vector<uint8_t>& image, const fw::Text& address,
                     const std::function<void(fw::Dialog&)>& editOptions = {}) {
        RegisterOfflineCommands();
        const std::string model = fw::TextToUtf8(w.m_chipModel);
        dir.Write("Series CFG Table.ini", "CLASS = " + model + "\nCHIPMARK = " + model +
                                              "\nFLASHSTARTADDR = 0x08000000\nFLASHSIZE = 0x10000\nPAGESIZE = 0x800\n");
        dir.Write("app.bin", std::string(image.begin(), image.end()));
        ASSERT_TRUE(w.GetMenu().IsEnabled(ID_MAKE_DOWNLOAD_PROJECT_FILES));
        host.OnModal(IDD_ADD_START_ADDRESS, [&](fw::Dialog& d) {
            d.EnterText(IDC_ADDSTART_ADDRESS, address);
            d.Click(IDC_ADDSTART_OK);
        });
        host.OnModal(IDD_DOWNLOAD_PROJECT, [&](fw::Dialog& d) {
            EXPECT_TRUE(d.Select(IDC_DLP_SERIES, 0));
            host.ExpectOpenFile(dir.Wide("app.bin"));
            EXPECT_TRUE(d.Click(IDC_DLP_ADD));
            if (editOptions) {
                const uint8_t s = w.m_chipSeries;
                const bool second = s == 3 || s == 4 || s == 6 || s == 7 || s == 11 || s == 12;
                host.OnModal(second ? IDD_WRITE_BYTE_LINK2 : IDD_WRITE_BYTE_LINK, editOptions);
                EXPECT_TRUE(d.Tick(IDC_DLP_SET_OPTION_BYTE, true));
            } else {
                host.ExpectBox(u"没有配置选项字节，下载程序安全性无法保障！是否继续？", fw::IDYES);
            }
            host.ExpectSaveFile(dir.Wide("made.dlpf"));
            host.ExpectBox(u"文件保存成功！", fw::IDOK);
            EXPECT_TRUE(d.Click(IDC_DLP_SAVE));
            d.CloseByUser();
        });
        ASSERT_TRUE(w.ChooseMenu(ID_MAKE_DOWNLOAD_PROJECT_FILES));
    }

    bool Idle() const {
        fw::ScopedLock lock(g_csCounters);
        return g_activeWorkers == 0 && g_channels[0].worker.load() == nullptr;
    }

    static std::vector<uint8_t> Pattern(std::size_t size, uint8_t seed) {
        std::vector<uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<uint8_t>(seed + i * 7);
        return bytes;
    }
};

TEST_F(DownloadProjectBrowse, FilesBecomeSegmentsAtTheirAddressesAndTheOptionBytesGoToTheJob) {
    std::array<uint8_t, 20> options{};
    std::ranges::fill(options, 0x3C);
    const std::vector<Row> rows = {{"app.bin", 0x08000000, Pattern(1000, 1)}, {"data.bin", 0x08004000, Pattern(32, 9)}};
    const fw::Text path = WriteProject("line.dlpf", u"VK517C8", rows, options);
    CQXDownloadToolDlg& w = Start();
    Browse(w, path);

    EXPECT_TRUE(LogHas(u"文件加载成功！"));
    // Each range ends at the file's own last byte and the size counts the files' own bytes, as for every other
    // file: the padding to 16 bytes is programmed, not logged.
    EXPECT_TRUE(LogHas(u"文件地址范围1：0x08000000-0x080003E7"));
    EXPECT_TRUE(LogHas(u"文件地址范围2：0x08004000-0x0800401F"));
    EXPECT_TRUE(LogHas(u"文件大小：1032 byte"));
    const DownloadItem& item = w.m_items[0];
    ASSERT_EQ(item.segmentCount, 2u);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(item.address[k], rows[k].start);
        ASSERT_EQ(item.length[k], (rows[k].data.size() + 15) / 16 * 16);
        EXPECT_TRUE(std::equal(rows[k].data.begin(), rows[k].data.end(), item.data[k].begin()));
        EXPECT_TRUE(std::all_of(item.data[k].begin() + static_cast<long>(rows[k].data.size()), item.data[k].end(),
                                [](uint8_t b) { return b == 0xFF; }));
    }
    EXPECT_EQ(w.m_chipSeries, 0);
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_START_ADDR), u"08000000");
    EXPECT_FALSE(w.GetDlgItem(IDC_EDIT_START_ADDR).IsWindowEnabled());
    EXPECT_EQ(w.m_writeOptionBytes, 1);
    const auto settings = w.TakeJobSettings();
    ASSERT_TRUE(settings->projectOptionBytes.has_value());
    EXPECT_EQ(*settings->projectOptionBytes, options);

    // A plain file chosen next takes the project's option bytes out of the job.
    dir.Write("app.bin", std::string(64, '\x11'));
    Browse(w, dir.Wide("app.bin"));
    EXPECT_FALSE(w.TakeJobSettings()->projectOptionBytes.has_value());
    EXPECT_EQ(w.m_writeOptionBytes, 0);
}

// The same file logs the same range and size whichever road it comes by: in a project, as a HEX file, as a bin
// file at the same start.
TEST_F(DownloadProjectBrowse, AFileLogsItsOwnRangeAndSizeOnEveryRoad) {
    const std::vector<uint8_t> image = Pattern(5000, 4);
    const fw::Text range = u"0x08008000-0x08009387";
    const fw::Text size = u"文件大小：5000 byte";
    CQXDownloadToolDlg& w = Start();
    w.SetDlgItemText(IDC_EDIT_START_ADDR, u"08008000");
    dir.Write("app.hex", hexfile::Text({{0x08008000, image}}));
    dir.Write("app.bin", std::string(image.begin(), image.end()));
    struct Road {
        const char* name;
        fw::Text path;
        fw::Text rangeLine;  // empty: the road logs no range
    };
    const Road roads[] = {
        {"project", WriteProject("app.dlpf", u"VK517C8", {{"app.bin", 0x08008000, image}}), u"文件地址范围1：" + range},
        {"HEX file", dir.Wide("app.hex"), u"文件地址范围：" + range},
        {"bin file", dir.Wide("app.bin"), {}},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        host.ClearRecords();
        Browse(w, road.path);
        ASSERT_TRUE(LogHas(u"文件加载成功！"));
        if (!road.rangeLine.empty()) {
            EXPECT_TRUE(LogHas(road.rangeLine));
        }
        EXPECT_TRUE(LogHas(size));
        // What is programmed is still whole 16-byte rows.
        EXPECT_EQ(w.m_items[0].length[0], 5008u);
    }
}

// Each partition's entry and key update of the project reach the download item of that partition: enabled, size,
// key ID, the two flags and both keys; an absent partition is switched off and a key left alone stays off.
TEST_F(DownloadProjectBrowse, PartitionsAndKeyUpdatesReachTheirItems) {
    RegisterOfflineCommands();
    const fw::Text path = WriteProject(
        "parts.dlpf", u"VK517C8", {{"app.bin", 0x08000000, Pattern(64, 1)}}, std::nullopt, [](ProjectConfig& r) {
            const uint8_t sizes[] = {2, 6, 0}, keyIds[] = {3, 17, 0}, flags[] = {0x10, 0x01, 0x11};
            const uint32_t markers[] = {kProjectMarkerValid, kProjectMarkerValid, kProjectMarkerAbsent};
            for (std::size_t i = 0; i < 3; ++i) {
                ProjectPartitionEntry& e = r.chip.partitions[i];
                e.marker.Set(markers[i]);
                e.index = static_cast<uint8_t>(i);
                e.size = sizes[i];
                e.keyId = keyIds[i];
                e.flags = flags[i];
            }
            r.keys.keyMode = {0, 1, 0xFF};
            r.keys.keyId = {0, 17, 0xFF};
            r.keys.newKey[1].fill(0x21);
            r.keys.oldKey[1].fill(0x4C);
        });
    CQXDownloadToolDlg& w = Start();
    Browse(w, path);
    ASSERT_TRUE(LogHas(u"文件加载成功！"));
    struct Expected {
        uint8_t enabled, size, keyId, authentication, encryption, keyUpdate;
        const char16_t *newKey, *oldKey;
    };
    const Expected expected[] = {
        {1, 2, 3, 1, 0, 0, u"", u""},
        {1, 6, 17, 0, 1, 1, u"21212121212121212121212121212121", u"4C4C4C4C4C4C4C4C4C4C4C4C4C4C4C4C"},
        {0, 0, 0, 0, 0, 0, u"", u""},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const DownloadItem& item = w.m_items[i];
        EXPECT_EQ(item.enabled, expected[i].enabled);
        EXPECT_EQ(item.configure, expected[i].enabled);
        EXPECT_EQ(item.wantedSize, expected[i].size);
        EXPECT_EQ(item.wantedKeyId, expected[i].keyId);
        EXPECT_EQ(item.wantedAuthentication, expected[i].authentication);
        EXPECT_EQ(item.wantedEncryption, expected[i].encryption);
        EXPECT_EQ(item.keyUpdate, expected[i].keyUpdate);
        EXPECT_EQ(item.newKeyHex, expected[i].newKey);
        EXPECT_EQ(item.oldKeyHex, expected[i].oldKey);
    }
}

// A refused project loads nothing, says why, and the file box no longer names the file chosen before, whose data
// went when the project was chosen.
TEST_F(DownloadProjectBrowse, ARefusedProjectLoadsNothingAndSaysWhy) {
    RegisterOfflineCommands();
    const fw::Text good = WriteProject("good.dlpf", u"VK517C8", {{"app.bin", 0x08000000, Pattern(64, 1)}});
    std::string damaged = dir.Read("good.dlpf");
    damaged[damaged.size() / 2] ^= 0x40;
    dir.Write("damaged.dlpf", damaged);
    // An intact project file whose record is a link project's.
    const std::vector<ProjectSection> link = {ProjectSection(1580, 0xFF), ProjectSection(64, 0x11)};
    const std::vector<uint8_t> linkFile = EncodeProjectFileContainer(link);
    dir.Write("link.dlpf", std::string(linkFile.begin(), linkFile.end()));
    struct Refused {
        const char* file;
        const char16_t* box;
    };
    const Refused rows[] = {
        {"damaged.dlpf", u"项目文件已损坏！"},
        {"link.dlpf", u"不是下载项目文件！"},
        {"missing.dlpf", u"项目文件打开失败！"},
    };
    CQXDownloadToolDlg& w = Start();
    const uint8_t seriesBefore = w.m_chipSeries;
    for (const Refused& row : rows) {
        SCOPED_TRACE(row.file);
        Browse(w, good);
        ASSERT_EQ(w.GetDlgItemText(IDC_EDIT_FILE), good);
        host.ClearRecords();
        host.ExpectBox(row.box, fw::IDOK);
        Browse(w, dir.Wide(row.file));
        EXPECT_FALSE(LogHas(u"文件加载成功！"));
        EXPECT_TRUE(LogHas(u"文件加载失败！"));
        EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_FILE), u"");
        EXPECT_TRUE(w.m_items[0].data[0].empty());
        EXPECT_EQ(w.m_writeOptionBytes, 0);
        EXPECT_FALSE(w.m_projectOptionBytes.has_value());
        EXPECT_EQ(w.m_chipSeries, seriesBefore);
    }
}

TEST_F(DownloadProjectBrowse, AProjectForAnotherChipIsRefusedWhileConnected) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    ASSERT_FALSE(w.m_chipModel.empty());
    const fw::Text path = WriteProject("other.dlpf", u"VK232C6", {{"app.bin", 0x08000000, Pattern(64, 1)}});
    const fw::Text refusal = u"项目文件的芯片系列与当前芯片系列不一致！";
    host.ExpectBox(refusal, fw::IDOK);
    Browse(w, path);
    EXPECT_TRUE(LogHas(refusal));
    EXPECT_FALSE(LogHas(u"文件加载成功！"));
}

// The chip check comes after the project was loaded: a project refused for the connected chip must not stay in
// the items, or the next Download would program it (its files and option bytes) on the chip it was refused for.
TEST_F(DownloadProjectBrowse, AProjectRefusedForTheChipLeavesNothingOfItToDownload) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    const auto before = ovsim::ReadMemory("/dev/ttyUSB0", 0x08000000, 0x100);
    std::array<uint8_t, 20> options{};
    std::ranges::fill(options, 0x5A);
    const fw::Text other =
        WriteProject("other.dlpf", u"VK232C6", {{"other.bin", 0x08000000, Pattern(0x100, 9)}}, options);
    host.ExpectBox(u"项目文件的芯片系列与当前芯片系列不一致！", fw::IDOK);
    Browse(w, other);
    for (const DownloadItem& item : w.m_items) {
        EXPECT_EQ(item.enabled, 0);
        EXPECT_TRUE(item.data[0].empty());
        EXPECT_EQ(item.length[0], 0u);
    }
    EXPECT_EQ(w.m_writeOptionBytes, 0);
    EXPECT_FALSE(w.m_projectOptionBytes.has_value());

    host.ExpectBox(u"请选择下载文件！", fw::IDOK);
    w.Click(IDC_BTN_DOWNLOAD);
    host.PumpUntil([&] { return Idle(); }, std::chrono::seconds(30));
    host.PumpUntilIdle();
    EXPECT_FALSE(LogHas(u"程序下载完成！"));
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08000000, 0x100), before);
}

TEST_F(DownloadProjectBrowse, ADownloadProgramsEveryFileWhereTheProjectPutsIt) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    const std::vector<Row> rows = {{"app.bin", 0x08000000, Pattern(0x800, 3)},
                                   {"table.bin", 0x08006000, Pattern(0x100, 5)},
                                   {"tail.bin", 0x08010000, Pattern(0x40, 8)}};
    Browse(w, WriteProject("three.dlpf", w.m_chipModel, rows));
    ASSERT_TRUE(LogHas(u"文件加载成功！"));
    ASSERT_TRUE(Download(w));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", row.start, static_cast<uint32_t>(row.data.size())), row.data);
    }
}

// Production mode: the project fixes the series in the locked combo, whether it was chosen before or after the
// switch, and every chip on every probe gets every file of the project at its address, whether its partition byte
// says USER1 or was left 0xFF.
TEST_F(DownloadProjectBrowse, ProductionModeProgramsEveryItemOnEveryChip) {
    const std::vector<Row> rows = {{"app.bin", 0x08000000, Pattern(0x600, 3), 0xFF},
                                   {"table.bin", 0x08006000, Pattern(0x100, 5), 0},
                                   {"tail.bin", 0x08010000, Pattern(0x240, 8), 0}};
    const std::string probes[] = {"0700000110", "0700000111"};
    for (const bool browseFirst : {false, true}) {
        SCOPED_TRACE(browseFirst ? "chosen in test mode" : "chosen in production mode");
        window.reset();
        ovsim::Reset();
        host.ClearRecords();
        SysConfig("interface=03\n");
        dir.Write("Series CFG Table.ini", "CLASS=VK42x\nPAGESIZE=0x800\nCLASS=VK517\nPAGESIZE=0x800\n");
        for (const std::string& probe : probes)
            ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, probe, Chip(0));
        CQXDownloadToolDlg& w = Start();
        const fw::Text path = WriteProject("line.dlpf", u"VK517", rows);
        if (browseFirst) Browse(w, path);
        w.SendCommand(ID_PRODUCTION_MODE);
        ASSERT_EQ(w.m_productionMode, 1);
        if (!browseFirst) {
            ASSERT_EQ(w.GetDlgItemText(IDC_COMBO_DEVICE), u"VK42X");
            Browse(w, path);
        }
        ASSERT_TRUE(LogHas(u"文件加载成功！"));
        EXPECT_EQ(w.GetDlgItemText(IDC_COMBO_DEVICE), u"VK517");
        EXPECT_FALSE(w.GetDlgItem(IDC_COMBO_DEVICE).IsWindowEnabled());
        EXPECT_EQ(w.m_chipSeries, 0);
        ASSERT_TRUE(ProductionDownload(w, 2));

        for (const std::string& probe : probes) {
            SCOPED_TRACE(probe);
            for (const Row& row : rows) {
                SCOPED_TRACE(row.name);
                EXPECT_EQ(ovsim::ReadMemory(probe, row.start, static_cast<uint32_t>(row.data.size())), row.data);
            }
        }
        EXPECT_EQ(g_passCount, 2);
        EXPECT_EQ(g_failCount, 0);
        EXPECT_EQ(host.PaneTexts(2).back(), u"成功:2");
        // The series stays the project's after the run.
        EXPECT_EQ(w.GetDlgItemText(IDC_COMBO_DEVICE), u"VK517");
        EXPECT_FALSE(w.GetDlgItem(IDC_COMBO_DEVICE).IsWindowEnabled());
    }
}

// What a user does: File → make the download project, one file at a typed address, saved; the project chosen with
// Browse and downloaded to the connected chip puts the file there.
TEST_F(DownloadProjectBrowse, AProjectMadeWithTheMakerDownloadsWhereItWasPlaced) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    const std::vector<uint8_t> image = Pattern(0x300, 4);
    MakeProject(w, image, u"08002000");

    Browse(w, dir.Wide("made.dlpf"));
    ASSERT_TRUE(LogHas(u"文件加载成功！"));
    ASSERT_TRUE(Download(w));
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08002000, static_cast<uint32_t>(image.size())), image);
}

// The case as a user met it: a series-9 project made with the maker, its option bytes set to RDP A5 and Data0 CC.
// Downloaded, Data0 is the chip's Data0 and the chip stays at level 0: the byte of CC is not the level-2 byte.
TEST_F(DownloadProjectBrowse, ASeries9ProjectFromTheMakerCannotLockTheChipAtLevel2) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(9));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    MakeProject(w, Pattern(0x100, 6), u"08000000", [&](fw::Dialog& d) {
        host.ExpectBox(u"取消读保护，下载程序安全性无法保障！是否确定取消？", fw::IDYES);
        d.Click(IDC_OB_L1);
        EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u"CC"));
        host.ExpectBox(u"选项字节确认OK！", fw::IDOK);
        d.Click(IDC_OB_CONFIRM);
    });

    Browse(w, dir.Wide("made.dlpf"));
    ASSERT_TRUE(Download(w));
    EXPECT_TRUE(LogHas(u"配置选项字节成功，复位后生效！"));
    const std::vector<uint8_t> chip = ovsim::OptionImage("/dev/ttyUSB0");
    ASSERT_EQ(chip.size(), 32u);
    EXPECT_EQ(chip[0], 0xA5);
    EXPECT_EQ(chip[2], 0xFF);   // RDP2
    EXPECT_EQ(chip[24], 0xCC);  // Data0
    EXPECT_EQ(chip[25], 0x33);
    EXPECT_EQ(ovsim::State("/dev/ttyUSB0").pendingLevel, 0);
}

// Series 9 over USART: a protection command writes the chip's option image after the window read it at connect.
// A project with option bytes downloaded next has the job read the image itself before anything erases; when that
// read fails, the job stops before the first erase and says why, leaving flash and option bytes as they were.
TEST_F(DownloadProjectBrowse, AfterAProtectionCommandTheJobReadsTheOptionImageBeforeErasing) {
    struct Case {
        const char* name;
        int command;
        bool jobReadFails;
    };
    const Case cases[] = {
        {"disable L1", ID_DISABLE_READ_PROTECTION_L1, false},
        {"write-protection editor", ID_WRITE_PROTECTION, false},
        {"disable L1, the job's read fails", ID_DISABLE_READ_PROTECTION_L1, true},
    };
    ProjectOptionBytes options;  // the series-9 project layout: RDP A5, Data0 CC, everything else erased
    options.fill(0xFF);
    options[0] = 0xA5, options[2] = 0xCC;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CQXDownloadToolDlg& w = ConnectNewChip(9);
        ASSERT_EQ(w.m_connected, 1);

        if (c.command == ID_WRITE_PROTECTION) {
            host.OnModal(IDD_WRITE_PROTECT, [&](fw::Dialog& d) { d.Click(IDC_WP_OK); });
            host.ExpectBox(u"配置写保护成功，复位后生效！", fw::IDOK);
        }
        w.SendCommand(c.command);

        Browse(w, WriteProject("options.dlpf", w.m_chipModel, {{"app.bin", w.m_flashBase, Pattern(256, 5)}}, options));
        ASSERT_TRUE(LogHas(u"文件加载成功！"));
        const std::vector<uint8_t> flashBefore = ovsim::ReadMemory(kUsartPort, w.m_flashBase, 256);
        const std::vector<uint8_t> optionsBefore = ovsim::OptionImage(kUsartPort);
        ovsim::ClearCallLog();
        if (c.jobReadFails) ovsim::InjectStatus(ovsim::Fn::OptRw, 1, CMD_STATUS_BAD_PARAMETER);
        const bool downloaded = Download(w);

        const auto calls = ovsim::CallLog();
        const auto firstErase = std::ranges::find(calls, ovsim::Fn::FlashErase, &ovsim::CallRecord::fn);
        if (c.jobReadFails) {
            EXPECT_FALSE(downloaded);
            EXPECT_EQ(firstErase, calls.end());
            EXPECT_EQ(ovsim::CallCount(ovsim::Fn::FlashDwnld), 0);
            EXPECT_TRUE(LogHas(u"读取选项字节失败，无法配置项目的选项字节，下载已停止！"));
            EXPECT_EQ(ovsim::ReadMemory(kUsartPort, w.m_flashBase, 256), flashBefore);
            EXPECT_EQ(ovsim::OptionImage(kUsartPort), optionsBefore);
            continue;
        }
        EXPECT_TRUE(downloaded);
        // The image the project's bytes are laid over was read by this download, before its first erase.
        ASSERT_NE(firstErase, calls.end());
        EXPECT_NE(std::find_if(calls.begin(), firstErase,
                               [](const ovsim::CallRecord& call) { return call.fn == ovsim::Fn::OptRw; }),
                  firstErase);
        const std::vector<uint8_t> chip = ovsim::OptionImage(kUsartPort);
        ASSERT_EQ(chip.size(), 32u);
        EXPECT_EQ(chip[24], 0xCC);  // Data0
        EXPECT_EQ(chip[25], 0x33);
        EXPECT_TRUE(LogHas(u"配置选项字节成功，复位后生效！"));
    }
}

// A file's option bytes change the chip's image after the window read it at connect. A project downloaded next lays
// its bytes over the image as the chip holds it then, so what the project does not hold (series 9's Data2) stays as
// the file set it instead of going back to what the chip held at connect.
TEST_F(DownloadProjectBrowse, AProjectIsLaidOverTheOptionImageTheChipHoldsNow) {
    CQXDownloadToolDlg& w = ConnectNewChip(9);
    ASSERT_EQ(w.m_connected, 1);
    std::vector<uint8_t> fileOptions = ovsim::OptionImage(kUsartPort);
    ASSERT_EQ(fileOptions.size(), 32u);
    fileOptions[28] = 0x77, fileOptions[29] = 0x88;  // Data2 and its complement
    dir.Write("options.hex", hexfile::Text({{w.m_flashBase, Pattern(256, 3)}, {0x1FFFE000, fileOptions}}));
    Browse(w, dir.Wide("options.hex"));
    ASSERT_TRUE(Download(w));
    ASSERT_EQ(ovsim::OptionImage(kUsartPort), fileOptions);

    ProjectOptionBytes options;  // the series-9 project layout: RDP A5, Data0 CC, everything else erased
    options.fill(0xFF);
    options[0] = 0xA5, options[2] = 0xCC;
    Browse(w, WriteProject("options.dlpf", w.m_chipModel, {{"app.bin", w.m_flashBase, Pattern(256, 5)}}, options));
    ASSERT_TRUE(Download(w));
    const std::vector<uint8_t> chip = ovsim::OptionImage(kUsartPort);
    ASSERT_EQ(chip.size(), 32u);
    EXPECT_EQ(chip[24], 0xCC);  // Data0, from the project
    EXPECT_EQ(chip[28], 0x77);  // Data2, as the file left it
    EXPECT_EQ(chip[29], 0x88);
}

// Series 8 and 9 open a partition with the key of its own index only. A project file that gives USER3 another id
// (made before the maker offered only that one, or by hand) is refused when chosen, saying why, before anything is
// configured: nothing of it loads and a Download then reaches no partition. USER3's own id loads.
TEST_F(DownloadProjectBrowse, ASeries9ProjectGivingAPartitionAnotherKeyIdIsRefused) {
    for (const uint8_t keyId : {uint8_t{2}, uint8_t{5}}) {
        SCOPED_TRACE(testing::Message() << "key id " << int(keyId));
        CQXDownloadToolDlg& w = ConnectNewChip(9);
        ASSERT_EQ(w.m_connected, 1);
        const fw::Text path = WriteProject("keyid.dlpf", w.m_chipModel, {{"app.bin", w.m_flashBase, Pattern(256, 5)}},
                                           std::nullopt, WithPartition(2, 4, keyId, 0x10));
        if (keyId == 2) {
            Browse(w, path);
            EXPECT_TRUE(LogHas(u"文件加载成功！"));
            EXPECT_EQ(w.m_items[2].wantedKeyId, 2);
            continue;
        }
        const fw::Text why = u"项目文件中USER3的密钥ID 5不适用于该芯片系列！";
        host.ExpectBox(why, fw::IDOK);
        Browse(w, path);
        EXPECT_TRUE(LogHas(why));
        EXPECT_TRUE(LogHas(u"文件加载失败！"));
        EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_FILE), u"");
        for (const DownloadItem& item : w.m_items)
            EXPECT_EQ(item.configure, 0);

        ovsim::ClearCallLog();
        host.ExpectBox(u"请选择下载文件！", fw::IDOK);
        w.Click(IDC_BTN_DOWNLOAD);
        host.PumpUntil([&] { return Idle(); }, std::chrono::seconds(30));
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::UserxOp), 0);
        EXPECT_EQ(ovsim::Partition(kUsartPort, 2).keyId, 0xFF);
    }
}

// A fresh chip's partitions hold no key id, so the key read at connect is none. A project that gives USER1 a key
// id and turns its authentication on configures the partition, resets, reconnects and must then open the
// partition with the key of the id it gave: the first download succeeds, in test mode and on each production
// channel; in test mode the next download and a reconnect find that key too.
TEST_F(DownloadProjectBrowse, AProjectTurningOnAuthenticationDownloadsIntoThePartitionAtOnce) {
    struct Case {
        uint8_t series;
        const char* name;  // the project's series, a row of the series table
        uint8_t keyId;
        bool production;
    };
    const Case cases[] = {
        {0, "VK517", 5, false},
        {9, "VK73X", 0, false},
        {0, "VK517", 5, true},
        {9, "VK73X", 0, true},
    };
    const std::string ports[] = {"/dev/ttyUSB0", "/dev/ttyUSB1"};
    const std::vector<uint8_t> image = Pattern(0x400, 7);
    int freshChips = 0x40;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "series " << int(c.series) << (c.production ? ", production" : ""));
        window.reset();
        ovsim::Reset();
        host.ClearRecords();
        SysConfig("interface=00\nBaud=115200\n");
        dir.Write("Series CFG Table.ini", std::string("CLASS=") + c.name + "\nPAGESIZE=0x800\n");
        for (const std::string& port : ports) {
            // A chip never seen: the job configures partitions once per chip, told apart by its UCID.
            ovsim::ChipSpec chip = Chip(c.series);
            chip.ucid.assign(16, static_cast<uint8_t>(++freshChips));
            ovsim::Attach(OV_IFACE_USART, port, chip);
        }
        CQXDownloadToolDlg& w = Start();
        if (c.production) {
            w.SendCommand(ID_PRODUCTION_MODE);
            ASSERT_EQ(w.m_productionMode, 1);
            Browse(w, WriteProject("auth.dlpf", fw::Utf8ToText(c.name), {{"app.bin", 0x08000000, image}}, std::nullopt,
                                   WithPartition(0, 0, c.keyId, 0x10)));
            ASSERT_TRUE(LogHas(u"文件加载成功！"));
            ASSERT_TRUE(ProductionDownload(w, std::size(ports)));
            EXPECT_EQ(g_passCount, 2);
            EXPECT_EQ(g_failCount, 0);
        } else {
            ASSERT_TRUE(w.Select(IDC_COMBO_DEVICE, 0));
            w.Click(IDC_BTN_CONNECT);
            ASSERT_EQ(w.m_connected, 1);
            Browse(w, WriteProject("auth.dlpf", w.m_chipModel, {{"app.bin", 0x08000000, image}}, std::nullopt,
                                   WithPartition(0, 0, c.keyId, 0x10)));
            ASSERT_TRUE(LogHas(u"文件加载成功！"));
            EXPECT_TRUE(Download(w));
        }
        const std::vector<std::string> programmed =
            c.production ? std::vector<std::string>(std::begin(ports), std::end(ports)) : std::vector{ports[0]};
        for (const std::string& port : programmed) {
            SCOPED_TRACE(port);
            EXPECT_EQ(ovsim::Partition(port, 0).keyId, c.keyId);
            EXPECT_EQ(ovsim::Partition(port, 0).flags, 0x10);
            EXPECT_EQ(ovsim::ReadMemory(port, 0x08000000, static_cast<uint32_t>(image.size())), image);
        }
        if (c.production) continue;

        // The window's copy of the partitions follows the job: the next download opens the partition too.
        host.ClearRecords();
        EXPECT_TRUE(Download(w));

        // Connected again, the window opens the partition with the same key: the id was kept.
        w.Click(IDC_BTN_CONNECT);
        w.Click(IDC_BTN_CONNECT);
        ASSERT_EQ(w.m_connected, 1);
        EXPECT_EQ(w.m_items[0].partitionKeyText, fw::Text(g_defaultChipKeys[PartitionKeyEntry(c.series, c.keyId)]));
    }
}

// A line of two USART channels whose project authenticates USER1 under key id 5. The chip of port 0 was configured
// in the run before; port 1 now holds a fresh chip, whose partition read finds no key. Each chip's read is its own
// job's: with port 1 reading after port 0 has read and port 0 downloading after port 1 has read, as a busy line
// has it, the configured chip still opens its partition with the key of id 5.
TEST_F(DownloadProjectBrowse, AFreshChipReadBesideAConfiguredOneLeavesItsKeyAlone) {
    const std::string ports[] = {"/dev/ttyUSB0", "/dev/ttyUSB1"};
    const auto freshChip = [](uint8_t ucid) {
        ovsim::ChipSpec chip = Chip(0);
        chip.ucid.assign(16, ucid);
        return chip;
    };
    SysConfig("interface=00\nBaud=115200\n");
    dir.Write("Series CFG Table.ini", "CLASS=VK517\nPAGESIZE=0x800\n");
    ovsim::Attach(OV_IFACE_USART, ports[0], freshChip(0x51));
    ovsim::Attach(OV_IFACE_USART, ports[1], freshChip(0x52));
    CQXDownloadToolDlg& w = Start();
    w.SendCommand(ID_PRODUCTION_MODE);
    ASSERT_EQ(w.m_productionMode, 1);
    const std::vector<uint8_t> image = Pattern(0x400, 3);
    Browse(w, WriteProject("line.dlpf", u"VK517", {{"app.bin", 0x08000000, image}}, std::nullopt,
                           WithPartition(0, 0, 5, 0x10)));
    ASSERT_TRUE(LogHas(u"文件加载成功！"));
    ASSERT_TRUE(ProductionDownload(w, std::size(ports)));
    ASSERT_EQ(g_passCount, 2);

    ovsim::Attach(OV_IFACE_USART, ports[1], freshChip(0x53));
    // Each port's first chip-information call opens its job's reads, its first option-byte read follows its
    // partition read. The waits end at once in the forced order; their limit only keeps a broken run from hanging.
    std::mutex m;
    std::condition_variable changed;
    bool port0Read = false, port1Read = false, ordered = true;
    const auto waitFor = [&](std::unique_lock<std::mutex>& lock, const bool& done) {
        ordered = changed.wait_for(lock, std::chrono::seconds(60), [&] { return done; }) && ordered;
    };
    bool port1Started = false;
    ovsim::SetCallObserver([&](ovsim::Fn fn, const std::string& device) {
        std::unique_lock lock(m);
        if (device == ports[1] && fn == ovsim::Fn::GetInf && !port1Started) {
            port1Started = true;
            waitFor(lock, port0Read);
        } else if (device == ports[0] && fn == ovsim::Fn::OptRw && !port0Read) {
            port0Read = true;
            changed.notify_all();
            waitFor(lock, port1Read);
        } else if (device == ports[1] && fn == ovsim::Fn::OptRw && !port1Read) {
            port1Read = true;
            changed.notify_all();
        }
    });
    const bool ended = ProductionDownload(w, std::size(ports));
    ovsim::SetCallObserver({});
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ordered);

    EXPECT_EQ(g_passCount, 2);
    EXPECT_EQ(g_failCount, 0);
    const int rowEdits[] = {IDC_ROW1_EDIT, IDC_ROW2_EDIT};
    for (int n = 0; n < 2; ++n) {
        const std::string& port = ports[n];
        SCOPED_TRACE(port);
        EXPECT_EQ(w.GetDlgItemText(rowEdits[n]), u"程序下载完成！");
        EXPECT_EQ(ovsim::Partition(port, 0).keyId, 5);
        EXPECT_EQ(ovsim::ReadMemory(port, 0x08000000, static_cast<uint32_t>(image.size())), image);
    }
}

// One option-byte edit, made once in a project that is then downloaded and once on the chip with the device editor:
// the chip ends with the same image in every family, and the device editor reads back the boxes the project set.
// The project keeps its own layout (values only in families 8 and 9, the series-3 layout in family 12), so its bytes
// copied over the chip's would land on other fields: on series 9 the Data0 byte would become the level-2 byte and
// lock the chip for good. Series 12 keeps the boot bits of that layout in USER3: a choice the project offers must
// reach them, both ways. (Its IWDG_SW word is no project's choice: see the test after this one.)
TEST_F(DownloadProjectBrowse, AProjectsOptionEditReachesTheChipAsTheDeviceEditorMakesIt) {
    using Boxes = std::vector<std::pair<int, bool>>;
    struct Case {
        uint8_t series;
        int deviceEditor;
        int projectEditor;
        Boxes boxes;                     // set alike in both editors besides Data0 CC
        std::vector<uint8_t> chipImage;  // the chip before the edit; empty: as it comes
    };
    const Boxes wdgOff = {{IDC_OB_WDG_SW, false}};
    // A fresh series-12 chip has IWDG_SW off (USER0 FFFF) and USER3 FF; the second one IWDG_SW on and USER3 F8.
    const Boxes series12On = {{IDC_OB2_NBOOT0, false}, {IDC_OB2_NBOOT1, true}, {IDC_OB2_NSWBOOT0, true}};
    const Boxes series12Off = {{IDC_OB2_NBOOT0, true}, {IDC_OB2_NBOOT1, false}, {IDC_OB2_NSWBOOT0, false}};
    const std::vector<uint8_t> watchdogOn = {0xA5, 0xFF, 0xA5, 0x5A, 0xFF, 0xFF, 0xFF, 0xF8, 0xFF,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const Case cases[] = {
        {0, IDD_WRITE_BYTE, IDD_WRITE_BYTE_LINK, wdgOff, {}},
        {1, IDD_WRITE_BYTE, IDD_WRITE_BYTE_LINK, wdgOff, {}},
        {2, IDD_WRITE_BYTE, IDD_WRITE_BYTE_LINK, wdgOff, {}},
        {5, IDD_WRITE_BYTE, IDD_WRITE_BYTE_LINK, wdgOff, {}},
        {8, IDD_WRITE_BYTE, IDD_WRITE_BYTE_LINK, wdgOff, {}},
        {9, IDD_WRITE_BYTE, IDD_WRITE_BYTE_LINK, wdgOff, {}},
        {3, IDD_WRITE_BYTE2, IDD_WRITE_BYTE_LINK2, wdgOff, {}},
        {4, IDD_WRITE_BYTE2, IDD_WRITE_BYTE_LINK2, wdgOff, {}},
        {6, IDD_WRITE_BYTE2, IDD_WRITE_BYTE_LINK2, wdgOff, {}},
        {7, IDD_WRITE_BYTE2, IDD_WRITE_BYTE_LINK2, wdgOff, {}},
        {11, IDD_WRITE_BYTE2, IDD_WRITE_BYTE_LINK2, wdgOff, {}},
        {12, IDD_WRITE_BYTE2, IDD_WRITE_BYTE_LINK2, series12On, {}},
        {12, IDD_WRITE_BYTE2, IDD_WRITE_BYTE_LINK2, series12Off, watchdogOn},
    };
    const auto edit = [](const Case& c, fw::Dialog& d) {
        EXPECT_TRUE(d.EnterText(IDC_OB_DATA0, u"CC"));
        for (const auto& [box, on] : c.boxes)
            EXPECT_TRUE(d.Tick(box, on)) << "box " << box;
        d.Click(IDC_OB_CONFIRM);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "series " << int(c.series) << ", first box on: " << c.boxes[0].second);

        // On the chip, with the device editor (a fresh chip has no read protection to remove).
        CQXDownloadToolDlg& edited = ConnectNewChip(c.series, c.chipImage);
        host.OnModal(c.deviceEditor, [&](fw::Dialog& d) { edit(c, d); });
        host.ExpectBox(u"配置选项字节成功，复位后生效！", fw::IDOK);
        ASSERT_TRUE(edited.ChooseMenu(ID_OPTIONS_BYTES));
        const std::vector<uint8_t> byEditor = ovsim::OptionImage(kUsartPort);

        // In a project: the maker's option bytes (all FF, so level 1), level 1 removed, then the same edit.
        ProjectOptionBytes options;
        options.fill(0xFF);
        fw::Text text = ProjectOptionTextOf(options);
        host.ExpectBox(u"取消读保护，下载程序安全性无法保障！是否确定取消？", fw::IDYES);
        host.ExpectBox(u"选项字节确认OK！", fw::IDOK);
        host.OnModal(c.projectEditor, [&](fw::Dialog& d) {
            d.Click(IDC_OB_L1);
            edit(c, d);
        });
        if (c.projectEditor == IDD_WRITE_BYTE_LINK2) {
            ASSERT_EQ(CWriteByteLinkDlg2(&text, c.series, true).DoModal(), fw::IDOK);
        } else {
            ASSERT_EQ(CWriteByteLinkDlg(&text, c.series, true).DoModal(), fw::IDOK);
        }
        StoreProjectOptionText(text, options);

        CQXDownloadToolDlg& w = ConnectNewChip(c.series, c.chipImage);
        const std::vector<uint8_t> before = ovsim::OptionImage(kUsartPort);
        Browse(w, WriteProject("options.dlpf", w.m_chipModel, {{"app.bin", w.m_flashBase, Pattern(256, 5)}}, options));
        ASSERT_TRUE(Download(w));
        EXPECT_TRUE(LogHas(u"配置选项字节成功，复位后生效！"));
        const std::vector<uint8_t> downloaded = ovsim::OptionImage(kUsartPort);
        EXPECT_NE(downloaded, before);
        EXPECT_EQ(downloaded, byEditor);
        EXPECT_EQ(ovsim::State(kUsartPort).pendingLevel, 0);

        // Read back as the user would: the device editor shows each box as the project set it.
        host.OnModal(c.deviceEditor, [&](fw::Dialog& d) {
            for (const auto& [box, on] : c.boxes)
                EXPECT_EQ(d.IsDlgButtonChecked(box), on ? 1 : 0) << "box " << box;
            d.Click(fw::IDCANCEL);
        });
        ASSERT_TRUE(w.ChooseMenu(ID_OPTIONS_BYTES));
    }
}

// A family-12 project has a one-byte USER where series 12 keeps a 16-bit IWDG_SW word (USER0: FFFF off and erased,
// 5AA5 on). The project editor's default (USER FF, WDG_SW set) is not the erased word, and projects saved before
// carry the bit as well: neither may turn the watchdog on, nor off. USER0 stays as the chip holds it, on a fresh chip
// and on one with IWDG_SW on, while the boot bits still reach USER3.
TEST_F(DownloadProjectBrowse, AFamily12ProjectLeavesTheWatchdogWordAsTheChipHoldsIt) {
    const auto projectWithUser = [](uint8_t user) {
        ProjectOptionBytes options;  // the series-3 layout: RDP A5, everything else erased but USER
        for (size_t i = 0; i < options.size(); i += 2) {
            options[i] = 0xFF;
            options[i + 1] = 0x00;
        }
        options[0] = 0xA5, options[1] = 0x5A;
        options[2] = user, options[3] = static_cast<uint8_t>(~user);
        return options;
    };
    struct Project {
        const char* name;
        uint8_t user;
    };
    const Project projects[] = {
        {"the editor's defaults", 0xFF},
        {"saved before, WDG_SW set and nBOOT0 off", 0xF7},
    };
    const std::vector<uint8_t> watchdogOn = {0xA5, 0xFF, 0xA5, 0x5A, 0xFF, 0xFF, 0xFF, 0xF8, 0xFF,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    for (const Project& project : projects) {
        for (const bool on : {false, true}) {
            SCOPED_TRACE(testing::Message() << project.name << (on ? ", IWDG_SW on" : ", a fresh chip"));
            CQXDownloadToolDlg& w = ConnectNewChip(12, on ? watchdogOn : std::vector<uint8_t>{});
            const std::vector<uint8_t> before = ovsim::OptionImage(kUsartPort);
            ASSERT_EQ(before.size(), 17u);
            ASSERT_EQ(before[2] == 0xA5 && before[3] == 0x5A, on);
            Browse(w, WriteProject("w.dlpf", w.m_chipModel, {{"app.bin", w.m_flashBase, Pattern(256, 5)}},
                                   projectWithUser(project.user)));
            ASSERT_TRUE(Download(w));
            EXPECT_TRUE(LogHas(u"配置选项字节成功，复位后生效！"));
            const std::vector<uint8_t> after = ovsim::OptionImage(kUsartPort);
            ASSERT_EQ(after.size(), 17u);
            EXPECT_EQ(after[2], before[2]);  // USER0, the IWDG_SW word
            EXPECT_EQ(after[3], before[3]);
            // nBOOT0, nBOOT1 and nSWBOOT0 (project USER bits 3 to 5) are USER3 bits 0 to 2.
            EXPECT_EQ(after[7], (before[7] & 0xF8) | (project.user >> 3 & 0x07));
        }
    }
}

// Series 12 keeps the flash's CRC-32 after the bytes its option writes reach (bytes 13 to 16, least significant
// first). The download stores it after the images and the project's option bytes follow: they must leave it there,
// and the window then shows it most significant digit first.
TEST_F(DownloadProjectBrowse, ASeries12ProjectKeepsTheFlashCrcTheDownloadStored) {
    const char* const kProbe = "probe-1";
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, kProbe, Chip(12));
    SysConfig("interface=03\ndevice 1=VK517C8\nbaud=115200\n");
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    ProjectOptionBytes options;  // the series-3 layout: RDP A5, Data0 CC, everything else erased
    options.fill(0xFF);
    for (size_t i = 1; i < 20; i += 2)
        options[i] = 0x00;
    options[0] = 0xA5, options[1] = 0x5A, options[4] = 0xCC, options[5] = 0x33;
    const std::vector<uint8_t> image = Pattern(0x200, 3);
    Browse(w, WriteProject("crc.dlpf", w.m_chipModel, {{"app.bin", w.m_flashBase, image}}, options));
    w.CheckDlgButton(IDC_CHECK_CRC, 1);
    ASSERT_TRUE(Download(w));

    const uint32_t crc = Crc32Buffer(image.data(), static_cast<int>(image.size()), nullptr);
    EXPECT_TRUE(LogHas(fw::Format(u"文件校验码：0x%08X", crc)));
    const std::vector<uint8_t> chip = ovsim::OptionImage(kProbe);
    ASSERT_EQ(chip.size(), 17u);
    EXPECT_EQ(chip[8], 0xCC);  // the project's Data0 in the series-12 image
    EXPECT_EQ(std::vector<uint8_t>(chip.begin() + 13, chip.end()),
              (std::vector<uint8_t>{static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8),
                                    static_cast<uint8_t>(crc >> 16), static_cast<uint8_t>(crc >> 24)}));

    w.Click(IDC_BTN_CONNECT);  // disconnect
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    EXPECT_TRUE(LogHas(fw::Format(u"FLASH CRC32值：0x%08X", crc)));
}

}  // namespace

namespace {

// A project's key update of one partition: the old key the chip holds and the new one, as the maker stores them.
std::function<void(ProjectConfig&)> WithKeyUpdate(uint8_t index, uint8_t keyId, fw::TextView oldKey,
                                                  fw::TextView newKey) {
    return [=](ProjectConfig& r) {
        r.keys.keyMode[index] = 1;
        r.keys.keyId[index] = keyId;
        HexToBytes(oldKey, r.keys.oldKey[index].data(), 16);
        HexToBytes(newKey, r.keys.newKey[index].data(), 16);
    };
}

std::function<void(ProjectConfig&)> Both(std::function<void(ProjectConfig&)> first,
                                         std::function<void(ProjectConfig&)> second) {
    return [=](ProjectConfig& r) {
        first(r);
        second(r);
    };
}

fw::Text ChipKeyText(const std::string& port, uint8_t keyId) {
    const auto key = ovsim::ChipKey(port, keyId);
    return BytesToHex(std::span<const uint8_t>(key));
}

constexpr fw::TextView kNewKey = u"00112233445566778899AABBCCDDEEFF";

}  // namespace

// A project that gives USER1 a key id with authentication and replaces that key: on fresh chips the update goes to
// the id the project gives the partition, not to the "none" a fresh chip reads, so every chip of a production line
// passes on its first download and the image goes under the new key.
TEST_F(DownloadProjectBrowse, AProductionLineReplacesTheKeyOfTheIdItGivesEveryFreshChip) {
    SysConfig("interface=00\nBaud=115200\n");
    dir.Write("Series CFG Table.ini", "CLASS=VK517\nPAGESIZE=0x800\n");
    const std::string ports[] = {"/dev/ttyUSB0", "/dev/ttyUSB1"};
    uint8_t ucid = 0x60;
    for (const std::string& port : ports) {
        ovsim::ChipSpec chip = Chip(0);
        chip.ucid.assign(16, ++ucid);
        ovsim::Attach(OV_IFACE_USART, port, chip);
    }
    CQXDownloadToolDlg& w = Start();
    w.SendCommand(ID_PRODUCTION_MODE);
    ASSERT_EQ(w.m_productionMode, 1);
    const std::vector<uint8_t> image = Pattern(0x400, 3);
    Browse(w, WriteProject("line.dlpf", u"VK517", {{"app.bin", 0x08000000, image, 0}}, std::nullopt,
                           Both(WithPartition(0, 0, 0, 0x10), WithKeyUpdate(0, 0, g_defaultChipKeys[0], kNewKey))));
    ASSERT_TRUE(LogHas(u"文件加载成功！"));

    ASSERT_TRUE(ProductionDownload(w, std::size(ports)));

    EXPECT_EQ(g_passCount, 2);
    EXPECT_EQ(g_failCount, 0);
    for (const std::string& port : ports) {
        SCOPED_TRACE(port);
        EXPECT_EQ(ChipKeyText(port, 0), kNewKey);
        EXPECT_EQ(ovsim::ReadMemory(port, 0x08000000, static_cast<uint32_t>(image.size())), image);
    }
    EXPECT_EQ(w.m_keyTable[0], kNewKey);
}

// Test mode, USER1 on key id 5 and that key replaced: the first download passes, key 0 is left alone, the window
// keeps the new key at id 5's entry, and after a reconnect it opens the partition with it.
TEST_F(DownloadProjectBrowse, AKeyUpdateGoesToThePartitionsOwnKeyIdInTestMode) {
    CQXDownloadToolDlg& w = ConnectNewChip(0, {}, 0x71);
    const std::vector<uint8_t> image = Pattern(0x400, 9);
    Browse(w, WriteProject("id5.dlpf", w.m_chipModel, {{"app.bin", 0x08000000, image, 0}}, std::nullopt,
                           Both(WithPartition(0, 0, 5, 0x10), WithKeyUpdate(0, 5, g_defaultChipKeys[5], kNewKey))));
    ASSERT_TRUE(LogHas(u"文件加载成功！"));

    EXPECT_TRUE(Download(w));

    EXPECT_EQ(ovsim::Partition(kUsartPort, 0).keyId, 5);
    EXPECT_EQ(ChipKeyText(kUsartPort, 5), kNewKey);
    EXPECT_EQ(ChipKeyText(kUsartPort, 0), g_defaultChipKeys[0]);
    EXPECT_EQ(ovsim::ReadMemory(kUsartPort, 0x08000000, static_cast<uint32_t>(image.size())), image);
    EXPECT_EQ(w.m_keyTable[5], kNewKey);

    w.Click(IDC_BTN_CONNECT);
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    EXPECT_EQ(w.m_items[0].partitionKeyText, kNewKey);
    host.ClearRecords();
    EXPECT_TRUE(Download(w));
}

// Series 9, USER1 (id 0) and USER3 (id 2) authenticated with one key; the project replaces USER3's. The chip's key 2
// changes, key 0 stays, the window keeps the new key at id 2's entry, and both partitions open with the program's
// keys: in the same download and in the next one after a reconnect.
TEST_F(DownloadProjectBrowse, ReplacingUser3sKeyLeavesUser1sKeyAlone) {
    CQXDownloadToolDlg& w = ConnectNewChip(9, {}, 0x72);  // 512 KB in 16 KB units
    const fw::Text shared = u"A5A5A5A55A5A5A5A0123456789ABCDEF";
    UserPartitionRecord user3{1, 2, 4, 2, 0x10}, user1{1, 0, 28, 0, 0x10};
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user3), CMD_STATUS_OK);
    ASSERT_EQ(OV_CMD_USERX_OP(w.m_hDevice, &user1), CMD_STATUS_OK);
    for (const uint8_t id : {uint8_t{0}, uint8_t{2}}) {
        KeyUpdateRecord update{};
        update.keyId = id;
        HexToBytes(shared, update.key, 16);
        HexToBytes(g_defaultChipKeys[PartitionKeyEntry(9, id)], update.oldKey, 16);
        ASSERT_EQ(OV_CMD_KEY_UPDATE(w.m_hDevice, update), CMD_STATUS_OK);
        StoreChipKey(w.m_keyTable, PartitionKeyEntry(9, id), shared);
    }
    w.Click(IDC_BTN_CONNECT);
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    const uint32_t user3Start = 0x08000000 + (512 - 4 * 16) * 1024;
    const std::vector<Row> rows = {{"app.bin", 0x08000000, Pattern(0x400, 1), 0},
                                   {"tail.bin", user3Start, Pattern(0x400, 2), 2}};
    Browse(w, WriteProject("user3.dlpf", w.m_chipModel, rows, std::nullopt,
                           Both(Both(WithPartition(0, 28, 0, 0x10), WithPartition(2, 4, 2, 0x10)),
                                WithKeyUpdate(2, 2, shared, kNewKey))));
    ASSERT_TRUE(LogHas(u"文件加载成功！"));

    EXPECT_TRUE(Download(w));

    EXPECT_EQ(ChipKeyText(kUsartPort, 2), kNewKey);
    EXPECT_EQ(ChipKeyText(kUsartPort, 0), shared);
    EXPECT_EQ(w.m_keyTable[PartitionKeyEntry(9, 2)], kNewKey);
    EXPECT_EQ(w.m_keyTable[PartitionKeyEntry(9, 0)], shared);
    for (const Row& row : rows)
        EXPECT_EQ(ovsim::ReadMemory(kUsartPort, row.start, static_cast<uint32_t>(row.data.size())), row.data);

    w.Click(IDC_BTN_CONNECT);
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    EXPECT_EQ(w.m_items[0].partitionKeyText, shared);
    EXPECT_EQ(w.m_items[2].partitionKeyText, kNewKey);
    host.ClearRecords();
    EXPECT_TRUE(Download(w));
}

// A project's key ids are judged by the series the project names, whichever chip is connected: a series-5 project
// giving USER1 key 1 (series 5 opens USER1 with key 0 only) and a series-9 one giving USER3 key 5 are refused when
// chosen; a series-0 project giving USER3 key 5 passes that check beside a series-9 chip and is refused only for
// naming another series.
TEST_F(DownloadProjectBrowse, KeyIdsAreJudgedByTheProjectsSeries) {
    struct Case {
        int connected;  // the connected chip's series, -1 for none
        const char16_t* series;
        uint8_t partition, keyId;
        const char16_t* refusal;
    };
    const Case cases[] = {
        {-1, u"VK420", 0, 1, u"项目文件中USER1的密钥ID 1不适用于该芯片系列！"},
        {5, u"VK420", 0, 1, u"项目文件中USER1的密钥ID 1不适用于该芯片系列！"},
        {5, u"VK420", 2, 0, u"项目文件中USER3的密钥ID 0不适用于该芯片系列！"},
        {0, u"VK73X", 2, 5, u"项目文件中USER3的密钥ID 5不适用于该芯片系列！"},
        {9, u"VK517", 2, 5, u"项目文件的芯片系列与当前芯片系列不一致！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << fw::TextToUtf8(c.series) << " USER" << c.partition + 1 << " id "
                                        << int(c.keyId) << " beside series " << c.connected);
        window.reset();
        ovsim::Reset();
        host.ClearRecords();
        CQXDownloadToolDlg& w = c.connected < 0 ? Start() : ConnectNewChip(static_cast<uint8_t>(c.connected));
        const fw::Text path = WriteProject("ids.dlpf", c.series, {{"app.bin", 0x08000000, Pattern(64, 1)}},
                                           std::nullopt, WithPartition(c.partition, 4, c.keyId, 0x10));
        host.ExpectBox(c.refusal, fw::IDOK);
        Browse(w, path);
        EXPECT_TRUE(LogHas(c.refusal));
        EXPECT_FALSE(LogHas(u"文件加载成功！"));
        for (const DownloadItem& item : w.m_items)
            EXPECT_EQ(item.configure, 0);
    }
}
