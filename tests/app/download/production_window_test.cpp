// The main window's production mode on the headless host and the simulated chips: switching modes, the rows,
// folding the settings panel and the download of many chips at once.

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/DownloadCounters.h"
#include "app/MainWindowJobHost.h"
#include "core/BuiltinKeys.h"
#include "framework/DeviceNotification.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "framework/Profile.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/download/HexFileWriter.h"

namespace {

constexpr int kRowText[8] = {IDC_ROW1_TEXT, IDC_ROW2_TEXT, IDC_ROW3_TEXT, IDC_ROW4_TEXT,
                             IDC_ROW5_TEXT, IDC_ROW6_TEXT, IDC_ROW7_TEXT, IDC_ROW8_TEXT};
constexpr int kRowEdit[8] = {IDC_ROW1_EDIT, IDC_ROW2_EDIT, IDC_ROW3_EDIT, IDC_ROW4_EDIT,
                             IDC_ROW5_EDIT, IDC_ROW6_EDIT, IDC_ROW7_EDIT, IDC_ROW8_EDIT};
constexpr int kRowIcon[8] = {IDC_ROW1_ICON, IDC_ROW2_ICON, IDC_ROW3_ICON, IDC_ROW4_ICON,
                             IDC_ROW5_ICON, IDC_ROW6_ICON, IDC_ROW7_ICON, IDC_ROW8_ICON};
constexpr int kRowCheck[8] = {IDC_ROW1_CHECK, IDC_ROW2_CHECK, IDC_ROW3_CHECK, IDC_ROW4_CHECK,
                              IDC_ROW5_CHECK, IDC_ROW6_CHECK, IDC_ROW7_CHECK, IDC_ROW8_CHECK};
constexpr int kRowBar[8] = {IDC_ROW1_PROGRESS, IDC_ROW2_PROGRESS, IDC_ROW3_PROGRESS, IDC_ROW4_PROGRESS,
                            IDC_ROW5_PROGRESS, IDC_ROW6_PROGRESS, IDC_ROW7_PROGRESS, IDC_ROW8_PROGRESS};

// The CMSIS-DAP probe of row n (from 0), as the device scan lists it.
std::string Probe(int n) { return "07000001" + std::to_string(10 + n); }

class ProductionWindow : public MainWindowFixture {
protected:
    // Chip series rows of the series table, by their CLASS lines.
    void SeriesTable(std::initializer_list<const char*> classes) {
        std::string text;
        for (const char* name : classes)
            text += std::string("CLASS=") + name + "\nPAGESIZE=0x800\n";
        dir.Write("Series CFG Table.ini", text);
    }

    std::vector<fw::Text> ComboEntries(const CQXDownloadToolDlg& w, int id) const {
        std::vector<fw::Text> entries;
        const fw::Control combo = w.GetDlgItem(id);
        for (int i = 0; i < combo.GetCount(); ++i)
            entries.push_back(combo.GetLBText(i));
        return entries;
    }

    fw::Text Row(int n) const { return window->GetDlgItemText(kRowText[n]); }

    bool Idle() const {
        fw::ScopedLock lock(g_csCounters);
        if (g_activeWorkers != 0) return false;
        return std::all_of(std::begin(g_channels), std::end(g_channels),
                           [](const ChannelSlot& s) { return s.worker.load() == nullptr; });
    }

    // Browse a hex file of the image (at the flash base unless told), then the production Download with the
    // counters at 0; true once each of `chips` workers has reported: the fail pane is the last each sets.
    bool DownloadHexOnEveryChip(CQXDownloadToolDlg& w, const std::vector<uint8_t>& image, size_t chips,
                                std::chrono::seconds limit, uint32_t at = 0x08000000) {
        dir.Write("app.hex", hexfile::Text({{at, image}}));
        host.ExpectOpenFile(dir.Wide("app.hex"));
        w.Click(IDC_BTN_BROWSE);
        {
            fw::ScopedLock lock(g_csCounters);
            g_passCount = g_failCount = 0;
        }
        const size_t reportsBefore = host.PaneTexts(3).size();
        if (!w.Click(IDC_BTN_PRODUCTION_DOWNLOAD)) return false;
        return host.PumpUntil([&] { return Idle() && host.PaneTexts(3).size() == reportsBefore + chips; }, limit);
    }

