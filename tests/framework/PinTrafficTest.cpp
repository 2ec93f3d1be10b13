// A link's traffic with the host: reading a stream input now, sending status and MIDI.
#include <gtest/gtest.h>

#include <string>

#include "framework/ProbeHost.h"

namespace probe_test {
namespace {

// The host stands at sample clock 70 while pin 1's buffer began at clock 64.
void standAtClock70WithPinOneFrom64(ProbeHost& probe, float* pinOneBuffer) {
  probe.host.setBlockStartClock(0);
  probe.host.setPinBlockStartClock(1, 64);
  probe.host.setSampleClock(70);
  for (int32_t i = 0; i < 16; ++i) pinOneBuffer[i] = 0.125f * static_cast<float>(i);
}

const std::vector<Request> kValueNowRequests{{HostGetBlockStartClock, 1, 0, 0},
                                             {HostGetSampleClock, 0, 0, 0}};

TEST(ValueNow, ReadsTheElementAtSampleClockMinusThePinsBlockStart) {
  ProbeHost probe({streamIn(), streamIn()});
  probe.start(2);
  standAtClock70WithPinOneFrom64(probe, probe.host.buffer(1));
  probe.clearLogs();

  probe.command(probe::CommandValueNow, 1);

  EXPECT_EQ(probe.bench.valueNow, 0.75f);
  EXPECT_EQ(probe.requests(), kValueNowRequests);
}

// A module's variable holds whatever buffer the host wrote last; the link reads through it.
TEST(ValueNow, ReadsTheBufferTheHostLastWroteIntoTheModulesVariable) {
  ProbeHost probe({streamIn(), {DirectionIn, DataStream, 0, true}});
  probe.start(2);
  float laterBuffer[16];
  probe.bench.variables[1].buffer = laterBuffer;
  standAtClock70WithPinOneFrom64(probe, laterBuffer);
  probe.clearLogs();

  probe.command(probe::CommandValueNow, 1);

  EXPECT_EQ(probe.bench.valueNow, 0.75f);
  EXPECT_EQ(probe.requests(), kValueNowRequests);
}

struct NoBufferCase {
  std::string name;
  probe::PinShape pin;
};

std::ostream& operator<<(std::ostream& out, const NoBufferCase& c) { return out << c.name; }

class ValueNowWithoutBuffer : public testing::TestWithParam<NoBufferCase> {};

TEST_P(ValueNowWithoutBuffer, AsksTheSameRequestsAndAnswersZero) {
  ProbeHost probe({streamIn(), GetParam().pin});
  probe.start(2);
  probe.bench.variables[1].buffer = nullptr;
  standAtClock70WithPinOneFrom64(probe, probe.host.buffer(1));
  probe.bench.valueNow = -1.0f;
  probe.clearLogs();

  probe.command(probe::CommandValueNow, 1);

  EXPECT_EQ(probe.bench.valueNow, 0.0f);
  EXPECT_EQ(probe.requests(), kValueNowRequests);
}

INSTANTIATE_TEST_SUITE_P(
    Pins, ValueNowWithoutBuffer,
    testing::Values(NoBufferCase{"StreamVariableNeverWritten", {DirectionIn, DataStream, 0, true}},
                    NoBufferCase{"ListPin", {DirectionIn, DataList, 0, false}},
                    NoBufferCase{"MidiPin", {DirectionIn, DataMidi, 0, false}}),
    [](const testing::TestParamInfo<NoBufferCase>& info) { return info.param.name; });

struct SendCase {
  std::string name;
  probe::Command command;
  int32_t pin;
  int32_t clock;
  int32_t value;
  Request expected;
};

std::ostream& operator<<(std::ostream& out, const SendCase& c) { return out << c.name; }

class SendThroughLink : public testing::TestWithParam<SendCase> {};

TEST_P(SendThroughLink, PutsPinInIndexValueInValueAndClockInPointer) {
  const SendCase c = GetParam();
  // Twenty MIDI pins: the host repeats the one description.
  ProbeHost probe({{DirectionOut, DataMidi, FlagAutoDuplicate, false}});
  probe.start(20);
  probe.bench.sendClock = c.clock;
  probe.bench.sendValue = c.value;

  probe.command(c.command, c.pin);

  EXPECT_EQ(probe.requests(), std::vector<Request>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SendThroughLink,
    testing::Values(
        SendCase{"Status", probe::CommandSendStatus, 19, 500, 1, {HostSetPinStatus, 19, 1, 500}},
        SendCase{
            "StatusEarlyClock", probe::CommandSendStatus, 0, -5, 2, {HostSetPinStatus, 0, 2, -5}},
        SendCase{
            "Midi", probe::CommandSendMidi, 3, 700, 0x643C90, {HostSendMidi, 3, 0x643C90, 700}},
        SendCase{"MidiEarliestClock",
                 probe::CommandSendMidi,
                 19,
                 INT32_MIN,
                 0x90,
                 {HostSendMidi, 19, 0x90, INT32_MIN}}),
    [](const testing::TestParamInfo<SendCase>& info) { return info.param.name; });

struct DropCase {
  std::string name;
  bool started;
  int32_t hostPins;
  int32_t pin;
};

std::ostream& operator<<(std::ostream& out, const DropCase& c) { return out << c.name; }

class SendWithoutLink : public testing::TestWithParam<DropCase> {};

TEST_P(SendWithoutLink, IsDropped) {
  const DropCase c = GetParam();
  ProbeHost probe({streamOut(), streamOut(), streamOut()});
  if (c.started) probe.start(c.hostPins);
  probe.clearLogs();
  probe.bench.sendClock = 100;
  probe.bench.sendValue = 1;

  probe.command(probe::CommandSendStatus, c.pin);
  probe.command(probe::CommandSendMidi, c.pin);

  EXPECT_TRUE(probe.host.requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Pins, SendWithoutLink,
    testing::Values(DropCase{"NoTable", false, 3, 0}, DropCase{"NegativePin", true, 3, -1},
                    DropCase{"PinAtCount", true, 3, 3}, DropCase{"FarPin", true, 3, INT32_MAX},
                    DropCase{"NeverSetUp", true, 5, 4}, DropCase{"HostHasFewerPins", true, 2, 2}),
    [](const testing::TestParamInfo<DropCase>& info) { return info.param.name; });

}  // namespace
}  // namespace probe_test
