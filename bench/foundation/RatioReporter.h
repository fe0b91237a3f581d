// Console output plus, at the end, each measurement's time as a ratio to its reference from the same run. With
// cpuTime the ratio uses processor time (stable on a busy machine); a benchmark with manual time counts what it
// reported, which the helpers measure as their processor time too.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Each pair: measured benchmark name, reference benchmark name (as the console shows them).
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs, bool cpuTime = false)
        : m_pairs(std::move(pairs)), m_cpuTime(cpuTime) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                const bool manual = run.benchmark_name().find("manual_time") != std::string::npos;
                m_seconds[run.benchmark_name()] =
                    m_cpuTime && !manual ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%s ratios (measured / reference; below 1 is faster than the reference):\n",
                    m_cpuTime ? "Processor-time" : "Wall-time");
        for (const auto& [measured, reference] : m_pairs) {
            const auto m = m_seconds.find(measured);
            const auto r = m_seconds.find(reference);
            if (m == m_seconds.end() || r == m_seconds.end() || r->second <= 0) continue;
            std::printf("  %-44s / %-44s = %.3f\n", measured.c_str(), reference.c_str(), m->second / r->second);
        }
    }

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
    bool m_cpuTime;
    std::map<std::string, double> m_seconds;
};
