#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>

#include "StepGateHost.h"
#include "common/PinDescriptionCheck.h"
#include "nalto/DispatchOpcode.h"

namespace stepgate_test {
namespace {

struct ExpectedPin {
  std::string name;
  int32_t direction;
  int32_t dataType;
  const char* defaultText;  // null: the field is not written
  const char* listText;     // null: the field is not written
};

ExpectedPin expectedPin(int32_t index) {
  if (index == Input) return {"Input", DirectionIn, DataStream, "0", nullptr};
  if (index == StepCount) return {"Reset", DirectionIn, DataList, "16", "range 1,16"};
  if (index == ResetInput) return {"Reset", DirectionIn, DataStream, "10", nullptr};
  if (index == Output) return {"Output", DirectionOut, DataStream, nullptr, nullptr};
  if (index == Stair) return {"Pin vc", DirectionOut, DataStream, nullptr, nullptr};
  return {std::to_string(index - 1), DirectionIn, DataStream, "10", nullptr};
}

PinDescription patterned() { return test_common::patterned(0xCD); }

class StepGatePins : public ::testing::Test {
 protected:
  StepGatePins() : host(stepGateLibrary()) {}
  int32_t describe(int32_t index, PinDescription& description) {
    return host.dispatch(DispatchDescribePin, index, 0, &description);
  }
  nalto::host::HostInstance host;
};

TEST_F(StepGatePins, DescribesTwentyOnePinsFieldByField) {
  ASSERT_TRUE(host.made());
  EXPECT_EQ(host.describedPinCount(), PinCount);
  const PinDescription pattern = patterned();
  for (int32_t index = 0; index < PinCount; ++index) {
    SCOPED_TRACE("pin " + std::to_string(index));
    const ExpectedPin expected = expectedPin(index);
    PinDescription description = patterned();
    ASSERT_EQ(describe(index, description), 1);

    test_common::expectDescribedAs(description, pattern,
                                   {expected.name.c_str(), expected.direction, expected.dataType,
                                    expected.defaultText, expected.listText});
  }
}

TEST_F(StepGatePins, EveryPinHasAVariableOfItsOwn) {
  ASSERT_TRUE(host.made());
  std::set<void*> variables;
  for (int32_t index = 0; index < PinCount; ++index) {
    PinDescription description = patterned();
    describe(index, description);
    variables.insert(description.valueAddress);
  }
  EXPECT_EQ(variables.size(), static_cast<size_t>(PinCount));
}

TEST_F(StepGatePins, TwoPinsAreNamedReset) {
  ASSERT_TRUE(host.made());
  std::set<int32_t> named;
  for (int32_t index = 0; index < PinCount; ++index)
    if (std::string(host.pin(index).description.name) == "Reset") named.insert(index);
  EXPECT_EQ(named, (std::set<int32_t>{StepCount, ResetInput}));
}

TEST_F(StepGatePins, AnswersFalseAndWritesNothingOutsideTheTable) {
  ASSERT_TRUE(host.made());
  const PinDescription pattern = patterned();
  for (int32_t index : {21, 22, 1000, INT32_MAX, -1, -21, INT32_MIN}) {
    PinDescription description = patterned();
    EXPECT_EQ(describe(index, description), 0) << index;
    EXPECT_EQ(std::memcmp(&description, &pattern, sizeof description), 0) << index;
  }
}

}  // namespace
}  // namespace stepgate_test
