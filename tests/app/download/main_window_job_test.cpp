// The download job run by the main window's side of it: the window's connection, reporting, progress messages
// and counters around a job on the simulated chip, and the whole road from Browse to Download.

#include <algorithm>

#include "app/DownloadCounters.h"
#include "app/DownloadFiles.h"
#include "app/DownloadJob.h"
#include "app/DownloadStart.h"
#include "app/MainWindowJobHost.h"
#include "framework/Ini.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/download/HexFileWriter.h"

namespace {

class DownloadOnTheWindow : public MainWindowFixture {
protected:
    // What the Download button hands the job, taken from the window as it stands.
    DownloadJobSettings Settings(const CQXDownloadToolDlg& w) const {
        DownloadJobSettings s;
        s.iface = w.m_interface;
        s.chipSeries = w.m_chipSeries;
        s.flashSizeKB = w.m_flashSizeKB;
        s.chipInfo = w.m_chipInfo;
        std::copy(std::begin(w.m_partitions), std::end(w.m_partitions), s.partitions.begin());
        return s;
    }

    // The user chooses a file of these contents with Browse.
    void Browse(CQXDownloadToolDlg& w, const std::string& name, const std::string& contents) {
        dir.Write(name, contents);
        host.ExpectOpenFile(dir.Wide(name));
        w.Click(IDC_BTN_BROWSE);
    }

    bool Idle() const {
        fw::ScopedLock lock(g_csCounters);
        return g_activeWorkers == 0 && g_channels[0].worker.load() == nullptr;
    }
};

TEST_F(DownloadOnTheWindow, BinOverUsartProgramsTheChipAndRestoresTheWindow) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    const auto image = hexfile::Pattern(0x1000);
    dir.Write("app.bin", std::string(image.begin(), image.end()));
    ASSERT_TRUE(LoadBinFile(dir.Wide("app.bin"), w.m_items[0],
                            [&](const fw::Text& text, uint32_t colour) { w.AppendLog(text, colour); }));
    w.m_items[0].addressText[0] = u"08001000";
    w.m_items[0].address[0] = 0x08001000;
    const DownloadJobSettings settings = Settings(w);
    MainWindowJobHost jobHost(w);
    DownloadWorkers workers;
    const size_t panesBefore = host.PaneTexts(2).size();

    const auto started = workers.Start(
        g_channels, false, [](int) { return false; },
        [&](ChannelSlot& slot) { RunDownloadJob(jobHost, w.m_items, settings, slot, g_channels); });
    ASSERT_EQ(started.started, 1);
    ASSERT_TRUE(
        host.PumpUntil([&] { return Idle() && host.PaneTexts(2).size() > panesBefore; }, std::chrono::seconds(30)));
    workers.JoinAll();

    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08001000, 0x1000), image);
    EXPECT_TRUE(LogHas(u"程序下载完成！"));
    EXPECT_TRUE(LogHas(u"下载范围：0x08001000-0x08001FFF"));
    EXPECT_EQ(host.PaneTexts(2).back(), u"成功:1");
    const auto positions = host.Positions(IDC_PROGRESS);
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(static_cast<uint32_t>(positions.back()), g_channels[0].progressTotal);
    EXPECT_TRUE(w.GetDlgItem(IDC_BTN_DOWNLOAD).IsWindowEnabled());
}

// The whole road as a person takes it: connect, Browse a file, type the start address, press Download.
TEST_F(DownloadOnTheWindow, BrowseAndDownloadAHexFile) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    const auto first = hexfile::Pattern(0x300), second = hexfile::Pattern(0x40, 7);
    dir.Write("app.hex", hexfile::Text({{0x08002000, first}, {0x08004000, second}}));
    host.ExpectOpenFile(dir.Wide("app.hex"));
    w.Click(IDC_BTN_BROWSE);
    EXPECT_TRUE(LogHas(u"文件加载成功！"));
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_START_ADDR), u"08002000");
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_FILE), dir.Wide("app.hex"));

    const size_t panesBefore = host.PaneTexts(2).size();
    w.Click(IDC_BTN_DOWNLOAD);
    // The job cannot pass its first progress message before the window pumps: it is running now, and a second
    // start is refused while the button is already grey.
    EXPECT_FALSE(w.GetDlgItem(IDC_BTN_DOWNLOAD).IsWindowEnabled());
    w.StartDownload();
    ASSERT_TRUE(
        host.PumpUntil([&] { return Idle() && host.PaneTexts(2).size() > panesBefore; }, std::chrono::seconds(30)));
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08002000, 0x300), first);
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08004000, 0x40), second);
    EXPECT_TRUE(LogHas(u"程序下载完成！"));
    EXPECT_EQ(host.PaneTexts(2).back(), u"成功:1");
    EXPECT_EQ(LogCount(u"程序下载完成！"), 1);
    EXPECT_TRUE(w.GetDlgItem(IDC_BTN_DOWNLOAD).IsWindowEnabled());
}