    // Gives the chip on the serial port a partition, as the partition tools of another program would have.
    static void ConfigurePartition(const std::string& port, UserPartitionRecord record) {
        char16_t names[0x400];
        OV_CMD_ENUM_DEV(OV_IFACE_USART, names, 0x400);
        DeviceHandle handle = 0;
        ASSERT_EQ(OV_CMD_CONNECT_DEV(&handle, fw::Utf8ToText(port).c_str(), 115200), 0);
        record.operation = 1;
        EXPECT_EQ(OV_CMD_USERX_OP(handle, &record), CMD_STATUS_OK);
        OV_CMD_DISCONNECT_DEV(&handle);
    }
};

// The window's copy of the partitions, as the partition tools and the download of test mode take it.
struct WindowPartitionCopy {
    std::array<UserPartitionRecord, 3> records;
    std::vector<uint32_t> keyIds;
    std::array<std::array<uint8_t, 3>, 3> read;  // size, authentication, encryption
    std::array<fw::Text, 3> keyTexts;

    explicit WindowPartitionCopy(const CQXDownloadToolDlg& w) : keyIds(w.m_partitionKeyIds) {
        for (size_t i = 0; i < 3; ++i) {
            const DownloadItem& item = w.m_items[i];
            records[i] = w.m_partitions[i];
            read[i] = {item.readSize, item.readAuthentication, item.readEncryption};
            keyTexts[i] = item.partitionKeyText;
        }
    }
    bool operator==(const WindowPartitionCopy& other) const {
        for (size_t i = 0; i < 3; ++i) {
            const UserPartitionRecord &a = records[i], &b = other.records[i];
            if (a.size != b.size || a.keyId != b.keyId || a.flags != b.flags) return false;
        }
        return keyIds == other.keyIds && read == other.read && keyTexts == other.keyTexts;
    }
};

// A partition download leaves item 0 alone; the job must still see where item 1 goes before it decides whether the
// chip's low pages, and so its protection, are concerned.
TEST_F(ProductionWindow, TheJobSeesEveryItemAtTheAddressOfItsText) {
    ovsim::ChipSpec chip = Chip(0);
    chip.readProtection = 1;
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", chip);
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    DownloadItem& partition = w.m_items[1];
    w.m_items[0].enabled = 0;
    partition.enabled = 1;
    SetSegment(partition, 0, hexfile::Pattern(0x400), 0x400);
    partition.addressText[0] = u"08004000";
    partition.address[0] = 0;  // as a loader that knew no address left it

    w.StartDownload();
    ASSERT_TRUE(host.PumpUntil([&] { return Idle(); }, std::chrono::seconds(30)));

    EXPECT_EQ(partition.address[0], 0x08004000u);
    // Pages from 0x08004000 on are not the low pages: nobody is asked to lift the protection for them.
    for (const auto& box : host.Boxes())
        EXPECT_NE(box.text, u"芯片处于读保护等级L1状态，是否解除？");
}

// Switching with the chip of test mode connected lets it go, and the probes found become the rows.
TEST_F(ProductionWindow, SwitchingDisconnectsAndListsTheDevicesInRows) {
    SysConfig("interface=03\n");
    SeriesTable({"VK51x", "VK42x", "VK51x", "VK73x"});
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, Probe(0), Chip(2, "VK42X"));
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, Probe(1), Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    ASSERT_EQ(w.m_chipModel, u"VK42X");

    w.SendCommand(ID_PRODUCTION_MODE);

