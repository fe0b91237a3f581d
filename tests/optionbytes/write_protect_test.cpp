// The write-protection editor from the Operations menu on simulated chips: each series' WRP bytes are read from
// their places in the option image and written back there through the write-protection command; refusals, a
// failing read and a failing write leave the chip as it was and say so; the channel's protection flag follows
// only what was read or written.
#include <gtest/gtest.h>

#include "app/ChannelSlot.h"
#include "app/DownloadCounters.h"
#include "core/StatusText.h"
#include "framework/Format.h"
#include "optionbytes/WriteProtectDlg.h"
#include "tests/optionbytes/ConnectedChipFixture.h"

namespace {

using fw::Text;

const Text kDone = u"配置写保护成功，复位后生效！";

class WriteProtect : public ConnectedChipFixture {
protected:
    CQXDownloadToolDlg& Connect(uint8_t series) { return ConnectChip(series); }
};

TEST_F(WriteProtect, EachSeriesReadsAndWritesItsPlaces) {
    struct Row {
        uint8_t series;
        std::vector<size_t> places;  // image bytes of WRP0.. as the series lays them out
    };
    const Row rows[] = {
        {0, {8, 10, 12, 14}},  {1, {8, 10, 12, 14}},  {2, {8, 10, 12, 14}}, {3, {8, 10}},
        {4, {8, 10}},          {5, {8, 10}},          {6, {8, 10}},         {8, {8, 10, 12, 14}},
        {9, {16, 18, 20, 22}}, {11, {9, 10, 11, 12}}, {12, {10, 11}},
    };
    const int edits[] = {IDC_WP_WRP0, IDC_WP_WRP1, IDC_WP_WRP2, IDC_WP_WRP3};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.series));
        window.reset();
        ovsim::Reset();
        CQXDownloadToolDlg& w = Connect(row.series);
        std::vector<uint8_t> before = Image();
        for (size_t k = 0; k < row.places.size(); ++k)
            before[row.places[k]] = static_cast<uint8_t>(0xF0 + k);  // a value per byte, to tell them apart
        ovsim::SetOptionImage("/dev/ttyUSB0", before);
        before = Image();
        std::vector<Text> shown;
        bool thirdShown = false;
        host.OnModal(IDD_WRITE_PROTECT, [&](fw::Dialog& d) {
            for (int id : edits)
                shown.push_back(d.GetDlgItemText(id));
            thirdShown = d.GetDlgItem(IDC_WP_WRP2).IsWindowVisible();
            for (size_t k = 0; k < row.places.size(); ++k)
                EXPECT_TRUE(d.EnterText(edits[k], k == 0 ? u"7f" : u"FF"));
            d.Click(IDC_WP_OK);
        });
        host.ExpectBox(kDone, fw::IDOK);
        EXPECT_TRUE(w.ChooseMenu(ID_WRITE_PROTECTION));
        for (size_t k = 0; k < 4; ++k)
            EXPECT_EQ(fw::TextToUtf8(shown[k]),
                      k < row.places.size() ? fw::TextToUtf8(fw::Format(u"%02X", 0xF0 + static_cast<int>(k))) : "");
        EXPECT_EQ(thirdShown, row.places.size() == 4);
        const std::vector<uint8_t> after = Image();
        for (size_t k = 0; k < row.places.size(); ++k)
            EXPECT_EQ(after[row.places[k]], k == 0 ? 0x7F : 0xFF) << "WRP" << k;
        EXPECT_EQ(ovsim::BrokenComplementWrites("/dev/ttyUSB0"), 0);
        EXPECT_EQ(g_channels[0].writeProtected, 1);  // WRP0 7F protects its top group
        EXPECT_TRUE(LogHas(kDone));
    }
}

