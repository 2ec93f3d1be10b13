#include "Checks.h"

#include "nalto/host/HostInstance.h"

namespace nalto::modhost {

namespace {

template <CheckResult (*Check)(const CheckContext&)>
std::vector<CheckResult> alone(const CheckContext& context) {
  return {Check(context)};
}

// A module that describes this many pins is taken to describe every index.
constexpr int32_t kMostPinsCounted = 4096;
}  // namespace

const std::vector<CheckDefinition>& allChecks() {
  static const std::vector<CheckDefinition> checks = {
      {"load", "library", "loads, with getModuleProperties and makeModule found", alone<checkLoad>},
      {"exports", "library", "exports getModuleProperties and makeModule and nothing else",
       alone<checkExports>},
      {"properties", "library", "getModuleProperties for index 0 and 1", alone<checkProperties>},
      {"info-texts", "library", "name, identifier and about text are readable texts",
       alone<checkInfoTexts>},
      {"make-module", "library", "makeModule refuses wrong index and kind, fills the record",
       alone<checkMakeModule>},
      {"describe-pin-range", "pins", "describePin answers false past the last pin and below 0",
       alone<checkDescribePinRange>},
      {"describe-pin-untouched", "pins", "describePin writes nothing when it answers false",
       alone<checkDescribePinUntouched>},
      {"describe-pin-bounds", "pins", "describePin writes nothing outside the 32 bytes",
       alone<checkDescribePinBounds>},
      {"describe-pin-stable", "pins", "describePin gives the same answer when asked twice",
       alone<checkDescribePinStable>},
      {"pin-table", "pins", "pins have names, known types and readable list texts",
       alone<checkPinTable>},
      {"instances", "lifecycle", "many instances side by side", alone<checkInstancesSideBySide>},
      {"lifecycle-cycles", "lifecycle", "make, start, process, stop in cycles",
       alone<checkLifecycleCycles>},
      {"stop-without-start", "lifecycle", "stop without start", alone<checkStopWithoutStart>},
      {"opcodes", "lifecycle", "every opcode and event type, unknown ones included",
       alone<checkOpcodes>},
      {"output-writes", "processing", "no write outside offset..offset+count-1 of an output",
       checkProcessingSession},
      {"input-buffers", "processing", "no write to input buffers", checkProcessingSession},
      {"message-clocks", "processing", "MIDI and statuses stamped inside the call, in order",
       checkProcessingSession},
      {"hostile-streams", "hostile", "NaN, infinities, denormals, huge values on stream inputs",
       alone<checkHostileStreams>},
      {"hostile-lists", "hostile", "every list value from -32768 to 32767 on every list pin",
       alone<checkHostileLists>},
      {"hostile-midi", "hostile", "random MIDI messages", alone<checkHostileMidi>},
      {"hostile-time", "hostile", "odd tempos, song positions and transport flags",
       alone<checkHostileTime>},
      {"hostile-statuses", "hostile", "any pin status value on every pin",
       alone<checkHostileStatuses>},
      {"realtime-allocation", "real-time", "no heap allocation in process calls and events",
       checkProcessingSession},
      {"realtime-locks", "real-time", "no lock in process calls and events",
       checkProcessingSession},
      {"realtime-syscalls", "real-time", "no system call in process calls and events",
       checkProcessingSession},
      {"request-codes", "requests", "only the interface's request codes, with sound arguments",
       checkProcessingSession},
      {"requests-inside-calls", "requests", "no request outside a call into the instance",
       checkProcessingSession},
      {"determinism", "determinism", "two instances given the same inputs give the same outputs",
       alone<checkDeterminism>},
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
