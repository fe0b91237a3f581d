// The main window on the headless host with the simulated chips: start-up and settings, connection and its
// failures, the connection monitor, chip information, the close and language paths.
#include <regex>

#include "app/App.h"
#include "app/MainWindowCommands.h"
#include "core/Translation.h"
#include "framework/Ini.h"
#include "framework/System.h"
#include "lexmira/Lexmira.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/framework/HeldOpener.h"

namespace {

using fw::Text;

TEST(StartupLanguage, LanguageIniTable) {
    fw::testing::TempFolder dir;
    struct Case {
        std::string bytes;  // empty name: no file
        bool present;
        uint32_t expected;
        int catalog;
    };
    const Case cases[] = {
        {"", false, fw::GetUiLanguageId(), 0},
        {std::string("\x04\x08\x00\x00", 4), true, 2052, 1},
        {std::string("\x09\x04\x00\x00", 4), true, 1033, 1},
        {std::string("\x09\x04", 2), true, 1033, 1},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir.Path() / "Language.ini");
        if (c.present) dir.Write("Language.ini", c.bytes);
        g_bCatalogTranslation = 0;
        EXPECT_EQ(ChooseStartupLanguage(dir.Wide()), c.expected) << c.bytes.size();
        EXPECT_EQ(g_bCatalogTranslation, c.catalog) << c.bytes.size();
    }
}

using MainWindowStart = MainWindowFixture;

TEST_F(MainWindowStart, MissingSysConfigGivesEveryDefault) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_INTERFACE).GetCurSel(), 0);
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_SPEED).GetWindowText(), u"9600");
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_START_ADDR), u"08000000");
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_DEVICE).GetWindowText(), u"/dev/ttyUSB0");
    EXPECT_EQ(w.GetDlgItemText(IDC_BTN_CONNECT), u"连接设备");
    EXPECT_EQ(w.m_statusBar.GetPaneText(1), u"总数:0");
    EXPECT_EQ(w.GetMenu().GetMenuString(4, fw::MF_BYPOSITION), u"语言");
    EXPECT_TRUE(w.GetMenu().IsChecked(ID_LANGUAGE_CHINESE));
    EXPECT_FALSE(w.GetDlgItem(IDC_ROW1_TEXT).IsWindowVisible());
    EXPECT_EQ(w.GetDlgItem(IDC_ROW1_TEXT).GetWindowText(), u"1--未连接设备");
    EXPECT_EQ(w.m_keyTable.size(), 32u);
}

TEST_F(MainWindowStart, SysConfigTable) {
    SysConfig(
        "interface=05\nenablepartition2=1\nencfile1=1\ncrc_chk=1\ntotal=7\npass=5\nfail=2\nstartaddr1=08004000\n"
        "Baud=12345\n");
    CQXDownloadToolDlg& w = Start();
    // Interface 5 has no combo entry: nothing selected, its own speed list.
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_INTERFACE).GetCurSel(), -1);
    EXPECT_EQ(w.m_interface, 5);
    fw::Control speed = w.GetDlgItem(IDC_COMBO_SPEED);
    ASSERT_EQ(speed.GetCount(), 3);
    EXPECT_EQ(speed.GetLBText(0), u"100k");
    EXPECT_EQ(speed.GetWindowText(), u"400k");
    // The items are reset after the file was read: item 0 alone, nothing enciphered.
    EXPECT_EQ(w.m_items[0].enabled, 1);
    EXPECT_EQ(w.m_items[1].enabled, 0);
    EXPECT_EQ(w.m_items[0].enciphered, 0);
    EXPECT_EQ(w.IsDlgButtonChecked(IDC_CHECK_CRC), 1);
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_START_ADDR), u"08004000");
    EXPECT_EQ(w.m_statusBar.GetPaneText(1), u"总数:7");
    EXPECT_EQ(w.m_statusBar.GetPaneText(2), u"成功:5");
    EXPECT_EQ(w.m_statusBar.GetPaneText(3), u"失败:2");
}

TEST_F(MainWindowStart, UsartBaudNotInTheListShows115200AndKeepsTheValue) {
    SysConfig("Baud=12345\n");
    CQXDownloadToolDlg& w = Start();
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_SPEED).GetWindowText(), u"115200");
    EXPECT_EQ(w.m_baudRate, 12345u);
}

