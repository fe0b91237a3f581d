// Console output plus, at the end, each measurement's time as a ratio to its reference from the same run.
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
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs) : m_pairs(std::move(pairs)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                m_seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nTime ratios (measured / reference; below 1 is faster than the reference):\n");
        for (const auto& [measured, reference] : m_pairs) {
            const auto m = m_seconds.find(measured);
            const auto r = m_seconds.find(reference);
            if (m == m_seconds.end() || r == m_seconds.end() || r->second <= 0) continue;
            std::printf("  %-44s / %-44s = %.3f\n", measured.c_str(), reference.c_str(), m->second / r->second);
        }
    }

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
    std::map<std::string, double> m_seconds;
};
