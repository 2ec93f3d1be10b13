// Nalto Arpline as the host meets it: module information, pins, start and pin status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "ArplineHost.h"
#include "nalto/DispatchOpcode.h"
#include "nalto/HostRequest.h"

namespace arpline_test {
namespace {

using nalto::host::HostInstance;
using nalto::host::LoggedRequest;
using nalto::host::SentMessage;
using testing::ElementsAre;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) result.push_back(line);
  return result;
}

TEST(ArplineInfo, NamesTheModuleAndDescribesIt) {
  ModuleInfoRecord info;
  ASSERT_TRUE(arplineLibrary().moduleInfo(info)) << arplineLibrary().error();
  EXPECT_STREQ(info.name, "Nalto Arpline");
  EXPECT_STREQ(info.identifier, "Nalto Arpline");
  EXPECT_EQ(info.sdkVersion, 2120);

  const std::string about = info.aboutText;
  const std::vector<std::string> aboutLines = lines(about);
  ASSERT_EQ(aboutLines.size(), 6u) << about;
  EXPECT_EQ(aboutLines[0], "Nalto Arpline");
  EXPECT_THAT(aboutLines[2], testing::HasSubstr("nalto"));
  EXPECT_THAT(aboutLines[3], testing::StartsWith("Copyright"));
  EXPECT_EQ(aboutLines[4], "");
  EXPECT_EQ(aboutLines[5], "Basic Arpeggiator");
  EXPECT_NE(about.back(), '\n');
}

TEST(ArplineInfo, OnlyIndexZeroHoldsAModule) {
  ModuleInfoRecord info{};
  EXPECT_EQ(arplineLibrary().getModuleProperties()(1, &info), 0);
  EXPECT_EQ(info.sdkVersion, 2120);
  EXPECT_EQ(info.name, nullptr);
}

struct ExpectedPin {
  const char* name;
  int32_t direction;
  int32_t dataType;
  bool hasVariable;
  const char* defaultText;
  const char* listText;
};

const ExpectedPin kExpectedPins[PinCount] = {
    {"MIDI In", DirectionIn, DataMidi, false, nullptr, nullptr},
    {"Gate", DirectionIn, DataStream, true, "5", nullptr},
    {"On/Off", DirectionIn, DataList, true, "0", "Off=0,On=1"},
    {"Mode", DirectionIn, DataList, true, "1", "Up=1,Down=2,Random1=3,Random2=4"},
    {"MIDI Out", DirectionOut, DataMidi, false, nullptr, nullptr},
    {"Pulse Out", DirectionOut, DataStream, true, nullptr, nullptr},
};

void expectText(const char* actual, const char* expected) {
  if (expected == nullptr) {
    EXPECT_EQ(actual, nullptr);
  } else {
    EXPECT_STREQ(actual, expected);
  }
}

TEST(ArplinePins, DescribesSixPinsFieldByField) {
  HostInstance host(arplineLibrary());
  ASSERT_EQ(host.describedPinCount(), PinCount);
  for (int32_t index = 0; index < PinCount; ++index) {
    SCOPED_TRACE(index);
    const ExpectedPin& expected = kExpectedPins[index];
    const PinDescription& d = host.pin(index).description;
    EXPECT_STREQ(d.name, expected.name);
    EXPECT_EQ(d.direction, expected.direction);
    EXPECT_EQ(d.dataType, expected.dataType);
    EXPECT_EQ(d.valueAddress != nullptr, expected.hasVariable);
    expectText(d.defaultText, expected.defaultText);
    expectText(d.listText, expected.listText);
    EXPECT_EQ(d.flags, 0);
    EXPECT_EQ(d.reserved, 0);
  }
  EXPECT_NE(host.pin(Gate).description.valueAddress, host.pin(PulseOut).description.valueAddress);
  EXPECT_NE(host.pin(OnOff).description.valueAddress, host.pin(Mode).description.valueAddress);
}

