#include "Checks.h"

#include "nalto/host/HostInstance.h"

namespace nalto::modhost {

namespace {
// A module that describes this many pins is taken to describe every index.
constexpr int32_t kMostPinsCounted = 4096;
}  // namespace

const std::vector<CheckDefinition>& allChecks() {
  static const std::vector<CheckDefinition> checks = {
      {"load", "library", "loads, with getModuleProperties and makeModule found", checkLoad},
      {"exports", "library", "exports getModuleProperties and makeModule and nothing else",
       checkExports},
      {"properties", "library", "getModuleProperties for index 0 and 1", checkProperties},
      {"info-texts", "library", "name, identifier and about text are readable texts",
       checkInfoTexts},
      {"make-module", "library", "makeModule refuses wrong index and kind, fills the record",
       checkMakeModule},
      {"describe-pin-range", "pins", "describePin answers false past the last pin and below 0",
       checkDescribePinRange},
      {"describe-pin-untouched", "pins", "describePin writes nothing when it answers false",
       checkDescribePinUntouched},
      {"describe-pin-bounds", "pins", "describePin writes nothing outside the 32 bytes",
       checkDescribePinBounds},
      {"describe-pin-stable", "pins", "describePin gives the same answer when asked twice",
       checkDescribePinStable},
      {"pin-table", "pins", "pins have names, known types and readable list texts", checkPinTable},
      {"instances", "lifecycle", "many instances side by side", checkInstancesSideBySide},
      {"lifecycle-cycles", "lifecycle", "make, start, process, stop in cycles",
       checkLifecycleCycles},
      {"stop-without-start", "lifecycle", "stop without start", checkStopWithoutStart},
      {"opcodes", "lifecycle", "every opcode and event type, unknown ones included", checkOpcodes},
      {"output-writes", "processing", "no write outside offset..offset+count-1 of an output",
       checkOutputWrites},
      {"input-buffers", "processing", "no write to input buffers", checkInputBuffers},
      {"message-clocks", "processing", "MIDI and statuses stamped inside the call, in order",
       checkMessageClocks},
      {"hostile-streams", "hostile", "NaN, infinities, denormals, huge values on stream inputs",
       checkHostileStreams},
      {"hostile-lists", "hostile", "every list value from -32768 to 32767 on every list pin",
       checkHostileLists},
      {"hostile-midi", "hostile", "random MIDI messages", checkHostileMidi},
      {"hostile-time", "hostile", "odd tempos, song positions and transport flags",
       checkHostileTime},
      {"hostile-statuses", "hostile", "any pin status value on every pin", checkHostileStatuses},
      {"realtime-allocation", "real-time", "no heap allocation in process calls and events",
       checkRealtimeAllocation},
      {"realtime-locks", "real-time", "no lock in process calls and events", checkRealtimeLocks},
      {"realtime-syscalls", "real-time", "no system call in process calls and events",
       checkRealtimeSystemCalls},
      {"request-codes", "requests", "only the interface's request codes, with sound arguments",
       checkRequestCodes},
      {"requests-inside-calls", "requests", "no request outside a call into the instance",
       checkRequestsInsideCalls},
      {"determinism", "determinism", "two instances given the same inputs give the same outputs",
       checkDeterminism},
  };
  return checks;
}

std::optional<int32_t> countDescribedPins(const host::ModuleLibrary& library, CheckResult& result) {
  if (!library.loaded()) {
    result.skip("the library does not load");
    return std::nullopt;
  }
  host::HostInstance instance(library, 1);
  if (!instance.made()) {
    result.skip("makeModule answers null");
    return std::nullopt;
  }
  if (instance.describedPinCount() >= kMostPinsCounted) {
    result.skip("describePin never answers false, so the pins cannot be counted");
    return std::nullopt;
  }
  return instance.describedPinCount();
}

}  // namespace nalto::modhost
