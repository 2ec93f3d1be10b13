// The determinism check: two instances given the same inputs give the same outputs.
#include <cstdlib>

#include "Checks.h"
#include "Workout.h"

namespace nalto::modhost {

namespace {

constexpr int32_t kDeterminismBlocks = 200;

std::vector<uint64_t> tracedRun(const host::ModuleLibrary& library, const WorkbenchSetup& setup,
                                CallPattern pattern, CheckResult& result) {
  // The C runtime's generator is part of the inputs: modules may draw from it.
  std::srand(setup.seed);
  auto bench = startedWorkbench(library, setup, result);
  if (!bench) return {};
  runWorkout(*bench, kDeterminismBlocks, pattern);
  visitEveryChoice(*bench, pattern);
  return bench->trace();
}

}  // namespace

CheckResult checkDeterminism(const CheckContext& context) {
  CheckResult result("determinism");
  host::ModuleLibrary library(context.path);
  const struct {
    WorkbenchSetup setup;
    CallPattern pattern;
  } runs[] = {{{48000.0f, 64, context.seed}, CallPattern::RandomCounts},
              {{44100.0f, 1024, context.seed}, CallPattern::WholeBlock}};
  for (const auto& run : runs) {
    const auto first = tracedRun(library, run.setup, run.pattern, result);
    const auto second = tracedRun(library, run.setup, run.pattern, result);
    if (result.outcome() == Outcome::Skipped) return result;
    if (first == second) continue;
    size_t at = 0;
    while (at < first.size() && at < second.size() && first[at] == second[at]) ++at;
    result.fail(std::to_string(static_cast<int32_t>(run.setup.sampleRate)) + " Hz, block " +
                std::to_string(run.setup.blockLength) +
                ": a second instance given the same inputs differs after " + std::to_string(at) +
                " equal output samples and messages");
  }
  return result;
}

}  // namespace nalto::modhost
