// The update checks of the main window against an update server of the test's own on 127.0.0.1: the outcomes a
// user sees for newer, same and older versions of the tool and of the downloader firmware; the updater fetched,
// started in the working directory and the program asked to end; nothing started when a fetch fails; the firmware
// installed on the simulated downloader; the two checks keeping their files apart; a quiet start without a server;
// and that every request reached this server and no other.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "framework/Files.h"
#include "framework/Ini.h"
#include "framework/UiThread.h"
#include "linksim/FirmwareUpdateState.h"
#include "offline/FirmwareUpgrade.h"
#include "offline/HttpGetFile.h"
#include "offline/UpdateBootDlg.h"
#include "offline/UpdateChecks.h"
#include "offline/UpdateServers.h"
#include "resources/ui/update_boot.h"
#include "tests/framework/TempFolder.h"
#include "tests/offline/FetchClock.h"
#include "tests/offline/LinkFixture.h"
#include "tests/offline/SteppedServer.h"
#include "tests/offline/UpdateServerFixture.h"
#include "tools/EncFiles.h"

namespace {

using namespace std::chrono_literals;

// How long a test waits for what must come before it calls it a hang: far longer than any machine takes, so only a
// hang reaches it, never a busy machine.
constexpr auto kHangGuard = 120s;

const fw::Text kDownloadingFirmware = u"正在下载离线下载器固件，请等待下载结束！";

std::string FirmwareFile(const std::string& version) {
    std::vector<uint8_t> plain(2000, 0x3C);
    const std::string mark = "Firmware:" + version;
    std::copy(mark.begin(), mark.end(), plain.begin() + 64);
    plain[64 + mark.size()] = 0;
    const std::vector<uint8_t> file = MakeDigestHeaderEncFile(plain, linksim::kSimFirmwareKey, 0x800);
    return {file.begin(), file.end()};
}

std::string Ini(const std::string& version, const std::string& fileName = {}) {
    std::string ini = "[LATESTVERSION]\r\nlatestversion=" + version + "\r\n";
    if (!fileName.empty()) ini += "[FILENAME]\r\nfilename=" + fileName + "\r\n";
    return ini;
}

constexpr const char* kToolIni = "/files/QXDownloadTool/Update.ini";
constexpr const char* kFirmwareIni = "/files/Firware/Update.ini";

class UpdateChecksTest : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        SetFirmwareReconnectPauseMs(0);
        m_internet = UpdateCheck::s_internetConnected;
        m_launch = UpdateChecks::s_launchUpdater;
        m_exit = UpdateChecks::s_exitProgram;
        UpdateCheck::s_internetConnected = [this] { return internet; };
        UpdateChecks::s_launchUpdater = [this](const fw::Text& program, const fw::Text& folder) {
            launches.emplace_back(program, folder);
            return launchError;
        };
        UpdateChecks::s_exitProgram = [this](int code) { exits.push_back(code); };
    }
    void TearDown() override {
        LinkFixture::TearDown();
        SetFirmwareReconnectPauseMs(500);
        UpdateCheck::s_internetConnected = m_internet;
        UpdateChecks::s_launchUpdater = m_launch;
        UpdateChecks::s_exitProgram = m_exit;
    }

    UpdateChecks& Checks() { return *UpdateChecksOf(*window); }

    // Started with the start-up check of the tool handled (silently: it was automatic).
    void StartQuietly(bool onLink = true) {
        onLink ? StartOnLink() : Start();
        Poll(Checks().ToolCheck());
        host.ClearRecords();
    }
    // Lets the check end, then lets the window's one-second timers look at it.
    void Poll(UpdateCheck& check) {
        ASSERT_TRUE(host.PumpUntil([&] { return !check.Running(); }, kHangGuard));
        host.AdvanceClock(1000ms);
        host.PumpUntilIdle();
    }
    std::vector<fw::Text> BoxTexts() const {
        std::vector<fw::Text> texts;
        for (const auto& box : host.Boxes())
            texts.push_back(box.text);
        return texts;
    }
    // The firmware upgrade dialog as the online path opens it: it starts at once and closes when done.
    void RunUpgradeDialog() {
        host.OnModal(IDD_UPDATE_BOOT, [&](fw::Dialog& d) {
            auto& dialog = static_cast<CUpdateBootDlg&>(d);
            EXPECT_TRUE(d.GetDlgItem(IDC_UPDATE_BOOT_INFO).IsWindowVisible());
            shownInfo = d.GetDlgItemText(IDC_UPDATE_BOOT_INFO);
            ASSERT_TRUE(host.PumpUntil([&] { return !dialog.WorkerRunning(); }, 30s));
            host.AdvanceClock(100ms);
        });
    }
    // Every request came to this server, for this machine's address, and nothing else was asked for.
    void ExpectOnlyRequests(const std::vector<std::string>& paths) {
        std::vector<std::string> expected;
        for (const auto& path : paths)
            expected.push_back("GET " + path + " HTTP/1.1");
        EXPECT_EQ(server.Requests(), expected);
        for (const auto& hostHeader : server.Hosts())
            EXPECT_EQ(hostHeader, "127.0.0.1");
    }
    std::string WorkFile(const std::string& name) const {
        const auto read = fw::ReadWholeFile(dir.Wide(name), 1 << 20);
        return read ? std::string(read.bytes.begin(), read.bytes.end()) : std::string("<missing>");
    }

    // The clock a test may give the fetches; it outlives the server, which puts back the settings it found.
    FetchClock clock;
    LocalUpdateServer server;
    bool internet = true;
    int launchError = 0;
    std::vector<std::pair<fw::Text, fw::Text>> launches;
    std::vector<int> exits;
    fw::Text shownInfo;

