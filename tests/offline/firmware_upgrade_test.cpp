// The downloader firmware upgrade on the simulated downloader, through its menu entry and its dialog: every byte
// of the image arrives and the new version is read afterwards; files that must not be sent are refused before
// the downloader leaves its application; each failure of the downloader is shown as that failure; the dialog
// stays open while its worker runs; and the bar's 16-bit range for very large images.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "framework/Format.h"
#include "linksim/FirmwareUpdateState.h"
#include "offline/FirmwareUpgrade.h"
#include "offline/LinkSession.h"
#include "offline/UpdateBootDlg.h"
#include "resources/ui/update_boot.h"
#include "tests/offline/LinkFixture.h"
#include "tools/EncFiles.h"

namespace {

using namespace std::chrono_literals;

// A firmware image naming `version` where the downloader's identity text sits in it.
std::vector<uint8_t> Image(const std::string& version, size_t size) {
    std::vector<uint8_t> plain(size);
    for (size_t i = 0; i < size; ++i)
        plain[i] = static_cast<uint8_t>(i * 7 + 3);
    const std::string mark = "Firmware:" + version;
    std::copy(mark.begin(), mark.end(), plain.begin() + 32);
    plain[32 + mark.size()] = 0;
    return plain;
}

std::vector<uint8_t> FirmwareFile(const std::vector<uint8_t>& plain,
                                  const std::array<uint8_t, 16>& key = linksim::kSimFirmwareKey) {
    return MakeDigestHeaderEncFile(plain, key, 0x800);
}

class FirmwareUpgradeTest : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        SetFirmwareReconnectPauseMs(0);
        StartConnected();
    }
    void TearDown() override {
        SetFirmwareReconnectPauseMs(500);
        LinkFixture::TearDown();
    }

    fw::Text Save(const std::string& name, const std::vector<uint8_t>& bytes) {
        dir.Write(name, std::string(bytes.begin(), bytes.end()));
        return dir.Wide(name);
    }

    // Waits for the worker, then lets the close timer end the dialog.
    void Finish(fw::Dialog& d) {
        auto& dialog = static_cast<CUpdateBootDlg&>(d);
        ASSERT_TRUE(host.PumpUntil([&] { return !dialog.WorkerRunning(); }, 30s));
        host.AdvanceClock(100ms);
    }

    // The menu entry in manual mode: Browse picks `path`, Update starts; `whileRunning` runs with the worker
    // started. Answers the dialog's caption after the worker ended.
    fw::Text RunManual(const fw::Text& path, const std::function<void(fw::Dialog&)>& whileRunning = {}) {
        fw::Text caption;
        host.OnModal(IDD_UPDATE_BOOT, [&](fw::Dialog& d) {
            host.ExpectOpenFile(path);
            d.Click(IDC_UPDATE_BOOT_BROWSE);
            d.Click(IDC_UPDATE_BOOT_UPDATE);
            if (whileRunning) whileRunning(d);
            Finish(d);
            caption = d.GetWindowText();
        });
        window->SendCommand(ID_OFFLINE_LINK_FIRMWARE_UPDATE);
        return caption;
    }

    // Boxes shown since the last ClearRecords, each checked to have come through the UI thread.
    std::vector<fw::Text> BoxTexts() const {
        std::vector<fw::Text> texts;
        for (const auto& box : host.Boxes()) {
            EXPECT_TRUE(box.fromUiThread) << fw::TextToUtf8(box.text);
            texts.push_back(box.text);
        }
        return texts;
    }

    linksim::FirmwareUpdateState& Update() { return downloader->State<linksim::FirmwareUpdateState>(); }
};

