// Hostile inputs, one row each, with what Nalto Stepgate then does: the samples every call writes
// to "Output" and "Pin vc", the statuses it sends and its idle requests. Every call must write
// exactly the samples of its range and return; the host's guards and marks check that.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "StepGateHost.h"
#include "common/BadInputOutcome.h"
#include "nalto/HostRequest.h"

namespace stepgate_test {
namespace {

using nalto::host::HostInstance;
using test_common::joined;
using test_common::runs;
using test_common::sameSamples;
using test_common::Status;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kDenormal = std::numeric_limits<float>::denorm_min();
constexpr float kHuge = std::numeric_limits<float>::max();
constexpr float kUnwritten = -777.0f;  // marks output samples a call must leave alone

// What the module did over a row's calls: every sample each call wrote, call after call.
struct Outcome {
  std::vector<float> output;
  std::vector<float> stair;
  std::vector<Status> statuses;
  int32_t idleRequests = 0;
};

// Runs a row on a started instance whose step input k carries k and whose "Reset" stream is at
// its default 10.
class Rig {
 public:
  explicit Rig(HostInstance& host) : host_(host) {}
  HostInstance& host() { return host_; }
  const Outcome& outcome() const { return outcome_; }

  // One call; every output sample outside [offset, offset + count) keeps its mark.
  void call(int32_t offset, int32_t count) {
    host_.fill(Output, kUnwritten);
    host_.fill(Stair, kUnwritten);
    host_.clearLog();
    host_.process(offset, count);
    record();
    const int32_t end = offset + std::max(count, int32_t{0});
    for (int32_t i = 0; i < host_.bufferLength(); ++i) {
      if (i >= offset && i < end) continue;
      ASSERT_EQ(bitsOf(host_.buffer(Output)[i]), bitsOf(kUnwritten)) << "sample " << i;
      ASSERT_EQ(bitsOf(host_.buffer(Stair)[i]), bitsOf(kUnwritten)) << "sample " << i;
    }
    for (int32_t i = offset; i < end; ++i) {
      outcome_.output.push_back(host_.buffer(Output)[i]);
      outcome_.stair.push_back(host_.buffer(Stair)[i]);
    }
  }

  // A pulse in a call of two samples: "Input" at `high`, then at 0.0.
  void pulse(float high = kHigh) {
    host_.buffer(Input)[0] = high;
    host_.buffer(Input)[1] = kLow;
    call(0, 2);
  }
  void pulses(int32_t count) {
    for (int32_t i = 0; i < count; ++i) pulse();
  }

  // An event or dispatcher call outside a process call; its requests go into the outcome.
  template <class Action>
  void between(Action action) {
    host_.clearLog();
    action();
    record();
  }

 private:
  void record() {
    for (const auto& sent : host_.statusesSent())
      outcome_.statuses.push_back({sent.pin, sent.value});
    for (int32_t code : host_.requestCodes()) outcome_.idleRequests += code == HostGoIdle;
  }