    EXPECT_EQ(w.m_productionMode, 1);
    EXPECT_EQ(w.m_connected, 0);
    EXPECT_EQ(g_channels[0].connected, 0);
    EXPECT_TRUE(LogHas(u"设备已断开！"));
    EXPECT_EQ(fw::GetProfileInt(u"Settings", u"mode", -1), 1);
    EXPECT_EQ(Row(0), fw::Utf8ToText("1--" + Probe(0)));
    EXPECT_EQ(Row(1), fw::Utf8ToText("2--" + Probe(1)));
    EXPECT_EQ(Row(2), u"3--未连接设备");
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        EXPECT_TRUE(w.GetDlgItem(kRowText[n]).IsWindowVisible());
        EXPECT_TRUE(w.GetDlgItem(kRowCheck[n]).IsWindowVisible());
        EXPECT_EQ(g_channels[n].present, n < 2 ? 1 : 0);
        EXPECT_EQ(w.GetDlgItem(kRowIcon[n]).IsWindowVisible(), n < 2);
        EXPECT_EQ(w.GetDlgItemText(kRowEdit[n]), n < 2 ? u"Ready..." : u"");
    }
    EXPECT_EQ(w.GetDlgItem(kRowIcon[0]).GetIcon(), IDI_STATUS_IDLE);
    for (int id : {IDC_LOG, IDC_PROGRESS, IDC_BTN_CONNECT})
        EXPECT_FALSE(w.GetDlgItem(id).IsWindowVisible()) << id;
    // The device combo now lists the chip series, each name once, at the connected chip's model when listed.
    EXPECT_EQ(w.GetDlgItemText(IDC_STATIC_DEVICE), u"芯片系列：");
    EXPECT_EQ(ComboEntries(w, IDC_COMBO_DEVICE), (std::vector<fw::Text>{u"VK51X", u"VK42X", u"VK73X"}));
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_DEVICE).GetCurSel(), 1);
    EXPECT_EQ(w.m_chipSeries, 2);
    EXPECT_TRUE(w.GetDlgItem(IDC_COMBO_DEVICE).IsWindowEnabled());
    EXPECT_TRUE(w.GetMenu().GetMenuState(2, fw::MF_BYPOSITION) & fw::MF_GRAYED);
    EXPECT_TRUE(w.GetMenu().IsGrayed(ID_PRODUCTION_MODE));

    w.SendCommand(ID_TEST_MODE);

    EXPECT_EQ(w.m_productionMode, 0);
    EXPECT_EQ(fw::GetProfileInt(u"Settings", u"mode", -1), 0);
    EXPECT_EQ(w.GetDlgItemText(IDC_STATIC_DEVICE), u"设备：");
    EXPECT_EQ(ComboEntries(w, IDC_COMBO_DEVICE),
              (std::vector<fw::Text>{fw::Utf8ToText(Probe(0)), fw::Utf8ToText(Probe(1))}));
    EXPECT_FALSE(w.GetDlgItem(kRowText[0]).IsWindowVisible());
    for (int id : {IDC_LOG, IDC_PROGRESS, IDC_BTN_CONNECT})
        EXPECT_TRUE(w.GetDlgItem(id).IsWindowVisible()) << id;
    EXPECT_EQ(w.GetDlgItemText(IDC_LOG), u"");
    EXPECT_FALSE(w.GetMenu().GetMenuState(2, fw::MF_BYPOSITION) & fw::MF_GRAYED);
    EXPECT_TRUE(w.GetMenu().IsGrayed(ID_TEST_MODE));
}

