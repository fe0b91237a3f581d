// What the user sees of a job's result on the real window: the colours of the step lines in test mode, the pass
// and fail icons of the production rows, and the counters on screen and in "SysConfig.ini" after a mix of jobs.
#include <algorithm>
#include <string>

#include "app/DownloadCounters.h"
#include "app/DownloadFiles.h"
#include "app/DownloadJob.h"
#include "app/DownloadStart.h"
#include "app/MainWindowJobHost.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/download/HexFileWriter.h"

namespace {

constexpr fw::Color kGreen = fw::Rgb(10, 220, 10), kRed = fw::Rgb(220, 10, 10), kBlack = fw::Rgb(0, 0, 0);

class ResultOnTheWindow : public MainWindowFixture {
protected:
    DownloadJobSettings Settings(const CQXDownloadToolDlg& w) const {
        DownloadJobSettings s;
        s.iface = w.m_interface;
        s.chipSeries = w.m_chipSeries;
        s.productionMode = w.m_productionMode != 0;
        s.chipInfo = w.m_chipInfo;
        std::copy(std::begin(w.m_partitions), std::end(w.m_partitions), s.partitions.begin());
        return s;
    }

    void UseImage(CQXDownloadToolDlg& w, uint32_t address) {
        const auto image = hexfile::Pattern(0x400);
        dir.Write("app.bin", std::string(image.begin(), image.end()));
        ASSERT_TRUE(LoadBinFile(dir.Wide("app.bin"), w.m_items[0], [](const fw::Text&, uint32_t) {}));
        w.m_items[0].addressText[0] = fw::Format(u"%08X", address);
        w.m_items[0].address[0] = address;
    }

    // Starts the workers as the Download button does and pumps the window until every one has counted.
    void RunJobs(CQXDownloadToolDlg& w, const std::function<bool(int)>& ticked) {
        const DownloadJobSettings settings = Settings(w);
        MainWindowJobHost jobHost(w);
        DownloadWorkers workers;
        const size_t panesBefore = host.PaneTexts(1).size();
        const auto started = workers.Start(g_channels, w.m_productionMode != 0, ticked, [&](ChannelSlot& slot) {
            RunDownloadJob(jobHost, w.m_items, settings, slot, g_channels);
        });
        ASSERT_GT(started.started, 0);
        ASSERT_TRUE(host.PumpUntil(
            [&] {
                fw::ScopedLock lock(g_csCounters);
                return g_activeWorkers == 0 &&
                       host.PaneTexts(1).size() >= panesBefore + static_cast<size_t>(started.started);
            },
            std::chrono::seconds(30)));
        workers.JoinAll();
    }
    void RunTestModeJob(CQXDownloadToolDlg& w) {
        RunJobs(w, [](int) { return false; });
    }

    std::optional<fw::Color> ColourOf(fw::TextView text) const {
        for (const auto& line : host.LogLines()) {
            if (line.text == text) return line.color;
        }
        return std::nullopt;
    }
};

TEST_F(ResultOnTheWindow, TestModeLinesAreGreenForSuccessAndRedForFailure) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    UseImage(w, 0x08001000);

    RunTestModeJob(w);
    EXPECT_EQ(ColourOf(u"程序下载完成！"), kGreen);
    EXPECT_EQ(ColourOf(u"下载成功！"), kGreen);
    EXPECT_EQ(ColourOf(u"正在下载固件..."), kBlack);

    ovsim::InjectStatus(ovsim::Fn::FlashErase, 1, CMD_STATUS_PAGE_WRP_PROTECTED);
    RunTestModeJob(w);
    EXPECT_EQ(ColourOf(u"擦除Flash失败！"), kRed);
}

TEST_F(ResultOnTheWindow, CountersOnScreenAndInSysConfigAfterPassesAndFailures) {
    SysConfig("total=5\npass=4\nfail=1\n");
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    UseImage(w, 0x08001000);

    RunTestModeJob(w);
    ovsim::InjectStatus(ovsim::Fn::FlashDwnld, 1, CMD_STATUS_PROGRAM_FAILED);
    RunTestModeJob(w);
    ovsim::InjectStatus(ovsim::Fn::FlashErase, 1, CMD_STATUS_PAGE_WRP_PROTECTED);
    RunTestModeJob(w);
    RunTestModeJob(w);

    EXPECT_EQ(host.PaneTexts(1).back(), u"总数:9");
    EXPECT_EQ(host.PaneTexts(2).back(), u"成功:6");
    EXPECT_EQ(host.PaneTexts(3).back(), u"失败:3");
    const fw::Text ini = dir.Wide("SysConfig.ini");
    EXPECT_EQ(fw::GetPrivateProfileInt(u"dlparam", u"total", -1, ini), 9);
    EXPECT_EQ(fw::GetPrivateProfileInt(u"dlparam", u"pass", -1, ini), 6);
    EXPECT_EQ(fw::GetPrivateProfileInt(u"dlparam", u"fail", -1, ini), 3);
}

