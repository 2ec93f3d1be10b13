// Checks of process calls and events at every sample rate and block pattern, all read from one
// session: where outputs are written, that inputs stay untouched, the clocks of what the module
// sends, what it does on the real-time path, and which requests it makes and when.
#include <set>

#include "Checks.h"
#include "RealtimeWatch.h"
#include "Workout.h"
#include "nalto/HostRequest.h"

namespace nalto::modhost {

namespace {

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
  const std::string label = "pin " + std::to_string(pin.index) + " \"" + pin.name + "\"";
  if (request.request == HostSendMidi && (!pin.isMidi() || pin.isInput()))
    return "sends MIDI on " + label + ", which is no MIDI output";
  if (request.request == HostSetPinStatus && pin.isInput())
    return "sets the status of input " + label;
  if (request.request == HostSetPinStatus && request.value < 0)
    return "sends status " + std::to_string(request.value) + " for " + label;
  return {};
}

void inspectRequests(const Workbench& bench, CheckResult& codes, CheckResult& inside) {
  for (const host::LoggedRequest& request : bench.host().requests()) {
    const std::string subject = "request " + std::to_string(request.request);
    if (!request.insideCall) inside.fail(subject + " was sent outside any call into the instance");
    if (!isInterfaceRequest(request.request)) {
      codes.fail(subject + " is not one of the interface's requests");
      continue;
    }
    const std::string problem = argumentProblem(request, bench);
    if (!problem.empty()) codes.fail(subject + ": " + problem);
  }
}

void reportMisuse(const NaltoMisuse& misuse, NaltoMisuseKind kind, const char* what,
                  CheckResult& result) {
  if (misuse.count[kind] == 0) return;
  result.fail(std::to_string(misuse.count[kind]) + " calls of " + what +
              " inside process calls and events, the first to " + misuse.first[kind] + "()");
}

}  // namespace

std::vector<CheckResult> checkProcessingSession(const CheckContext& context) {
  CheckResult outputs("output-writes");
  CheckResult inputs("input-buffers");
  CheckResult clocks("message-clocks");
  CheckResult codes("request-codes");
  CheckResult inside("requests-inside-calls");
  CheckResult allocation("realtime-allocation");
  CheckResult locks("realtime-locks");
  CheckResult systemCalls("realtime-syscalls");

  host::ModuleLibrary library(context.path);
  CheckResult skipped;
  naltoResetRealtimeMisuse();
  runProcessingMatrix(library, context.seed, skipped, [&](const Workbench& bench) {
    reportBreaches(bench, outputs, {Breach::OutputWrite});
    reportBreaches(bench, inputs, {Breach::InputWrite});
    reportBreaches(bench, clocks, {Breach::MessageClock});
    inspectRequests(bench, codes, inside);
  });
  const NaltoMisuse misuse = naltoRealtimeMisuse();
  reportMisuse(misuse, NaltoMisuseAllocation, "heap allocation functions", allocation);
  reportMisuse(misuse, NaltoMisuseLock, "lock functions", locks);
  reportMisuse(misuse, NaltoMisuseSystemCall, "system call functions", systemCalls);

  std::vector<CheckResult> results = {outputs, inputs,     clocks, codes,
                                      inside,  allocation, locks,  systemCalls};
  for (CheckResult& result : results) {
    if (skipped.outcome() == Outcome::Skipped) result.skip(skipped.findings().front());
    if (result.outcome() == Outcome::Passed)
      result.note("44100, 48000 and 96000 Hz; blocks of 1, 64, 1024 and random counts");
  }
  return results;
}

}  // namespace nalto::modhost
