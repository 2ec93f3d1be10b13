#include "ModuleSummary.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "nalto/host/HostInstance.h"
#include "nalto/host/ModuleLibrary.h"

namespace nalto::modhost {

namespace {

constexpr int32_t kSummaryBufferLength = 16;

}  // namespace

PinSummary summarizePin(int32_t index, const PinDescription& description) {
  PinSummary pin;
  pin.index = index;
  pin.name = moduleText(description.name);
  pin.direction = description.direction;
  pin.dataType = description.dataType;
  pin.flags = description.flags;
  if (description.defaultText != nullptr) pin.defaultText = moduleText(description.defaultText);
  if (description.listText != nullptr) pin.listText = moduleText(description.listText);
  if (pin.isList()) pin.choices = parseListText(description.listText);
  return pin;
}

namespace {

std::string choicesText(const PinSummary& pin) {
  if (!pin.choices) return pin.listText ? "(unreadable: " + *pin.listText + ")" : "";
  if (pin.choices->isRange)
    return std::to_string(pin.choices->lowest) + " to " + std::to_string(pin.choices->highest);
  std::string text;
  for (const ListChoice& choice : pin.choices->choices) {
    if (!text.empty()) text += ", ";
    text += choice.label + "=" + std::to_string(choice.value);
  }
  return text;
}

std::string defaultCell(const PinSummary& pin) {
  if (!pin.defaultText) return "";
  std::string cell = *pin.defaultText;
  if (pin.choices && !pin.choices->isRange) {
    const auto value = pin.choices->valueOf(cell);
    if (value) cell += " (" + pin.choices->labelOf(*value) + ")";
  }
  return cell;
}

std::string padded(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string indentedLines(const std::string& text, const std::string& indent) {
  std::string result;
  std::istringstream lines(text);
  std::string line;
  bool first = true;
  while (std::getline(lines, line)) {
    result += (first ? "" : "\n" + indent) + line;
    first = false;
  }
  return result;
}

}  // namespace

bool PinSummary::isStream() const { return dataType == DataStream; }
bool PinSummary::isMidi() const { return dataType == DataMidi; }
bool PinSummary::isList() const { return dataType == DataList; }

const PinSummary* ModuleSummary::findPin(const std::string& nameOrIndex, bool input,
                                         std::optional<int32_t> dataType) const {
  for (const PinSummary& pin : pins)
    if (pin.name == nameOrIndex && pin.isInput() == input &&
        (!dataType || pin.dataType == *dataType))
      return &pin;
  for (const PinSummary& pin : pins)
    if (pin.name == nameOrIndex && pin.isInput() == input) return &pin;
  for (const PinSummary& pin : pins)
    if (std::to_string(pin.index) == nameOrIndex) return &pin;
  return nullptr;
}

std::string moduleText(const char* text, size_t limit) {
  if (text == nullptr) return {};
  return std::string(text, strnlen(text, limit));
}

const char* dataTypeName(int32_t dataType) {
  switch (dataType) {
    case DataList:
      return "list";
    case DataMidi:
      return "MIDI";
    case DataOneByte:
      return "one byte";
    case DataStream:
      return "stream";
    case DataFourByte:
      return "four bytes";
    default:
      return "unknown";
  }
}

const char* directionName(int32_t direction) {
  return direction == DirectionIn ? "in" : direction == DirectionOut ? "out" : "?";
}

std::optional<ModuleSummary> readModuleSummary(const std::string& path, std::string& error) {
  host::ModuleLibrary library(path);
  if (!library.loaded()) {
    error = "cannot load " + path + ": " + library.error();
    return std::nullopt;
  }
  ModuleInfoRecord info{};
  if (!library.moduleInfo(info)) {
    error = path + ": getModuleProperties answers 0 for index 0";
    return std::nullopt;
  }
  ModuleSummary summary;
  summary.path = path;
  summary.name = moduleText(info.name);
  summary.identifier = moduleText(info.identifier);
  summary.aboutText = moduleText(info.aboutText);
  summary.sdkVersion = info.sdkVersion;
  host::HostInstance instance(library, kSummaryBufferLength);
  if (!instance.made()) {
    error = path + ": makeModule answers null";
    return std::nullopt;
  }
  for (int32_t i = 0; i < instance.describedPinCount(); ++i)
    summary.pins.push_back(summarizePin(i, instance.pin(i).description));
  return summary;
}

std::string summaryText(const ModuleSummary& summary) {
  std::ostringstream out;
  const std::string indent(14, ' ');
  out << summary.name << "\n";
  out << "  identifier  " << summary.identifier << "\n";
  out << "  about       " << indentedLines(summary.aboutText, indent) << "\n";
  out << "  sdk version " << summary.sdkVersion << "\n";
  out << "  library     " << summary.path << "\n\n";

  size_t nameWidth = 4;
  size_t defaultWidth = 7;
  for (const PinSummary& pin : summary.pins) {
    nameWidth = std::max(nameWidth, pin.name.size() + 2);
    defaultWidth = std::max(defaultWidth, defaultCell(pin).size());
  }
  out << "  pin  " << padded("name", nameWidth) << "  dir  " << padded("type", 8) << "  "
      << padded("default", defaultWidth) << "  choices\n";
  for (const PinSummary& pin : summary.pins) {
    const std::string index = std::to_string(pin.index);
    std::string row = "  " + std::string(3 - std::min<size_t>(3, index.size()), ' ') + index +
                      "  " + padded("\"" + pin.name + "\"", nameWidth) + "  " +
                      padded(directionName(pin.direction), 3) + "  " +
                      padded(dataTypeName(pin.dataType), 8) + "  " +
                      padded(defaultCell(pin), defaultWidth) + "  " + choicesText(pin);
    row.erase(row.find_last_not_of(' ') + 1);
    out << row << "\n";
  }
  return out.str();
}

nlohmann::json summaryJson(const ModuleSummary& summary) {
  nlohmann::json pins = nlohmann::json::array();
  for (const PinSummary& pin : summary.pins) {
    nlohmann::json entry = {{"index", pin.index},
                            {"name", pin.name},
                            {"direction", directionName(pin.direction)},
                            {"dataType", dataTypeName(pin.dataType)},
                            {"dataTypeCode", pin.dataType},
                            {"flags", pin.flags}};
    entry["default"] = pin.defaultText ? nlohmann::json(*pin.defaultText) : nlohmann::json();
    if (pin.listText) entry["listText"] = *pin.listText;
    if (pin.choices) {
      nlohmann::json choices = nlohmann::json::array();
      for (const ListChoice& choice : pin.choices->choices)
        choices.push_back({{"label", choice.label}, {"value", choice.value}});
      entry["choices"] = choices;
      if (pin.choices->isRange)
        entry["range"] = {{"lowest", pin.choices->lowest}, {"highest", pin.choices->highest}};
    }
    pins.push_back(entry);
  }
  return {{"library", summary.path},          {"name", summary.name},
          {"identifier", summary.identifier}, {"about", summary.aboutText},
          {"sdkVersion", summary.sdkVersion}, {"pins", pins}};
}

}  // namespace nalto::modhost
