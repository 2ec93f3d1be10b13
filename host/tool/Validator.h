// Runs every validation check on a module library and reports the outcome.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CheckResult.h"

namespace nalto::modhost {

struct ValidationOptions {
  uint32_t seed = 1;
  int timeoutSeconds = 120;       // per check
  bool isolate = true;            // each check in a process of its own
  std::vector<std::string> only;  // check ids to run; all when empty
};

struct ModuleReport {
  std::string path;
  uint32_t seed = 0;
  std::vector<CheckResult> results;

  bool passed() const;
  int32_t count(Outcome outcome) const;
};

// Empty when every id names a check; else the first unknown one.
std::string unknownCheck(const std::vector<std::string>& ids);

ModuleReport validateModule(const std::string& path, const ValidationOptions& options);

std::string reportText(const std::vector<ModuleReport>& reports, bool onlyFailed);
nlohmann::json reportJson(const std::vector<ModuleReport>& reports, bool onlyFailed);

}  // namespace nalto::modhost
