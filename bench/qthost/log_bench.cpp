// Appending to the colour log must cost the same per line at 10,000 and at 100,000 lines.
#include <QApplication>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

#include "framework/host/qt/ColorLog.h"

namespace {

void PerLine(benchmark::State& state) {
    state.counters["per_line"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void BM_ColorLogAppend(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        fw::qt::ColorLog log;
        log.resize(600, 300);
        log.show();
        for (int i = 0; i < lines; ++i) {
            log.ReplaceFrom(log.ParagraphCount(), {fw::LogLine{u"写入 0x08000000 成功", fw::Rgb(0, 0, 0), u"宋体", 220}});
        }
        QApplication::processEvents();
        benchmark::DoNotOptimize(log.ParagraphCount());
    }
    PerLine(state);
}
BENCHMARK(BM_ColorLogAppend)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Reference: Qt's own cheapest way to grow a text view, plain lines without formats.
void BM_PlainTextAppendReference(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        QPlainTextEdit edit;
        edit.resize(600, 300);
        edit.show();
        for (int i = 0; i < lines; ++i) edit.appendPlainText(QStringLiteral("写入 0x%1 成功").arg(i, 8, 16, QLatin1Char('0')));
        QApplication::processEvents();
        benchmark::DoNotOptimize(edit.blockCount());
    }
    PerLine(state);
}
BENCHMARK(BM_PlainTextAppendReference)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
