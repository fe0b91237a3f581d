// Appending to the operation log through the model and the Qt host: the time per line must not grow with the
// log. Every case has Qt alone beside it doing the same work: the same lines in the same colours, face and size,
// into a plain text view set up as the log is, in the same batches (all at once, one at a time, or as a worker
// hands them over while the window runs its event loop). One iteration is one whole log from empty.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/BenchRun.h"
#include "framework/Window.h"
#include "framework/host/qt/DialogFont.h"
#include "framework/host/qt/QtHost.h"

namespace {

constexpr int kLogId = 1165;
const fw::Text kLine = u"写入地址 0x08000000 成功";
const fw::Text kFace = u"宋体";
constexpr int kHeightTwips = 220;

// Every third line green, the rest black, as a download's log mixes them.
bool IsGreen(int line) { return line % 3 == 0; }

std::string LogPair(const benchmark::State& state, const char* how) {
    return "log of " + std::to_string(state.range(0)) + " lines, " + how;
}
constexpr const char* kOneBatch = "appended in one batch";
constexpr const char* kEachDrawn = "each line applied before the next";
constexpr const char* kFromWorker = "written by a worker";

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
        log.AppendText(kLine + u"\r\n", IsGreen(i) ? fw::Rgb(10, 220, 10) : fw::Rgb(0, 0, 0), kFace, kHeightTwips);
        log.LineScroll(log.GetLineCount() - before);
    }
};

// Qt alone: a shown plain text view as the host's colour log sets one up, taking lines as one edit with one
// scroll to the end, the cheapest way Qt offers to grow it.
struct QtLog {
    QPlainTextEdit edit;
    std::array<QTextCharFormat, 2> formats;  // black, green
    const QString line = QString::fromStdU16String(kLine);

    QtLog() {
        edit.setReadOnly(true);
        edit.setUndoRedoEnabled(false);
        edit.setLineWrapMode(QPlainTextEdit::WidgetWidth);
        edit.resize(600, 400);
        edit.show();
        formats[0].setForeground(QColor(0, 0, 0));
        formats[1].setForeground(QColor(10, 220, 10));
        for (QTextCharFormat& format : formats) {
            format.setFontFamilies({fw::qt::ResolveFace(QString::fromStdU16String(kFace))});
            format.setFontPointSize(kHeightTwips / 20.0);
        }
        QApplication::processEvents();
    }

    // Lines [first, end) of a log that held `first` lines.
    void Append(int first, int end) {
        QTextCursor cursor(edit.document());
        cursor.beginEditBlock();
        cursor.movePosition(QTextCursor::End);
        for (int i = first; i < end; ++i) {
            const QTextCharFormat& format = formats[IsGreen(i) ? 1 : 0];
            if (i > 0) {
                cursor.insertBlock(QTextBlockFormat(), format);
            } else {
                cursor.setBlockCharFormat(format);
            }
            cursor.insertText(line, format);
        }
        cursor.endEditBlock();
        edit.verticalScrollBar()->setValue(edit.verticalScrollBar()->maximum());
    }
};

// The user-interface thread writes the whole log: in one batch the window takes it at the end, line by line every
// line reaches the widget before the next, one update a line.
void HostLogFromInterfaceThread(benchmark::State& state, fw::qt::QtHost& host, bool lineByLine) {
    qxbench::Ours(state, LogPair(state, lineByLine ? kEachDrawn : kOneBatch));
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        LogWindow w;
        for (int i = 0; i < lines; ++i) {
            w.Append(i);
            if (lineByLine) host.ApplyPendingChanges();
        }
        host.ApplyPendingChanges();
        QApplication::processEvents();
        benchmark::DoNotOptimize(w.log.GetLineCount());
    }
    PerLine(state);
}

void QtLogFromInterfaceThread(benchmark::State& state, bool lineByLine) {
    qxbench::Peer(state, LogPair(state, lineByLine ? kEachDrawn : kOneBatch));
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        QtLog log;
        if (lineByLine) {
            for (int i = 0; i < lines; ++i)
                log.Append(i, i + 1);
        } else {
            log.Append(0, lines);
        }
        QApplication::processEvents();
        benchmark::DoNotOptimize(log.edit.blockCount());
    }
    PerLine(state);
}

// A worker writes while the user-interface thread runs its event loop: lines arrive in batches.
void BM_HostLogFromWorker(benchmark::State& state, fw::qt::QtHost& host) {
    qxbench::Ours(state, LogPair(state, kFromWorker));
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

// The same hand-over as the host's: the worker counts its lines under a lock and posts one drain to the
// user-interface thread unless one is already waiting; the drain appends whatever has arrived as one batch.
void BM_QtLogFromWorker(benchmark::State& state) {
    qxbench::Peer(state, LogPair(state, kFromWorker));
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        QtLog log;
        std::mutex mutex;
        int written = 0;
        bool drainPosted = false;
        int shown = 0;
        const auto drain = [&] {
            int end = 0;
            {
                std::lock_guard<std::mutex> lock(mutex);
                end = written;
                drainPosted = false;
            }
            log.Append(shown, end);
            shown = end;
        };
        std::atomic<bool> done{false};
        std::thread worker([&] {
            for (int i = 0; i < lines; ++i) {
                std::lock_guard<std::mutex> lock(mutex);
                ++written;
                if (!drainPosted) {
                    drainPosted = true;
                    QMetaObject::invokeMethod(&log.edit, drain, Qt::QueuedConnection);
                }
            }
            done = true;
        });
        while (!done)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        worker.join();
        drain();
        QApplication::processEvents();
        benchmark::DoNotOptimize(log.edit.blockCount());
    }
    PerLine(state);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fw::qt::QtHost host;
    const auto wholeLog = [](benchmark::internal::Benchmark* b) { b->Iterations(1)->Unit(benchmark::kMillisecond); };
    // A smoke run proves each case and pair with the small log; the large one applied line by line takes seconds.
    const std::vector<int> sizes = qxbench::SmokeRun() ? std::vector<int>{10000} : std::vector<int>{10000, 100000};
    for (const int lines : sizes) {
        wholeLog(benchmark::RegisterBenchmark("BM_HostLogOneBatch", HostLogFromInterfaceThread, std::ref(host), false)
                     ->Arg(lines));
        wholeLog(benchmark::RegisterBenchmark("BM_QtLogOneBatch", QtLogFromInterfaceThread, false)->Arg(lines));
        wholeLog(
            benchmark::RegisterBenchmark("BM_HostLogEveryLineDrawn", HostLogFromInterfaceThread, std::ref(host), true)
                ->Arg(lines));
        wholeLog(benchmark::RegisterBenchmark("BM_QtLogEveryLine", QtLogFromInterfaceThread, true)->Arg(lines));
        wholeLog(
            benchmark::RegisterBenchmark("BM_HostLogFromWorker", BM_HostLogFromWorker, std::ref(host))->Arg(lines));
        wholeLog(benchmark::RegisterBenchmark("BM_QtLogFromWorker", BM_QtLogFromWorker)->Arg(lines));
    }
    return qxbench::RunBenchmarks(argc, argv);
}
