// Devices coming and going while the window is connected: removal events, losses the monitor sees, Disconnect,
// the refresh a running job defers, and the device mutex the monitor shares.
#include <atomic>
#include <chrono>
#include <thread>

#include "app/DownloadCounters.h"
#include "app/DownloadJob.h"
#include "app/MainWindowJobHost.h"
#include "app/MainWindowState.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/app/download/HexFileWriter.h"

namespace {

class DevicePresence : public MainWindowFixture {
protected:
    CQXDownloadToolDlg& Connected() {
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
        CQXDownloadToolDlg& w = Start();
        w.Click(IDC_BTN_CONNECT);
        EXPECT_EQ(w.m_connected, 1);
        return w;
    }
    const fw::Text lost = u"设备已断开，正在尝试重新连接...";
};

TEST_F(DevicePresence, ARemovalEventDisconnectsAndRebuildsTheList) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB1", Chip(0));
    CQXDownloadToolDlg& w = Connected();
    ASSERT_EQ(w.GetDlgItem(IDC_COMBO_DEVICE).GetCount(), 2);
    ovsim::Unplug("/dev/ttyUSB1");

    fw::InjectDeviceChange(fw::DeviceKind::SerialPort, false, u"/dev/ttyUSB1");
    host.PumpUntilIdle();

    EXPECT_EQ(g_channels[0].connected, 0);
    EXPECT_EQ(w.m_connected, 0);
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_DEVICE).GetCount(), 1);
    EXPECT_EQ(w.GetDlgItem(IDC_COMBO_DEVICE).GetWindowText(), u"/dev/ttyUSB0");
    w.PressEscape();
}

TEST_F(DevicePresence, ALossAfterAReconnectIsReportedAgain) {
    CQXDownloadToolDlg& w = Connected();
    // Only the monitor may notice: no device events rebuild the list.
    fw::SetDeviceEventSource(fw::DeviceEventSource::Unavailable);
    ovsim::Unplug("/dev/ttyUSB0");
    ASSERT_TRUE(host.PumpUntil([&] { return LogCount(lost) == 1; }, std::chrono::seconds(5)));
    // The reconnection's read ends with the protection line; only a read that ended re-arms the report.
    const fw::Text lastLine = u"当前芯片处于读保护等级L0";
    const int reads = LogCount(lastLine);
    ovsim::Replug("/dev/ttyUSB0");
    ASSERT_TRUE(host.PumpUntil([&] { return LogCount(lastLine) > reads; }, std::chrono::seconds(6)));
    fw::Sleep(100);

    ovsim::Unplug("/dev/ttyUSB0");
    EXPECT_TRUE(host.PumpUntil([&] { return LogCount(lost) == 2; }, std::chrono::seconds(5)));
    w.PressEscape();
}

TEST_F(DevicePresence, DisconnectStopsTheMonitor) {
    CQXDownloadToolDlg& w = Connected();
    ASSERT_TRUE(host.PumpUntil(
        [] {
            fw::Sleep(50);
            return ovsim::CallCount(ovsim::Fn::GetInf) > 1;  // the connection's read, then the monitor's polls
        },
        std::chrono::seconds(3)));
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 0);
    fw::Sleep(700);  // a monitor still running would have finished its pass by now
    ovsim::ClearCallLog();
    fw::Sleep(800);  // more than a poll period
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::GetInf), 0);
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::ConnectDev), 0);
    EXPECT_FALSE(LogHas(lost));
}

// The chip's fields are read by every control update on the UI thread, so the monitor's thread must not rewrite
// them while it polls (a read on the UI thread met a text being cleared and refilled).
TEST_F(DevicePresence, ThePollLeavesTheWindowsChipFieldsAlone) {
    CQXDownloadToolDlg& w = Connected();
    const fw::Text model = w.m_chipModel;
    ASSERT_FALSE(model.empty());
    w.m_chipModel = u"as the UI thread left it";
    const int polls = ovsim::CallCount(ovsim::Fn::GetInf);
    ASSERT_TRUE(host.PumpUntil(
        [&] {
            fw::Sleep(50);
            return ovsim::CallCount(ovsim::Fn::GetInf) >= polls + 2;
        },
        std::chrono::seconds(3)));
    EXPECT_EQ(w.m_chipModel, u"as the UI thread left it");
    w.PressEscape();
}

TEST_F(DevicePresence, TheMonitorLetsOtherThreadsHaveTheDeviceMutexBetweenPolls) {
    CQXDownloadToolDlg& w = Connected();
    ASSERT_NE(g_hDeviceMutex, nullptr);
    fw::Sleep(300);  // the monitor has taken the mutex for its first poll
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE(attempt);
        std::atomic<bool> got{false};
        std::thread other([&] {
            // A poll holds the mutex for about half a second and waiters are served in turn, so the next release
            // hands it over; the margin is for a loaded machine. A monitor that kept it would never let go.
            got = g_hDeviceMutex->Wait(2000);
            if (got) {
                fw::Sleep(50);
                g_hDeviceMutex->Release();
            }
        });
        other.join();
        EXPECT_TRUE(got);
    }
    w.PressEscape();
}

// A device event during a job is held back; the last worker runs the refresh once and the request is gone.
TEST_F(DevicePresence, TheLastWorkerRunsADeferredRefreshOnce) {
    CQXDownloadToolDlg& w = Connected();
    const auto image = hexfile::Pattern(256);
    SetSegment(w.m_items[0], 0, image, 256);
    w.m_items[0].segmentCount = 1;
    w.m_items[0].addressText[0] = u"08002000";
    w.m_items[0].address[0] = 0x08002000;
    DownloadJobSettings settings;
    settings.chipInfo = w.m_chipInfo;
    MainWindowJobHost jobHost(w);
    {
        fw::ScopedLock lock(g_csCounters);
        g_activeWorkers = 1;  // as the Download button counts the job before it runs
    }
    fw::InjectDeviceChange(fw::DeviceKind::Usb, true, u"usb-9");
    host.PumpUntilIdle();
    ASSERT_EQ(g_channels[0].connected, 1);  // held back while the job runs
    ovsim::ClearCallLog();

    std::atomic<bool> ended{false};
    std::thread worker([&] {
        RunDownloadJob(jobHost, w.m_items, settings, g_channels[0], g_channels);
        ended = true;
    });
    // The worker's messages are synchronous: the window pumps until it has ended.
    const bool done = host.PumpUntil([&] { return ended.load(); }, std::chrono::seconds(20));
    worker.join();
    ASSERT_TRUE(done);
    host.PumpUntilIdle();

    EXPECT_TRUE(LogHas(u"程序下载完成！"));
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::EnumDev), 1);
    EXPECT_EQ(g_channels[0].connected, 0);  // the refresh disconnected it
    w.RunDeferredDeviceRefresh();           // nothing is pending any more
    host.PumpUntilIdle();
    EXPECT_EQ(ovsim::CallCount(ovsim::Fn::EnumDev), 1);
}

}  // namespace