TEST_F(ProductionWindow, RefusedSwitchesChangeNothing) {
    struct Case {
        const char* name;
        std::string sysConfig;
        bool production;  // the window is in production mode first
        int command;
        const char16_t* box;
    };
    const Case cases[] = {
        {"J-Link", "interface=02\n", false, ID_PRODUCTION_MODE, u"当前接口暂不支持量产模式！"},
        {"offline downloader", "interface=04\n", false, ID_PRODUCTION_MODE, u"当前接口暂不支持量产模式！"},
        {"interface 5", "interface=05\n", false, ID_PRODUCTION_MODE, u"当前接口暂不支持量产模式！"},
        {"test mode again", "interface=00\n", false, ID_TEST_MODE, u"当前已是测试模式！"},
        {"production mode again", "interface=03\n", true, ID_PRODUCTION_MODE, u"当前已是量产模式！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        fw::WriteProfileString(u"Settings", u"mode", u"");
        SysConfig(c.sysConfig);
        SeriesTable({"VK51x"});
        CQXDownloadToolDlg& w = Start();
        if (c.production) {
            w.SendCommand(ID_PRODUCTION_MODE);
            fw::WriteProfileString(u"Settings", u"mode", u"");
        }
        const fw::Text label = w.GetDlgItemText(IDC_STATIC_DEVICE);
        const std::vector<fw::Text> entries = ComboEntries(w, IDC_COMBO_DEVICE);

        host.ExpectBox(c.box, fw::IDOK);
        w.SendCommand(c.command);

        EXPECT_EQ(w.m_productionMode, c.production ? 1 : 0);
        EXPECT_EQ(fw::GetProfileString(u"Settings", u"mode"), u"");
        EXPECT_EQ(w.GetDlgItemText(IDC_STATIC_DEVICE), label);
        EXPECT_EQ(ComboEntries(w, IDC_COMBO_DEVICE), entries);
    }
}

TEST_F(ProductionWindow, TheSeriesListFollowsTheTable) {
    struct Case {
        const char* name;
        bool tableExists;
        const char16_t* chipModel;
        int lastSelected;
        std::vector<fw::Text> entries;
        int selected;
    };
    const Case cases[] = {
        {"model listed", true, u"vk73x", 0, {u"VK51X", u"VK42X", u"VK73X"}, 2},
        {"model not listed: the entry last selected", true, u"VK999", 1, {u"VK51X", u"VK42X", u"VK73X"}, 1},
        {"no model", true, u"", 0, {u"VK51X", u"VK42X", u"VK73X"}, 0},
        {"no table", false, u"VK51X", 0, {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        std::filesystem::remove(dir.Path() / "Series CFG Table.ini");
        if (c.tableExists) SeriesTable({"VK51x", "VK42x", "VK42X", "VK73x", "VK51x"});
        SysConfig("interface=03\n");
        CQXDownloadToolDlg& w = Start();
        w.m_chipModel = c.chipModel;
        w.m_seriesIndex = c.lastSelected;
        if (!c.tableExists) host.ExpectBox(u"Series CFG Table 配置文件打开失败！", fw::IDOK);

        w.SendCommand(ID_PRODUCTION_MODE);

        EXPECT_EQ(ComboEntries(w, IDC_COMBO_DEVICE), c.entries);
        EXPECT_EQ(w.GetDlgItem(IDC_COMBO_DEVICE).GetCurSel(), c.selected);
    }
}

// A download project fixes the chip series: the list is there but cannot be changed.
TEST_F(ProductionWindow, ADownloadProjectLocksTheSeriesList) {
    SysConfig("interface=03\n");
    SeriesTable({"VK51x", "VK42x"});
    CQXDownloadToolDlg& w = Start();
    w.m_fileExt = u"DLPF";
    w.SendCommand(ID_PRODUCTION_MODE);
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_DEVICE).GetCount(), 2);
    EXPECT_FALSE(w.GetDlgItem(IDC_COMBO_DEVICE).IsWindowEnabled());
}

// The panel folds to the collapsed size and unfolds to the full one; the window stays where the user put it.
TEST_F(ProductionWindow, FoldingKeepsThePosition) {
    SysConfig("interface=03\n");
    SeriesTable({"VK51x"});
    CQXDownloadToolDlg& w = Start();
    w.SendCommand(ID_PRODUCTION_MODE);
    fw::Rect moved = w.GetWindowRect();
    moved.x += 37;
    moved.y += 21;
    w.MoveWindow(moved);
    ASSERT_LT(g_panelRects.collapsed.width, g_panelRects.full.width);

    ASSERT_TRUE(w.Click(IDC_BTN_HIDE));
    fw::Rect now = w.GetWindowRect();
    EXPECT_EQ(w.GetDlgItemText(IDC_BTN_HIDE), u"设置>>");
    EXPECT_EQ(now.x, moved.x);
    EXPECT_EQ(now.y, moved.y);
    EXPECT_EQ(now.width, g_panelRects.collapsed.width);
    EXPECT_EQ(now.height, g_panelRects.collapsed.height);

    ASSERT_TRUE(w.Click(IDC_BTN_HIDE));
    now = w.GetWindowRect();
    EXPECT_EQ(w.GetDlgItemText(IDC_BTN_HIDE), u"隐藏<<");
    EXPECT_EQ(now.x, moved.x);
    EXPECT_EQ(now.y, moved.y);
    EXPECT_EQ(now.width, g_panelRects.full.width);
    EXPECT_EQ(now.height, g_panelRects.full.height);
}

// Nothing to program: the operator is told so, and the rows are shown all the same.
TEST_F(ProductionWindow, DownloadWithoutATickedDeviceSaysSoAndFolds) {
    SysConfig("interface=03\n");
    SeriesTable({"VK51x"});
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, Probe(0), Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.SendCommand(ID_PRODUCTION_MODE);
    dir.Write("app.hex", hexfile::Text({{0x08000000, hexfile::Pattern(0x100)}}));
    host.ExpectOpenFile(dir.Wide("app.hex"));
    w.Click(IDC_BTN_BROWSE);
    w.Tick(kRowCheck[0], false);

    host.ExpectBox(u"未连接设备！", fw::IDOK);
    ASSERT_TRUE(w.Click(IDC_BTN_PRODUCTION_DOWNLOAD));

    EXPECT_EQ(g_channels[0].worker.load(), nullptr);
    EXPECT_EQ(w.GetDlgItemText(IDC_BTN_HIDE), u"设置>>");
    EXPECT_EQ(w.GetWindowRect().width, g_panelRects.collapsed.width);
    EXPECT_TRUE(w.GetDlgItem(IDC_BTN_PRODUCTION_DOWNLOAD).IsWindowEnabled());
}

// Eight chips of mixed series on eight probes or ports, one of which fails halfway: each row tells its own chip's
// story.
TEST_F(ProductionWindow, EightChipsAtOnceEachRowItsOwn) {
    struct Road {
        const char* name;
        const char* sysConfig;
        uint8_t iface;
        std::string (*device)(int n);
    };
    const Road roads[] = {
        {"CMSIS-DAP", "interface=03\n", OV_IFACE_SWD_CMSIS_DAP, Probe},
        {"USART", "interface=00\nBaud=115200\n", OV_IFACE_USART,
         [](int n) { return "/dev/ttyUSB" + std::to_string(n); }},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        window.reset();
        ovsim::Reset();
        host.ClearRecords();
        SysConfig(road.sysConfig);
        SeriesTable({"VK51x", "VK42x"});
        const uint8_t series[8] = {0, 1, 2, 3, 5, 8, 9, 12};
        for (int n = 0; n < 8; ++n)
            ovsim::Attach(road.iface, road.device(n), Chip(series[n]));
        const int failing = 5;
        ovsim::InjectAfterPackets(2, CMD_STATUS_LAST_ERROR, road.device(failing));
        CQXDownloadToolDlg& w = Start();
        w.SendCommand(ID_PRODUCTION_MODE);
        ASSERT_TRUE(w.Select(IDC_COMBO_DEVICE, 1));
        ASSERT_EQ(w.m_chipSeries, 2);
        const auto image = hexfile::Pattern(0x4000, 5);
        ASSERT_TRUE(DownloadHexOnEveryChip(w, image, 8, std::chrono::seconds(60)));

        for (int n = 0; n < 8; ++n) {
            SCOPED_TRACE(road.device(n));
            const bool pass = n != failing;
            EXPECT_EQ(w.GetDlgItem(kRowIcon[n]).GetIcon(), pass ? IDI_STATUS_PASS : IDI_STATUS_FAIL);
            EXPECT_TRUE(w.GetDlgItem(kRowIcon[n]).IsWindowVisible());
            if (pass) {
                EXPECT_EQ(w.GetDlgItemText(kRowEdit[n]), u"程序下载完成！");
                EXPECT_EQ(ovsim::ReadMemory(road.device(n), 0x08000000, static_cast<uint32_t>(image.size())), image);
                const auto bar = host.Positions(kRowBar[n]);
                ASSERT_FALSE(bar.empty());
                EXPECT_EQ(static_cast<uint32_t>(bar.back()), g_channels[n].progressTotal);
            } else {
                EXPECT_NE(w.GetDlgItemText(kRowEdit[n]), u"程序下载完成！");
            }
        }
        EXPECT_EQ(g_passCount, 7);
        EXPECT_EQ(g_failCount, 1);
        // The window still works for the series the operator chose, whatever the chips said.
        EXPECT_EQ(w.m_chipSeries, 2);
        EXPECT_EQ(w.GetDlgItemText(IDC_COMBO_DEVICE), u"VK42X");
        EXPECT_EQ(host.PaneTexts(1).back(), u"总数:8");
        EXPECT_EQ(host.PaneTexts(2).back(), u"成功:7");
        EXPECT_EQ(host.PaneTexts(3).back(), u"失败:1");
        EXPECT_EQ(fw::GetPrivateProfileInt(u"dlparam", u"total", 0, dir.Wide("SysConfig.ini")), 8);
        EXPECT_TRUE(ovsim::Overlaps().empty());
        // The last worker gave the window back.
        EXPECT_TRUE(w.GetDlgItem(IDC_BTN_PRODUCTION_DOWNLOAD).IsWindowEnabled());
        EXPECT_TRUE(w.GetDlgItem(IDC_COMBO_DEVICE).IsWindowEnabled());
    }
}

// Probes plugged or pulled while chips are programmed change no row of the running job; the rows follow them as
// soon as the last chip is done.
TEST_F(ProductionWindow, RowsFollowTheProbesPluggedDuringARun) {
    SysConfig("interface=03\n");
    SeriesTable({"VK51x"});
    for (int n = 0; n < 2; ++n)
        ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, Probe(n), Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.SendCommand(ID_PRODUCTION_MODE);
    dir.Write("app.hex", hexfile::Text({{0x08000000, hexfile::Pattern(0x10000)}}));
    host.ExpectOpenFile(dir.Wide("app.hex"));
    w.Click(IDC_BTN_BROWSE);
    ovsim::SetLinkSpeed(200000);

    ASSERT_TRUE(w.Click(IDC_BTN_PRODUCTION_DOWNLOAD));
    ASSERT_TRUE(host.PumpUntil([&] { return host.Positions(kRowBar[1]).size() > 2; }, std::chrono::seconds(10)));
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, Probe(2), Chip(0));
    fw::InjectDeviceChange(fw::DeviceKind::Usb, true, fw::Utf8ToText(Probe(2)));
    host.PumpUntilIdle(std::chrono::milliseconds(200));
    EXPECT_FALSE(Idle());
    EXPECT_EQ(Row(2), u"3--未连接设备");

    ASSERT_TRUE(
        host.PumpUntil([&] { return Idle() && Row(2) == fw::Utf8ToText("3--" + Probe(2)); }, std::chrono::seconds(30)));
    EXPECT_EQ(g_passCount, 2);
    EXPECT_EQ(w.GetDlgItemText(kRowEdit[2]), u"Ready...");

    ovsim::Unplug(Probe(0));
    fw::InjectDeviceChange(fw::DeviceKind::Usb, false, fw::Utf8ToText(Probe(0)));
    ASSERT_TRUE(host.PumpUntil([&] { return Row(2) == u"3--未连接设备"; }));
    EXPECT_EQ(Row(0), fw::Utf8ToText("1--" + Probe(1)));
    EXPECT_EQ(Row(1), fw::Utf8ToText("2--" + Probe(2)));
    EXPECT_EQ(g_channels[2].present, 0);
}