TEST_F(MainWindowStart, CountersAreWrittenAndRecountDeletesThem) {
    CQXDownloadToolDlg& w = Start();
    {
        fw::ScopedLock lock(g_csCounters);
        g_passCount = 3;
        g_failCount = 1;
    }
    w.UpdateCounters();
    const Text ini = dir.Wide("SysConfig.ini");
    EXPECT_EQ(fw::GetPrivateProfileInt(u"dlparam", u"total", -1, ini), 4);
    EXPECT_EQ(fw::GetPrivateProfileInt(u"dlparam", u"pass", -1, ini), 3);
    EXPECT_EQ(w.m_statusBar.GetPaneText(3), u"失败:1");
    w.Click(IDC_BTN_RECOUNT);
    EXPECT_EQ(fw::GetPrivateProfileInt(u"dlparam", u"total", -1, ini), -1);
    EXPECT_EQ(fw::GetPrivateProfileInt(u"dlparam", u"fail", -1, ini), -1);
    EXPECT_EQ(w.m_statusBar.GetPaneText(1), u"总数:0");
}

using MainWindowConnect = MainWindowFixture;

TEST_F(MainWindowConnect, UsartConnectReadsTheChipAndStartsTheMonitor) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0, "VK517C8"));
    CQXDownloadToolDlg& w = Start();
    w.PressEnter();  // Enter presses Connect
    EXPECT_EQ(ButtonText(), u"断开设备");
    EXPECT_EQ(w.m_connected, 1);
    EXPECT_TRUE(LogHas(u"读取芯片信息成功！"));
    EXPECT_TRUE(LogHas(u"芯片型号:VK517C8系列"));
    EXPECT_TRUE(LogHas(u"当前芯片处于读保护等级L0"));
    EXPECT_FALSE(w.GetDlgItem(IDC_COMBO_INTERFACE).IsWindowEnabled());
    EXPECT_EQ(g_channels[0].rdpLevel, 0);

    w.Click(IDC_BTN_CONNECT);
    EXPECT_EQ(ButtonText(), u"连接设备");
    EXPECT_EQ(w.m_connected, 0);
    EXPECT_TRUE(LogHas(u"设备已断开！"));
    EXPECT_TRUE(w.GetDlgItem(IDC_COMBO_INTERFACE).IsWindowEnabled());
    EXPECT_TRUE(ovsim::Overlaps().empty());
}

// Interface 5 has no combo entry; Connect and Disconnect used to take the empty selection for USART and pass the
// speed's rate (400) where the position (2) belongs.
TEST_F(MainWindowConnect, ASavedInterfaceFiveStaysItselfThroughConnectAndDisconnect) {
    ovsim::Attach(OV_IFACE_I2C, "i2c-1", Chip(8));
    SysConfig("interface=05\n");
    CQXDownloadToolDlg& w = Start();
    ASSERT_EQ(w.GetDlgItem(IDC_COMBO_INTERFACE).GetCurSel(), -1);
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_SPEED).GetWindowText(), u"400k");
    w.Click(IDC_BTN_CONNECT);
    EXPECT_EQ(w.m_connected, 1);
    EXPECT_TRUE(LogHas(u"读取芯片信息成功！"));
    EXPECT_EQ(w.m_interface, kIfaceI2c);
    w.Click(IDC_BTN_CONNECT);
    EXPECT_EQ(w.m_connected, 0);
    EXPECT_EQ(w.m_interface, kIfaceI2c);
}

// A new working directory's settings and the simulator's chips as `make run` ships them: the J-Link list shows
// the model the settings name, and it connects to the simulator's probe.
TEST_F(MainWindowConnect, ShippedSettingsListAJlinkTargetThatConnects) {
    std::filesystem::copy_file(QX_SOURCE_DIR "/resources/SysConfig.ini", dir.Path() / "SysConfig.ini");
    ASSERT_TRUE(ovsim::LoadConfig(QX_SOURCE_DIR "/devicelib/OvMcuSim.ini"));
    CQXDownloadToolDlg& w = Start();
    ASSERT_TRUE(w.Select(IDC_COMBO_INTERFACE, kIfaceSwdJlink));
    fw::Control devices = w.GetDlgItem(IDC_COMBO_DEVICE);
    ASSERT_GE(devices.GetCount(), 1);
    EXPECT_EQ(devices.GetWindowText(), u"VK425");
    w.Click(IDC_BTN_CONNECT);
    EXPECT_EQ(w.m_connected, 1);
    EXPECT_EQ(w.m_chipSeries, 2);
    w.Click(IDC_BTN_CONNECT);
}

