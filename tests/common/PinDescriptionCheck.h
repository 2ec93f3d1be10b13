// A pin description checked field by field against what the module should write into the host's
// record, and against the host's own bytes in every field it should leave alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "nalto/PinDescription.h"

namespace test_common {

// The host's record filled with `fill` throughout, so that every field the module leaves alone
// shows.
inline PinDescription patterned(unsigned char fill) {
  PinDescription description;
  std::memset(&description, fill, sizeof description);
  return description;
}

struct DescribedPin {
  const char* name;
  int32_t direction;
  int32_t dataType;
  const char* defaultText;  // null: the field is not written
  const char* listText;     // null: the field is not written
};

// `untouched` is the record as the host filled it before asking.
inline void expectDescribedAs(const PinDescription& description, const PinDescription& untouched,
                              const DescribedPin& expected) {
  EXPECT_NE(description.valueAddress, nullptr);
  EXPECT_EQ(description.direction, expected.direction);
  EXPECT_EQ(description.dataType, expected.dataType);
  EXPECT_STREQ(description.name, expected.name);
  if (expected.defaultText != nullptr)
    EXPECT_STREQ(description.defaultText, expected.defaultText);
  else
    EXPECT_EQ(description.defaultText, untouched.defaultText);
  if (expected.listText != nullptr)
    EXPECT_STREQ(description.listText, expected.listText);
  else
    EXPECT_EQ(description.listText, untouched.listText);
  EXPECT_EQ(description.flags, untouched.flags);
  EXPECT_EQ(description.reserved, untouched.reserved);
}

}  // namespace test_common
