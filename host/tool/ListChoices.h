// The choices of a list pin, read from either form of its list text: "Off=0,On=1" (a label and
// a value per choice) or "range 1,16" (every value from the lowest to the highest).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nalto::modhost {

struct ListChoice {
  std::string label;
  int16_t value;
};

struct ListChoices {
  std::vector<ListChoice> choices;  // in the order the text gives them
  bool isRange = false;
  int16_t lowest = 0;  // for a range
  int16_t highest = 0;

  // The label of a value: its choice's label, the number itself for a range, or empty.
  std::string labelOf(int16_t value) const;
  // The value of a label or of a decimal number that is one of the choices.
  std::optional<int16_t> valueOf(const std::string& labelOrNumber) const;
};

// Empty when the text is null, malformed, or names a value outside 16 bits; `error` says why.
std::optional<ListChoices> parseListText(const char* text, std::string* error = nullptr);

}  // namespace nalto::modhost