TEST_F(ResultOnTheWindow, ProductionRowsShowThePassAndFailIcons) {
    SysConfig("interface=03\n");
    const std::string pass = "0700000102", fail = "0700000103";
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, pass, Chip(0));
    ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, fail, Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.m_productionMode = 1;
    w.m_chipSeries = 0;
    for (const auto& [n, name] : {std::pair{1, pass}, std::pair{2, fail}}) {
        g_channels[n].present = 1;
        g_channels[n].deviceName = fw::Utf8ToText(name);
    }
    UseImage(w, 0x08001000);
    ovsim::InjectStatus(ovsim::Fn::FlashDwnld, 1, CMD_STATUS_PROGRAM_FAILED, fail);

    RunJobs(w, [](int n) { return n == 1 || n == 2; });

    EXPECT_EQ(g_passCount, 1);
    EXPECT_EQ(g_failCount, 1);
    // Icons 186 pass, 187 fail; the row's message is the job's last line.
    EXPECT_EQ(w.GetDlgItem(IDC_ROW2_ICON).GetIcon(), 186);
    EXPECT_TRUE(w.GetDlgItem(IDC_ROW2_ICON).IsWindowVisible());
    EXPECT_EQ(w.GetDlgItemText(IDC_ROW2_EDIT), u"程序下载完成！");
    EXPECT_EQ(w.GetDlgItem(IDC_ROW3_ICON).GetIcon(), 187);
    EXPECT_TRUE(w.GetDlgItem(IDC_ROW3_ICON).IsWindowVisible());
    EXPECT_EQ(w.GetDlgItemText(IDC_ROW3_EDIT), u"下载失败！");
    // Production results go to the rows, not to the log.
    EXPECT_FALSE(LogHas(u"程序下载完成！"));
    // Each worker reads its own chip into its channel; the window's chip stays the one the operator chose.
    EXPECT_TRUE(w.m_chipModel.empty());
    EXPECT_TRUE(w.m_ucid.empty());
}

// A production job reads the chip through the window itself: each of those reads failing on the device fails the
// job on its row, and the same job without the fault passes having made that read.
TEST_F(ResultOnTheWindow, ProductionJobsFailWhereTheWindowsReadsFail) {
    struct Row {
        ovsim::Fn fn;
        const char16_t* line;
    };
    const Row rows[] = {
        {ovsim::Fn::ConnectDev, u"连接设备失败！"},
        {ovsim::Fn::GetInf, u"获取芯片信息失败！"},
        {ovsim::Fn::UserxOp, u"读取分区信息失败！"},
        {ovsim::Fn::OptRw, u"读取选项字节失败！"},
    };
    const std::string name = "/dev/ttyUSB0";
    SysConfig("interface=00\n");
    ovsim::Attach(OV_IFACE_USART, name, Chip(0));
    CQXDownloadToolDlg& w = Start();
    w.m_productionMode = 1;
    w.m_chipSeries = 0;
    g_channels[0].present = 1;
    g_channels[0].deviceName = fw::Utf8ToText(name);
    UseImage(w, 0x08001000);

    ovsim::ClearCallLog();
    RunJobs(w, [](int n) { return n == 0; });
    ASSERT_EQ(g_passCount, 1);
    for (const Row& row : rows) {
        SCOPED_TRACE(ovsim::FnName(row.fn));
        bool made = false;
        for (const ovsim::CallRecord& call : ovsim::CallLog())
            made = made || (call.fn == row.fn && call.device == name);
        EXPECT_TRUE(made);

        ovsim::InjectStatus(row.fn, 1, CMD_STATUS_BAD_FRAME, name);
        const int failsBefore = g_failCount;
        RunJobs(w, [](int n) { return n == 0; });
        EXPECT_EQ(g_failCount, failsBefore + 1);
        EXPECT_EQ(g_passCount, 1);
        EXPECT_EQ(w.GetDlgItem(IDC_ROW1_ICON).GetIcon(), 187);
        EXPECT_EQ(w.GetDlgItemText(IDC_ROW1_EDIT), row.line);
        ovsim::ClearFaults();
    }
}

}  // namespace
