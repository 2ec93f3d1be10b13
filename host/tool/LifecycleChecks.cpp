// Checks of an instance's life: many at once, repeated cycles, stop without start, opcodes.
#include <vector>

#include "Checks.h"
#include "Workout.h"
#include "nalto/DispatchOpcode.h"

namespace nalto::modhost {

namespace {

constexpr int32_t kInstancesSideBySide = 16;
constexpr int32_t kRoundsSideBySide = 40;
constexpr int32_t kCycles = 20;
constexpr int32_t kBlocksPerCycle = 8;
constexpr int32_t kScratchBytes = 4096;

std::vector<int32_t> unknownOpcodes() {
  std::vector<int32_t> opcodes = {-1, -2, -100, INT32_MIN, INT32_MAX};
  for (int32_t opcode = 4; opcode <= 64; ++opcode)
    if (opcode != DispatchDescribePin && opcode != DispatchWake && opcode != DispatchNotice)
      opcodes.push_back(opcode);
  return opcodes;
}

// Every opcode but start and stop, with harmless arguments; answers other than the interface's
// are findings.
void tryOpcodes(Workbench& bench, const std::string& when, CheckResult& result) {
  std::vector<unsigned char> scratch(kScratchBytes, 0);
  auto& host = bench.host();
  const int32_t rate = host.dispatch(DispatchSetSampleRate, 0, 0, nullptr, 48000.0f);
  const int32_t block = host.dispatch(DispatchSetBlockSize, 0, 64);
  const int32_t wake = host.dispatch(DispatchWake);
  const int32_t notice = host.dispatch(DispatchNotice, 1, 2, scratch.data());
  const struct {
    const char* name;
    int32_t answer;
  } known[] = {{"DispatchSetSampleRate", rate},
               {"DispatchSetBlockSize", block},
               {"DispatchWake", wake},
               {"DispatchNotice", notice}};
  for (const auto& opcode : known)
    if (opcode.answer != 0)
      result.fail(when + ": " + opcode.name + " answers " + std::to_string(opcode.answer));
  for (int32_t opcode : unknownOpcodes()) {
    const int32_t answer = host.dispatch(opcode, 0, 0, scratch.data(), 0.0f);
    if (answer != 0)
      result.fail(when + ": unknown opcode " + std::to_string(opcode) + " answers " +
                  std::to_string(answer) + ", not 0");
  }
}

void tryUnknownEvents(Workbench& bench) {
  for (int32_t type : {1, 3, 4, 5, 20, 22, 100, -1, INT32_MAX}) {
    HostEvent event{};
    event.clock = 0;
    event.type = type;
    event.value = 0x7F3C90;
    event.argument = 0x5A5A5A5A;
    bench.host().sendEvent(event);
  }
}

}  // namespace

CheckResult checkInstancesSideBySide(const CheckContext& context) {
  CheckResult result("instances");
  host::ModuleLibrary library(context.path);
  std::vector<std::unique_ptr<Workbench>> benches;
  for (int32_t i = 0; i < kInstancesSideBySide; ++i) {
    benches.push_back(startedWorkbench(library, {48000.0f, 64, context.seed + i}, result));
    if (!benches.back()) return result;
  }
  for (int32_t round = 0; round < kRoundsSideBySide; ++round) {
    for (auto& bench : benches) {
      bench->stir();
      bench->runBlock(CallPattern::RandomCounts);
    }
  }
  summarizeBreaches(benches, result);
  result.note(std::to_string(kInstancesSideBySide) + " instances");
  return result;
}

CheckResult checkLifecycleCycles(const CheckContext& context) {
  CheckResult result("lifecycle-cycles");
  host::ModuleLibrary library(context.path);
  const float rates[] = {44100.0f, 48000.0f, 96000.0f};
  std::vector<std::unique_ptr<Workbench>> stopped;
  for (int32_t cycle = 0; cycle < kCycles; ++cycle) {
    auto bench = startedWorkbench(library, {rates[cycle % 3], 64, context.seed + cycle}, result);
    if (!bench) return result;
    runWorkout(*bench, kBlocksPerCycle, CallPattern::RandomCounts);
    const int32_t answer = bench->host().dispatch(DispatchStop);
    if (answer != 1) result.fail("DispatchStop answers " + std::to_string(answer) + ", not 1");
    stopped.push_back(std::move(bench));
  }
  summarizeBreaches(stopped, result);
  result.note(std::to_string(kCycles) + " cycles");
  return result;
}

CheckResult checkStopWithoutStart(const CheckContext& context) {
  CheckResult result("stop-without-start");
  host::ModuleLibrary library(context.path);
  if (!countDescribedPins(library, result)) return result;
  for (int32_t round = 0; round < 4; ++round) {
    host::HostInstance instance(library, 64);
    if (round % 2 == 1) instance.setSampleRate(96000.0f);
    const int32_t answer = instance.dispatch(DispatchStop);
    if (answer != 1) result.fail("DispatchStop without start answers " + std::to_string(answer));
  }
  return result;
}

CheckResult checkOpcodes(const CheckContext& context) {
  CheckResult result("opcodes");
  host::ModuleLibrary library(context.path);
  if (!countDescribedPins(library, result)) return result;
  Workbench bench(library, {48000.0f, 64, context.seed});
  tryOpcodes(bench, "before start", result);
  bench.start();
  tryOpcodes(bench, "after start", result);
  tryUnknownEvents(bench);
  runWorkout(bench, 16, CallPattern::RandomCounts);
  tryUnknownEvents(bench);
  tryOpcodes(bench, "after processing", result);
  runWorkout(bench, 16, CallPattern::WholeBlock);
  const int32_t answer = bench.host().dispatch(DispatchStop);
  if (answer != 1) result.fail("DispatchStop answers " + std::to_string(answer) + ", not 1");
  return result;
}

}  // namespace nalto::modhost
