#include "CheckResult.h"

namespace nalto::modhost {

void CheckResult::fail(const std::string& finding) {
  outcome_ = Outcome::Failed;
  ++findingCount_;
  if (findings_.size() < kFindingsKept) findings_.push_back(finding);
}

void CheckResult::skip(const std::string& reason) {
  if (outcome_ == Outcome::Failed) return;
  outcome_ = Outcome::Skipped;
  findings_ = {reason};
  findingCount_ = 1;
}

const char* outcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Passed:
      return "passed";
    case Outcome::Failed:
      return "failed";
    case Outcome::Skipped:
      return "skipped";
  }
  return "?";
}

nlohmann::json CheckResult::toJson() const {
  nlohmann::json json = {{"id", id_},
                         {"outcome", outcomeName(outcome_)},
                         {"findings", findings_},
                         {"findingCount", findingCount_}};
  if (!note_.empty()) json["note"] = note_;
  return json;
}

CheckResult CheckResult::fromJson(const nlohmann::json& json) {
  CheckResult result(json.at("id").get<std::string>());
  const std::string outcome = json.at("outcome").get<std::string>();
  result.outcome_ = outcome == "failed"    ? Outcome::Failed
                    : outcome == "skipped" ? Outcome::Skipped
                                           : Outcome::Passed;
  result.findings_ = json.at("findings").get<std::vector<std::string>>();
  result.findingCount_ = json.at("findingCount").get<int64_t>();
  result.note_ = json.value("note", "");
  return result;
}

}  // namespace nalto::modhost