private:
    std::function<bool()> m_internet;
    std::function<int(const fw::Text&, const fw::Text&)> m_launch;
    std::function<void(int)> m_exit;
};

TEST_F(UpdateChecksTest, ToolCheckFromTheMenuTellsTheOutcome) {
    StartQuietly(false);
    struct Row {
        const char* name;
        std::optional<std::string> ini;  // nullopt: not on the server
        std::vector<fw::Text> boxes;
    };
    const Row rows[] = {
        {"same version", Ini("3.1.6"), {u"当前版本为最新版本！"}},
        {"server older", Ini("3.1.5"), {u"服务器端工具版本不对！"}},
        {"no description on the server", std::nullopt, {u"下载更新的配置文件失败，请检查当前网络是否可用!"}},
        {"description names no version", "[FILENAME]\r\nfilename=x\r\n", {u"更新配置文件不正确！"}},
        // 3.1.10 is newer than 3.1.6 number by number; declined, nothing is fetched.
        {"newer, declined", Ini("3.1.10"), {u"发现新版本工具，是否马上升级?"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.ini ? server.Put(kToolIni, *row.ini) : server.Remove(kToolIni);
        window->m_toolVersion = u"3.1.6";
        for (const auto& box : row.boxes)
            host.ExpectBox(box, box == u"发现新版本工具，是否马上升级?" ? fw::IDNO : fw::IDOK);
        window->SendCommand(ID_CHECK_TOOL_UPDATE);
        Poll(Checks().ToolCheck());
        EXPECT_EQ(BoxTexts(), row.boxes);
        EXPECT_FALSE(fw::FileExists(dir.Wide("Update.ini"))) << "handled, so gone";
        EXPECT_TRUE(launches.empty());
        host.ClearRecords();
    }
}

TEST_F(UpdateChecksTest, NewerToolFetchesTheUpdaterWhichTakesOver) {
    StartQuietly(false);
    server.Put(kToolIni, Ini("3.1.10"));
    server.Put("/files/QXDownloadTool/Update.exe", "#!/bin/sh\necho updater\n");
    window->m_toolVersion = u"3.1.6";
    host.ExpectBox(u"发现新版本工具，是否马上升级?", fw::IDYES);
    window->SendCommand(ID_CHECK_TOOL_UPDATE);
    Poll(Checks().ToolCheck());

    EXPECT_EQ(BoxTexts(), std::vector<fw::Text>{u"发现新版本工具，是否马上升级?"});
    EXPECT_EQ(WorkFile("Update.exe"), "#!/bin/sh\necho updater\n");
    EXPECT_EQ(fw::GetPrivateProfileString(u"CURRENTVERSION", u"currentversion", u"", 64, dir.Wide("Update.ini")),
              u"3.1.6");
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].first, fw::JoinPath(dir.Wide(), u"Update.exe"));
    EXPECT_EQ(launches[0].second, dir.Wide());
    EXPECT_EQ(exits, std::vector<int>{0});
    ExpectOnlyRequests({kToolIni, kToolIni, "/files/QXDownloadTool/Update.exe"});
}