TEST_F(FirmwareUpgradeTest, EveryPacketArrivesAndTheNewVersionIsReadAfterwards) {
    struct Row {
        const char* name;
        size_t plainBytes;  // padded to whole blocks: the image length
        size_t lastPacket;
    };
    const Row rows[] = {
        {"last packet short", 1000, 1008 % 57},
        {"image a multiple of 57", 57 * 16, 57},
        {"one packet", 48, 48},
        // The largest image the downloader takes is not refused on its way there.
        {"the largest image", linksim::kMaxFirmwareImageBytes, linksim::kMaxFirmwareImageBytes % 57},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        linksim::Reset();
        downloader = linksim::Plug();
        host.PumpUntilIdle();
        window->m_connected = 1;
        host.ClearRecords();

        const std::vector<uint8_t> plain = Image("3.1.7", row.plainBytes);
        const std::vector<uint8_t> file = FirmwareFile(plain);
        const size_t imageBytes = file.size() - 40;
        host.ExpectBox(u"固件更新成功！", fw::IDOK);
        EXPECT_EQ(RunManual(Save("fw.enc", file)), u"下载器固件升级") << "the kept caption is back";

        EXPECT_EQ(BoxTexts(), std::vector<fw::Text>{u"固件更新成功！"});
        std::vector<uint8_t> padded = plain;
        PadTo16(padded);
        EXPECT_EQ(Update().installedImage, padded);
        EXPECT_EQ(Update().installs, 1);
        EXPECT_EQ(window->m_linkFirmwareVersion, u"3.1.7");
        EXPECT_EQ(window->m_connected, 1);
        EXPECT_TRUE(LogHas(u"Firmware:3.1.7"));
        EXPECT_FALSE(LogHas(u"设备已断开！")) << "the restarts were expected";

        // The firmware packets as sent: the header, then data packets marked 02 up to the last, marked 03.
        std::vector<std::vector<uint8_t>> packets;
        for (const auto& frame : downloader->ReceivedFrames())
            if (frame[1] == 0x04) packets.push_back(frame);
        ASSERT_EQ(packets.size(), 1 + (imageBytes + 56) / 57);
        EXPECT_EQ(packets[0][3], 0x01);
        EXPECT_EQ(packets[0][5], 36 + 1);
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + 36, packets[0].begin() + 6));
        for (size_t i = 1; i + 1 < packets.size(); ++i)
            EXPECT_EQ(packets[i][3], 0x02);
        EXPECT_EQ(packets.back()[3], 0x03);
        EXPECT_EQ(packets.back()[5], row.lastPacket + 1);

        const auto bar = host.Positions(IDC_UPDATE_BOOT_PROGRESS);
        ASSERT_FALSE(bar.empty());
        EXPECT_EQ(bar.back(), static_cast<int>(imageBytes / 57));
    }
}

TEST_F(FirmwareUpgradeTest, OnlineModeShowsTheVersionsStartsAtOnceAndCannotBeClosedWhileRunning) {
    Save("QXLink_3.1.7.enc", FirmwareFile(Image("3.1.7", 4000)));
    window->m_firmwareUpdateOnline = 1;
    window->m_linkFirmwareFile = u"QXLink_3.1.7.enc";
    window->m_latestVersion = u"3.1.7";
    window->m_fetchedSizeText = u"3 KB";
    host.ExpectBox(u"固件更新成功！", fw::IDOK);
    host.OnModal(IDD_UPDATE_BOOT, [&](fw::Dialog& d) {
        auto& dialog = static_cast<CUpdateBootDlg&>(d);
        EXPECT_FALSE(d.GetDlgItem(IDC_UPDATE_BOOT_FILE).IsWindowVisible());
        EXPECT_FALSE(d.GetDlgItem(IDC_UPDATE_BOOT_UPDATE).IsWindowVisible());
        EXPECT_TRUE(d.GetDlgItem(IDC_UPDATE_BOOT_INFO).IsWindowVisible());
        EXPECT_EQ(d.GetDlgItemText(IDC_UPDATE_BOOT_INFO), u"大小：3 KB\n\n版本：3.1.6 >> 3.1.7\n");
        // The worker cannot end before this script lets the UI thread serve its last box.
        ASSERT_TRUE(dialog.WorkerRunning());
        d.PressEscape();
        d.CloseByUser();
        d.PressEnter();
        EXPECT_EQ(d.GetResult(), 0) << "closed under its worker";
        EXPECT_TRUE(d.IsWindowVisible());
        Finish(d);
    });
    CUpdateBootDlg dialog(window.get());
    EXPECT_EQ(dialog.DoModal(), fw::IDOK);
    EXPECT_TRUE(dialog.Succeeded());
    EXPECT_EQ(window->m_linkFirmwareVersion, u"3.1.7");
}