TEST_F(MainWindowConnect, NoDeviceSaysSo) {
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    EXPECT_TRUE(LogHas(u"无可用设备！"));
    EXPECT_EQ(ButtonText(), u"连接设备");
    EXPECT_TRUE(w.GetDlgItem(IDC_BTN_CONNECT).IsWindowEnabled());
}

TEST_F(MainWindowConnect, UsartChipThatDoesNotAnswerIsDisconnected) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    ovsim::InjectStatus(ovsim::Fn::GetInf, 1, 0xB000);
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    EXPECT_TRUE(LogHas(u"获取芯片信息失败！"));
    EXPECT_TRUE(LogHas(u"请尝试复位或重新上下电！"));
    EXPECT_EQ(ButtonText(), u"连接设备");
    EXPECT_EQ(w.m_connected, 0);
    EXPECT_EQ(g_channels[0].connected, 0);
}

TEST_F(MainWindowConnect, ProtectedChipOnSwdStaysConnectedWithoutMonitor) {
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, "dap-1", Chip(0));
    ovsim::InjectStatus(ovsim::Fn::GetInf, 1, 0xB001);
    SysConfig("interface=03\n");
    CQXDownloadToolDlg& w = Start();
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_SPEED).GetWindowText(), u"1MHz");
    w.Click(IDC_BTN_CONNECT);
    EXPECT_EQ(ButtonText(), u"断开设备");
    EXPECT_EQ(g_channels[0].rdpLevel, 0xFF);
    EXPECT_EQ(w.m_connected, 1);
    EXPECT_TRUE(LogHas(u"获取芯片信息失败！\n芯片有可能处于读保护状态！\n请尝试解除读保护，再重新连接！") ||
                LogHas(u"获取芯片信息失败！"));
    // No monitor: nothing polls the chip.
    ovsim::ClearCallLog();
    fw::Sleep(800);
    for (const auto& call : ovsim::CallLog())
        EXPECT_NE(call.fn, ovsim::Fn::GetInf);
}

TEST_F(MainWindowConnect, JlinkTakesTheChipSeriesFromTheDeviceName) {
    ovsim::Attach(OV_IFACE_SWD_JLINK, "VK232C8T6", Chip(3, "VK232C8T6"));
    SysConfig("interface=02\ndevice 1=VK232C8T6\ndevice 3=VK517\n");
    CQXDownloadToolDlg& w = Start();
    fw::Control device = w.GetDlgItem(IDC_COMBO_DEVICE);
    ASSERT_EQ(device.GetCount(), 2);  // empty values skipped
    EXPECT_EQ(device.GetWindowText(), u"VK232C8T6");
    EXPECT_FALSE(w.GetDlgItem(IDC_BTN_DOWNLOAD).IsWindowEnabled());
    w.Click(IDC_BTN_CONNECT);
    EXPECT_EQ(w.m_chipSeries, 3);
    EXPECT_EQ(ButtonText(), u"断开设备");
}

TEST_F(MainWindowConnect, MonitorReportsALossOnceAndReconnects) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(ButtonText(), u"断开设备");
    // The device's own removal event would rebuild the list; the monitor is what this test watches.
    fw::SetDeviceEventSource(fw::DeviceEventSource::Unavailable);
    ovsim::Unplug("/dev/ttyUSB0");
    const Text lost = u"设备已断开，正在尝试重新连接...";
    ASSERT_TRUE(host.PumpUntil([&] { return LogHas(lost); }, std::chrono::seconds(5)));
    fw::Sleep(2600);  // a second reconnection attempt fails silently
    EXPECT_EQ(LogCount(lost), 1);
    const int readsBefore = LogCount(u"读取芯片信息成功！");
    ovsim::Replug("/dev/ttyUSB0");
    ASSERT_TRUE(host.PumpUntil([&] { return LogCount(u"读取芯片信息成功！") > readsBefore; }, std::chrono::seconds(6)));
    // Closing stops and joins the monitor before the window goes.
    w.PressEscape();
    EXPECT_FALSE(w.IsWindowVisible());
    ovsim::ClearCallLog();
    fw::Sleep(700);
    EXPECT_TRUE(ovsim::CallLog().empty());
    EXPECT_TRUE(ovsim::Overlaps().empty());
}

