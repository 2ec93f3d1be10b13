// How start builds the pin table from the module's descriptions and sets up each link.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "framework/ProbeHost.h"
#include "nalto/host/AllocationCounter.h"

namespace probe_test {
namespace {

std::vector<probe::PinShape> streamPins(int32_t count) {
  return std::vector<probe::PinShape>(static_cast<size_t>(count), streamIn());
}

std::vector<int32_t> setUpPins(ProbeHost& probe, int32_t upTo) {
  std::vector<int32_t> present;
  for (int32_t i = -1; i <= upTo; ++i)
    if (probe.link(i).present) present.push_back(i);
  return present;
}

struct LoopCase {
  std::string name;
  int32_t hostPins;
  int32_t describedPins;
  std::vector<int32_t> asked;
  std::vector<int32_t> setUp;
};

std::ostream& operator<<(std::ostream& out, const LoopCase& c) { return out << c.name; }

class StartDescriptionLoop : public testing::TestWithParam<LoopCase> {};

TEST_P(StartDescriptionLoop, AsksEachIndexThenTheLastOneAgainAndSetsUpOnlyPinsOnBothSides) {
  const LoopCase c = GetParam();
  ProbeHost probe(streamPins(c.describedPins));
  probe.host.setHostPinCount(c.hostPins);
  probe.clearLogs();

  probe.host.start();

  EXPECT_EQ(probe.describedIndexes(), c.asked);
  EXPECT_EQ(probe.calls(Operation::Start).size(), 1u);
  EXPECT_EQ(probe.requestCodes()[0], HostGetPinCount);
  EXPECT_EQ(setUpPins(probe, std::min(c.hostPins, 8) + 1), c.setUp);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, StartDescriptionLoop,
    testing::Values(LoopCase{"NoHostPins", 0, 3, {0, -1}, {}},
                    LoopCase{"NegativeHostPins", -4, 3, {0, -1}, {}},
                    LoopCase{"NothingDescribed", 3, 0, {0, -1}, {}},
                    LoopCase{"FewerHostPins", 3, 5, {0, 1, 2, 3, 2}, {0, 1, 2}},
                    LoopCase{"AsManyHostPins", 3, 3, {0, 1, 2, 3, 2}, {0, 1, 2}},
                    LoopCase{"MoreHostPinsNoDuplicate", 5, 3, {0, 1, 2, 3, 2}, {0, 1, 2}},
                    LoopCase{"HugeHostPinCount", INT32_MAX, 3, {0, -1}, {}}),
    [](const testing::TestParamInfo<LoopCase>& info) { return info.param.name; });

TEST(StartDescriptionLoop, AutoDuplicateGivesTheFurtherHostPinsTheLastTypeAndTheirOwnStorage) {
  ProbeHost probe({{DirectionIn, DataList, 0, false},
                   {DirectionIn, DataMidi, 0, false},
                   {DirectionIn, DataStream, FlagAutoDuplicate, true}});
  probe.host.setHostPinCount(5);
  probe.bench.variables[2].buffer = probe.host.buffer(2);
  probe.clearLogs();

  probe.host.start();

  EXPECT_EQ(probe.describedIndexes(), (std::vector<int32_t>{0, 1, 2, 3, 2}));
  EXPECT_EQ(probe.requests(), (std::vector<Request>{{HostGetPinCount, 0, 0, 0},
                                                    {HostGetPinBuffer, 3, 0, 0},
                                                    {HostGetPinBuffer, 4, 0, 0}}));
  for (int32_t pin : {3, 4}) {
    SCOPED_TRACE(pin);
    const probe::LinkView link = probe.link(pin);
    ASSERT_TRUE(link.present);
    EXPECT_EQ(link.pinIndex, pin);
    EXPECT_EQ(link.dataType, DataStream);
    EXPECT_NE(link.valueAddress, &probe.bench.variables[2]);
    EXPECT_EQ(*static_cast<float**>(link.valueAddress), probe.host.buffer(pin));
  }
  EXPECT_NE(probe.link(3).valueAddress, probe.link(4).valueAddress);
}

// Without memory for the table the instance goes on as if the host had no pins.
TEST(StartDescriptionLoop, WithoutMemoryForTheTableGoesOnWithNoPins) {
  ProbeHost probe(streamPins(3));
  probe.host.setHostPinCount(3);
  probe.clearLogs();
  {
    nalto::host::OutOfMemory outOfMemory;
    probe.host.start();
  }
  EXPECT_EQ(probe.describedIndexes(), (std::vector<int32_t>{0, -1}));
  EXPECT_EQ(probe.calls(Operation::Start).size(), 1u);
  EXPECT_EQ(probe.requestCodes(), (std::vector<int32_t>{HostGetPinCount}));
  EXPECT_EQ(setUpPins(probe, 4), std::vector<int32_t>{});

  probe.clearLogs();
  probe.host.sendPinStatus(0, StatusRunning);
  EXPECT_TRUE(probe.calls(Operation::PinStatusChanged).empty());
}

enum class Holds { Variable, OwnZero, OwnHostBuffer, Nothing };

struct SetUpCase {
  std::string name;
  int32_t dataType;
  bool withVariable;
  Holds holds;
};

std::ostream& operator<<(std::ostream& out, const SetUpCase& c) { return out << c.name; }

class PinSetUp : public testing::TestWithParam<SetUpCase> {};

TEST_P(PinSetUp, PointsTheLinkWhereTheValueLivesAskingOnlyForAStreamPinsBuffer) {
  const SetUpCase c = GetParam();
  const probe::PinShape shape{DirectionIn, c.dataType, 0, c.withVariable};
  ProbeHost probe({shape, shape, shape});
  probe.host.setHostPinCount(3);
  probe.clearLogs();

  probe.host.start();

  std::vector<Request> expected{{HostGetPinCount, 0, 0, 0}};
  if (c.holds == Holds::OwnHostBuffer)
    for (int32_t pin = 0; pin < 3; ++pin) expected.push_back({HostGetPinBuffer, pin, 0, 0});
  EXPECT_EQ(probe.requests(), expected);

  for (int32_t pin = 0; pin < 3; ++pin) {
    SCOPED_TRACE(pin);
    const probe::LinkView link = probe.link(pin);
    ASSERT_TRUE(link.present);
    EXPECT_EQ(link.pinIndex, pin);
    EXPECT_EQ(link.dataType, c.dataType);
    EXPECT_EQ(link.status, StatusStatic);
    switch (c.holds) {
      case Holds::Variable:
        EXPECT_EQ(link.valueAddress, &probe.bench.variables[pin]);
        break;
      case Holds::OwnZero:
        ASSERT_NE(link.valueAddress, nullptr);
        EXPECT_EQ(*static_cast<int32_t*>(link.valueAddress), 0);
        break;
      case Holds::OwnHostBuffer:
        ASSERT_NE(link.valueAddress, nullptr);
        EXPECT_EQ(*static_cast<float**>(link.valueAddress), probe.host.buffer(pin));
        break;
      case Holds::Nothing:
        EXPECT_EQ(link.valueAddress, nullptr);
        break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    DataTypes, PinSetUp,
    testing::Values(SetUpCase{"ListVariable", DataList, true, Holds::Variable},
                    SetUpCase{"StreamVariable", DataStream, true, Holds::Variable},
                    SetUpCase{"MidiVariable", DataMidi, true, Holds::Variable},
                    SetUpCase{"OneByteVariable", DataOneByte, true, Holds::Variable},
                    SetUpCase{"FourByteVariable", DataFourByte, true, Holds::Variable},
                    SetUpCase{"UnknownTypeVariable", 3, true, Holds::Variable},
                    SetUpCase{"ListOwn", DataList, false, Holds::OwnZero},
                    SetUpCase{"OneByteOwn", DataOneByte, false, Holds::OwnZero},
                    SetUpCase{"FourByteOwn", DataFourByte, false, Holds::OwnZero},
                    SetUpCase{"StreamOwn", DataStream, false, Holds::OwnHostBuffer},
                    SetUpCase{"MidiNone", DataMidi, false, Holds::Nothing},
                    SetUpCase{"Type1None", 1, false, Holds::Nothing},
                    SetUpCase{"Type3None", 3, false, Holds::Nothing},
                    SetUpCase{"Type7None", 7, false, Holds::Nothing}),
    [](const testing::TestParamInfo<SetUpCase>& info) { return info.param.name; });

}  // namespace
}  // namespace probe_test
