// The validation checks, each a function of the library's path and the seed, grouped by what
// they look at. A runner gives the results of one check, or of several checks that share one
// session; each runner runs on its own (in a process of its own when the validator runs it).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CheckResult.h"
#include "nalto/host/ModuleLibrary.h"

namespace nalto::modhost {

struct CheckContext {
  std::string path;
  uint32_t seed = 1;
};

using CheckRunner = std::vector<CheckResult> (*)(const CheckContext& context);

struct CheckDefinition {
  const char* id;
  const char* group;
  const char* title;
  CheckRunner run;  // may be shared by several checks
};

const std::vector<CheckDefinition>& allChecks();

// Shared by the checks: the described pin count, or empty (with `result` skipped) when the
// library cannot be loaded or made, or when describePin never answers false.
std::optional<int32_t> countDescribedPins(const host::ModuleLibrary& library, CheckResult& result);

// Defined in the check groups' files.
CheckResult checkLoad(const CheckContext&);
CheckResult checkExports(const CheckContext&);
CheckResult checkProperties(const CheckContext&);
CheckResult checkInfoTexts(const CheckContext&);
CheckResult checkMakeModule(const CheckContext&);

CheckResult checkDescribePinRange(const CheckContext&);
CheckResult checkDescribePinUntouched(const CheckContext&);
CheckResult checkDescribePinBounds(const CheckContext&);
CheckResult checkDescribePinStable(const CheckContext&);
CheckResult checkPinTable(const CheckContext&);

CheckResult checkInstancesSideBySide(const CheckContext&);
CheckResult checkLifecycleCycles(const CheckContext&);
CheckResult checkStopWithoutStart(const CheckContext&);
CheckResult checkOpcodes(const CheckContext&);

// output-writes, input-buffers, message-clocks, the real-time and the request checks, all from
// one run through every sample rate and block pattern.
std::vector<CheckResult> checkProcessingSession(const CheckContext&);

CheckResult checkHostileStreams(const CheckContext&);
CheckResult checkHostileLists(const CheckContext&);
CheckResult checkHostileMidi(const CheckContext&);
CheckResult checkHostileTime(const CheckContext&);
CheckResult checkHostileStatuses(const CheckContext&);

CheckResult checkDeterminism(const CheckContext&);

}  // namespace nalto::modhost
