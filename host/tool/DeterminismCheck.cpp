// Checks of how a module behaves towards the host: nothing forbidden on the real-time path,
// only the interface's requests and only inside calls, and the same outputs for the same inputs.
#include <cstdlib>
#include <set>

#include "Checks.h"
#include "RealtimeWatch.h"
#include "Workout.h"
#include "nalto/HostRequest.h"

namespace nalto::modhost {

namespace {

constexpr int32_t kDeterminismBlocks = 200;

CheckResult realtimeCheck(const char* id, const CheckContext& context, NaltoMisuseKind kind,
                          const char* what) {
  CheckResult result(id);
  host::ModuleLibrary library(context.path);
  naltoResetRealtimeMisuse();
  runProcessingMatrix(library, context.seed, result, [](const Workbench&) {});
  const NaltoMisuse misuse = naltoRealtimeMisuse();
  if (misuse.count[kind] > 0)
    result.fail(std::to_string(misuse.count[kind]) + " calls of " + what +
                " inside process calls and events, the first to " + misuse.first[kind]);
  return result;
}

bool isInterfaceRequest(int32_t code) {
  static const std::set<int32_t> codes = {
      HostSetPinStatus,       HostGetSampleClock,       HostSendMidi, HostGetPinBuffer,
      HostGetBlockStartClock, HostGetTimeInfo,          HostGoIdle,   HostStartupQuery,
      HostGetPinCount,        HostProcessRoutineChanged};
  return codes.count(code) != 0;
}

// Empty when the request's arguments are sound for the pins the workbench has.
std::string argumentProblem(const host::LoggedRequest& request, const Workbench& bench) {
  if (request.opt != 0.0f) return "opt is not 0";
  const bool namesPin = request.request == HostSetPinStatus || request.request == HostSendMidi ||
                        request.request == HostGetPinBuffer ||
                        request.request == HostGetBlockStartClock;
  if (!namesPin) return {};
  if (request.index < 0 || request.index >= static_cast<int32_t>(bench.pins().size()))
    return "names pin " + std::to_string(request.index) + ", which the module does not have";
  const PinSummary& pin = bench.pins()[static_cast<size_t>(request.index)];
  if (request.request == HostSendMidi && (!pin.isMidi() || pin.isInput()))
    return "sends MIDI on pin " + std::to_string(pin.index) + " \"" + pin.name +
           "\", which is no MIDI output";
  if (request.request == HostSetPinStatus && pin.isInput())
    return "sets the status of input pin " + std::to_string(pin.index) + " \"" + pin.name + "\"";
  if (request.request == HostSetPinStatus && request.value < 0)
    return "sends status " + std::to_string(request.value);
  return {};
}

void inspectRequests(const Workbench& bench, CheckResult& result, bool codes) {
  for (const host::LoggedRequest& request : bench.host().requests()) {
    const std::string subject = "request " + std::to_string(request.request);
    if (!codes && !request.insideCall)
      result.fail(subject + " was sent outside any call into the instance");
    if (!codes) continue;
    if (!isInterfaceRequest(request.request)) {
      result.fail(subject + " is not one of the interface's requests");
      continue;
    }
    const std::string problem = argumentProblem(request, bench);
    if (!problem.empty()) result.fail(subject + ": " + problem);
  }
}

CheckResult requestCheck(const char* id, const CheckContext& context, bool codes) {
  CheckResult result(id);
  host::ModuleLibrary library(context.path);
  runProcessingMatrix(library, context.seed, result,
                      [&](const Workbench& bench) { inspectRequests(bench, result, codes); });
  return result;
}

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

CheckResult checkRealtimeAllocation(const CheckContext& context) {
  return realtimeCheck("realtime-allocation", context, NaltoMisuseAllocation,
                       "heap allocation functions");
}

CheckResult checkRealtimeLocks(const CheckContext& context) {
  return realtimeCheck("realtime-locks", context, NaltoMisuseLock, "lock functions");
}

CheckResult checkRealtimeSystemCalls(const CheckContext& context) {
  return realtimeCheck("realtime-syscalls", context, NaltoMisuseSystemCall,
                       "system call functions");
}

CheckResult checkRequestCodes(const CheckContext& context) {
  return requestCheck("request-codes", context, true);
}

CheckResult checkRequestsInsideCalls(const CheckContext& context) {
  return requestCheck("requests-inside-calls", context, false);
}

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
