// What the host learns of Nalto Pacer before it processes: module information, pins, start.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ostream>
#include <string>

#include "PacerHost.h"
#include "common/PinDescriptionCheck.h"
#include "nalto/DispatchOpcode.h"
#include "nalto/HostRequest.h"

namespace pacer_test {
namespace {

using nalto::host::HostInstance;

TEST(PacerInfo, NamesTheModuleAndCreditsItsAuthorsOnOneLine) {
  ModuleInfoRecord info{};
  ASSERT_TRUE(pacerLibrary().moduleInfo(info)) << pacerLibrary().error();
  EXPECT_STREQ(info.name, "Nalto Pacer");
  EXPECT_STREQ(info.identifier, "Nalto Pacer");
  ASSERT_NE(info.aboutText, nullptr);
  const std::string about = info.aboutText;
  EXPECT_FALSE(about.empty());
  EXPECT_EQ(about.find('\n'), std::string::npos);
  EXPECT_EQ(info.sdkVersion, 2120);
}

struct PinCase {
  Pin pin;
  const char* name;
  int32_t direction;
  int32_t dataType;
  const char* defaultText;  // null: left as the host put it
  const char* listText;     // null: left as the host put it
  friend void PrintTo(const PinCase& c, std::ostream* os) { *os << c.name; }
};

class PacerPinTest : public ::testing::TestWithParam<PinCase> {};

PinDescription patterned() { return test_common::patterned(0x5A); }

TEST_P(PacerPinTest, WritesExactlyTheFieldsOfItsRow) {
  HostInstance host(pacerLibrary());
  const PinCase& expected = GetParam();
  const PinDescription untouched = patterned();
  PinDescription description = patterned();
  ASSERT_EQ(host.dispatch(DispatchDescribePin, expected.pin, 0, &description), 1);

  EXPECT_NE(description.valueAddress, untouched.valueAddress);
  test_common::expectDescribedAs(description, untouched,
                                 {expected.name, expected.direction, expected.dataType,
                                  expected.defaultText, expected.listText});
}

INSTANTIATE_TEST_SUITE_P(
    Pins, PacerPinTest,
    ::testing::Values(PinCase{PulseOut, "Pulse Out", DirectionOut, DataStream, nullptr, nullptr},
                      PinCase{BarStart, "Bar Start", DirectionOut, DataStream, nullptr, nullptr},
                      PinCase{TempoOut, "Tempo Out", DirectionOut, DataStream, nullptr, nullptr},
                      PinCase{TransportRun, "Transport Run", DirectionOut, DataStream, nullptr,
                              nullptr},
                      PinCase{PulseDivide, "Pulse Divide", DirectionIn, DataList, "4",
                              "12=12,10=10,8=8,6=6,4=4,3=3,2=2,1=1"}),
    [](const auto& info) {
      std::string name = info.param.name;
      name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
      return name;
    });

TEST(PacerPins, EveryPinHasItsOwnVariable) {
  HostInstance host(pacerLibrary());
  ASSERT_EQ(host.describedPinCount(), PinCount);
  for (int32_t a = 0; a < PinCount; ++a)
    for (int32_t b = a + 1; b < PinCount; ++b)
      EXPECT_NE(host.pin(a).description.valueAddress, host.pin(b).description.valueAddress);
}

TEST(PacerPins, RefusesEveryOtherIndexWithoutWriting) {
  HostInstance host(pacerLibrary());
  for (int32_t index : {5, 6, 100, INT32_MAX, -1, INT32_MIN}) {
    PinDescription description = patterned();
    EXPECT_EQ(host.dispatch(DispatchDescribePin, index, 0, &description), 0) << index;
    const PinDescription untouched = patterned();
    EXPECT_EQ(std::memcmp(&description, &untouched, sizeof description), 0) << index;
  }
}

TEST(PacerStart, InstallsTheClockBuildsThePinsThenReportsTempoOutTen) {
  HostInstance host(pacerLibrary());
  const auto emptyRoutine = host.record()->processRoutine;
  host.setSampleClock(555);
  host.clearLog();
  host.start();

  EXPECT_NE(host.record()->processRoutine, emptyRoutine);
  EXPECT_EQ(host.requestCodes(), (std::vector<int32_t>{HostProcessRoutineChanged, HostGetPinCount,
                                                       HostGetSampleClock, HostSetPinStatus}));
  const auto sent = host.statusesSent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].pin, TempoOut);
  EXPECT_EQ(sent[0].value, StatusOneOff);
  EXPECT_EQ(sent[0].clock, 555);
}

TEST(PacerStart, TempoOutReadsTenUntilTheFirstEdge) {
  HostInstance host(pacerLibrary(), 256);
  host.setBlockSize(256);
  host.setTimeInfoAvailable(false);
  host.start();
  host.processBlock(256);
  EXPECT_EQ(host.buffer(TempoOut)[0], 10.0f);
  EXPECT_EQ(host.buffer(TempoOut)[255], 10.0f);
  EXPECT_EQ(host.buffer(TransportRun)[0], 0.0f);
}

}  // namespace
}  // namespace pacer_test
