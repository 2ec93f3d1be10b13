#include "ListChoices.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <sstream>

namespace nalto::modhost {

namespace {

constexpr int32_t kMostRangeChoices = 65536;

std::string trimmed(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  return text.substr(first, last - first);
}

std::optional<int16_t> parseValue(const std::string& text) {
  const std::string number = trimmed(text);
  if (number.empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(number.c_str(), &end, 10);
  if (*end != '\0' || value < INT16_MIN || value > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(value);
}

std::vector<std::string> splitOnCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, ',')) parts.push_back(part);
  if (!text.empty() && text.back() == ',') parts.emplace_back();
  return parts;
}

std::optional<ListChoices> parseRange(const std::string& bounds, std::string& error) {
  const std::vector<std::string> parts = splitOnCommas(bounds);
  if (parts.size() != 2) {
    error = "a range needs two values separated by a comma";
    return std::nullopt;
  }
  const auto lowest = parseValue(parts[0]);
  const auto highest = parseValue(parts[1]);
  if (!lowest || !highest || *lowest > *highest) {
    error = "the range's bounds are not two ascending 16-bit numbers";
    return std::nullopt;
  }
  ListChoices list;
  list.isRange = true;
  list.lowest = *lowest;
  list.highest = *highest;
  if (*highest - *lowest < kMostRangeChoices)
    for (int32_t v = *lowest; v <= *highest; ++v)
      list.choices.push_back({std::to_string(v), static_cast<int16_t>(v)});
  return list;
}

std::optional<ListChoices> parseLabelled(const std::string& text, std::string& error) {
  ListChoices list;
  for (const std::string& part : splitOnCommas(text)) {
    const size_t equals = part.rfind('=');
    if (equals == std::string::npos) {
      error = "choice \"" + part + "\" has no \"=\"";
      return std::nullopt;
    }
    const auto value = parseValue(part.substr(equals + 1));
    if (!value) {
      error = "choice \"" + part + "\" has no 16-bit value";
      return std::nullopt;
    }
    list.choices.push_back({trimmed(part.substr(0, equals)), *value});
  }
  if (list.choices.empty()) error = "the list has no choices";
  if (list.choices.empty()) return std::nullopt;
  return list;
}

}  // namespace

std::string ListChoices::labelOf(int16_t value) const {
  for (const ListChoice& choice : choices)
    if (choice.value == value) return choice.label;
  if (isRange && value >= lowest && value <= highest) return std::to_string(value);
  return {};
}

std::optional<int16_t> ListChoices::valueOf(const std::string& labelOrNumber) const {
  for (const ListChoice& choice : choices)
    if (choice.label == labelOrNumber) return choice.value;
  const auto number = parseValue(labelOrNumber);
  if (number && !labelOf(*number).empty()) return number;
  return std::nullopt;
}

std::optional<ListChoices> parseListText(const char* text, std::string* error) {
  std::string reason;
  std::optional<ListChoices> list;
  const std::string rangePrefix = "range ";
  if (text == nullptr) {
    reason = "no list text";
  } else if (std::string(text).compare(0, rangePrefix.size(), rangePrefix) == 0) {
    list = parseRange(std::string(text).substr(rangePrefix.size()), reason);
  } else {
    list = parseLabelled(text, reason);
  }
  if (error != nullptr) *error = reason;
  return list;
}

}  // namespace nalto::modhost
