// The event entry: pin status, MIDI and run-routine events, and events it must leave alone.
#include <gtest/gtest.h>

#include <string>

#include "framework/ProbeHost.h"

namespace probe_test {
namespace {

HostEvent event(int32_t type, int32_t clock, int32_t value, intptr_t argument) {
  HostEvent e{};
  e.clock = clock;
  e.type = type;
  e.value = value;
  e.argument = argument;
  return e;
}

struct StartedProbe : ProbeHost {
  StartedProbe() : ProbeHost({streamIn(), streamIn(), streamIn()}) { start(3); }
};

struct StatusCase {
  int32_t sent;
  int32_t seenInside;
  int32_t seenAfter;
};

class StatusArrived : public testing::TestWithParam<StatusCase> {};

// A one-off status is seen only while pinStatusChanged runs; every other status stays.
TEST_P(StatusArrived, ShowsTheStatusToPinStatusChangedAndKeepsItUnlessOneOff) {
  const StatusCase c = GetParam();
  StartedProbe probe;
  probe.host.sendPinStatus(1, c.sent);
  const auto changes = probe.calls(Operation::PinStatusChanged);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].first, 1);
  EXPECT_EQ(changes[0].second, c.seenInside);
  EXPECT_EQ(probe.link(1).status, c.seenAfter);
}

INSTANTIATE_TEST_SUITE_P(Statuses, StatusArrived,
                         testing::Values(StatusCase{StatusOneOff, 1, 0},
                                         StatusCase{StatusRunning, 2, 2},
                                         StatusCase{StatusStatic, 0, 0}, StatusCase{5, 5, 5}));

class EventPinStatusClock : public testing::TestWithParam<int32_t> {};

TEST_P(EventPinStatusClock, TakesThePinFromArgumentAndTheStatusFromValue) {
  StartedProbe probe;
  probe.host.sendEvent(event(EventPinStatus, GetParam(), 3, 2));
  const auto changes = probe.calls(Operation::PinStatusChanged);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].first, 2);
  EXPECT_EQ(changes[0].second, 3);
  EXPECT_EQ(probe.link(2).status, 3);
  EXPECT_EQ(probe.link(1).status, StatusStatic);
}

INSTANTIATE_TEST_SUITE_P(Clocks, EventPinStatusClock, testing::Values(0, 1, -5000, INT32_MAX));

struct StrayCase {
  std::string name;
  bool started;
  int32_t hostPins;
  intptr_t pin;
};

std::ostream& operator<<(std::ostream& out, const StrayCase& c) { return out << c.name; }

std::vector<StrayCase> strayCases() {
  std::vector<StrayCase> cases{{"NoTable", false, 3, 0},           {"NegativePin", true, 3, -1},
                               {"PinAtCount", true, 3, 3},         {"FarPin", true, 3, 1000},
                               {"LargestPin", true, 3, INT32_MAX}, {"NeverSetUp", true, 5, 4}};
  // Where the argument is wider than a pin index, a pin beyond 32 bits must not wrap into the
  // table.
  if (sizeof(intptr_t) > sizeof(int32_t))
    cases.push_back({"WrapsToPinOne", true, 3, static_cast<intptr_t>((int64_t{1} << 32) + 1)});
  return cases;
}

class StrayPinStatus : public testing::TestWithParam<StrayCase> {};

TEST_P(StrayPinStatus, IsIgnored) {
  const StrayCase c = GetParam();
  ProbeHost probe({streamIn(), streamIn(), streamIn()});
  if (c.started) probe.start(c.hostPins);
  probe.clearLogs();

  probe.host.sendEvent(event(EventPinStatus, 0, StatusRunning, c.pin));

  EXPECT_TRUE(probe.calls(Operation::PinStatusChanged).empty());
  EXPECT_TRUE(probe.host.requests().empty());
  for (int32_t pin = 0; pin < 3; ++pin)
    EXPECT_EQ(probe.link(pin).status, StatusStatic) << "pin " << pin;
}

INSTANTIATE_TEST_SUITE_P(Pins, StrayPinStatus, testing::ValuesIn(strayCases()),
                         [](const testing::TestParamInfo<StrayCase>& info) {
                           return info.param.name;
                         });

class UnknownEventType : public testing::TestWithParam<int32_t> {};

TEST_P(UnknownEventType, ChangesNothing) {
  StartedProbe probe;
  HostEvent e = event(GetParam(), 10, StatusRunning, 0);
  e.extra = 5;
  probe.host.sendEvent(e);
  EXPECT_EQ(probe.bench.callCount, 0);
  EXPECT_TRUE(probe.host.requests().empty());
  EXPECT_EQ(probe.link(0).status, StatusStatic);
}

INSTANTIATE_TEST_SUITE_P(Types, UnknownEventType, testing::Values(1, 3, 4, 20, 22, -1, INT32_MIN));

TEST(EventMidi, HandsClockMessageAndExtraToMidiReceived) {
  StartedProbe probe;
  probe.host.sendMidi(33, 0x7F4090, -2);
  const auto received = probe.calls(Operation::MidiReceived);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].first, 33);
  EXPECT_EQ(received[0].second, 0x7F4090);
  EXPECT_EQ(received[0].third, -2);
  EXPECT_TRUE(probe.host.requests().empty());
}

TEST(EventRunRoutine, RunsTheRoutineAtArgumentOnTheModuleObject) {
  StartedProbe probe;
  probe.host.sendEvent(
      event(EventRunRoutine, 0, 0, reinterpret_cast<intptr_t>(probe.bench.runRoutine)));
  const auto runs = probe.calls(Operation::RunRoutine);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].pointer, probe.host.record()->object);
}

TEST(EventRunRoutine, WithoutARoutineDoesNothing) {
  StartedProbe probe;
  probe.host.sendEvent(event(EventRunRoutine, 0, 0, 0));
  EXPECT_EQ(probe.bench.callCount, 0);
}

}  // namespace
}  // namespace probe_test
