// One row of a module's pin table, and how it fills the host's description.
#pragma once

#include <cstdint>

#include "nalto/PinDescription.h"

namespace nalto {

struct PinRow {
  const char* name;
  int32_t direction;        // a PinDirection
  int32_t dataType;         // a PinDataType
  const char* defaultText;  // null: the description's field is left alone
  const char* listText;     // null: the description's field is left alone
};

// Writes the variable, direction, data type and name, and the texts the row has; nothing else,
// so a host's own values in the other fields stay as they were.
inline void describeFromRow(const PinRow& row, void* variable, PinDescription& description) {
  description.valueAddress = variable;
  description.direction = row.direction;
  description.dataType = row.dataType;
  description.name = row.name;
  if (row.defaultText != nullptr) description.defaultText = row.defaultText;
  if (row.listText != nullptr) description.listText = row.listText;
}

}  // namespace nalto