TEST_F(WriteProtect, RefusalsAndFailuresWriteNothing) {
    CQXDownloadToolDlg& w = Connect(0);
    const std::vector<uint8_t> erased = Image();
    struct Row {
        const char* name;
        Text wrp0, wrp1;
        Text message;
    };
    const Row rows[] = {
        {"an empty WRP1 before a bad digit in WRP0", u"G1", u"", u"WRP1数据不能为空！"},
        {"a bad digit", u"G1", u"FF", u"WRP0输入的数据必须为十六进制的数据！"},
        {"an empty WRP0", u"", u"FF", u"WRP0数据不能为空！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.OnModal(IDD_WRITE_PROTECT, [&](fw::Dialog& d) {
            d.EnterText(IDC_WP_WRP0, row.wrp0);
            d.EnterText(IDC_WP_WRP1, row.wrp1);
            host.ExpectBox(row.message, fw::IDOK);
            d.Click(IDC_WP_OK);
            EXPECT_EQ(d.GetResult(), 0);
            d.Click(fw::IDCANCEL);
        });
        EXPECT_TRUE(w.ChooseMenu(ID_WRITE_PROTECTION));
        EXPECT_EQ(Image(), erased);
    }
    {
        SCOPED_TRACE("the write fails, then a retry writes f as 0F");
        ovsim::InjectStatus(ovsim::Fn::WriteProtect, 1, CMD_STATUS_BAD_PARAMETER);
        host.OnModal(IDD_WRITE_PROTECT, [&](fw::Dialog& d) {
            d.EnterText(IDC_WP_WRP0, u"f");
            host.ExpectBox(u"配置写保护失败！", fw::IDOK);
            d.Click(IDC_WP_OK);
            EXPECT_EQ(Image(), erased);
            host.ExpectBox(kDone, fw::IDOK);
            d.Click(IDC_WP_OK);
        });
        EXPECT_TRUE(w.ChooseMenu(ID_WRITE_PROTECTION));
        EXPECT_EQ(Image()[8], 0x0F);
    }
    {
        SCOPED_TRACE("the read fails: no dialog, the flag stays");
        g_channels[0].writeProtected = 1;  // what the last connection said; a failed read does not overrule it
        host.ClearRecords();
        ovsim::InjectStatus(ovsim::Fn::OptRw, 1, CMD_STATUS_BAD_PARAMETER);
        EXPECT_TRUE(w.ChooseMenu(ID_WRITE_PROTECTION));
        EXPECT_TRUE(host.ModalsRun().empty());
        const std::vector<Text> expected = {StatusCodeToText(CMD_STATUS_BAD_PARAMETER), u"读取选项字节失败！"};
        EXPECT_EQ(host.LogTexts(), expected);
        EXPECT_EQ(g_channels[0].writeProtected, 1);
    }
    {
        SCOPED_TRACE("cancelled after a good read: the flag tells what was read");
        g_channels[0].writeProtected = 0;
        host.OnModal(IDD_WRITE_PROTECT, [](fw::Dialog& d) { d.Click(fw::IDCANCEL); });
        EXPECT_TRUE(w.ChooseMenu(ID_WRITE_PROTECTION));
        EXPECT_EQ(g_channels[0].writeProtected, 1);  // WRP0 0F from the retry above
    }
    {
        SCOPED_TRACE("a short read: shown as far as it came, OK refused, the flag stays");
        const std::vector<uint8_t> before = Image();
        g_channels[0].writeProtected = 0;
        ovsim::ClearCallLog();
        ovsim::InjectShortRead(ovsim::Fn::OptRw, 1, 10);  // WRP0 came, WRP1 to WRP3 did not
        const Text refused = u"读取的选项字节不完整，不能写入芯片！";
        host.OnModal(IDD_WRITE_PROTECT, [&](fw::Dialog& d) {
            EXPECT_EQ(d.GetDlgItemText(IDC_WP_WRP0), u"0F");
            EXPECT_EQ(d.GetDlgItemText(IDC_WP_WRP1), u"00");
            d.EnterText(IDC_WP_WRP0, u"FF");
            host.ExpectBox(refused, fw::IDOK);
            d.Click(IDC_WP_OK);
            EXPECT_EQ(d.GetResult(), 0);
            d.Click(fw::IDCANCEL);
        });
        EXPECT_TRUE(w.ChooseMenu(ID_WRITE_PROTECTION));
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::WriteProtect), 0);
        EXPECT_EQ(Image(), before);
        EXPECT_EQ(g_channels[0].writeProtected, 0);
        EXPECT_TRUE(LogHas(refused));
    }
}

// Series 7 has no write-protection bytes: even when the command is sent, no editor opens and nothing is written.
TEST_F(WriteProtect, SeriesWithoutProtectionBytesIsRefused) {
    CQXDownloadToolDlg& w = Connect(7);
    const std::vector<uint8_t> before = Image();
    EXPECT_FALSE(w.ChooseMenu(ID_WRITE_PROTECTION));
    host.ExpectBox(u"该系列芯片没有写保护字节！", fw::IDOK);
    w.SendCommand(ID_WRITE_PROTECTION);
    EXPECT_TRUE(host.ModalsRun().empty());
    EXPECT_EQ(Image(), before);
}

TEST(WrpGroups, BySeriesThenByModel) {
    struct Row {
        uint8_t series;
        const char16_t* model;
        WrpGroup group;
    };
    const Row rows[] = {
        {3, u"", WrpGroup::A},      {12, u"", WrpGroup::A},       {0, u"VK232C8", WrpGroup::A},
        {8, u"", WrpGroup::B},      {0, u"VK43XRB", WrpGroup::B}, {5, u"", WrpGroup::C},
        {0, u"VK620", WrpGroup::C}, {11, u"", WrpGroup::D},       {0, u"VK26X", WrpGroup::D},
        {10, u"", WrpGroup::E},     {1, u"VK81X", WrpGroup::E},   {0, u"VK517C8", WrpGroup::F},
        {7, u"", WrpGroup::F},      {13, u"", WrpGroup::F},       {5, u"VK232", WrpGroup::A},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.model));
        EXPECT_EQ(WrpGroupOf(row.series, row.model), row.group) << static_cast<int>(row.series);
    }
}

}  // namespace

