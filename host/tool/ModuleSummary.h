// What a module library tells about itself: its information record and its pin table, read
// through the two exports as a host reads them.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "ListChoices.h"
#include "nalto/PinDescription.h"

namespace nalto::modhost {

struct PinSummary {
  int32_t index = 0;
  std::string name;
  int32_t direction = 0;
  int32_t dataType = 0;
  std::optional<std::string> defaultText;
  std::optional<std::string> listText;
  std::optional<ListChoices> choices;  // list pins with a readable list text
  int32_t flags = 0;

  bool isInput() const { return direction == 0; }
  bool isStream() const;
  bool isMidi() const;
  bool isList() const;
};

struct ModuleSummary {
  std::string path;
  std::string name;
  std::string identifier;
  std::string aboutText;
  int32_t sdkVersion = 0;
  std::vector<PinSummary> pins;

  // The pin with that name (or index) and direction; when several share the name, the one of
  // `dataType` if given.
  const PinSummary* findPin(const std::string& nameOrIndex, bool input,
                            std::optional<int32_t> dataType = std::nullopt) const;
};

PinSummary summarizePin(int32_t index, const PinDescription& description);

// Copies a module text, at most `limit` bytes; "" for null.
std::string moduleText(const char* text, size_t limit = 65536);
const char* dataTypeName(int32_t dataType);
const char* directionName(int32_t direction);

// Loads the library and reads it; empty with `error` set when it cannot be loaded or made.
std::optional<ModuleSummary> readModuleSummary(const std::string& path, std::string& error);

std::string summaryText(const ModuleSummary& summary);
nlohmann::json summaryJson(const ModuleSummary& summary);

}  // namespace nalto::modhost
