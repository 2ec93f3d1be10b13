#include "Validator.h"

#include <algorithm>
#include <sstream>

#include "Checks.h"
#include "IsolatedRun.h"

namespace nalto::modhost {

namespace {

const CheckDefinition* findCheck(const std::string& id) {
  for (const CheckDefinition& check : allChecks())
    if (id == check.id) return &check;
  return nullptr;
}

size_t checkOrder(const std::string& id) {
  const auto& checks = allChecks();
  for (size_t i = 0; i < checks.size(); ++i)
    if (id == checks[i].id) return i;
  return checks.size();
}

bool wanted(const CheckDefinition& check, const ValidationOptions& options) {
  return options.only.empty() ||
         std::find(options.only.begin(), options.only.end(), check.id) != options.only.end();
}

bool shown(const CheckResult& result, bool onlyFailed) {
  return !onlyFailed || result.outcome() == Outcome::Failed;
}

const char* outcomeMark(Outcome outcome) {
  switch (outcome) {
    case Outcome::Passed:
      return "PASS";
    case Outcome::Failed:
      return "FAIL";
    case Outcome::Skipped:
      return "SKIP";
  }
  return "?";
}

}  // namespace

bool ModuleReport::passed() const { return count(Outcome::Failed) == 0; }

int32_t ModuleReport::count(Outcome outcome) const {
  return static_cast<int32_t>(
      std::count_if(results.begin(), results.end(),
                    [&](const CheckResult& r) { return r.outcome() == outcome; }));
}

std::string unknownCheck(const std::vector<std::string>& ids) {
  for (const std::string& id : ids)
    if (findCheck(id) == nullptr) return id;
  return {};
}

ModuleReport validateModule(const std::string& path, const ValidationOptions& options) {
  ModuleReport report;
  report.path = path;
  report.seed = options.seed;
  const CheckContext context{path, options.seed};
  std::vector<CheckRunner> done;
  for (const CheckDefinition& check : allChecks()) {
    if (!wanted(check, options)) continue;
    if (std::find(done.begin(), done.end(), check.run) != done.end()) continue;
    done.push_back(check.run);
    std::vector<std::string> ids;
    for (const CheckDefinition& sharing : allChecks())
      if (sharing.run == check.run) ids.push_back(sharing.id);
    auto run = [&] { return check.run(context); };
    const std::vector<CheckResult> results =
        options.isolate ? runIsolated(ids, run, options.timeoutSeconds) : run();
    for (const CheckResult& result : results) {
      const CheckDefinition* definition = findCheck(result.id());
      if (definition != nullptr && wanted(*definition, options)) report.results.push_back(result);
    }
  }
  std::stable_sort(report.results.begin(), report.results.end(),
                   [](const CheckResult& a, const CheckResult& b) {
                     return checkOrder(a.id()) < checkOrder(b.id());
                   });
  return report;
}

std::string reportText(const std::vector<ModuleReport>& reports, bool onlyFailed) {
  std::ostringstream out;
  for (const ModuleReport& report : reports) {
    out << report.path << "  (seed " << report.seed << ")\n";
    for (const CheckResult& result : report.results) {
      if (!shown(result, onlyFailed)) continue;
      const CheckDefinition* check = findCheck(result.id());
      out << "  " << outcomeMark(result.outcome()) << "  " << result.id();
      out << std::string(result.id().size() < 24 ? 24 - result.id().size() : 1, ' ');
      out << (check ? check->title : "");
      if (!result.noteText().empty() && result.outcome() == Outcome::Passed)
        out << " (" << result.noteText() << ")";
      out << "\n";
      if (result.outcome() == Outcome::Passed) continue;
      for (const std::string& finding : result.findings()) out << "          - " << finding << "\n";
      const int64_t more = result.findingCount() - static_cast<int64_t>(result.findings().size());
      if (more > 0)
        out << "          - " << more << " more finding" << (more > 1 ? "s" : "") << "\n";
    }
    out << "  " << (report.passed() ? "valid" : "NOT VALID") << ": "
        << report.count(Outcome::Passed) << " of " << report.results.size() << " checks pass, "
        << report.count(Outcome::Failed) << " fail, " << report.count(Outcome::Skipped)
        << " skipped\n\n";
  }
  return out.str();
}

nlohmann::json reportJson(const std::vector<ModuleReport>& reports, bool onlyFailed) {
  nlohmann::json modules = nlohmann::json::array();
  for (const ModuleReport& report : reports) {
    nlohmann::json checks = nlohmann::json::array();
    for (const CheckResult& result : report.results) {
      if (!shown(result, onlyFailed)) continue;
      nlohmann::json entry = result.toJson();
      if (const CheckDefinition* check = findCheck(result.id())) {
        entry["group"] = check->group;
        entry["title"] = check->title;
      }
      checks.push_back(entry);
    }
    modules.push_back({{"library", report.path},
                       {"seed", report.seed},
                       {"passed", report.passed()},
                       {"counts",
                        {{"passed", report.count(Outcome::Passed)},
                         {"failed", report.count(Outcome::Failed)},
                         {"skipped", report.count(Outcome::Skipped)}}},
                       {"checks", checks}});
  }
  bool all =
      std::all_of(reports.begin(), reports.end(), [](const ModuleReport& r) { return r.passed(); });
  return {{"passed", all}, {"modules", modules}};
}

}  // namespace nalto::modhost