TEST(ArplinePins, IndexesOutsideTheTableAreRefusedAndLeaveTheRecord) {
  HostInstance host(arplineLibrary());
  for (int32_t index : {6, 7, -1, INT32_MIN}) {
    SCOPED_TRACE(index);
    PinDescription description;
    std::memset(&description, 0xA5, sizeof description);
    PinDescription untouched = description;
    EXPECT_EQ(host.dispatch(DispatchDescribePin, index, 0, &description), 0);
    EXPECT_EQ(std::memcmp(&description, &untouched, sizeof description), 0);
  }
}

TEST(ArplineStart, BuildsPinsInstallsTheRoutineAndEndsWithTheStartupQuery) {
  HostInstance host(arplineLibrary());
  const ProcessEntry before = host.record()->processRoutine;
  host.clearLog();
  host.start();

  EXPECT_THAT(host.requestCodes(),
              ElementsAre(HostGetPinCount, HostProcessRoutineChanged, HostStartupQuery));
  const LoggedRequest& query = host.requests().back();
  EXPECT_EQ(query.index, 0);
  EXPECT_EQ(query.value, 0);
  EXPECT_NE(query.pointer, 0);  // the host fills all 100 bytes of it
  EXPECT_EQ(query.opt, 0.0f);
  EXPECT_NE(host.record()->processRoutine, before);
}

// Pin status: "Gate" decides what "Pulse Out" reports and whether the module keeps running.
struct StatusCase {
  const char* name;
  int32_t changedPin;
  int32_t gateStatus;  // the status "Gate" holds when the change arrives
  float gateValue;
  int32_t pulseStatus;
  bool keepsRunning;
};

class ArplineStatus : public ArplineTest, public testing::WithParamInterface<StatusCase> {};

TEST_P(ArplineStatus, FollowsTheGate) {
  const StatusCase& c = GetParam();
  const ProcessEntry main = host.record()->processRoutine;
  host.setBlockStartClock(700);
  host.fill(Gate, c.gateValue);
  if (c.changedPin != Gate) host.sendPinStatus(Gate, c.gateStatus);
  host.clearLog();
  host.sendPinStatus(c.changedPin, c.changedPin == Gate ? c.gateStatus : 2);

  EXPECT_THAT(host.statusesSent(), ElementsAre(SentMessage{PulseOut, c.pulseStatus, 700}));
  EXPECT_EQ(host.record()->processRoutine == main, c.keepsRunning);

  // Block size 1024 in calls of 256: a settling module asks to idle from the fourth call on.
  std::vector<bool> askedToIdle;
  for (int32_t call = 0; call < 5; ++call) {
    host.clearLog();
    host.processBlock(256);
    const std::vector<int32_t> codes = host.requestCodes();
    askedToIdle.push_back(std::count(codes.begin(), codes.end(), HostGoIdle) == 1);
  }
  const std::vector<bool> expected = c.keepsRunning
                                         ? std::vector<bool>(5, false)
                                         : std::vector<bool>{false, false, false, true, true};
  EXPECT_EQ(askedToIdle, expected);
}

const StatusCase kStatusCases[] = {
    {"RunningGate", Gate, 2, 0.0f, 2, true},
    {"RunningGateAbove2", Gate, 7, 0.0f, 7, true},
    {"StaticGateWithValue", Gate, 0, 0.5f, 0, false},
    {"StaticGateAtZero", Gate, 0, 0.0f, 1, false},
    {"OneOffGate", Gate, 1, 0.5f, 1, false},
    {"ChangeOnModeRereadsTheGate", Mode, 0, 0.0f, 1, false},
    {"ChangeOnMidiOutRereadsTheGate", MidiOut, 2, 0.0f, 2, true},
};

INSTANTIATE_TEST_SUITE_P(Changes, ArplineStatus, testing::ValuesIn(kStatusCases),
                         [](const testing::TestParamInfo<StatusCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ArplineTest, SettlingStillPlaysSteps) {
  pressKeys({60});
  host.sendPinStatus(Gate, 0);
  ASSERT_EQ(host.statusesSent().size(), 1u);
  EXPECT_EQ(step().playedKey(), 60);
}

}  // namespace
}  // namespace arpline_test
