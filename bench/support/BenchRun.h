// What every benchmark program shares: the smoke run `make test` makes of it, the labels that pair one of our
// figures with its reference for the table `make bench` prints, and the run itself.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

namespace qxbench {

// With QX_BENCH_SMOKE in the environment each benchmark runs one iteration, once: proof that it still runs and
// that its pairs are whole, with figures that mean nothing.
bool SmokeRun();

// A benchmark's own minimum time or iteration count; a smoke run makes each of them one iteration.
double MinSeconds(double seconds);
benchmark::IterationCount Iterations(benchmark::IterationCount n);

// The label "<role>:<pair>" puts a benchmark into the summary table. A pair is one benchmark of ours and one
// reference from the same program, named in the table for what it is: an outside peer doing the same job, the
// project's own bare mechanism underneath (the floor the measured code stands on), the same program with one
// channel (what more channels must not slow down), or a plain copy of the same bytes (the floor of any data path).
// Benchmarks without a label stay out of the table.
void Ours(benchmark::State& state, const std::string& pair);
void Peer(benchmark::State& state, const std::string& pair);
void Bare(benchmark::State& state, const std::string& pair);
void OneChannel(benchmark::State& state, const std::string& pair);
void PlainCopy(benchmark::State& state, const std::string& pair);

// Runs what the command line selects, outside a smoke run each benchmark several times, interleaved, with the
// median among the aggregates; answers 1 when a benchmark reported an error, so that no run that failed passes
// for one that measured.
int RunBenchmarks(int argc, char** argv);

}  // namespace qxbench