// The device library names its own failures in Chinese; an English window shows them in English, whichever
// language files answer.
TEST_F(MainWindowConnect, AnUnpluggedChipIsReportedInEnglish) {
    for (int catalogMode : {1, 0}) {
        SCOPED_TRACE(catalogMode);
        ovsim::Reset();
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
        g_bCatalogTranslation = catalogMode;
        CQXDownloadToolDlg& w = Start(1033);
        w.Click(IDC_BTN_CONNECT);
        ASSERT_EQ(w.m_connected, 1);
        g_stopMonitor = 1;  // the monitor would find the loss first and report it in its own words
        fw::Sleep(700);
        // Without the removal event, which would rebuild the device list: the command meets the silent chip.
        fw::SetDeviceEventSource(fw::DeviceEventSource::Unavailable);
        ovsim::Unplug("/dev/ttyUSB0");
        host.ExpectBox(u"Erase the whole flash?", fw::IDYES);
        w.SendCommand(ID_ERASE_ALL_FLASH);
        EXPECT_TRUE(LogHas(u"The device does not respond!"));
        EXPECT_FALSE(LogHas(u"设备无响应！"));
        window.reset();
        fw::SetDeviceEventSource(fw::DeviceEventSource::InjectedOnly);
        host.ClearRecords();
    }
    g_bCatalogTranslation = 0;
}

TEST_F(MainWindowConnect, UserCommandsAndTheMonitorNeverOverlapOnTheDevice) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    for (int i = 0; i < 4; ++i) {
        w.SendCommand(ID_GET_CHIP_INFORMATION);
        fw::Sleep(150);
    }
    w.Click(IDC_BTN_CONNECT);
    EXPECT_TRUE(ovsim::Overlaps().empty());
}

using MainWindowChipInfo = MainWindowFixture;

TEST_F(MainWindowChipInfo, ANewChipWipesTheStoredKeysOnlyAfterARead) {
    fw::WriteProfileString(u"Settings", u"UCID", u"0011");
    fw::WriteProfileString(u"Settings", u"Key3", u"ABCDEF");
    ovsim::ChipSpec spec = Chip(0);
    spec.ucid = {0xAA, 0xBB, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", spec);
    CQXDownloadToolDlg& w = Start();
    // Choosing a series without a chip is no chip read.
    w.SeriesFromChipName(u"VK232");
    w.ApplyChipInfo();
    EXPECT_EQ(fw::GetProfileString(u"Settings", u"Key3"), u"ABCDEF");
    w.Click(IDC_BTN_CONNECT);
    EXPECT_EQ(fw::GetProfileString(u"Settings", u"Key3"), u"");
    EXPECT_EQ(fw::GetProfileString(u"Settings", u"UCID"), u"AABB000102030405060708090A0B0C0D");
    EXPECT_TRUE(LogHas(u"UCID:0xAABB000102030405060708090A0B0C0D"));
}

TEST_F(MainWindowChipInfo, SeriesLayoutAndDownloadAreas) {
    struct Case {
        uint8_t series;
        int areaEntries;  // 0: the series keeps the list it found and hides the area choice
        uint32_t flashBase;
        bool crcBox;
    };
    const Case cases[] = {{0, 0, 0x08000000, false},  {8, 2, 0x08000000, false}, {10, 4, 0x15000000, false},
                          {11, 3, 0x08000000, false}, {12, 2, 0x08000000, true}, {7, 0, 0x08000C00, false}};
    // One window, as in a run: the chip on the port changes between connections.
    CQXDownloadToolDlg& w = Start();
    for (const Case& c : cases) {
        ovsim::Reset();
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(c.series));
        w.RefreshDeviceList();
        w.Click(IDC_BTN_CONNECT);
        ASSERT_EQ(w.m_chipSeries, c.series);
        fw::Control area = w.GetDlgItem(IDC_COMBO_DOWNLOAD_AREA);
        EXPECT_EQ(area.IsWindowVisible(), c.areaEntries != 0) << int(c.series);
        if (c.areaEntries != 0) {
            EXPECT_EQ(area.GetCount(), c.areaEntries) << int(c.series);
        }
        EXPECT_EQ(w.m_flashBase, c.flashBase) << int(c.series);
        EXPECT_EQ(w.GetDlgItem(IDC_CHECK_CRC).IsWindowVisible(), c.crcBox) << int(c.series);
        EXPECT_EQ(w.GetDlgItem(IDC_CHECK_SAFE_MODULE).IsWindowVisible(), c.series == 10) << int(c.series);
        EXPECT_EQ(w.GetDlgItem(IDC_CHECK_DOWNLOAD_FLAG).IsWindowVisible(), c.series == 7) << int(c.series);
        w.Click(IDC_BTN_CONNECT);
    }
}