TEST_F(UpdateChecksTest, NothingStartsWhenTheUpdaterCannotBeFetchedOrStarted) {
    StartQuietly(false);
    server.Put(kToolIni, Ini("3.2.0"));
    window->m_toolVersion = u"3.1.6";
    host.ExpectBox(u"发现新版本工具，是否马上升级?", fw::IDYES);
    host.ExpectBox(u"下载更新程序失败！", fw::IDOK);
    window->SendCommand(ID_CHECK_TOOL_UPDATE);
    Poll(Checks().ToolCheck());
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(exits.empty());
    EXPECT_FALSE(fw::FileExists(dir.Wide("Update.exe")));
    EXPECT_FALSE(fw::FileExists(dir.Wide("Update.ini")));

    // Fetched, but the system refuses to start it: the program stays and says why.
    server.Put("/files/QXDownloadTool/Update.exe", "#!/bin/sh\n");
    launchError = 13;
    host.ClearRecords();
    host.ExpectBox(u"发现新版本工具，是否马上升级?", fw::IDYES);
    host.ExpectBox(u"启动更新程序失败！ErrorCode:13", fw::IDOK);
    window->SendCommand(ID_CHECK_TOOL_UPDATE);
    Poll(Checks().ToolCheck());
    EXPECT_EQ(launches.size(), 1u);
    EXPECT_TRUE(exits.empty());
    EXPECT_FALSE(fw::FileExists(dir.Wide("Update.ini")));
}

TEST_F(UpdateChecksTest, WithoutInternetOrInternalAddressNothingIsAsked) {
    StartQuietly(false);
    internet = false;
    window->m_hostIpText = u"192.0.2.7";
    const size_t before = server.Requests().size();
    host.ExpectBox(u"下载更新的配置文件失败，请检查当前网络是否可用!", fw::IDOK);
    window->SendCommand(ID_CHECK_TOOL_UPDATE);
    Poll(Checks().ToolCheck());
    EXPECT_EQ(server.Requests().size(), before);
}

// A refused connection ends the check at once: it is not waited for as long as a silent server would be.
TEST_F(UpdateChecksTest, StartUpWithoutAServerIsQuietAndQuick) {
    SetHttpConnectionSettings({closedUpdatePort.Port(), 120000, 120000, 240000});
    StartOnLink();
    ASSERT_TRUE(host.PumpUntil([&] { return !Checks().ToolCheck().Running(); }, 60s));
    host.AdvanceClock(1000ms);
    host.PumpUntilIdle();
    EXPECT_TRUE(host.Boxes().empty());
    EXPECT_EQ(Checks().ToolCheck().Result().status, kUpdateNoConfiguration);
    EXPECT_FALSE(host.TimerRunning(window->Handle(), TIMER_TOOL_UPDATE));
}

