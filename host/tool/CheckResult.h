// The outcome of one validation check: passed, failed with findings, or skipped with a reason.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace nalto::modhost {

enum class Outcome { Passed, Failed, Skipped };

class CheckResult {
 public:
  static constexpr size_t kFindingsKept = 8;

  CheckResult() = default;
  explicit CheckResult(std::string id) : id_(std::move(id)) {}

  void fail(const std::string& finding);
  void skip(const std::string& reason);
  void note(const std::string& text) { note_ = text; }

  const std::string& id() const { return id_; }
  Outcome outcome() const { return outcome_; }
  bool failed() const { return outcome_ == Outcome::Failed; }
  const std::vector<std::string>& findings() const { return findings_; }
  int64_t findingCount() const { return findingCount_; }
  const std::string& noteText() const { return note_; }

  nlohmann::json toJson() const;
  static CheckResult fromJson(const nlohmann::json& json);

 private:
  std::string id_;
  Outcome outcome_ = Outcome::Passed;
  std::vector<std::string> findings_;  // the first kFindingsKept
  int64_t findingCount_ = 0;           // all of them
  std::string note_;
};

const char* outcomeName(Outcome outcome);

}  // namespace nalto::modhost