TEST_F(DownloadOnTheWindow, DownloadWithoutAStartAddressIsRefused) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    dir.Write("app.bin", std::string(64, '\x11'));
    host.ExpectOpenFile(dir.Wide("app.bin"));
    w.Click(IDC_BTN_BROWSE);
    w.EnterText(IDC_EDIT_START_ADDR, u"");
    host.ExpectBox(u"未填写程序下载起始地址！", fw::IDOK);
    w.Click(IDC_BTN_DOWNLOAD);
    host.PumpUntilIdle();
    EXPECT_FALSE(LogHas(u"程序下载完成！"));
    EXPECT_EQ(g_channels[0].worker.load(), nullptr);
}

// "108000000" used to be cut to 0x08000000 and programmed there; the refusal comes before anything is erased
// and leaves SysConfig.ini as it was.
TEST_F(DownloadOnTheWindow, AStartAddressOfNineDigitsIsRefusedBeforeTheChipIsTouched) {
    SysConfig("startaddr1=08000000\n");
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    const auto before = ovsim::ReadMemory("/dev/ttyUSB0", 0x08000000, 0x100);
    Browse(w, "app.bin", std::string(0x100, '\x11'));
    w.EnterText(IDC_EDIT_START_ADDR, u"108000000");
    host.ExpectBox(u"下载起始地址无效，请输入不超过8位的十六进制数！", fw::IDOK);
    w.Click(IDC_BTN_DOWNLOAD);
    host.PumpUntilIdle();
    EXPECT_EQ(g_channels[0].worker.load(), nullptr);
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08000000, 0x100), before);
    EXPECT_FALSE(LogHas(u"程序下载完成！"));
    EXPECT_EQ(fw::GetPrivateProfileString(u"dlparam", u"startaddr1", u"", 20, dir.Wide("SysConfig.ini")), u"08000000");
}

// A project file the window cannot take still clears all three items first, so the next Download has nothing
// to program; it used to program the previous image at its old address and report success.
TEST_F(DownloadOnTheWindow, ARejectedProjectChoiceLeavesNothingToDownload) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    const auto before = ovsim::ReadMemory("/dev/ttyUSB0", 0x08000000, 0x100);
    Browse(w, "app.bin", std::string(0x100, '\x22'));
    ASSERT_TRUE(LogHas(u"文件加载成功！"));
    Browse(w, "line.dlpf", "not a project");
    for (const DownloadItem& item : w.m_items) {
        EXPECT_EQ(item.enabled, 0);
        EXPECT_EQ(item.segmentCount, 1u);
        EXPECT_TRUE(item.data[0].empty());
        EXPECT_EQ(item.length[0], 0u);
    }
    // Nor does the file box name the file whose data went.
    EXPECT_EQ(w.GetDlgItemText(IDC_EDIT_FILE), u"");

    host.ExpectBox(u"请选择下载文件！", fw::IDOK);
    w.Click(IDC_BTN_DOWNLOAD);
    host.PumpUntil([&] { return Idle(); }, std::chrono::seconds(30));
    host.PumpUntilIdle();
    EXPECT_FALSE(LogHas(u"程序下载完成！"));
    EXPECT_EQ(ovsim::ReadMemory("/dev/ttyUSB0", 0x08000000, 0x100), before);
}

// The whole-flash read-back after a download reads in the packets this job planned, not the previous job's.
TEST_F(DownloadOnTheWindow, FlashReadBackUsesThisJobsPacketSize) {
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, "dap-1", Chip(0));
    SysConfig("interface=03\n");
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    ASSERT_TRUE(w.ChooseMenu(ID_FLASH_CRC_AFTER_DOWNLOADING));
    const uint32_t flashBytes = static_cast<uint32_t>(g_channels[0].flashSizeKB * 1024);
    ASSERT_GT(g_channels[0].pageSize, 0x100u);
    struct Job {
        size_t imageBytes;
        uint32_t packet;  // the smallest of image, page and 2048
    };
    for (const Job& job : {Job{0x100, 0x100}, Job{0x1000, std::min<uint32_t>(g_channels[0].pageSize, 2048)}}) {
        SCOPED_TRACE(job.imageBytes);
        Browse(w, "app.bin", std::string(job.imageBytes, '\x33'));
        const int finishedBefore = LogCount(u"程序下载完成！");
        ovsim::ClearCallLog();
        ASSERT_TRUE(w.Click(IDC_BTN_DOWNLOAD));
        ASSERT_TRUE(host.PumpUntil([&] { return Idle() && LogCount(u"程序下载完成！") > finishedBefore; },
                                   std::chrono::seconds(30)));
        const auto calls = ovsim::CallLog();
        const auto reads =
            std::count_if(calls.begin(), calls.end(), [](const auto& c) { return c.fn == ovsim::Fn::RecvData; });
        EXPECT_EQ(static_cast<uint32_t>(reads), (flashBytes + job.packet - 1) / job.packet);
    }
}

}  // namespace