// Workers that finish in the same instant each count and report; whatever order their reports reach the window in,
// the panes and the file end with the final figures.
TEST_F(ProductionWindow, ReportsOfWorkersEndingTogetherEndWithTheFinalCounts) {
    CQXDownloadToolDlg& w = Start();
    {
        fw::ScopedLock lock(g_csCounters);
        g_passCount = g_failCount = 0;
    }
    for (int round = 1; round <= 6; ++round) {
        SCOPED_TRACE(round);
        std::atomic<int> ready{0}, done{0};
        std::vector<std::thread> workers;
        for (int n = 0; n < 8; ++n) {
            workers.emplace_back([&, n] {
                ++ready;
                while (ready < 8)
                    std::this_thread::yield();
                {
                    fw::ScopedLock lock(g_csCounters);
                    ++(n % 3 == 0 ? g_failCount : g_passCount);
                }
                w.UpdateCounters();
                ++done;
            });
        }
        ASSERT_TRUE(host.PumpUntil([&] { return done == 8; }, std::chrono::seconds(10)));
        for (std::thread& t : workers)
            t.join();
        const int fail = 3 * round, pass = 5 * round;
        EXPECT_EQ(host.PaneTexts(1).back(), fw::Format(u"总数:%d", pass + fail));
        EXPECT_EQ(host.PaneTexts(2).back(), fw::Format(u"成功:%d", pass));
        EXPECT_EQ(host.PaneTexts(3).back(), fw::Format(u"失败:%d", fail));
        EXPECT_EQ(fw::GetPrivateProfileInt(u"dlparam", u"pass", 0, dir.Wide("SysConfig.ini")), pass);
    }
}

