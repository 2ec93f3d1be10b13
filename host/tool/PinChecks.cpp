// Checks of describePin and of the pin table it describes.
#include <cstdlib>
#include <cstring>

#include "Checks.h"
#include "ListChoices.h"
#include "ModuleSummary.h"
#include "nalto/DispatchOpcode.h"
#include "nalto/host/HostInstance.h"

namespace nalto::modhost {

namespace {

constexpr unsigned char kUnwritten = 0xA5;
constexpr size_t kGuardBytes = 64;
constexpr int32_t kPinsTriedWithoutCount = 64;
constexpr size_t kLongestPinName = 256;

// A PinDescription inside a larger block filled with a pattern.
struct GuardedDescription {
  unsigned char bytes[kGuardBytes + sizeof(PinDescription) + kGuardBytes];
  explicit GuardedDescription(unsigned char fill = kUnwritten) {
    std::memset(bytes, fill, sizeof bytes);
  }
  PinDescription* description() { return reinterpret_cast<PinDescription*>(bytes + kGuardBytes); }
  bool guardsIntact() const {
    for (size_t i = 0; i < kGuardBytes; ++i)
      if (bytes[i] != kUnwritten || bytes[sizeof bytes - 1 - i] != kUnwritten) return false;
    return true;
  }
  bool untouched() const {
    for (unsigned char b : bytes)
      if (b != kUnwritten) return false;
    return true;
  }
};

struct Described {
  host::ModuleLibrary library;
  host::HostInstance instance;
  explicit Described(const std::string& path) : library(path), instance(library, 1) {}
  int32_t ask(int32_t index, PinDescription* description) {
    return instance.dispatch(DispatchDescribePin, index, 0, description);
  }
  // Whether the instance was made; skips `result` when it was not.
  bool madeFor(CheckResult& result) {
    if (instance.made()) return true;
    result.skip("no instance can be made");
    return false;
  }
};

// Indexes every module must refuse, given the count of pins it describes.
std::vector<int32_t> refusedIndexes(int32_t count) {
  std::vector<int32_t> indexes = {-1, -2, -100, INT32_MIN, INT32_MIN + 1, INT32_MAX};
  for (int32_t above : {0, 1, 2, 100, 4096}) indexes.push_back(count + above);
  return indexes;
}

// The pins to look at: all described ones, or the first few when they cannot be counted.
int32_t pinsToTry(const std::optional<int32_t>& count) {
  return count ? *count : kPinsTriedWithoutCount;
}

std::string pinProblem(const PinDescription& description, bool last) {
  if (description.direction != DirectionIn && description.direction != DirectionOut)
    return "direction " + std::to_string(description.direction) + " is neither in nor out";
  const int32_t type = description.dataType;
  if (type != DataList && type != DataMidi && type != DataOneByte && type != DataStream &&
      type != DataFourByte)
    return "data type " + std::to_string(type) + " is not one of the interface's";
  if (description.name == nullptr) return "has no name";
  const size_t length = strnlen(description.name, kLongestPinName + 1);
  if (length > kLongestPinName) return "name has no end within 256 bytes";
  if ((description.flags & ~FlagAutoDuplicate) != 0)
    return "flags " + std::to_string(description.flags) + " hold bits the interface does not use";
  if ((description.flags & FlagAutoDuplicate) != 0 && !last)
    return "auto-duplicate is set on a pin that is not the last";
  if (description.defaultText != nullptr) {
    char* end = nullptr;
    std::strtod(description.defaultText, &end);
    if (end == description.defaultText || *end != '\0')
      return "default \"" + moduleText(description.defaultText) + "\" is not a decimal number";
  }
  if (type != DataList || description.direction != DirectionIn) return {};
  std::string error;
  const auto choices = parseListText(description.listText, &error);
  if (!choices) return "list text \"" + moduleText(description.listText) + "\": " + error;
  if (description.defaultText != nullptr && !choices->valueOf(description.defaultText))
    return "default \"" + moduleText(description.defaultText) + "\" is none of the list's values";
  return {};
}

}  // namespace

CheckResult checkDescribePinRange(const CheckContext& context) {
  CheckResult result("describe-pin-range");
  Described module(context.path);
  if (!module.madeFor(result)) return result;
  const int32_t count = module.instance.describedPinCount();
  for (int32_t index : refusedIndexes(count)) {
    PinDescription description{};
    if (module.ask(index, &description) != 0)
      result.fail("answers true for index " + std::to_string(index) + " (" + std::to_string(count) +
                  " pins described from 0 on)");
  }
  if (!result.failed()) result.note(std::to_string(count) + " pins");
  return result;
}

CheckResult checkDescribePinUntouched(const CheckContext& context) {
  CheckResult result("describe-pin-untouched");
  Described module(context.path);
  const auto count = countDescribedPins(module.library, result);
  if (!count) return result;
  for (int32_t index : refusedIndexes(*count)) {
    GuardedDescription guarded;
    if (module.ask(index, guarded.description()) == 0 && !guarded.untouched())
      result.fail("answers false for index " + std::to_string(index) +
                  " but writes into the description");
  }
  return result;
}

CheckResult checkDescribePinBounds(const CheckContext& context) {
  CheckResult result("describe-pin-bounds");
  Described module(context.path);
  CheckResult ignored;
  const auto count = countDescribedPins(module.library, ignored);
  if (!module.madeFor(result)) return result;
  for (int32_t index = 0; index < pinsToTry(count); ++index) {
    GuardedDescription guarded;
    module.ask(index, guarded.description());
    if (!guarded.guardsIntact())
      result.fail("pin " + std::to_string(index) + ": writes outside the 32-byte description");
  }
  return result;
}

CheckResult checkDescribePinStable(const CheckContext& context) {
  CheckResult result("describe-pin-stable");
  Described module(context.path);
  CheckResult ignored;
  const auto count = countDescribedPins(module.library, ignored);
  if (!module.madeFor(result)) return result;
  std::vector<int32_t> indexes = refusedIndexes(pinsToTry(count));
  for (int32_t index = 0; index < pinsToTry(count); ++index) indexes.push_back(index);
  for (int32_t index : indexes) {
    GuardedDescription first;
    GuardedDescription second;
    const int32_t firstAnswer = module.ask(index, first.description());
    const int32_t secondAnswer = module.ask(index, second.description());
    if (firstAnswer != secondAnswer || std::memcmp(first.bytes, second.bytes, sizeof first.bytes))
      result.fail("index " + std::to_string(index) + ": a second answer differs from the first");
  }
  return result;
}

CheckResult checkPinTable(const CheckContext& context) {
  CheckResult result("pin-table");
  Described module(context.path);
  const auto count = countDescribedPins(module.library, result);
  if (!count) return result;
  for (int32_t index = 0; index < *count; ++index) {
    PinDescription description{};
    module.ask(index, &description);
    const std::string problem = pinProblem(description, index == *count - 1);
    if (!problem.empty()) result.fail("pin " + std::to_string(index) + ": " + problem);
  }
  result.note(std::to_string(*count) + " pins");
  return result;
}

}  // namespace nalto::modhost
