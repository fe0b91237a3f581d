#include "BenchRun.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace qxbench {

namespace {

// Remembers whether any benchmark failed; the console output stays as it is.
class FailureWatch : public benchmark::ConsoleReporter {
public:
    FailureWatch() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            m_failed = m_failed || run.error_occurred;
        ConsoleReporter::ReportRuns(runs);
    }
    bool Failed() const { return m_failed; }

private:
    bool m_failed = false;
};

void Label(benchmark::State& state, const char* role, const std::string& pair) {
    state.SetLabel(std::string(role) + ":" + pair);
}

}  // namespace

bool SmokeRun() {
    static const bool smoke = std::getenv("QX_BENCH_SMOKE") != nullptr;
    return smoke;
}

// The smallest time the library takes: any iteration outlasts it.
double MinSeconds(double seconds) { return SmokeRun() ? 1e-9 : seconds; }
benchmark::IterationCount Iterations(benchmark::IterationCount n) { return SmokeRun() ? 1 : n; }
int Repetitions(int n) { return SmokeRun() ? 1 : n; }

void Ours(benchmark::State& state, const std::string& pair) { Label(state, "ours", pair); }
void Peer(benchmark::State& state, const std::string& pair) { Label(state, "peer", pair); }
void Bare(benchmark::State& state, const std::string& pair) { Label(state, "bare", pair); }

int RunBenchmarks(int argc, char** argv) {
    // Benchmarks without a minimum time of their own stop after their first iteration in a smoke run.
    std::string minTime = "--benchmark_min_time=0";
    std::vector<char*> args;
    args.reserve(static_cast<size_t>(argc) + 1);
    for (int i = 0; i < argc; ++i) {
        args.push_back(argv[i]);
        if (i == 0 && SmokeRun()) args.push_back(minTime.data());
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    FailureWatch console;
    benchmark::RunSpecifiedBenchmarks(&console);
    benchmark::Shutdown();
    return console.Failed() ? 1 : 0;
}

}  // namespace qxbench