// The chips of a production line have partitions of their own, keyed under id 5; the chip of test mode has none.
// Their reads, side by side on the workers, leave the window's copy of the partitions as the test mode's
// connection read it, and each chip is still opened with its own key.
TEST_F(ProductionWindow, ProductionReadsLeaveTheWindowsCopyOfThePartitions) {
    SysConfig("interface=00\nBaud=115200\n");
    SeriesTable({"VK51x"});
    fw::WriteProfileString(u"Settings", u"user1_id", u"5");
    const std::string ports[] = {"/dev/ttyUSB0", "/dev/ttyUSB1"};
    for (const std::string& port : ports)
        ovsim::Attach(OV_IFACE_USART, port, Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    const WindowPartitionCopy before(w);
    ASSERT_EQ(before.keyIds[0], 0xFFu);

    w.SendCommand(ID_PRODUCTION_MODE);
    for (const std::string& port : ports)
        ConfigurePartition(port, {1, 0, 0, 5, 0x10});
    const auto image = hexfile::Pattern(0x400, 3);
    ASSERT_TRUE(DownloadHexOnEveryChip(w, image, 2, std::chrono::seconds(30)));

    EXPECT_EQ(g_passCount, 2);
    for (const std::string& port : ports)
        EXPECT_EQ(ovsim::ReadMemory(port, 0x08000000, static_cast<uint32_t>(image.size())), image) << port;
    EXPECT_TRUE(WindowPartitionCopy(w) == before);
}

// A file at 0x08008000 on a line of two series-0 chips: port 0's chip is fresh, so the address lies in its USER1;
// port 1's chip has a USER1 of two units (USER2 holds the rest), which ends there, so its partition read puts the
// file at its USER1's start instead. That start is port 1's job's: port 0, downloading after port 1 has read, as a
// busy line has it, still programs its chip where the file says, and the window keeps the address it was given.
TEST_F(ProductionWindow, AChipsOwnPartitionStartsStayWithItsJob) {
    SysConfig("interface=00\nBaud=115200\n");
    SeriesTable({"VK51x"});
    const std::string ports[] = {"/dev/ttyUSB0", "/dev/ttyUSB1"};
    for (const std::string& port : ports)
        ovsim::Attach(OV_IFACE_USART, port, Chip(0));
    ConfigurePartition(ports[1], {1, 1, 14, 0xFF, 0});
    CQXDownloadToolDlg& w = Start();
    w.SendCommand(ID_PRODUCTION_MODE);

    // Port 0's option-byte read follows its partition read and comes before its first erase; it waits there until
    // port 1 has read its partitions. The wait ends at once in the forced order; its limit only keeps a broken run
    // from hanging.
    std::mutex m;
    std::condition_variable changed;
    bool port0Waited = false, port1Read = false, ordered = true;
    ovsim::SetCallObserver([&](ovsim::Fn fn, const std::string& device) {
        if (fn != ovsim::Fn::OptRw) return;
        std::unique_lock lock(m);
        if (device == ports[0] && !port0Waited) {
            port0Waited = true;
            ordered = changed.wait_for(lock, std::chrono::seconds(60), [&] { return port1Read; });
        } else if (device == ports[1] && !port1Read) {
            port1Read = true;
            changed.notify_all();
        }
    });
    const auto image = hexfile::Pattern(0x400, 7);
    const bool ended = DownloadHexOnEveryChip(w, image, 2, std::chrono::seconds(60), 0x08008000);
    ovsim::SetCallObserver({});
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ordered);

    EXPECT_EQ(g_passCount, 2);
    const auto size = static_cast<uint32_t>(image.size());
    EXPECT_EQ(ovsim::ReadMemory(ports[0], 0x08008000, size), image);
    EXPECT_EQ(ovsim::ReadMemory(ports[0], 0x08000000, size), std::vector<uint8_t>(size, 0xFF));
    EXPECT_EQ(ovsim::ReadMemory(ports[1], 0x08000000, size), image);
    EXPECT_EQ(w.m_items[0].addressText[0], u"08008000");
}