TEST_F(MainWindowChipInfo, MenuFollowsSeriesAndInterface) {
    // Only a command that reaches a handler is ever offered.
    AddMainWindowCommand(ID_CONFIGURATION_PARTITION, [](CQXDownloadToolDlg&) {});
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(3));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    fw::Menu menu = w.GetMenu();
    EXPECT_TRUE(menu.IsEnabled(ID_CONFIGURATION_PARTITION));
    EXPECT_TRUE(menu.IsGrayed(ID_MAKE_ENCRYPTED_FILES));
    EXPECT_TRUE(menu.IsGrayed(ID_TEST_MODE));
    EXPECT_TRUE(menu.IsGrayed(ID_UPDATE_EXTERNAL_FLASH_KEY));
    w.UpdateMenuState(0);
    EXPECT_TRUE(menu.IsGrayed(ID_GET_CHIP_INFORMATION));
    EXPECT_TRUE(menu.IsGrayed(ID_MAKE_BIN_HEX_FILE));
    EXPECT_TRUE(menu.IsEnabled(ID_ABOUT_VERSION));
    AddMainWindowCommand(ID_CONFIGURATION_PARTITION, nullptr);
}

using MainWindowClose = MainWindowFixture;

TEST_F(MainWindowClose, ExitQuestionNoKeepsTheWindowYesEndsIt) {
    CQXDownloadToolDlg& w = Start();
    host.ExpectBox(u"确定退出?", fw::IDNO);
    w.CloseByUser();
    EXPECT_TRUE(w.IsWindow());
    host.ExpectBox(u"确定退出?", fw::IDYES);
    w.CloseByUser();
    EXPECT_FALSE(w.IsWindowVisible());
}

// The window owns the locale it made: it goes with the window instead of one more leaking with each window.
TEST_F(MainWindowClose, TheWindowsLocaleGoesWithIt) {
    Start(1033);
    ASSERT_NE(wxGetLocale(), nullptr);
    EXPECT_EQ(TranslateText(u"确定退出?"), u"Are you sure to exit?");
    window.reset();
    EXPECT_EQ(wxGetLocale(), nullptr);
}

TEST_F(MainWindowClose, EveryClosePathAndTheLanguageSwitchAreRefusedWhileAJobRuns) {
    CQXDownloadToolDlg& w = Start();
    {
        fw::ScopedLock lock(g_csCounters);
        g_activeWorkers = 1;
    }
    const Text refusal = u"正在下载，请等待下载结束！";
    host.ExpectBox(refusal, fw::IDOK);
    w.PressEscape();
    host.ExpectBox(refusal, fw::IDOK);
    w.CloseByUser();
    host.ExpectBox(refusal, fw::IDOK);
    w.SendCommand(ID_LANGUAGE_ENGLISH);
    EXPECT_TRUE(w.IsWindowVisible());
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Language.ini"));
    {
        fw::ScopedLock lock(g_csCounters);
        g_activeWorkers = 0;
    }
}

TEST_F(MainWindowClose, DeviceChangeDuringAJobWaitsForItsEnd) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    {
        fw::ScopedLock lock(g_csCounters);
        g_activeWorkers = 1;
    }
    fw::InjectDeviceChange(fw::DeviceKind::Usb, true, u"usb-9");
    host.PumpUntilIdle();
    EXPECT_EQ(g_channels[0].connected, 1);
    {
        fw::ScopedLock lock(g_csCounters);
        g_activeWorkers = 0;
    }
    w.RunDeferredDeviceRefresh();
    host.PumpUntilIdle();
    EXPECT_EQ(g_channels[0].connected, 0);
    EXPECT_EQ(w.m_connected, 0);
}

