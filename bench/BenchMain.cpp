// Runs every benchmark, then prints each routine's cost per sample against its limit kernel and
// the speed goals against the ratios measured in this run. Google Benchmark's own options apply
// (--benchmark_repetitions, --benchmark_filter, ...).
#include <benchmark/benchmark.h>

#include "Benchmarks.h"

namespace nalto::bench {

std::string blockName(const char* module, const char* routine, int32_t block) {
  return std::string(module) + "/" + routine + "/block:" + std::to_string(block);
}

std::string edgeName(const char* module, const char* routine, int32_t block, int32_t edge) {
  return blockName(module, routine, block) + "/edge:" + std::to_string(edge);
}

}  // namespace nalto::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  nalto::bench::SpeedReport report;
  nalto::bench::registerStepgate(report);
  nalto::bench::registerArpline(report);
  nalto::bench::registerPacer(report);
  benchmark::RunSpecifiedBenchmarks(&report);
  const bool met = report.printSummary();
  benchmark::Shutdown();
  return met ? 0 : 2;
}
