// Appending to the operation log through the model and the Qt host: the time per line must not grow with the
// log. Both sizes start from an empty log; the reference is Qt's own cheapest way to grow a text view, plain
// lines without colour or model, appended in one batch and drawn once, against lines a worker writes while the
// window draws them in batches. One iteration is one whole log.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <atomic>
#include <string>
#include <thread>

#include "bench/support/BenchRun.h"
#include "framework/Window.h"
#include "framework/host/qt/QtHost.h"

namespace {

constexpr int kLogId = 1165;
const fw::Text kLine = u"写入地址 0x08000000 成功";

std::string LogPair(const benchmark::State& state) { return "log lines appended, " + std::to_string(state.range(0)); }

void PerLine(benchmark::State& state) {
    state.counters["per_line"] =
        benchmark::Counter(static_cast<double>(state.range(0)),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A shown window with one colour log, as the main window has.
struct LogWindow {
    fw::Window window;
    fw::Control log;

    LogWindow() {
        window.CreateEx(nullptr, u"log", fw::WS_POPUP | fw::WS_CAPTION, 0, fw::Rect{0, 0, 600, 400});
        log = window.AddControl(fw::ControlKind::RichEdit, kLogId, u"",
                                fw::WS_CHILD | fw::WS_VISIBLE | fw::ES_MULTILINE | fw::ES_READONLY | fw::WS_VSCROLL,
                                fw::Rect{0, 0, 600, 400}, "RichEdit20W");
        window.ShowWindow(fw::SW_SHOW);
        QApplication::processEvents();
    }
    ~LogWindow() { window.DestroyWindow(); }

    // What the program's log writer does: append the line with its break, then scroll by the lines it added.
    void Append(int i) {
        const int before = log.GetLineCount();
        log.AppendText(kLine + u"\r\n", i % 3 ? fw::Rgb(0, 0, 0) : fw::Rgb(10, 220, 10), u"宋体", 220);
        log.LineScroll(log.GetLineCount() - before);
    }
};

// The user-interface thread writes, and every line is drawn before the next: the worst case, one redraw a line.
void BM_HostLogEveryLineDrawn(benchmark::State& state, fw::qt::QtHost& host) {
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        LogWindow w;
        for (int i = 0; i < lines; ++i) {
            w.Append(i);
            host.ApplyPendingChanges();
        }
        QApplication::processEvents();
        benchmark::DoNotOptimize(w.log.GetLineCount());
    }
    PerLine(state);
}

// A worker writes while the user-interface thread runs its event loop: lines arrive in batches.
void BM_HostLogFromWorker(benchmark::State& state, fw::qt::QtHost& host) {
    qxbench::Ours(state, LogPair(state));
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        LogWindow w;
        std::atomic<bool> done{false};
        std::thread worker([&] {
            for (int i = 0; i < lines; ++i)
                w.Append(i);
            done = true;
        });
        while (!done)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        worker.join();
        host.ApplyPendingChanges();
        QApplication::processEvents();
        benchmark::DoNotOptimize(w.log.GetLineCount());
    }
    PerLine(state);
}

void BM_PlainTextReference(benchmark::State& state) {
    qxbench::Peer(state, LogPair(state));
    const int lines = static_cast<int>(state.range(0));
    const QString line = QString::fromStdU16String(kLine);
    for (auto _ : state) {
        QPlainTextEdit edit;
        edit.resize(600, 400);
        edit.show();
        for (int i = 0; i < lines; ++i)
            edit.appendPlainText(line);
        QApplication::processEvents();
        benchmark::DoNotOptimize(edit.blockCount());
    }
    PerLine(state);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fw::qt::QtHost host;
    const auto wholeLog = [](benchmark::internal::Benchmark* b) { b->Iterations(1)->Unit(benchmark::kMillisecond); };
    for (const int lines : {10000, 100000}) {
        wholeLog(benchmark::RegisterBenchmark("BM_HostLogEveryLineDrawn", BM_HostLogEveryLineDrawn, std::ref(host))
                     ->Arg(lines));
        wholeLog(
            benchmark::RegisterBenchmark("BM_HostLogFromWorker", BM_HostLogFromWorker, std::ref(host))->Arg(lines));
        wholeLog(benchmark::RegisterBenchmark("BM_PlainTextReference", BM_PlainTextReference)->Arg(lines));
    }
    return qxbench::RunBenchmarks(argc, argv);
}
