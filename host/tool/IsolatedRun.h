// Runs one validation check in a child process, so that a module that crashes, aborts or never
// returns fails that check instead of taking the validator down with it.
#pragma once

#include <functional>
#include <string>

#include "CheckResult.h"

namespace nalto::modhost {

CheckResult runIsolated(const std::string& checkId, const std::function<CheckResult()>& check,
                        int timeoutSeconds);

}  // namespace nalto::modhost
