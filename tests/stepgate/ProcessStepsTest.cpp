#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "StepGateHost.h"

namespace stepgate_test {
namespace {

const float kNotANumber = std::numeric_limits<float>::quiet_NaN();

// --- One sample from each state, row by row ---------------------------------------------------

// From step 2 at level 0.2, with the latch set or open, one sample with the given "Reset" and
// "Input"; then a probe sample ("Reset" released, "Input" high) that shows step and latch
// together: an open latch advances in the probe, a set one does not.
struct RowCase {
  const char* name;
  bool latchSet;
  float reset;
  float input;
  float output;   // of the row's sample (the step number, or 0.0)
  int32_t level;  // rises of 0.1 the staircase shows in the row's sample
  float probeOutput;
  int32_t probeLevel;
};

class StepGateRows : public StepGateTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(StepGateRows, OneSampleMovesStepLevelAndLatchAsTheRowSays) {
  const RowCase& row = GetParam();
  pulses(1);
  sample(kHigh);
  if (!row.latchSet) sample(kLow);

  const Frame after = sample(row.reset, row.input);
  EXPECT_EQ(bitsOf(after.output), bitsOf(row.output));
  EXPECT_EQ(bitsOf(after.stair), bitsOf(risenLevel(row.level)));

  const Frame probe = sample(kReleased, kHigh);
  EXPECT_EQ(bitsOf(probe.output), bitsOf(row.probeOutput));
  EXPECT_EQ(bitsOf(probe.stair), bitsOf(risenLevel(row.probeLevel)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StepGateRows,
    ::testing::Values(
        // "Reset" at or below 0.0, "Input" high: step 0, level kept, latch kept.
        RowCase{"HeldHighLatchOpen", false, 0.0f, kHigh, 0.0f, 2, 1.0f, 3},
        RowCase{"HeldHighLatchSet", true, -1.0f, 0.5f, 0.0f, 2, 0.0f, 2},
        RowCase{"HeldByNegativeZero", true, -0.0f, kHigh, 0.0f, 2, 0.0f, 2},
        RowCase{"HeldByNotANumber", false, kNotANumber, kHigh, 0.0f, 2, 1.0f, 3},
        // "Reset" at or below 0.0, "Input" low: step 0, level kept, latch opened.
        RowCase{"HeldLowOpensLatch", true, 0.0f, kLow, 0.0f, 2, 1.0f, 3},
        RowCase{"HeldNotANumberInputOpensLatch", true, 0.0f, kNotANumber, 0.0f, 2, 1.0f, 3},
        // Released, "Input" high, latch open: advance.
        RowCase{"ReleasedRisingAdvances", false, kReleased, 0.5f, 3.0f, 3, 3.0f, 3},
        RowCase{"ReleasedBySmallestPositive", false, std::numeric_limits<float>::denorm_min(),
                kHigh, 3.0f, 3, 3.0f, 3},
        // Released, "Input" high, latch set: nothing moves.
        RowCase{"ReleasedHighLatched", true, kReleased, kHigh, 2.0f, 2, 2.0f, 2},
        // Released, "Input" low: step kept, latch opened, "Output" 0.0.
        RowCase{"ReleasedLowOpensLatch", true, kReleased, kLow, 0.0f, 2, 3.0f, 3},
        RowCase{"ReleasedJustBelowHalf", true, kReleased, std::nextafter(0.5f, 0.0f), 0.0f, 2, 3.0f,
                3},
        RowCase{"ReleasedNotANumberInput", true, kReleased, kNotANumber, 0.0f, 2, 3.0f, 3},
        RowCase{"ReleasedLowLatchOpen", false, kReleased, -1.0f, 0.0f, 2, 3.0f, 3}),
    [](const ::testing::TestParamInfo<RowCase>& info) { return std::string(info.param.name); });

// --- Step sequences and the staircase ---------------------------------------------------------

using StepGateSteps = StepGateTest;

TEST_F(StepGateSteps, FourStepsWrapToOneAndTheStaircaseDropsBack) {
  setStepCount(4);
  const float steps[] = {1, 2, 3, 4, 1, 2};
  const uint32_t levels[] = {0x3DCCCCCD, 0x3E4CCCCD, 0x3E99999A,
                             0x3ECCCCCD, 0x3DCCCCCD, 0x3E4CCCCD};
  for (size_t i = 0; i < std::size(steps); ++i) {
    const Frame frame = pulses(1);
    EXPECT_EQ(frame.output, steps[i]) << "pulse " << i + 1;
    EXPECT_EQ(bitsOf(frame.stair), levels[i]) << "pulse " << i + 1;
  }
}

TEST_F(StepGateSteps, SixteenStepsClimbInFloatArithmetic) {
  for (int32_t step = 1; step <= 16; ++step) {
    const Frame frame = pulses(1);
    EXPECT_EQ(frame.output, static_cast<float>(step));
    EXPECT_EQ(bitsOf(frame.stair), bitsOf(risenLevel(step))) << "step " << step;
    if (step == 10) {
      EXPECT_EQ(bitsOf(frame.stair), 0x3F800001u);
    }
    if (step == 16) {
      EXPECT_EQ(bitsOf(frame.stair), 0x3FCCCCCFu);
    }
  }
  const Frame wrapped = pulses(1);
  EXPECT_EQ(wrapped.output, 1.0f);
  EXPECT_EQ(bitsOf(wrapped.stair), 0x3DCCCCCDu);
}

// A list value of 1, and values no list offers (0, negative), select step 1 on every pulse.
class StepGateSingleStep : public StepGateTest, public ::testing::WithParamInterface<int16_t> {};

TEST_P(StepGateSingleStep, EveryPulseSelectsStepOne) {
  setStepCount(GetParam());
  for (int32_t pulse = 1; pulse <= 5; ++pulse) {
    const Frame frame = pulses(1);
    EXPECT_EQ(frame.output, 1.0f) << "pulse " << pulse;
    EXPECT_EQ(bitsOf(frame.stair), 0x3DCCCCCDu) << "pulse " << pulse;
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, StepGateSingleStep,
                         ::testing::Values(int16_t{1}, int16_t{0}, int16_t{-1}, INT16_MIN));

TEST_F(StepGateSteps, StepsBeyondSixteenGiveZeroWhileTheStaircaseClimbs) {
  setStepCount(20);  // more than the list offers
  host.fill(Output, 7.0f);
  pulses(16);
  for (int32_t step = 17; step <= 20; ++step) {
    const Frame frame = pulses(1);
    EXPECT_EQ(bitsOf(frame.output), 0u) << "step " << step;
    EXPECT_EQ(bitsOf(frame.stair), bitsOf(risenLevel(step)));
  }
  EXPECT_EQ(pulses(1).output, 1.0f);
}

TEST_F(StepGateSteps, TheLargestListValueStillWraps) {
  setStepCount(INT16_MAX);
  host.fill(Output, 7.0f);
  pulses(INT16_MAX - 1);
  const Frame last = pulses(1);
  EXPECT_EQ(bitsOf(last.output), 0u);
  EXPECT_EQ(bitsOf(last.stair), bitsOf(risenLevel(INT16_MAX)));

  const Frame wrapped = pulses(1);
  EXPECT_EQ(wrapped.output, 1.0f);
  EXPECT_EQ(bitsOf(wrapped.stair), 0x3DCCCCCDu);
}

TEST_F(StepGateSteps, TheListIsReadAtEveryAdvance) {
  pulses(8);
  sample(kHigh);  // step 9, still high
  setStepCount(4);
  EXPECT_EQ(sample(kHigh).output, 9.0f) << "a held pulse keeps its step";
  sample(kLow);
  const Frame wrapped = pulses(1);
  EXPECT_EQ(wrapped.output, 1.0f);
  EXPECT_EQ(bitsOf(wrapped.stair), 0x3DCCCCCDu);

  pulses(3);
  setStepCount(6);
  EXPECT_EQ(pulses(1).output, 5.0f);
}

TEST_F(StepGateSteps, AHighInputHeldForManyBlocksAdvancesOnce) {
  host.fill(Input, kHigh);
  for (int32_t block = 0; block < 5; ++block) host.process(0, host.bufferLength());
  const std::vector<uint32_t> ones(static_cast<size_t>(host.bufferLength()), bitsOf(1.0f));
  EXPECT_EQ(outputBits(host, Output, 0, host.bufferLength()), ones);
  EXPECT_EQ(outputBits(host, Stair, 0, host.bufferLength()),
            std::vector<uint32_t>(ones.size(), 0x3DCCCCCDu));
  cursor = 0;
  sample(kLow);
  EXPECT_EQ(sample(kHigh).output, 2.0f);
}

// --- The "Reset" stream -----------------------------------------------------------------------

TEST_F(StepGateSteps, AResetHoldsStepZeroAndKeepsTheLevel) {
  pulses(5);
  host.fill(Output, 7.0f);
  for (float held : {0.0f, -0.0f, -5.0f, kNotANumber}) {
    const Frame high = sample(held, kHigh);
    EXPECT_EQ(bitsOf(high.output), 0u) << held;
    EXPECT_EQ(high.stair, risenLevel(5));
    const Frame low = sample(held, kLow);
    EXPECT_EQ(bitsOf(low.output), 0u);
    EXPECT_EQ(low.stair, risenLevel(5));
  }
  const Frame resumed = pulses(1);
  EXPECT_EQ(resumed.output, 1.0f);
  EXPECT_EQ(bitsOf(resumed.stair), 0x3F19999Au);
}

TEST_F(StepGateSteps, AfterAResetTheStaircaseClimbsOnUntilTheNextWrap) {
  pulses(5);
  sample(0.0f, kLow);
  for (int32_t step = 1; step <= 16; ++step) {
    const Frame frame = pulses(1);
    EXPECT_EQ(frame.output, static_cast<float>(step));
    EXPECT_EQ(bitsOf(frame.stair), bitsOf(risenLevel(5 + step))) << "step " << step;
  }
  EXPECT_NEAR(risenLevel(21), 2.1f, 1e-5f);
  const Frame wrapped = pulses(1);
  EXPECT_EQ(wrapped.output, 1.0f);
  EXPECT_EQ(bitsOf(wrapped.stair), 0x3DCCCCCDu);
}

TEST_F(StepGateSteps, APulseThatBeganBeforeAResetWaitsForTheNextRise) {
  pulses(3);
  sample(kHigh);  // step 4, latched
  sample(0.0f, kHigh);
  EXPECT_EQ(bitsOf(sample(kReleased, kHigh).output), 0u) << "still step 0, no advance";
  sample(kLow);
  const Frame next = sample(kHigh);
  EXPECT_EQ(next.output, 1.0f);
  EXPECT_EQ(bitsOf(next.stair), bitsOf(risenLevel(5)));
}

TEST_F(StepGateSteps, AHighInputAdvancesInTheFirstSampleAfterAReset) {
  pulses(3);
  sample(0.0f, kLow);
  sample(0.0f, kHigh);  // held: no advance, latch stays open
  const Frame released = sample(kReleased, kHigh);
  EXPECT_EQ(released.output, 1.0f);
  EXPECT_EQ(bitsOf(released.stair), bitsOf(risenLevel(4)));
}

// --- What "Output" carries --------------------------------------------------------------------

TEST_F(StepGateSteps, OutputFollowsTheSelectedStepWhileHighAndIsZeroWhileLow) {
  host.fill(Output, 7.0f);
  float* stepOne = host.buffer(stepPin(1));
  for (int32_t i = 0; i < 40; ++i) {
    stepOne[i] = 0.25f * static_cast<float>(i) - 3.0f;
    host.buffer(Input)[i] = i < 20 ? kHigh : kLow;
  }
  host.process(0, 40);
  for (int32_t i = 0; i < 40; ++i) {
    const float expected = i < 20 ? stepOne[i] : 0.0f;
    EXPECT_EQ(bitsOf(host.buffer(Output)[i]), bitsOf(expected)) << "sample " << i;
  }
}

TEST_F(StepGateSteps, OutputCarriesTheStepSampleExactlyAsItIs) {
  const uint32_t patterns[] = {0x00000000u, 0x80000000u, 0x7FC01234u, 0xFFC00001u,
                               0x7F800000u, 0x00000001u, 0xC0600000u};
  const int32_t count = static_cast<int32_t>(std::size(patterns));
  host.fill(Input, kHigh);
  for (int32_t i = 0; i < count; ++i) host.buffer(stepPin(1))[i] = floatOf(patterns[i]);
  host.process(0, count);
  EXPECT_EQ(outputBits(host, Output, 0, count),
            std::vector<uint32_t>(std::begin(patterns), std::end(patterns)));
}

}  // namespace
}  // namespace stepgate_test