  HostInstance& host_;
  Outcome outcome_;
};

// Expected samples of one two-sample pulse per entry: the step's value while high, then 0.0.
std::vector<float> pulsesShowing(const std::vector<float>& highValues) {
  std::vector<float> samples;
  for (float value : highValues) samples.insert(samples.end(), {value, 0.0f});
  return samples;
}

// Expected staircase of one two-sample pulse per entry: the level after that pulse's advance.
std::vector<float> pulsesRising(const std::vector<int32_t>& advances) {
  std::vector<float> samples;
  for (int32_t n : advances) samples.insert(samples.end(), 2, risenLevel(n));
  return samples;
}

std::vector<float> numbered(int32_t first, int32_t last) {
  std::vector<float> values;
  for (int32_t k = first; k <= last; ++k) values.push_back(static_cast<float>(k));
  return values;
}

std::vector<int32_t> counted(int32_t first, int32_t last) {
  std::vector<int32_t> values;
  for (int32_t k = first; k <= last; ++k) values.push_back(k);
  return values;
}

using BadInput = test_common::BadInputRow<Rig, Outcome>;

class StepGateBadInput : public StepGateTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(StepGateBadInput, GivesItsDefinedOutcome) {
  ASSERT_TRUE(host.made());
  host.clearLog();
  Rig rig(host);
  GetParam().play(rig);
  const Outcome& seen = rig.outcome();
  const Outcome& expected = GetParam().expected;
  EXPECT_TRUE(sameSamples("Output", seen.output, expected.output));
  EXPECT_TRUE(sameSamples("Pin vc", seen.stair, expected.stair));
  EXPECT_EQ(seen.statuses, expected.statuses);
  EXPECT_EQ(seen.idleRequests, expected.idleRequests);
  for (int32_t pin = 0; pin < PinCount; ++pin) EXPECT_TRUE(host.guardsIntact(pin)) << pin;
  EXPECT_EQ(host.realtimeAllocations(), 0);
}

const BadInput kRows[] = {
    // The list "Reset" outside 1 to 16.
    {"StepCountZeroRepeatsStepOne",
     [](Rig& rig) {
       rig.host().setListValue(StepCount, 0);
       rig.pulses(3);
     },
     {pulsesShowing({1, 1, 1}), pulsesRising({1, 1, 1}), {}, 0}},
    {"StepCountMinusFiveRepeatsStepOne",
     [](Rig& rig) {
       rig.host().setListValue(StepCount, -5);
       rig.pulses(3);
     },
     {pulsesShowing({1, 1, 1}), pulsesRising({1, 1, 1}), {}, 0}},
    {"StepCountSeventeenGivesASilentSeventeenthStep",
     [](Rig& rig) {
       rig.host().setListValue(StepCount, 17);
       rig.pulses(18);
     },
     {pulsesShowing(joined(numbered(1, 16), {0.0f, 1.0f})),
      joined(pulsesRising(counted(1, 17)), pulsesRising({1})),
      {},
      0}},
    {"StepCount32767StaysSilentPastStepSixteenAndKeepsClimbing",
     [](Rig& rig) {
       rig.host().setListValue(StepCount, 32767);
       rig.pulses(20);
     },
     {pulsesShowing(joined(numbered(1, 16), {0.0f, 0.0f, 0.0f, 0.0f})),
      pulsesRising(counted(1, 20)),
      {},
      0}},

    // Stuck and extreme samples.
    {"InputStuckAtNaNNeverAdvances",
     [](Rig& rig) {
       rig.host().fill(Input, kNaN);
       rig.call(0, 8);
       rig.pulse();
     },
     {runs({{0.0f, 8}, {1.0f, 1}, {0.0f, 1}}), runs({{0.0f, 8}, {0.1f, 2}}), {}, 0}},
    {"ResetStreamStuckAtNaNHoldsNoStep",
     [](Rig& rig) {
       rig.host().fill(ResetInput, kNaN);
       rig.pulses(3);
     },
     {runs({{0.0f, 6}}), runs({{0.0f, 6}}), {}, 0}},
    {"StepInputStuckAtNaNPassesNaNWhileHigh",
     [](Rig& rig) {
       rig.host().fill(stepPin(1), kNaN);
       rig.pulses(2);
     },
     {pulsesShowing({kNaN, 2.0f}), pulsesRising({1, 2}), {}, 0}},
    {"StepInputsAtInfinitiesDenormalAndHugePassUnchanged",
     [](Rig& rig) {
       rig.host().fill(stepPin(1), kInf);
       rig.host().fill(stepPin(2), -kInf);
       rig.host().fill(stepPin(3), kDenormal);
       rig.host().fill(stepPin(4), kHuge);
       rig.pulses(4);
     },
     {pulsesShowing({kInf, -kInf, kDenormal, kHuge}), pulsesRising({1, 2, 3, 4}), {}, 0}},
    {"InputInfinityAndHugeAreHighMinusInfinityAndDenormalLow",
     [](Rig& rig) {
       const float input[] = {kInf, 0.0f, -kInf, kDenormal, kHuge, 0.0f};
       std::copy(std::begin(input), std::end(input), rig.host().buffer(Input));
       rig.call(0, 6);
     },
     {runs({{1.0f, 1}, {0.0f, 3}, {2.0f, 1}, {0.0f, 1}}),
      runs({{risenLevel(1), 4}, {risenLevel(2), 2}}),
      {},
      0}},

    // Process calls.
    {"CountsZeroAndNegativeWriteNothingAndChangeNothing",
     [](Rig& rig) {
       rig.host().fill(Input, kHigh);
       for (int32_t count : {0, -1, INT32_MIN}) rig.call(10, count);
       rig.pulse();
     },
     {pulsesShowing({1}), pulsesRising({1}), {}, 0}},
    {"ACallEndingAtTheBufferEndWritesOnlyItsSamples",
     [](Rig& rig) {
       const int32_t last = rig.host().bufferLength() - 2;
       rig.host().buffer(Input)[last] = kHigh;
       rig.call(last, 2);
     },
     {pulsesShowing({1}), pulsesRising({1}), {}, 0}},
    {"OneCallOverSeveralBlocksAdvancesOncePerPulse",
     [](Rig& rig) {
       rig.host().setBlockSize(4);
       for (int32_t i = 0; i < 16; ++i) rig.host().buffer(Input)[i] = i % 2 == 0 ? kHigh : kLow;
       rig.call(0, 16);
     },
     {pulsesShowing(numbered(1, 8)), pulsesRising(counted(1, 8)), {}, 0}},

    // Block sizes and sample rates from the dispatcher.
    {"BlockSizeZeroIdlesAfterEveryCall",
     [](Rig& rig) {
       rig.host().setBlockSize(0);
       rig.between([&] { rig.host().sendPinStatus(Input, StatusStatic); });
       rig.pulses(2);
     },
     {pulsesShowing({1, 2}), pulsesRising({1, 2}), {{Output, StatusOneOff}}, 2}},
    {"NegativeBlockSizeIdlesAfterEveryCall",
     [](Rig& rig) {
       rig.host().setBlockSize(-1024);
       rig.between([&] { rig.host().sendPinStatus(Input, StatusStatic); });
       rig.pulses(2);
     },
     {pulsesShowing({1, 2}), pulsesRising({1, 2}), {{Output, StatusOneOff}}, 2}},
    {"HugeBlockSizeNeverIdles",
     [](Rig& rig) {
       rig.host().setBlockSize(INT32_MAX);
       rig.between([&] { rig.host().sendPinStatus(Input, StatusStatic); });
       rig.pulses(3);
     },
     {pulsesShowing({1, 2, 3}), pulsesRising({1, 2, 3}), {{Output, StatusOneOff}}, 0}},
    {"SampleRatesZeroNegativeAndNaNChangeNothing",
     [](Rig& rig) {
       for (float rate : {0.0f, -44100.0f, kNaN, kInf}) {
         rig.host().setSampleRate(rate);
         rig.pulse();
       }
     },
     {pulsesShowing({1, 2, 3, 4}), pulsesRising({1, 2, 3, 4}), {}, 0}},

    // Events.
    {"StatusesForPinsOutsideTheTableAreIgnored",
     [](Rig& rig) {
       for (int32_t pin : {21, -1, 256, INT32_MAX, INT32_MIN})
         rig.between([&] { rig.host().sendPinStatus(pin, StatusRunning); });
       rig.pulse();
     },
     {pulsesShowing({1}), pulsesRising({1}), {}, 0}},
    {"OddStatusesOfInputArePassedOnAsTheyAre",
     [](Rig& rig) {
       rig.host().fill(Input, kHigh);
       for (int32_t status : {-1, INT32_MIN, 7, INT32_MAX})
         rig.between([&] { rig.host().sendPinStatus(Input, status); });
     },
     {{}, {}, {{Output, -1}, {Output, INT32_MIN}, {Output, 7}, {Output, INT32_MAX}}, 0}},
    {"MidiAndUnknownEventsChangeNothing",
     [](Rig& rig) {
       for (int32_t message : {0x643C90, -1, 0x0000F8})
         rig.between([&] { rig.host().sendMidi(0, message); });
       for (int32_t type : {1, 3, -1, 1000}) {
         HostEvent event{};
         event.type = type;
         event.value = StatusRunning;
         event.argument = Input;
         rig.between([&] { rig.host().sendEvent(event); });
       }
       rig.pulse();
     },
     {pulsesShowing({1}), pulsesRising({1}), {}, 0}},

    // Dispatcher opcodes.
    {"UnknownOpcodesAnswerZeroAndChangeNothing",
     [](Rig& rig) {
       rig.pulse();
       for (int32_t opcode : {4, 5, 7, 9, 10, 11, 13, 100, -1, INT32_MIN, INT32_MAX})
         rig.between([&] { EXPECT_EQ(rig.host().dispatch(opcode, 1, 1), 0) << opcode; });
       rig.pulse();
     },
     {pulsesShowing({1, 2}), pulsesRising({1, 2}), {}, 0}},
    {"ASecondStartBeginsAgainAtStepOne",
     [](Rig& rig) {
       rig.pulses(3);
       rig.between([&] { rig.host().start(); });
       rig.pulse();
     },
     {pulsesShowing({1, 2, 3, 1}), pulsesRising({1, 2, 3, 1}), {}, 0}},
    {"AHostWithFewerPinsGetsNoOutputStatus",
     [](Rig& rig) {
       rig.host().setHostPinCount(5);
       rig.between([&] { rig.host().start(); });
       rig.between([&] { rig.host().sendPinStatus(Input, StatusRunning); });
       rig.pulse();
     },
     {pulsesShowing({1}), pulsesRising({1}), {}, 0}},
};

INSTANTIATE_TEST_SUITE_P(Rows, StepGateBadInput, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace stepgate_test