// A worker reading its chip's partition key while another stores the key its chip's update gave: the chip key
// table has one lock for both, so the read finds the old key or the new one, whole (ThreadSanitizer's judgement).
TEST_F(ProductionWindow, APartitionKeyReadBesideAKeyStoreTakesTheTablesLock) {
    SysConfig("interface=00\nBaud=115200\n");
    SeriesTable({"VK73x"});
    const std::string port = "/dev/ttyUSB0";
    // Series 9 keys a partition by its index, so the read reaches the table without the profile in between.
    ovsim::Attach(OV_IFACE_USART, port, Chip(9));
    ConfigurePartition(port, {1, 0, 0, 0, 0x10});
    CQXDownloadToolDlg& w = Start();
    w.SendCommand(ID_PRODUCTION_MODE);
    ChannelSlot& slot = g_channels[0];
    slot.deviceName = fw::Utf8ToText(port);
    ASSERT_TRUE(w.ConnectDevice(&slot));
    ASSERT_TRUE(w.GetChipInfo(w.m_chipInfo, &slot));
    const int entry = PartitionKeyEntry(9, 0);
    const fw::Text oldKey = w.m_keyTable[static_cast<size_t>(entry)];
    const fw::Text newKey = u"00112233445566778899AABBCCDDEEFF";
    MainWindowJobHost jobHost(w);
    PartitionRecords records{};
    PartitionRead keys;

    int readResult = 0;
    std::thread reader([&] { readResult = w.ReadPartitions(records.data(), &slot, &keys); });
    std::thread storer([&] { jobHost.StoreChipKey(entry, newKey); });
    reader.join();
    storer.join();

    EXPECT_EQ(readResult, 1);
    EXPECT_TRUE(keys.texts[0] == oldKey || keys.texts[0] == newKey) << fw::TextToUtf8(keys.texts[0]);
    EXPECT_EQ(w.m_keyTable[static_cast<size_t>(entry)], newKey);
    w.DisconnectDevice(&slot);
}

