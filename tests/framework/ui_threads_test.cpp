// Workers and the user-interface thread: synchronous and posted messages, workers' boxes, control state written
// from several threads, and waits of the UI thread that must keep serving workers.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include "framework/DeviceNotification.h"
#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/Sync.h"
#include "framework/UiThread.h"
#include "framework/host/headless/HeadlessHost.h"
#include "tests/framework/RecordingWindow.h"
#include "tests/framework/TempFolder.h"
#include "tests/framework/example/ExampleDlg.h"

namespace {

using namespace fw;
using namespace std::chrono_literals;
using fw::testing::RecordingWindow;
using fw::testing::WM_RECORD;

TEST(UiThreads, SendMessageRunsTheHandlerOnTheUiThreadAndAnswersItsResult) {
    HeadlessHost host;
    RecordingWindow window;
    ASSERT_TRUE(window.CreateEx(nullptr, u"w", WS_POPUP, 0, Rect{0, 0, 100, 100}));
    LResult answer = 0;
    std::thread worker([&] { answer = window.SendMessage(WM_RECORD, 40, 2); });
    EXPECT_TRUE(host.PumpUntil([&] { return !window.received.empty(); }));
    worker.join();
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(window.threads, std::vector<std::thread::id>{std::this_thread::get_id()});
}

TEST(UiThreads, PostedMessagesArriveInOrderAndNeverReachAGoneWindow) {
    HeadlessHost host;
    auto window = std::make_unique<RecordingWindow>();
    ASSERT_TRUE(window->CreateEx(nullptr, u"w", WS_POPUP, 0, Rect{0, 0, 100, 100}));
    std::thread worker([&] {
        for (WParam i = 0; i < 100; ++i) EXPECT_TRUE(window->PostMessage(WM_RECORD, i));
    });
    worker.join();
    EXPECT_TRUE(window->received.empty());  // posting waits for nobody
    EXPECT_TRUE(host.PumpUntilIdle());
    ASSERT_EQ(window->received.size(), 100u);
    for (WParam i = 0; i < 100; ++i) EXPECT_EQ(window->received[i], i);

    // Messages sent to a window that went away answer 0 instead of hanging the sender.
    window->PostMessage(WM_RECORD, 1);
    const WindowHandle handle = window->Handle();
    window.reset();
    EXPECT_TRUE(host.PumpUntilIdle());
    EXPECT_EQ(Window::FromHandle(handle), nullptr);
}

TEST(UiThreads, AWorkersBoxIsShownByTheUiThreadAndBlocksOnlyTheWorker) {
    HeadlessHost host;
    host.ExpectBox(u"是否解除读保护？", IDYES);
    std::atomic<int> answer{0};
    std::thread::id workerId;
    std::thread worker([&] {
        workerId = std::this_thread::get_id();
        answer = MessageBox(nullptr, u"是否解除读保护？", u"提示", MB_YESNO | MB_ICONQUESTION);
    });
    // Until the UI thread serves it, the worker waits and the UI thread is free.
    EXPECT_TRUE(host.PumpUntil([&] { return answer.load() != 0; }));
    worker.join();
    EXPECT_EQ(answer, IDYES);
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0].thread, workerId);
    EXPECT_FALSE(host.Boxes()[0].fromUiThread);
}

TEST(UiThreads, ControlStateMayBeWrittenFromManyThreads) {
    HeadlessHost host;
    CExampleDlg dlg;
    ASSERT_TRUE(dlg.Create());
    Control progress = dlg.GetDlgItem(IDC_PROGRESS);
    progress.SetRange(0, 100000);
    progress.SetStep(1);
    constexpr int kThreads = 4;
    constexpr int kLines = 500;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i) {
                dlg.AppendLog(Format(u"线程%d 行%d", t, i), Rgb(0, 0, 0));
                progress.StepIt();
                dlg.m_status.SetPaneText(1, Format(u"%d", i));
                (void)dlg.GetDlgItemText(IDC_NAME_EDIT);
            }
        });
    }
    for (auto& w : workers) w.join();
    EXPECT_EQ(dlg.m_log.GetLineCount(), kThreads * kLines + 1);
    EXPECT_EQ(progress.GetPos(), kThreads * kLines);
    EXPECT_EQ(host.LogLines().size(), static_cast<size_t>(kThreads * kLines));
    // Each line arrived whole.
    for (const LogLine& line : dlg.m_log.GetLogLines()) {
        if (!line.text.empty()) {
            EXPECT_EQ(line.text.substr(0, 2), u"线程");
        }
    }
}