// The start-up check reads a description the server sends a byte at a time, never slowly enough for a single wait
// to run out, for minutes: the program closes at once all the same.
TEST_F(UpdateChecksTest, ClosingDuringATricklingCheckDoesNotWaitForIt) {
    server.Put(kToolIni, Ini("3.1.10") + std::string(2000, ';'));
    server.Trickle(kToolIni, 100ms);
    SetHttpConnectionSettings({server.Port(), 60000, 60000, 600000});
    StartOnLink();
    ASSERT_TRUE(host.PumpUntil([&] { return server.Requests().size() == 1; }, 30s));
    ASSERT_TRUE(Checks().ToolCheck().Running());
    host.ExpectBox(u"确定退出?", fw::IDYES);
    const auto closing = std::chrono::steady_clock::now();
    window->CloseByUser();
    window.reset();
    const auto took = std::chrono::steady_clock::now() - closing;
    // The whole description would take over three minutes.
    EXPECT_LT(took, 60s);
    std::printf("closing during a trickling check took %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_FALSE(fw::FileExists(dir.Wide("Update.ini")));
}

// The updater comes a byte every 50 ms, for minutes. The fetch runs on the UI thread, on a clock that the test
// moves only after the window has answered it: the fetch can reach its deadline only if the window keeps serving
// what is asked of it meanwhile, and there it ends with the failure the user is shown for it.
TEST_F(UpdateChecksTest, TheWindowAnswersDuringASlowDownloadThatEndsAtItsDeadline) {
    StartQuietly(false);
    server.Put(kToolIni, Ini("3.1.10"));
    server.Put("/files/QXDownloadTool/Update.exe", std::string(4000, 'u'));
    server.Trickle("/files/QXDownloadTool/Update.exe", 50ms);
    SetHttpConnectionSettings({server.Port(), 2000, 2000, 1500, 1 << 20, clock.Source()});
    window->m_toolVersion = u"3.1.6";
    host.ExpectBox(u"发现新版本工具，是否马上升级?", fw::IDYES);
    host.ExpectBox(u"下载更新程序失败！", fw::IDOK);

    // Once the updater is asked for, moves the fetch's clock 100 ms at a time, each time after the window ran a
    // trifle asked of it, until past the deadline.
    std::atomic<bool> proberDone{false};
    std::atomic<int> answers{0};
    std::thread prober([&] {
        while (server.Requests().size() < 3)
            std::this_thread::sleep_for(5ms);
        while (clock.Elapsed() < 1600ms) {
            clock.Advance(100ms);
            fw::RunOnUi([&] { ++answers; });
        }
        proberDone = true;
    });
    window->SendCommand(ID_CHECK_TOOL_UPDATE);
    ASSERT_TRUE(host.PumpUntil([&] { return !Checks().ToolCheck().Running(); }, 30s));
    host.AdvanceClock(1000ms);  // the result: asked, and the updater fetched here
    const int answeredWhileFetching = answers;
    host.PumpUntil([&] { return proberDone.load(); });
    prober.join();

    EXPECT_GE(answeredWhileFetching, 15);
    EXPECT_GE(clock.Elapsed(), 1500ms);
    EXPECT_EQ(BoxTexts(), (std::vector<fw::Text>{u"发现新版本工具，是否马上升级?", u"下载更新程序失败！"}));
    EXPECT_FALSE(fw::FileExists(dir.Wide("Update.exe")));
    EXPECT_TRUE(launches.empty());
}

// An automatic tool result never interrupts work on a chip: it waits while a device is connected. An automatic
// firmware result waits for a connected downloader to install on.
TEST_F(UpdateChecksTest, AutomaticResultsWaitForTheirMoment) {
    server.Put(kToolIni, Ini("9.9.9"));
    StartOnLink();
    ASSERT_TRUE(ConnectLink());
    ASSERT_TRUE(host.PumpUntil([&] { return !Checks().ToolCheck().Running(); }, 10s));
    Poll(Checks().FirmwareCheck());  // nothing for the firmware on the server: silent
    host.AdvanceClock(3000ms);
    host.PumpUntilIdle();
    EXPECT_TRUE(host.Boxes().empty());
    EXPECT_TRUE(host.TimerRunning(window->Handle(), TIMER_TOOL_UPDATE));
    window->Click(IDC_BTN_CONNECT);  // disconnect
    ASSERT_EQ(window->m_connected, 0);
    host.ExpectBox(u"发现新版本工具，是否马上升级?", fw::IDNO);
    host.AdvanceClock(1000ms);
    host.PumpUntilIdle();
    EXPECT_EQ(BoxTexts(), std::vector<fw::Text>{u"发现新版本工具，是否马上升级?"});
    host.ClearRecords();

    server.Put(kFirmwareIni, Ini("3.1.7", "QXLink_3.1.7.enc"));
    ASSERT_TRUE(ConnectLink());
    ASSERT_TRUE(host.PumpUntil([&] { return !Checks().FirmwareCheck().Running(); }, 10s));
    window->Click(IDC_BTN_CONNECT);  // disconnected before the result was looked at
    host.AdvanceClock(3000ms);
    host.PumpUntilIdle();
    EXPECT_TRUE(host.Boxes().empty());
    EXPECT_TRUE(host.TimerRunning(window->Handle(), TIMER_FIRMWARE_UPDATE));
    host.ExpectBox(u"离线下载器发现新版本，是否马上升级?", fw::IDNO);
    ASSERT_TRUE(ConnectLink());
    Poll(Checks().FirmwareCheck());
    EXPECT_EQ(BoxTexts(), std::vector<fw::Text>{u"离线下载器发现新版本，是否马上升级?"});
}

TEST_F(UpdateChecksTest, NewerFirmwareAfterConnectingIsInstalledOnTheDownloader) {
    StartQuietly();
    server.Put(kFirmwareIni, Ini("3.1.10", "QXLink_3.1.10.enc"));
    server.Put("/files/Firware/QXLink_3.1.10.enc", FirmwareFile("3.1.10"));
    ASSERT_TRUE(ConnectLink());
    EXPECT_TRUE(Checks().FirmwareCheck().Automatic());
    host.ExpectBox(u"离线下载器发现新版本，是否马上升级?", fw::IDYES);
    host.ExpectBox(u"固件更新成功！", fw::IDOK);
    RunUpgradeDialog();
    Poll(Checks().FirmwareCheck());

    EXPECT_EQ(BoxTexts(), (std::vector<fw::Text>{u"离线下载器发现新版本，是否马上升级?", u"固件更新成功！"}));
    EXPECT_EQ(shownInfo, u"大小：1 KB\n\n版本：3.1.6 >> 3.1.10\n");
    EXPECT_EQ(downloader->FirmwareVersion(), "3.1.10");
    EXPECT_EQ(window->m_linkFirmwareVersion, u"3.1.10");
    EXPECT_FALSE(fw::FileExists(dir.Wide("QXLink_3.1.10.enc")));
    EXPECT_FALSE(fw::FileExists(dir.Wide("FirmwareUpdate.ini")));
    ExpectOnlyRequests({kToolIni, kFirmwareIni, "/files/Firware/QXLink_3.1.10.enc"});
}

// The firmware for an upgrade is fetched on the UI thread, and the window keeps answering meanwhile, but not with
// the link the upgrade is to use: Disconnect, the commands that reach the downloader and the update checks are
// refused, each saying that the firmware is being downloaded, and the upgrade goes on over the connection the
// window kept. A downloader that leaves the bus meanwhile disconnects the
// window, and one that is back before the fetch ends is not upgraded behind the disconnected window's back. Either way
// the button says what the window is.
TEST_F(UpdateChecksTest, TheLinkStaysAsItIsWhileTheFirmwareForAnUpgradeIsFetched) {
    StartQuietly();
    ASSERT_TRUE(ConnectLink());
    Poll(Checks().FirmwareCheck());  // the automatic one: nothing on the server yet, so silent
    // The held byte waits for the test, not for the fetch's own waits to run out.
    SetHttpConnectionSettings({server.Port(), 2000, 60000, 60000, 1});
    const fw::Text ask = u"离线下载器发现新版本，是否马上升级?";
    struct Row {
        const char* name;
        std::string version;
        std::function<void()> meanwhile;  // on a thread of its own while the fetch waits for its last byte
        std::vector<fw::Text> boxes;
        bool upgraded;
    };
    const Row rows[] = {
        {"Disconnect pressed",
         "3.1.10",
         [&] { fw::RunOnUi([&] { window->Click(IDC_BTN_CONNECT); }); },
         {ask, kDownloadingFirmware, u"固件更新成功！"},
         true},
        {"the downloader's configuration, manual upgrade and both update checks chosen",
         "3.1.11",
         [&] {
             fw::RunOnUi([&] {
                 window->SendCommand(ID_OFFLINE_DOWNLOADER);
                 window->SendCommand(ID_OFFLINE_LINK_FIRMWARE_UPDATE);
                 window->SendCommand(ID_CHECK_LINK_FIRMWARE_UPDATE);
                 window->SendCommand(ID_CHECK_TOOL_UPDATE);
             });
         },
         {ask, kDownloadingFirmware, kDownloadingFirmware, kDownloadingFirmware, kDownloadingFirmware,
          u"固件更新成功！"},
         true},
        {"downloader unplugged and plugged back",
         "3.1.12",
         [&] {
             linksim::Unplug(downloader->Path());
             const auto giveUp = std::chrono::steady_clock::now() + kHangGuard;
             while (window->m_connected != 0 && std::chrono::steady_clock::now() < giveUp)
                 std::this_thread::sleep_for(2ms);
             linksim::Replug(downloader);
         },
         {ask, u"设备没有连接！"},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.ClearRecords();
        const std::string before = downloader->FirmwareVersion();
        const std::string name = "QXLink_" + row.version + ".enc";
        const std::string firmware = "/files/Firware/" + name;
        server.Put(kFirmwareIni, Ini(row.version, name));
        server.Put(firmware, FirmwareFile(row.version));
        server.HoldLastByte(firmware);
        for (const auto& box : row.boxes)
            host.ExpectBox(box, box == ask ? fw::IDYES : fw::IDOK);
        RunUpgradeDialog();
        std::thread meanwhile([&] {
            const auto giveUp = std::chrono::steady_clock::now() + kHangGuard;
            while (server.Requests().back() != "GET " + firmware + " HTTP/1.1" &&
                   std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(2ms);
            row.meanwhile();
            server.ReleaseLastByte();
        });
        window->SendCommand(ID_CHECK_LINK_FIRMWARE_UPDATE);
        Poll(Checks().FirmwareCheck());
        meanwhile.join();

        EXPECT_EQ(BoxTexts(), row.boxes);
        EXPECT_EQ(downloader->FirmwareVersion(), row.upgraded ? row.version : before);
        EXPECT_EQ(window->m_connected, row.upgraded ? 1 : 0);
        EXPECT_EQ(ButtonText(), row.upgraded ? u"断开设备" : u"连接设备");
        EXPECT_FALSE(fw::FileExists(dir.Wide(name)));
    }
}

TEST_F(UpdateChecksTest, FirmwareCheckFromTheMenuTellsTheOutcome) {
    StartQuietly();
    ASSERT_TRUE(ConnectLink());
    Poll(Checks().FirmwareCheck());  // the automatic one: nothing on the server yet, so silent
    // What the two names would overwrite, and then delete after the upgrade.
    server.Put("/files/Firware/SysConfig.ini", "[dlparam]\ninterface=00\n");
    server.Put("/files/Firware/mine.enc", "server's");
    const std::string settings = WorkFile("SysConfig.ini");
    dir.Write("mine.enc", "the user's");
    struct Row {
        const char* name;
        std::string ini;
        std::vector<fw::Text> boxes;
    };
    const Row rows[] = {
        {"same version", Ini("3.1.6", "a.enc"), {u"当前版本为最新版本！"}},
        {"server older", Ini("3.1.5", "a.enc"), {u"服务器端工具版本不对！"}},
        {"file name empty", Ini("3.1.7"), {u"离线下载器发现新版本，是否马上升级?", u"下载固件文件名称为空！"}},
        {"file name leaves the folder",
         Ini("3.1.7", "../evil.enc"),
         {u"离线下载器发现新版本，是否马上升级?", u"下载固件文件名称不正确！"}},
        {"file name is the program's settings",
         Ini("3.1.7", "SysConfig.ini"),
         {u"离线下载器发现新版本，是否马上升级?", u"下载固件文件名称不正确！"}},
        {"file name is a file of the user's",
         Ini("3.1.7", "mine.enc"),
         {u"离线下载器发现新版本，是否马上升级?", u"下载固件文件名称不正确！"}},
        {"file missing on the server",
         Ini("3.1.7", "QXLink_3.1.7.enc"),
         {u"离线下载器发现新版本，是否马上升级?", u"下载固件文件失败！"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.ClearRecords();
        server.Put(kFirmwareIni, row.ini);
        for (const auto& box : row.boxes)
            host.ExpectBox(box, box == u"离线下载器发现新版本，是否马上升级?" ? fw::IDYES : fw::IDOK);
        window->SendCommand(ID_CHECK_LINK_FIRMWARE_UPDATE);
        Poll(Checks().FirmwareCheck());
        EXPECT_EQ(BoxTexts(), row.boxes);
        EXPECT_EQ(downloader->FirmwareVersion(), "3.1.6");
        EXPECT_FALSE(fw::FileExists(dir.Wide("FirmwareUpdate.ini")));
        EXPECT_FALSE(std::filesystem::exists(dir.Path().parent_path() / "evil.enc"));
        EXPECT_EQ(WorkFile("SysConfig.ini"), settings);
        EXPECT_EQ(WorkFile("mine.enc"), "the user's");
    }
}

TEST_F(UpdateChecksTest, DecliningTheFirmwareStopsAutomaticChecksButNotTheMenu) {
    StartQuietly();
    server.Put(kFirmwareIni, Ini("3.1.7", "QXLink_3.1.7.enc"));
    host.ExpectBox(u"离线下载器发现新版本，是否马上升级?", fw::IDNO);
    ASSERT_TRUE(ConnectLink());
    Poll(Checks().FirmwareCheck());
    EXPECT_FALSE(Checks().FirmwareAutoCheckEnabled());

    window->Click(IDC_BTN_CONNECT);  // disconnect
    ASSERT_TRUE(ConnectLink());
    EXPECT_FALSE(Checks().FirmwareCheck().Running());
    EXPECT_EQ(server.Requests().size(), 2u) << "no automatic check after the second connection";

    host.ExpectBox(u"离线下载器发现新版本，是否马上升级?", fw::IDNO);
    window->SendCommand(ID_CHECK_LINK_FIRMWARE_UPDATE);
    Poll(Checks().FirmwareCheck());
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(UpdateChecksTest, ToolAndFirmwareChecksKeepTheirOwnDescriptions) {
    StartQuietly();
    ASSERT_TRUE(ConnectLink());
    Poll(Checks().FirmwareCheck());
    server.Put(kToolIni, Ini("9.9.9"));
    server.Put(kFirmwareIni, Ini("3.1.7", "QXLink_3.1.7.enc"));
    server.Put("/files/Firware/QXLink_3.1.7.enc", FirmwareFile("3.1.7"));
    window->SendCommand(ID_CHECK_TOOL_UPDATE);
    window->SendCommand(ID_CHECK_LINK_FIRMWARE_UPDATE);
    ASSERT_TRUE(
        host.PumpUntil([&] { return !Checks().ToolCheck().Running() && !Checks().FirmwareCheck().Running(); }, 10s));
    EXPECT_EQ(Checks().ToolCheck().Result().latestVersion, u"9.9.9");
    EXPECT_EQ(Checks().FirmwareCheck().Result().latestVersion, u"3.1.7");
    EXPECT_EQ(fw::GetPrivateProfileString(u"LATESTVERSION", u"latestversion", u"", 64, dir.Wide("Update.ini")),
              u"9.9.9");

    // Both results are handled in turn: the tool declined (its description goes), then the firmware, whose
    // description still names its file, installed.
    host.ExpectBox(u"发现新版本工具，是否马上升级?", fw::IDNO);
    host.ExpectBox(u"离线下载器发现新版本，是否马上升级?", fw::IDYES);
    host.ExpectBox(u"固件更新成功！", fw::IDOK);
    RunUpgradeDialog();
    host.AdvanceClock(1000ms);
    host.PumpUntilIdle();
    EXPECT_EQ(BoxTexts(), (std::vector<fw::Text>{u"发现新版本工具，是否马上升级?",
                                                 u"离线下载器发现新版本，是否马上升级?", u"固件更新成功！"}));
    EXPECT_EQ(downloader->FirmwareVersion(), "3.1.7");
    EXPECT_EQ(shownInfo, u"大小：1 KB\n\n版本：3.1.6 >> 3.1.7\n");
}

// Each kind of file has the largest length it takes; one byte more is refused as soon as the header announces it,
// on each of the three roads, with what the user is shown for that fetch: the servers send a longer file's header
// only, so only a refusal at the header gives that message. A firmware the downloader would not take is refused
// with the reason, the downloader left in its application. The fetches run on a clock that stands still, so no
// wait of theirs runs out however busy the machine is: each ends with what the server sent.
TEST_F(UpdateChecksTest, AFileOverTheLimitOfItsKindIsRefused) {
    StartQuietly();
    ASSERT_TRUE(ConnectLink());
    Poll(Checks().FirmwareCheck());  // the automatic one: nothing on the server yet, so silent
    SetHttpConnectionSettings({server.Port(), 30000, 30000, 60000, 4096, clock.Source()});
    window->m_toolVersion = u"3.1.6";
    std::string description = Ini("3.1.10");
    while (description.size() < kMaxUpdateIniBytes)
        description += ";\r\n";
    description.resize(kMaxUpdateIniBytes);
    const fw::Text askTool = u"发现新版本工具，是否马上升级?", askFirmware = u"离线下载器发现新版本，是否马上升级?";
    struct Row {
        const char* name;
        std::function<void()> serve;
        int command;
        UpdateCheck& check;
        std::vector<std::pair<fw::Text, int>> boxes;  // shown, and the button pressed
    };
    const Row rows[] = {
        {"a description at its limit",
         [&] { server.Put(kToolIni, description); },
         ID_CHECK_TOOL_UPDATE,
         Checks().ToolCheck(),
         {{askTool, fw::IDNO}}},
        {"a description one byte over",
         [&] { server.Announce(kToolIni, kMaxUpdateIniBytes + 1); },
         ID_CHECK_TOOL_UPDATE,
         Checks().ToolCheck(),
         {{u"下载更新的配置文件失败，请检查当前网络是否可用!", fw::IDOK}}},
        {"the updater",
         [&] {
             server.Put(kToolIni, Ini("3.1.10"));
             server.Announce("/files/QXDownloadTool/Update.exe", kMaxUpdaterBytes + 1);
         },
         ID_CHECK_TOOL_UPDATE,
         Checks().ToolCheck(),
         {{askTool, fw::IDYES}, {u"下载更新程序失败！", fw::IDOK}}},
        {"the firmware",
         [&] {
             server.Put(kFirmwareIni, Ini("3.1.7", "QXLink_3.1.7.enc"));
             // One byte more than the largest firmware file the downloader takes.
             server.Announce("/files/Firware/QXLink_3.1.7.enc",
                             kLinkFirmwareImageOffset + linksim::kMaxFirmwareImageBytes + 1);
         },
         ID_CHECK_LINK_FIRMWARE_UPDATE,
         Checks().FirmwareCheck(),
         {{askFirmware, fw::IDYES}, {u"固件文件过大，下载器只接受不超过1024KB的固件！", fw::IDOK}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.ClearRecords();
        row.serve();
        std::vector<fw::Text> shown;
        for (const auto& [text, button] : row.boxes) {
            host.ExpectBox(text, button);
            shown.push_back(text);
        }
        window->SendCommand(row.command);
        Poll(row.check);
        EXPECT_EQ(BoxTexts(), shown);
        EXPECT_FALSE(fw::FileExists(dir.Wide("Update.exe")));
        EXPECT_FALSE(fw::FileExists(dir.Wide("QXLink_3.1.7.enc")));
        EXPECT_TRUE(launches.empty());
        EXPECT_EQ(downloader->FirmwareVersion(), "3.1.6");
        EXPECT_FALSE(downloader->State<linksim::FirmwareUpdateState>().inUpdateProgram);
    }
}

// However long a length a server announces, a fetch is cut off within a bound of its own clock that the largest
// file of its kind sets. The server announces that length and sends a byte a second, never slowly enough for a
// single wait to run out: the check's description is cut off within a minute, the downloader firmware (which the
// window holds the downloader for while it comes) within minutes, the updater within hours.
TEST(UpdateFetchLimits, ASlowServerOfTheLargestFileOfEachKindIsCutOffInTime) {
    const HttpConnectionSettings found = GetHttpConnectionSettings();
    fw::testing::TempFolder dir;
    struct Row {
        const char* name;
        std::int64_t largest;
        std::chrono::seconds bound;
    };
    const Row rows[] = {
        {"the description", kMaxUpdateIniBytes, 1min},
        {"the downloader firmware", kMaxFirmwareFetchBytes, 5min},
        {"the updater", kMaxUpdaterBytes, 5h},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // More bytes than a byte a second brings within any of the bounds, and far fewer than announced.
        SteppedServer server(
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(row.largest) + "\r\n\r\n" + std::string(20000, 'x'),
            1s);
        // The program's own waits.
        SetHttpConnectionSettings(server.Settings(HttpConnectionSettings{}));
        HttpFetched fetched;
        EXPECT_EQ(HttpGetFile(dir.Wide("file"), u"http://127.0.0.1/x", row.largest, fetched), 0);
        EXPECT_FALSE(fetched.sizeText.empty()) << "the length was accepted";
        EXPECT_LE(server.Elapsed(), row.bound);
        EXPECT_FALSE(fw::FileExists(dir.Wide("file")));
        std::printf("%s of the largest length is cut off after %lld s\n", row.name,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(server.Elapsed()).count()));
    }
    SetHttpConnectionSettings(found);
}

TEST(UpdateNames, FirmwareFileNamesStayInTheWorkingDirectory) {
    struct Row {
        const char16_t* name;
        bool plain;
    };
    const Row rows[] = {
        {u"QXLink_3.1.7.enc", true}, {u"fw-1.enc", true},     {u"", false},           {u"../x.enc", false},
        {u"a/b.enc", false},         {u"a\\b.enc", false},    {u".hidden", false},    {u"..", false},
        {u"x y.enc", false},         {u"/etc/passwd", false}, {u"fw.ENC", true},      {u".enc", false},
        {u"SysConfig.ini", false},   {u"Update.exe", false},  {u"fw.enc.bin", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.name));
        EXPECT_EQ(IsPlainFirmwareFileName(row.name), row.plain);
    }
}

// Each of the tests' servers, and the closed port that keeps windows from asking anyone, puts back the settings
// it found, so a test never leaves the next one fetching from a port it did not choose.
TEST(UpdateTestSeams, ServersAndTheClosedPortPutBackTheSettingsTheyFound) {
    const HttpConnectionSettings found = GetHttpConnectionSettings();
    SetHttpConnectionSettings({4321, 120000, 120000, 240000, 444});
    {
        LocalUpdateServer server;
        EXPECT_EQ(GetHttpConnectionSettings().port, server.Port());
    }
    EXPECT_EQ(GetHttpConnectionSettings().port, 4321);
    EXPECT_EQ(GetHttpConnectionSettings().totalMs, 240000);
    {
        ClosedUpdatePort closed;
        EXPECT_EQ(GetHttpConnectionSettings().port, closed.Port());
        HttpFetched fetched;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(HttpGetFile(u"never-written.ini", u"http://127.0.0.1/files/x", 100, fetched), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 60s) << "refused, not waited for";
    }
    EXPECT_EQ(GetHttpConnectionSettings().port, 4321);
    SetHttpConnectionSettings(found);
}

TEST(UpdateNames, InternalPrefixesMatchAtTheStartOnly) {
    const std::vector<fw::Text> prefixes = {u"10.", u"172.16.", u"192.168.1."};
    struct Row {
        const char16_t* address;
        bool internal;
    };
    const Row rows[] = {
        {u"10.0.0.5", true},    {u"110.1.2.3", false},   {u"172.16.4.4", true},    {u"10.172.16.9", true},
        {u"8.172.16.1", false}, {u"192.168.1.20", true}, {u"192.168.10.2", false}, {u"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fw::TextToUtf8(row.address));
        EXPECT_EQ(IsInternalNetworkAddress(row.address, prefixes), row.internal);
    }
    EXPECT_EQ(UpdateFolderUrl(false, u"192.0.2.7", u"Firware/"), u"");
    EXPECT_EQ(UpdateFolderUrl(true, u"192.0.2.7", u"Firware/"), u"http://127.0.0.1/files/Firware/");
}

}  // namespace
