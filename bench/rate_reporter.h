// A console reporter that also keeps the items-per-second rate of every
// benchmark, so that a program can print ratios against its peer after
// the run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class RateReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rates;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto it = run.counters.find("items_per_second");
      if (run.run_type == Run::RT_Iteration && it != run.counters.end()) {
        rates[run.benchmark_name()] = it->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};
