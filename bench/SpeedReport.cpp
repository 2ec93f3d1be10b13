#include "SpeedReport.h"

#include <algorithm>
#include <cstdio>

namespace nalto::bench {

void SpeedReport::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
    const double seconds =
        run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    nanoseconds_[run.run_name.function_name].push_back(seconds * 1e9);
  }
}

bool SpeedReport::hasMedian(const std::string& name) const { return nanoseconds_.count(name) != 0; }

double SpeedReport::medianNanoseconds(const std::string& name) const {
  std::vector<double> times = nanoseconds_.at(name);
  std::sort(times.begin(), times.end());
  const size_t middle = times.size() / 2;
  return times.size() % 2 == 1 ? times[middle] : (times[middle - 1] + times[middle]) / 2.0;
}

bool SpeedReport::printSummary() const {
  printCosts();
  return printGoals();
}

void SpeedReport::printCosts() const {
  std::printf("\nCost per sample (median of the repetitions) and ratio to the limit kernel\n");
  std::printf("%-48s %12s %12s %8s\n", "benchmark", "ns/sample", "limit", "ratio");
  for (const Measure& measure : measures_) {
    if (!hasMedian(measure.name) || measure.samplesPerIteration == 0) continue;
    const double perSample = medianNanoseconds(measure.name) / measure.samplesPerIteration;
    if (measure.limitName.empty() || !hasMedian(measure.limitName)) {
      std::printf("%-48s %12.4f\n", measure.name.c_str(), perSample);
      continue;
    }
    const auto limit = std::find_if(measures_.begin(), measures_.end(),
                                    [&](const Measure& m) { return m.name == measure.limitName; });
    const double limitPerSample =
        medianNanoseconds(limit->name) / static_cast<double>(limit->samplesPerIteration);
    std::printf("%-48s %12.4f %12.4f %8.2f\n", measure.name.c_str(), perSample, limitPerSample,
                perSample / limitPerSample);
  }
  std::printf("\nCost per call (median of the repetitions)\n");
  for (const Measure& measure : measures_) {
    if (!hasMedian(measure.name) || measure.samplesPerIteration != 0) continue;
    std::printf("%-48s %12.2f ns\n", measure.name.c_str(), medianNanoseconds(measure.name));
  }
}

bool SpeedReport::printGoals() const {
  std::printf("\nGoals (ratios of medians from this run)\n");
  std::printf("%-64s %8s  %-36s %s\n", "measure", "ratio", "goal", "met");
  bool allMet = true;
  for (const Goal& goal : goals_) {
    if (!hasMedian(goal.measured) || !hasMedian(goal.against)) continue;
    const double ratio = medianNanoseconds(goal.measured) / medianNanoseconds(goal.against);
    const bool met = ratio <= goal.bound;
    allMet = allMet && met;
    std::printf("%-64s %8.3f  %-36s %s\n", goal.label.c_str(), ratio, goal.wanted.c_str(),
                met ? "yes" : "NO");
  }
  return allMet;
}

}  // namespace nalto::bench
