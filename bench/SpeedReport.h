// Keeps the time of every benchmark run and, after the run, prints each routine's cost per sample
// with its ratio to its limit kernel, and the speed goals with the ratios measured in this run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace nalto::bench {

// One benchmark as the summary knows it: a cost per sample, or per call where an iteration is
// one call whatever its samples.
struct Measure {
  std::string name;
  int64_t samplesPerIteration;  // 0: reported per call
  std::string limitName;        // empty: no limit kernel to compare with
};

// A goal: the ratio of `measured` to `against` (times per iteration) is at most `bound`.
struct Goal {
  std::string label;
  std::string measured;
  std::string against;
  double bound;
  std::string wanted;  // the goal in words
};

class SpeedReport : public benchmark::ConsoleReporter {
 public:
  void addMeasure(Measure measure) { measures_.push_back(std::move(measure)); }
  void addGoal(Goal goal) { goals_.push_back(std::move(goal)); }

  void ReportRuns(const std::vector<Run>& runs) override;
  // Prints both tables; answers whether every goal whose benchmarks ran was met.
  bool printSummary() const;

 private:
  bool hasMedian(const std::string& name) const;
  double medianNanoseconds(const std::string& name) const;  // per iteration
  void printCosts() const;
  bool printGoals() const;

  std::vector<Measure> measures_;
  std::vector<Goal> goals_;
  // By the name the benchmark was registered under: per iteration, one entry per repetition.
  std::map<std::string, std::vector<double>> nanoseconds_;
};

}  // namespace nalto::bench
