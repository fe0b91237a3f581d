// What the window takes from a chip by its series: partition settings, the model line, the partitions it reads
// and the flash checksum series 12 keeps in its option bytes.
#include <vector>

#include "devicelib/sim/CallJournal.h"
#include "framework/Ini.h"
#include "tests/app/MainWindowFixture.h"

namespace {

using ChipInfoOnTheWindow = MainWindowFixture;

TEST_F(ChipInfoOnTheWindow, PartitionSettingsAreClearedForTheSeriesWithoutPartitions) {
    const bool partitions[13] = {true, true, true, true, false, true, false, false, true, true, true, true, false};
    CQXDownloadToolDlg& w = Start();
    const fw::Text ini = dir.Wide("SysConfig.ini");
    for (int series = 0; series <= 12; ++series) {
        SCOPED_TRACE(series);
        fw::WritePrivateProfileString(u"dlparam", u"enablepartition2", u"01", ini);
        for (DownloadItem& item : w.m_items) {
            item.configure = 1;
            item.readSize = 5;
        }
        w.m_chipSeries = static_cast<ChipSeriesCode>(series);
        w.ApplyChipInfo();
        const bool kept = partitions[series];
        EXPECT_EQ(w.m_items[1].configure, kept ? 1 : 0);
        EXPECT_EQ(w.m_items[2].readSize, kept ? 5 : 0);
        EXPECT_EQ(fw::GetPrivateProfileString(u"dlparam", u"enablepartition2", u"", 64, ini), kept ? u"01" : u"00");
    }
}

TEST_F(ChipInfoOnTheWindow, ModelLineBySeriesAndLength) {
    struct Row {
        uint8_t series;
        const char16_t* model;
        const char16_t* line;
    };
    const Row rows[] = {
        {5, u"VK420C8T", u"芯片型号:VK420C8T"},  // series 5 names a longer model without the series word
        {5, u"VK420C8", u"芯片型号:VK420C8系列"},
        {0, u"VK517C8T6", u"芯片型号:VK517C8T6系列"},
        {3, u"Unknown", u"芯片型号:未知"},
    };
    CQXDownloadToolDlg& w = Start();
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.model));
        w.m_chipSeries = row.series;
        w.m_chipModel = row.model;
        w.ShowChipInfo();
        EXPECT_TRUE(LogHas(row.line));
    }
}

TEST_F(ChipInfoOnTheWindow, Series5ReadsOnlyUser1AndUser3) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(5));
    CQXDownloadToolDlg& w = Start();
    ovsim::ClearJournal();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    std::vector<std::vector<uint32_t>> reads;
    for (const ovsim::JournalEntry& entry : ovsim::Journal()) {
        if (entry.fn == ovsim::Fn::UserxOp) reads.push_back(entry.args);
    }
    // (operation, partition index)
    EXPECT_EQ(reads, (std::vector<std::vector<uint32_t>>{{0, 0}, {0, 2}}));
    w.Click(IDC_BTN_CONNECT);
}

// Series 12 keeps the flash's CRC32 in option bytes 13 to 16, least significant first; the window shows it as a
// number.
TEST_F(ChipInfoOnTheWindow, Series12ShowsTheFlashChecksumOfItsOptionBytes) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(12));
    {
        DeviceHandle handle = 0;
        ASSERT_EQ(OV_CMD_CONNECT_DEV(&handle, u"/dev/ttyUSB0", 115200), 0);
        OptionRwBlock block{};
        block.length = 17;
        ASSERT_EQ(OV_CMD_OPT_RW(handle, &block), CMD_STATUS_OK);
        block.operation = 1;
        const uint8_t crc[4] = {0x78, 0x56, 0x34, 0x12};
        std::copy(crc, crc + 4, block.data + 13);
        ASSERT_EQ(OV_CMD_OPT_RW(handle, &block), CMD_STATUS_OK);
        OV_CMD_DISCONNECT_DEV(&handle);
    }
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    EXPECT_TRUE(LogHas(u"FLASH CRC32值：0x12345678"));
    w.Click(IDC_BTN_CONNECT);
}

TEST_F(ChipInfoOnTheWindow, ProtectionLinesOfAConnectedChip) {
    struct Row {
        int level;
        bool writeProtected;
        std::vector<const char16_t*> lines;
    };
    const Row rows[] = {
        {0, false, {u"当前芯片处于读保护等级L0"}},
        {0, true, {u"当前芯片处于读保护等级L0", u"当前芯片处于写保护状态"}},
        {1, false, {u"当前芯片处于读保护等级L1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.level << " " << row.writeProtected);
        ovsim::Reset();
        ovsim::ChipSpec chip = Chip(0);
        chip.readProtection = row.level;
        if (row.writeProtected) chip.writeProtection = {0x00, 0xFF, 0xFF, 0xFF};
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", chip);
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        ASSERT_EQ(w.m_connected, 1);
        for (const char16_t* line : row.lines)
            EXPECT_TRUE(LogHas(line)) << fw::TextToUtf8(line);
        EXPECT_EQ(LogHas(u"当前芯片处于写保护状态"), row.writeProtected);
        EXPECT_EQ(g_channels[0].rdpLevel, row.level);
        EXPECT_EQ(g_channels[0].writeProtected, row.writeProtected ? 1 : 0);
        w.Click(IDC_BTN_CONNECT);
        window.reset();
        host.ClearRecords();
    }
}

// The security chip's progress counts the firmware only with "Firmware File" ticked in test mode and the module
// only with "Safe Module:" ticked; packets are 2048 bytes over USART once its boot loader is past V1.0.
TEST_F(ChipInfoOnTheWindow, SecurityChipProgressCountsWhatItsBoxesChoose) {
    struct Row {
        bool firmware, module;
        int result;
        uint32_t steps;
    };
    const Row rows[] = {{true, true, 1, 3}, {true, false, 1, 2}, {false, true, 1, 1}, {false, false, 0, 0}};
    CQXDownloadToolDlg& w = Start();
    w.m_chipSeries = 10;
    w.m_bootSubVersionText = u"V1.1";
    g_channels[0].chipSeries = 10;
    w.m_items[0].enabled = 1;
    w.m_items[0].segmentCount = 1;
    w.m_items[0].length[0] = 0x1000;
    w.m_safeModuleSize = 0x800;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "firmware " << row.firmware << " module " << row.module);
        w.CheckDlgButton(IDC_CHECK_FIRMWARE_FILE, row.firmware ? 1 : 0);
        w.CheckDlgButton(IDC_CHECK_SAFE_MODULE, row.module ? 1 : 0);
        g_channels[0].progressTotal = 99;
        EXPECT_EQ(w.ComputeProgressSteps(&g_channels[0]), row.result);
        if (row.result == 1) {
            EXPECT_EQ(g_channels[0].progressTotal, row.steps);
        } else {
            EXPECT_TRUE(LogHas(u"下载数据长度不能为0！"));
        }
    }
}

}  // namespace