TEST_F(MainWindowClose, LanguageSwitchWritesLanguageIniAndRestarts) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    host.ExpectBox(u"当前语言已是中文！", fw::IDOK);
    w.SendCommand(ID_LANGUAGE_CHINESE);
    w.Click(IDC_BTN_CONNECT);
    w.SendCommand(ID_LANGUAGE_ENGLISH);
    EXPECT_EQ(dir.Read("Language.ini"), std::string("\x09\x04\x00\x00", 4));
    EXPECT_EQ(restarts, 1);
    EXPECT_EQ(g_channels[0].connected, 0);
    EXPECT_FALSE(w.IsWindowVisible());
}

TEST_F(MainWindowClose, UserManualOfTheLanguage) {
    CQXDownloadToolDlg& w = Start();
    host.ExpectBox(u"使用手册不存在", fw::IDOK);
    w.SendCommand(ID_USER_MANUAL);
    dir.Write("doc/Orvane MCU 下载工具使用手册.pdf", "%PDF-1.4\n");
    fw::SetDocumentOpener(u"/bin/true");
    w.SendCommand(ID_USER_MANUAL);  // opened without a box
    // No handler could be started: the box tells at once where the manual is.
    const Text cannotOpen = u"无法打开使用手册，请手动打开：\n" + dir.Wide("doc/Orvane MCU 下载工具使用手册.pdf");
    fw::SetDocumentOpener(dir.Wide("no-such-opener"));
    host.ExpectBox(cannotOpen, fw::IDOK);
    w.SendCommand(ID_USER_MANUAL);
    // The handler gives up long after it started, as xdg-open does without a PDF viewer: the box comes then.
    const fw::testing::HeldOpener slowFailure(dir, 3);
    fw::SetDocumentOpener(slowFailure.Program());
    w.SendCommand(ID_USER_MANUAL);
    EXPECT_TRUE(host.PumpUntilIdle());
    EXPECT_EQ(host.Boxes().size(), 2u);
    host.ExpectBox(cannotOpen, fw::IDOK);
    slowFailure.Release();
    EXPECT_TRUE(host.PumpUntil([&] { return host.Boxes().size() == 3; }, std::chrono::seconds(30)));
    fw::SetDocumentOpener(u"");
}

// The history: its title, then per release a version line and a date line, releases apart by a blank line.
TEST_F(MainWindowClose, AboutBoxShowsTheHistoryOfTheLanguage) {
    struct Case {
        uint32_t languageId;
        const char16_t* title;
    };
    for (const Case& c : {Case{2052, u"版本变更历史："}, Case{1033, u"Version Change History:"}}) {
        SCOPED_TRACE(c.languageId);
        CQXDownloadToolDlg& w = Start(c.languageId);
        std::vector<Text> shown;
        host.OnModal(IDD_ABOUTBOX, [&shown](fw::Dialog& d) {
            for (const auto& line : d.GetDlgItem(IDC_ABOUT_HISTORY).GetLogLines())
                shown.push_back(line.text);
            d.Click(fw::IDOK);
        });
        w.SendCommand(ID_ABOUT_VERSION);
        ASSERT_GT(shown.size(), 4u);
        EXPECT_EQ(shown[0], c.title);
        const std::wregex version(L"V[0-9]+\\.[0-9]+\\.[0-9]+"), date(L"[0-9]{4}-[0-9]{2}-[0-9]{2}");
        auto wide = [](const Text& t) { return std::wstring(t.begin(), t.end()); };
        int releases = 0;
        for (size_t k = 1; k + 1 < shown.size(); ++k) {
            if (!std::regex_match(wide(shown[k]), version)) continue;
            ++releases;
            EXPECT_TRUE(std::regex_match(wide(shown[k + 1]), date)) << k;
            if (k > 1) {
                EXPECT_TRUE(shown[k - 1].empty()) << "no blank line before release line " << k;
            }
        }
        EXPECT_GE(releases, 2);
        window.reset();
    }
}

}  // namespace
