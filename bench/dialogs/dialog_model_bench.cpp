// Two paths every download takes many times: a worker's synchronous message to the window (one per progress
// step) and a coloured log line. The references are the bare mechanisms underneath: a mutex and condition
// variable hand-off between two threads, and appending to a vector. Compare the ratios within one run; the log
// must cost the same per line at 10,000 and at 100,000 lines.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "bench/support/BenchRun.h"
#include "framework/Host.h"
#include "framework/UiThread.h"
#include "framework/Window.h"

namespace {

using namespace fw;

// Draws nothing: what is measured is the model.
class SilentHost : public Host {
public:
    bool IsUiThread() const override { return std::this_thread::get_id() == m_ui; }
    void WakeUi() override {}
    Size DialogBaseUnits(const FontSpec&) override { return Size{8, 16}; }
    Size ScreenSize() override { return Size{1920, 1080}; }
    void CreateWindow(HostedWindow&) override {}
    void DestroyWindow(WindowHandle) override {}
    void Changed(const Change&) override {}
    void RunModalLoop(HostedWindow&) override {}
    void EndModalLoop(WindowHandle) override {}
    void Pump() override {}
    int ShowMessageBox(const MessageBoxRequest&) override { return IDOK; }
    FileDialogResult ShowFileDialog(const FileDialogRequest&) override { return {}; }
    void StartTimer(WindowHandle, uintptr_t, unsigned) override {}
    void StopTimer(WindowHandle, uintptr_t) override {}

    std::thread::id m_ui = std::this_thread::get_id();
};

constexpr unsigned WM_STEP = WM_USER + 1999;

class StepWindow : public Window {
public:
    LResult OnStep(WParam wParam, LParam) { return static_cast<LResult>(++m_steps + wParam); }
    static const MessageMap<StepWindow> kMessages;
    long m_steps = 0;
};
const MessageMap<StepWindow> StepWindow::kMessages{fw::OnMessage(WM_STEP, &StepWindow::OnStep)};

void BM_SendMessageFromWorker(benchmark::State& state) {
    qxbench::Ours(state, "worker's message to the window");
    SilentHost host;
    std::atomic<bool> stop{false};
    std::atomic<bool> ready{false};
    StepWindow window;
    std::thread ui([&] {
        host.m_ui = std::this_thread::get_id();
        InstallHost(&host);
        window.CreateEx(nullptr, u"w", WS_POPUP, 0, Rect{0, 0, 10, 10});
        ready = true;
        while (!stop) ServeQueuedWorkFor(std::chrono::milliseconds(1));
        window.DestroyWindow();
        InstallHost(nullptr);
    });
    while (!ready) std::this_thread::yield();
    for (auto _ : state) benchmark::DoNotOptimize(window.SendMessage(WM_STEP, 1));
    stop = true;
    ui.join();
}
BENCHMARK(BM_SendMessageFromWorker)->UseRealTime();

void BM_HandOffReference(benchmark::State& state) {
    qxbench::Bare(state, "worker's message to the window");
    std::mutex mutex;
    std::condition_variable cv;
    bool request = false;
    bool answered = false;
    bool stop = false;
    long steps = 0;
    std::thread ui([&] {
        std::unique_lock lock(mutex);
        for (;;) {
            cv.wait(lock, [&] { return request || stop; });
            if (stop) return;
            request = false;
            ++steps;
            answered = true;
            cv.notify_all();
        }
    });
    for (auto _ : state) {
        std::unique_lock lock(mutex);
        request = true;
        answered = false;
        cv.notify_all();
        cv.wait(lock, [&] { return answered; });
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    cv.notify_all();
    ui.join();
    benchmark::DoNotOptimize(steps);
}
BENCHMARK(BM_HandOffReference)->UseRealTime();

std::string LogPair(const benchmark::State& state) { return "log lines appended, " + std::to_string(state.range(0)); }

void PerLine(benchmark::State& state) {
    state.counters["per_line"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void BM_ModelLogAppend(benchmark::State& state) {
    qxbench::Ours(state, LogPair(state));
    SilentHost host;
    InstallHost(&host);
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Window window;
        window.CreateEx(nullptr, u"w", WS_POPUP, 0, Rect{0, 0, 600, 400});
        Control log = window.AddControl(ControlKind::RichEdit, 1165, {}, WS_CHILD | WS_VISIBLE | ES_MULTILINE,
                                        Rect{0, 0, 600, 300});
        for (int i = 0; i < lines; ++i) {
            // The program's log writer: count, append a line, count again, scroll by the difference.
            const int before = log.GetLineCount();
            log.AppendText(u"写入 0x08000000 成功\r\n", Rgb(0, 0, 0), u"宋体", 220);
            log.LineScroll(log.GetLineCount() - before);
        }
        benchmark::DoNotOptimize(log.GetLineCount());
    }
    InstallHost(nullptr);
    PerLine(state);
}
BENCHMARK(BM_ModelLogAppend)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_VectorAppendReference(benchmark::State& state) {
    qxbench::Bare(state, LogPair(state));
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::vector<LogLine> log;
        for (int i = 0; i < lines; ++i) log.push_back(LogLine{u"写入 0x08000000 成功", Rgb(0, 0, 0), u"宋体", 220});
        benchmark::DoNotOptimize(log.size());
    }
    PerLine(state);
}
BENCHMARK(BM_VectorAppendReference)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