// The UI thread waits (for the device mutex, a sleep, a thread) while a worker sends it messages and asks it a
// question; every kind of wait must keep serving the worker, or the two would wait for each other for ever.
TEST(UiThreads, WaitsOfTheUiThreadKeepServingWorkers) {
    enum class Wait { DeviceMutex, Sleep, Join };
    for (Wait wait : {Wait::DeviceMutex, Wait::Sleep, Wait::Join}) {
        SCOPED_TRACE(static_cast<int>(wait));
        fw::testing::TempFolder runtime;
        SetRuntimeFolder(runtime.Wide());
        HeadlessHost host;
        CExampleDlg dlg;
        ASSERT_TRUE(dlg.Create());
        host.ExpectBox(u"是否解除读保护？", IDYES);
        NamedMutex device(u"screen");
        std::atomic<bool> holding{false};
        std::atomic<bool> done{false};
        LResult sum = 0;
        int answer = 0;
        WorkerThread worker(
            [&] {
                ASSERT_TRUE(device.Wait(kInfinite));
                holding = true;
                std::this_thread::sleep_for(50ms);  // the UI thread is in its wait by now
                for (WParam step = 1; step <= 3; ++step) sum += dlg.SendMessage(WM_EXAMPLE_STEP, step);
                answer = MessageBox(&dlg, u"是否解除读保护？", u"提示", MB_YESNO | MB_ICONQUESTION);
                dlg.AppendLog(u"工作线程完成", Rgb(10, 220, 10));
                done = true;
                device.Release();
            },
            false);
        while (!holding) std::this_thread::yield();
        const auto start = std::chrono::steady_clock::now();
        switch (wait) {
            case Wait::DeviceMutex:
                EXPECT_TRUE(device.Wait(5000));  // got it, not by the timeout
                device.Release();
                break;
            case Wait::Sleep:
                while (!done) Sleep(20);
                break;
            case Wait::Join:
                EXPECT_TRUE(worker.Join());
                break;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
        EXPECT_TRUE(worker.Join(5000));
        EXPECT_EQ(sum, 2 + 4 + 6);
        EXPECT_EQ(answer, IDYES);
        EXPECT_EQ(host.LogTexts(), (std::vector<Text>{u"步骤 1", u"步骤 2", u"步骤 3", u"工作线程完成"}));
        EXPECT_EQ(dlg.GetDlgItem(IDC_PROGRESS).GetPos(), 3);
        SetRuntimeFolder(u"");
    }
}

TEST(UiThreads, DeviceEventsReachTheWindowThatRegisteredOnTheUiThread) {
    struct SourceGuard {
        ~SourceGuard() { SetDeviceEventSource(DeviceEventSource::System); }
    } guard;
    HeadlessHost host;
    SetDeviceEventSource(DeviceEventSource::Unavailable);
    {
        CExampleDlg refused;
        refused.m_watchDevices = true;
        ASSERT_TRUE(refused.Create());
        EXPECT_FALSE(refused.m_devicesWatched);
    }
    SetDeviceEventSource(DeviceEventSource::InjectedOnly);
    auto dlg = std::make_unique<CExampleDlg>();
    dlg->m_watchDevices = true;
    ASSERT_TRUE(dlg->Create());
    ASSERT_TRUE(dlg->m_devicesWatched);
    dlg->m_events.clear();
    std::thread monitor([] {
        InjectDeviceChange(DeviceKind::Usb, true, u"/dev/bus/usb/001/004");
        InjectDeviceChange(DeviceKind::Hid, true, u"/dev/hidraw0");  // not registered for
        InjectDeviceChange(DeviceKind::SerialPort, false, u"/dev/ttyUSB0");
    });
    monitor.join();
    EXPECT_TRUE(dlg->m_events.empty());  // nothing runs on the monitor's thread
    EXPECT_TRUE(host.PumpUntilIdle());
    EXPECT_EQ(dlg->m_events, (std::vector<Text>{u"arrived /dev/bus/usb/001/004", u"removed /dev/ttyUSB0"}));
    // A window that is gone gets nothing; the others still get theirs.
    CExampleDlg other;
    other.m_watchDevices = true;
    ASSERT_TRUE(other.Create());
    other.m_events.clear();
    InjectDeviceChange(DeviceKind::Usb, true, u"/dev/bus/usb/001/005");
    dlg.reset();
    EXPECT_TRUE(host.PumpUntilIdle());
    InjectDeviceChange(DeviceKind::Usb, false, u"/dev/bus/usb/001/005");
    EXPECT_TRUE(host.PumpUntilIdle());
    EXPECT_EQ(other.m_events, (std::vector<Text>{u"arrived /dev/bus/usb/001/005", u"removed /dev/bus/usb/001/005"}));
}

// A long piece of UI work that pumps between its steps serves what arrives meanwhile, as the progress window
// does while a project is sent.
TEST(UiThreads, PumpingDuringLongUiWorkServesWorkers) {
    HeadlessHost host;
    CExampleDlg dlg;
    ASSERT_TRUE(dlg.Create());
    std::atomic<bool> sent{false};
    std::thread worker([&] {
        dlg.SendMessage(WM_EXAMPLE_STEP, 5);
        sent = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!sent && std::chrono::steady_clock::now() < deadline) PumpMessages();
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(host.LogTexts(), std::vector<Text>{u"步骤 5"});
}

TEST(UiThreads, RunOnUiHandsTheWorkersExceptionBack) {
    HeadlessHost host;
    std::atomic<bool> caught{false};
    std::thread worker([&] {
        try {
            RunOnUi([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
    });
    EXPECT_TRUE(host.PumpUntil([&] { return caught.load(); }));
    worker.join();
}

// A worker that posts and lives on (as the thread that waits for a document viewer does) must be done with the
// host by the time the host is removed: the host may end right after, as it does when the program exits.
TEST(UiThreads, AHostRemovedAfterAPostIsServedIsNoLongerInUseByThePoster) {
    struct CountingHost : HeadlessHost {
        int wakes = 0;  // deliberately unguarded: only a wake-up finished before the removal may have written it
        void WakeUi() override { ++wakes; }
    };
    auto host = std::make_unique<CountingHost>();
    std::promise<void> hostGone;
    std::atomic<bool> served{false};
    std::thread poster([&, gone = hostGone.get_future()] {
        PostToUi([&] { served = true; });
        gone.wait();
    });
    EXPECT_TRUE(host->PumpUntil([&] { return served.load(); }));
    InstallHost(nullptr);
    EXPECT_EQ(host->wakes, 1);
    host.reset();
    hostGone.set_value();
    poster.join();
}

}  // namespace
