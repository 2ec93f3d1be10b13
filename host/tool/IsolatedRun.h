// Runs validation checks in a child process, so that a module that crashes, aborts or never
// returns fails those checks instead of taking the validator down with it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CheckResult.h"

namespace nalto::modhost {

// `checks` gives the results of the checks named `ids`; when its process ends without them, each
// of those checks fails with the reason.
std::vector<CheckResult> runIsolated(const std::vector<std::string>& ids,
                                     const std::function<std::vector<CheckResult>()>& checks,
                                     int timeoutSeconds);

}  // namespace nalto::modhost