TEST_F(FirmwareUpgradeTest, FilesThatCannotBeInstalledAreRefusedBeforeAnythingIsSent) {
    const std::vector<uint8_t> good = FirmwareFile(Image("3.1.7", 1000));
    std::vector<uint8_t> truncated(good.begin(), good.end() - 57);
    std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 40);
    headerOnly[0] = headerOnly[1] = headerOnly[2] = headerOnly[3] = 0;
    // Its header names its length, but the image ends within an AES block.
    const auto cutWithinABlock = [&good](size_t bytes) {
        const size_t image = good.size() - 40 - bytes;
        std::vector<uint8_t> cut = {0, 0, static_cast<uint8_t>(image >> 8), static_cast<uint8_t>(image)};
        cut.insert(cut.end(), good.begin() + 4, good.end() - static_cast<std::ptrdiff_t>(bytes));
        return cut;
    };
    std::vector<uint8_t> longer = good;
    longer.insert(longer.end(), 16, 0);
    struct Row {
        const char* name;
        std::optional<std::vector<uint8_t>> bytes;  // nullopt: no such file
        const char16_t* message;
    };
    const Row rows[] = {
        {"no such file", std::nullopt, u"文件打开失败！"},
        {"shorter than its header", std::vector<uint8_t>(good.begin(), good.begin() + 39), u"固件文件格式不正确！"},
        {"header without an image", headerOnly, u"固件文件格式不正确！"},
        {"cut short in transit", truncated, u"固件文件格式不正确！"},
        {"image not whole AES blocks", cutWithinABlock(5), u"固件文件格式不正确！"},
        // Whole blocks of a 64-bit cipher, half a block of AES.
        {"image of 8-byte blocks", cutWithinABlock(8), u"固件文件格式不正确！"},
        {"longer than its header says", longer, u"固件文件格式不正确！"},
        // The downloader's update program would refuse it only after the downloader had left its application.
        {"one block more than the downloader takes", FirmwareFile(Image("3.1.7", linksim::kMaxFirmwareImageBytes + 16)),
         u"固件文件过大，下载器只接受不超过1024KB的固件！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fw::Text path = row.bytes ? Save("bad.enc", *row.bytes) : dir.Wide("missing.enc");
        host.ExpectBox(row.message, fw::IDOK);
        RunManual(path);
        EXPECT_EQ(BoxTexts(), std::vector<fw::Text>{row.message});
        EXPECT_TRUE(downloader->ReceivedFrames().empty());
        EXPECT_FALSE(Update().inUpdateProgram);
        host.ClearRecords();
    }

    // Update with no file chosen starts nothing; the dialog then closes as usual.
    host.ExpectBox(u"固件文件不能为空！", fw::IDOK);
    host.OnModal(IDD_UPDATE_BOOT, [&](fw::Dialog& d) {
        d.Click(IDC_UPDATE_BOOT_UPDATE);
        EXPECT_FALSE(static_cast<CUpdateBootDlg&>(d).WorkerRunning());
        d.PressEscape();
    });
    window->SendCommand(ID_OFFLINE_LINK_FIRMWARE_UPDATE);
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(FirmwareUpgradeTest, EachFailureOfTheDownloaderIsShownAsThatFailure) {
    struct Row {
        const char* name;
        std::function<void(CQXDownloadToolDlg&, linksim::Downloader&)> inject;
        const char16_t* message;
        bool connectedAfter;
        std::array<uint8_t, 16> key = linksim::kSimFirmwareKey;
    };
    std::array<uint8_t, 16> otherKey = linksim::kSimFirmwareKey;
    otherKey[0] ^= 1;
    const Row rows[] = {
        // The search for it closed the link the window had: the window is disconnected once the upgrade lets go.
        {"downloader not found", [](auto& w, auto&) { w.m_pidEdit.SetWindowText(u"FFFE"); }, u"设备没有连接！", false},
        {"update program refused", [](auto&, auto& d) { d.ForceStatus(0x03, 1); }, u"跳转Boot更新应用程序失败！", true},
        {"never comes back", [](auto&, auto& d) { d.StayAwayOnNextRestart(); }, u"重新连接失败！", false},
        {"boot identity refused", [](auto&, auto& d) { d.ForceStatus(0x01, 1); }, u"获取BOOT信息失败！", true},
        {"header refused", [](auto&, auto& d) { d.ForceStatus(0x04, 5); }, u"固件更新失败！", true},
        {"image refused at its last packet", [](auto&, auto&) {}, u"固件更新失败！", true, otherKey},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        linksim::Reset();
        downloader = linksim::Plug();
        host.PumpUntilIdle();
        window->m_pidEdit.SetWindowText(fw::Format(u"%04X", kLinkDefaultProductId));
        window->m_connected = 1;
        host.ClearRecords();

        row.inject(*window, *downloader);
        host.ExpectBox(row.message, fw::IDOK);
        RunManual(Save("fw.enc", FirmwareFile(Image("3.1.7", 1000), row.key)));
        EXPECT_EQ(BoxTexts(), std::vector<fw::Text>{row.message});
        EXPECT_EQ(Update().installs, 0);
        EXPECT_EQ(downloader->FirmwareVersion(), "3.1.6");
        EXPECT_EQ(window->m_connected == 1, row.connectedAfter);
        EXPECT_EQ(LogHas(u"设备已断开！"), !row.connectedAfter);
    }
}

// The downloader leaves the bus while the upgrade holds the link. Once the upgrade lets go, the window sees what it
// would see when idle: a downloader that has gone, or one that is back on the bus but not on the handle the window
// holds (plugged in again while the image went out, or back only after the last reconnection gave up), leaves the
// window disconnected with "设备已断开！", and Connect opens it again.
TEST_F(FirmwareUpgradeTest, ADownloaderThatLeftTheBusDuringTheUpgradeIsDisconnectedWhenItLetsGo) {
    struct Row {
        const char* name;
        std::function<void()> meanwhile;  // once the image goes out; the worker waits for the bar meanwhile
        const char16_t* message;
        int installs;
        bool backOnTheBus;
    };
    const Row rows[] = {
        {"unplugged", [&] { linksim::Unplug(downloader->Path()); }, u"固件更新失败！", 0, false},
        {"unplugged and plugged back",
         [&] {
             linksim::Unplug(downloader->Path());
             linksim::Replug(downloader);
         },
         u"固件更新失败！", 0, true},
        {"back only after the last reconnection gave up",
         [&] {
             downloader->StayAwayOnNextRestart();
             ASSERT_TRUE(host.PumpUntil([&] { return !host.Boxes().empty(); }, 30s));
             linksim::Replug(downloader);
         },
         u"重新连接失败！", 1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (window->m_connected) window->Click(IDC_BTN_CONNECT);
        linksim::Reset();
        downloader = linksim::Plug();
        host.PumpUntilIdle();
        ASSERT_TRUE(ConnectLink());
        host.ClearRecords();

        host.ExpectBox(row.message, fw::IDOK);
        RunManual(Save("fw.enc", FirmwareFile(Image("3.1.7", 400000))), [&](fw::Dialog&) {
            ASSERT_TRUE(host.PumpUntil(
                [&] {
                    for (const auto& frame : downloader->ReceivedFrames())
                        if (frame[1] == 0x04 && frame[3] == 0x02) return true;
                    return false;
                },
                10s));
            row.meanwhile();
        });
        EXPECT_EQ(BoxTexts(), std::vector<fw::Text>{row.message});
        EXPECT_EQ(Update().installs, row.installs);
        EXPECT_EQ(window->m_connected, 0);
        EXPECT_EQ(ButtonText(), u"连接设备");
        EXPECT_TRUE(LogHas(u"设备已断开！"));
        if (row.backOnTheBus) {
            EXPECT_TRUE(ConnectLink());
        }
    }
}

// The upgrade marks the window disconnected while it opens the link again; a departure the window took for an
// unplug an instant before (it still read the window connected) leaves the link to the upgrade all the same.
TEST_F(FirmwareUpgradeTest, ADepartureSeenWhileTheUpgradeReconnectsLeavesTheLinkToIt) {
    const CHid& hid = LinkSessionOf(*window).m_hid;
    {
        const OfflineLink::Hold hold(*window);
        window->m_connected = 0;
        window->NoticeOfflineLinkLoss();
        EXPECT_TRUE(hid.DeviceOpen());
        window->m_connected = 1;
    }
    // Released, the window finds the downloader it was given back and keeps it.
    EXPECT_TRUE(hid.DeviceOpen());
    EXPECT_EQ(window->m_connected, 1);
    EXPECT_FALSE(LogHas(u"设备已断开！"));
}

TEST(FirmwareProgress, TheBarRangeStaysWithinSixteenBitsAndEndsFull) {
    struct Row {
        size_t imageBytes;
        uint32_t packets, upper, packetsPerStep;
    };
    const Row rows[] = {
        {1008, 18, 17, 1},
        {57 * 16, 16, 16, 1},
        {48, 1, 0, 1},
        {57 * 65535, 65535, 65535, 1},
        {57 * 65536, 65536, 32768, 2},
        {57 * 200000 + 5, 200001, 200000 / 4, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.imageBytes);
        const FirmwareProgress plan = PlanFirmwareProgress(row.imageBytes);
        EXPECT_EQ(plan.packets, row.packets);
        EXPECT_EQ(plan.upper, row.upper);
        EXPECT_EQ(plan.packetsPerStep, row.packetsPerStep);
        EXPECT_LE(plan.upper, 0xFFFFu);
        // The steps the packets give reach the end of the range.
        EXPECT_EQ(plan.packets / plan.packetsPerStep >= plan.upper, true);
    }
    // 1000 bytes of image: 18 packets, captions from 5 % to 100 %.
    EXPECT_EQ(FirmwareUpgrade::ProgressCaption(1, 18), u" 正在升级固件，请勿关闭窗口... 5%");
    EXPECT_EQ(FirmwareUpgrade::ProgressCaption(18, 18), u" 正在升级固件，请勿关闭窗口... 100%");
}

}  // namespace
