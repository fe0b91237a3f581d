// Format builds the texts of log lines, byte rows and option-byte edits. The reference is the C library's
// snprintf with a literal format (safe there, as the text is ours) plus the widening to Text that our callers
// would need; the ratio of the two in one run is the figure to watch.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/support/BenchRun.h"
#include "framework/Format.h"

namespace {

fw::Text Widen(const char* s, int n) {
    fw::Text t;
    t.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        t.push_back(static_cast<char16_t>(static_cast<unsigned char>(s[i])));
    return t;
}

void HexByte_Format(benchmark::State& state) {
    qxbench::Ours(state, "hex byte text");
    unsigned value = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(fw::Format(u"%02X", (value++) & 0xFF));
}

void HexByte_Reference(benchmark::State& state) {
    qxbench::Peer(state, "hex byte text");
    unsigned value = 0;
    char buffer[16];
    for (auto _ : state) {
        const int n = std::snprintf(buffer, sizeof buffer, "%02X", (value++) & 0xFF);
        benchmark::DoNotOptimize(Widen(buffer, n));
    }
}

void LogLine_Format(benchmark::State& state) {
    qxbench::Ours(state, "log line text");
    const fw::Text name = u"VK51x.FLM";
    int i = 0;
    for (auto _ : state) {
        ++i;
        benchmark::DoNotOptimize(
            fw::Format(u"%d--%s 0x%08X %.1f%%", i, name, 0x08000000u + static_cast<unsigned>(i), i * 0.5));
    }
}

void LogLine_Reference(benchmark::State& state) {
    qxbench::Peer(state, "log line text");
    int i = 0;
    char buffer[128];
    for (auto _ : state) {
        ++i;
        const int n = std::snprintf(buffer, sizeof buffer, "%d--%s 0x%08X %.1f%%", i, "VK51x.FLM",
                                    0x08000000u + static_cast<unsigned>(i), i * 0.5);
        benchmark::DoNotOptimize(Widen(buffer, n));
    }
}

}  // namespace

BENCHMARK(HexByte_Format);
BENCHMARK(HexByte_Reference);
BENCHMARK(LogLine_Format);
BENCHMARK(LogLine_Reference);
