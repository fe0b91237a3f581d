#include "BenchRun.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
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

constexpr int kRepetitions = 5;

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

void Ours(benchmark::State& state, const std::string& pair) { Label(state, "ours", pair); }
void Peer(benchmark::State& state, const std::string& pair) { Label(state, "peer", pair); }
void Bare(benchmark::State& state, const std::string& pair) { Label(state, "bare", pair); }
void OneChannel(benchmark::State& state, const std::string& pair) { Label(state, "one-channel", pair); }
void PlainCopy(benchmark::State& state, const std::string& pair) { Label(state, "copy", pair); }

int RunBenchmarks(int argc, char** argv) {
    // Defaults go right after the program's name, so the same flag given on the command line still wins.
    // Benchmarks without a minimum time of their own stop after their first iteration in a smoke run. A measuring
    // run repeats every benchmark and reports the median: one sample moves with whatever else the machine runs,
    // and interleaving the repetitions lets such a spell fall on both sides of a pair instead of one.
    std::vector<std::string> defaults;
    if (SmokeRun()) {
        defaults = {"--benchmark_min_time=0"};
    } else {
        defaults = {"--benchmark_repetitions=" + std::to_string(kRepetitions),
                    "--benchmark_display_aggregates_only=true", "--benchmark_enable_random_interleaving=true"};
    }
    std::vector<char*> args;
    args.reserve(static_cast<size_t>(argc) + defaults.size());
    for (int i = 0; i < argc; ++i) {
        args.push_back(argv[i]);
        if (i == 0)
            for (std::string& flag : defaults)
                args.push_back(flag.data());
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