// The road a person takes with a protected group: the editor protects it and the reset puts it in force; over
// USART nothing lifts it, so a full erase and a download both stop on it with the chip's status; the same option
// bytes on a chip behind a probe are lifted by the download (on the user's Yes), which then programs.
class WriteProtectionOnTheChip : public ConnectedChipFixture {
protected:
    bool Idle() const {
        fw::ScopedLock lock(g_csCounters);
        return g_activeWorkers == 0 && g_channels[0].worker.load() == nullptr;
    }
    // Browse a file of these bytes, start address 08000000, press Download and wait for the job to end.
    void Download(CQXDownloadToolDlg& w, const std::vector<uint8_t>& image) {
        dir.Write("app.bin", std::string(image.begin(), image.end()));
        host.ExpectOpenFile(dir.Wide("app.bin"));
        w.Click(IDC_BTN_BROWSE);
        w.EnterText(IDC_EDIT_START_ADDR, u"08000000");
        const size_t panesBefore = host.PaneTexts(2).size();
        ASSERT_TRUE(w.Click(IDC_BTN_DOWNLOAD));
        ASSERT_TRUE(
            host.PumpUntil([&] { return Idle() && host.PaneTexts(2).size() > panesBefore; }, std::chrono::seconds(30)));
    }
};

TEST_F(WriteProtectionOnTheChip, ProtectedGroupStopsEraseAndDownloadUntilTheDownloadLiftsIt) {
    CQXDownloadToolDlg& w = ConnectChip(0);
    host.OnModal(IDD_WRITE_PROTECT, [](fw::Dialog& d) {
        EXPECT_TRUE(d.EnterText(IDC_WP_WRP0, u"FE"));  // bit 0: the first two pages
        for (int id : {IDC_WP_WRP1, IDC_WP_WRP2, IDC_WP_WRP3})
            EXPECT_TRUE(d.EnterText(id, u"FF"));
        d.Click(IDC_WP_OK);
    });
    host.ExpectBox(kDone, fw::IDOK);
    ASSERT_TRUE(w.ChooseMenu(ID_WRITE_PROTECTION));
    // The new option bytes come into force at the next power-up: the board is powered off and on, the user connects
    // again.
    ovsim::Unplug(kDevice);
    ovsim::Replug(kDevice);
    w.Click(IDC_BTN_CONNECT);
    if (w.m_connected == 0) w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    EXPECT_EQ(g_channels[0].writeProtected, 1);
    const fw::Text protectedPage = StatusCodeToText(static_cast<int>(CMD_STATUS_PAGE_WRP_PROTECTED));
    const auto firstPages = [](const std::string& device) { return ovsim::ReadMemory(device, 0x08000000, 0x1000); };
    const std::vector<uint8_t> erased(0x1000, 0xFF);
    ASSERT_EQ(firstPages(kDevice), erased);

    host.ClearRecords();
    host.ExpectBox(u"确认全擦除FLASH?", fw::IDYES);
    ASSERT_TRUE(w.ChooseMenu(ID_ERASE_ALL_FLASH));
    EXPECT_TRUE(LogHas(protectedPage));
    EXPECT_TRUE(LogHas(u"全擦除失败！"));

    host.ClearRecords();
    const std::vector<uint8_t> image(0x1000, 0x5A);
    Download(w, image);
    EXPECT_TRUE(LogHas(protectedPage));
    EXPECT_FALSE(LogHas(u"程序下载完成！"));
    EXPECT_EQ(firstPages(kDevice), erased);

    // The chip moves to a probe with its option bytes.
    const std::string probe = "dap-1";
    const std::vector<uint8_t> options = ovsim::OptionImage(kDevice, true);
    window.reset();
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, probe, Chip(0));
    ovsim::SetOptionImage(probe, options);
    SysConfig("interface=03\n");
    CQXDownloadToolDlg& onProbe = Start();
    onProbe.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(onProbe.m_connected, 1);
    EXPECT_EQ(g_channels[0].writeProtected, 1);
    host.ClearRecords();
    host.ExpectBox(u"芯片处于写保护状态，是否解除？", fw::IDYES);
    Download(onProbe, image);
    EXPECT_TRUE(LogHas(u"解除写保护成功！"));
    EXPECT_TRUE(LogHas(u"程序下载完成！"));
    EXPECT_EQ(firstPages(probe), image);
    EXPECT_EQ(g_channels[0].writeProtected, 0);
}