// Which sectors of a security chip can be protected depends on its flash size: a channel's chip is judged by its
// own size, not by the size of whatever chip the window saw last.
TEST_F(ProductionWindow, SecurityChipWriteProtectionIsJudgedByTheChannelsOwnFlash) {
    struct Case {
        const char* name;
        double chipKB, windowKB;
        std::array<uint8_t, 4> wrp;
        int writeProtected;
    };
    const Case cases[] = {
        {"4 MB chip, upper sectors protected", 4096, 2048, {0xFF, 0xFF, 0x00, 0xFF}, 1},
        {"2 MB chip, bytes it does not have", 2048, 4096, {0xFF, 0xFF, 0x00, 0xFF}, 0},
        {"2 MB chip, its second byte", 2048, 4096, {0xFF, 0x00, 0xFF, 0xFF}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        ovsim::Reset();
        SysConfig("interface=03\n");
        SeriesTable({"VK82x"});
        ovsim::ChipSpec chip = Chip(10);
        chip.flashKB = c.chipKB;
        chip.writeProtection = c.wrp;
        ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, Probe(0), chip);
        CQXDownloadToolDlg& w = Start();
        w.SendCommand(ID_PRODUCTION_MODE);
        ChannelSlot& slot = g_channels[0];
        ASSERT_TRUE(w.ConnectDevice(&slot));
        ASSERT_TRUE(w.GetChipInfo(w.m_chipInfo, &slot));
        ASSERT_EQ(slot.flashSizeKB, c.chipKB);
        w.m_flashSizeKB = c.windowKB;

        OptionRwBlock block{};
        ASSERT_EQ(w.ReadOptionBytes(&block, &slot), 1);

        EXPECT_EQ(slot.writeProtected, c.writeProtected);
        w.DisconnectDevice(&slot);
    }
}

}  // namespace
