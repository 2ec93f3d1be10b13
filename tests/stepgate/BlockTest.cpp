#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "StepGateHost.h"

namespace stepgate_test {
namespace {

using nalto::host::HostInstance;

constexpr float kUnwritten = 7.0f;

class StepGateBlocks : public StepGateTest {
 protected:
  void markOutputsUnwritten() {
    host.fill(Output, kUnwritten);
    host.fill(Stair, kUnwritten);
  }
  bool guardsIntact() {
    for (int32_t pin = 0; pin < PinCount; ++pin)
      if (!host.guardsIntact(pin)) return false;
    return true;
  }
};

TEST_F(StepGateBlocks, ACountOfZeroOrLessTouchesNothing) {
  markOutputsUnwritten();
  host.fill(Input, kHigh);
  for (int32_t count : {0, -1, -4096, INT32_MIN}) host.process(10, count);
  const std::vector<uint32_t> unwritten(static_cast<size_t>(host.bufferLength()),
                                        bitsOf(kUnwritten));
  EXPECT_EQ(outputBits(host, Output, 0, host.bufferLength()), unwritten);
  EXPECT_EQ(outputBits(host, Stair, 0, host.bufferLength()), unwritten);
  EXPECT_TRUE(guardsIntact());

  host.process(10, 1);
  EXPECT_EQ(host.buffer(Output)[10], 1.0f) << "the first advance is still to come";
  EXPECT_EQ(host.buffer(Stair)[10], 0.1f);
}

TEST_F(StepGateBlocks, ACallReadsAndWritesOnlyItsOwnSamples) {
  markOutputsUnwritten();
  for (int32_t i = 100; i < 104; ++i) host.buffer(Input)[i] = kHigh;
  host.process(100, 8);

  const std::vector<uint32_t> expectedOutput = {
      bitsOf(1.0f), bitsOf(1.0f), bitsOf(1.0f), bitsOf(1.0f), 0u, 0u, 0u, 0u};
  EXPECT_EQ(outputBits(host, Output, 100, 8), expectedOutput);
  EXPECT_EQ(outputBits(host, Stair, 100, 8), std::vector<uint32_t>(8, 0x3DCCCCCDu));
  EXPECT_EQ(host.buffer(Output)[99], kUnwritten);
  EXPECT_EQ(host.buffer(Output)[108], kUnwritten);
  EXPECT_EQ(host.buffer(Stair)[99], kUnwritten);
  EXPECT_EQ(host.buffer(Stair)[108], kUnwritten);
  EXPECT_TRUE(guardsIntact());
}

TEST_F(StepGateBlocks, APulseSpanningSeveralCallsAdvancesOnce) {
  for (int32_t i = 60; i < 200; ++i) host.buffer(Input)[i] = kHigh;
  for (int32_t offset = 0; offset < 256; offset += 64) host.process(offset, 64);
  for (int32_t i = 60; i < 200; ++i) ASSERT_EQ(host.buffer(Output)[i], 1.0f) << "sample " << i;
  EXPECT_EQ(host.buffer(Output)[200], 0.0f);
  EXPECT_EQ(host.buffer(Stair)[255], 0.1f);
}

// A long, busy signal: pulses of random width, moving step voltages, resets, odd values.
void writeBusySignal(HostInstance& host, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int32_t> width(1, 40);
  std::uniform_real_distribution<float> voltage(-10.0f, 10.0f);
  std::uniform_int_distribution<int32_t> oneIn(0, 49);
  const int32_t length = host.bufferLength();
  bool high = false;
  for (int32_t at = 0; at < length;) {
    const int32_t end = std::min(length, at + width(random));
    const bool resetHeld = oneIn(random) < 5;
    for (; at < end; ++at) {
      host.buffer(Input)[at] = oneIn(random) == 0 ? std::nanf("") : (high ? 0.5f : 0.49f);
      host.buffer(ResetInput)[at] = resetHeld ? 0.0f : 1.0f;
    }
    high = !high;
  }
  for (int32_t step = 1; step <= 16; ++step)
    for (int32_t at = 0; at < length; ++at) host.buffer(stepPin(step))[at] = voltage(random);
}

struct Rendering {
  std::vector<uint32_t> output;
  std::vector<uint32_t> stair;
  bool operator==(const Rendering& other) const {
    return output == other.output && stair == other.stair;
  }
};

// Renders the busy signal with a fresh instance, in calls whose counts `nextCount` chooses.
template <class NextCount>
Rendering render(uint32_t seed, NextCount nextCount) {
  HostInstance host(stepGateLibrary());
  EXPECT_TRUE(host.made());
  if (!host.made()) return {};
  writeBusySignal(host, seed);
  host.setListValue(StepCount, 5);
  host.start();
  host.clearLog();
  const int32_t length = host.bufferLength();
  for (int32_t offset = 0; offset < length;) {
    const int32_t count = std::min(nextCount(), length - offset);
    host.process(offset, count);
    offset += count;
  }
  EXPECT_EQ(host.realtimeAllocations(), 0);
  EXPECT_EQ(host.requestCodes(), std::vector<int32_t>{});
  for (int32_t pin = 0; pin < PinCount; ++pin) EXPECT_TRUE(host.guardsIntact(pin));
  return {outputBits(host, Output, 0, length), outputBits(host, Stair, 0, length)};
}

TEST(StepGateSplits, AnySplitIntoCallsGivesTheSameSamples) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const Rendering whole = render(seed, [] { return INT32_MAX; });
    EXPECT_TRUE(whole == render(seed, [] { return 1; })) << "one sample per call";

    std::mt19937 random(seed * 7919u);
    std::uniform_int_distribution<int32_t> count(0, 70);
    EXPECT_TRUE(whole == render(seed, [&] { return count(random); })) << "random splits";
  }
}

TEST(StepGateSplits, TheBusySignalExercisesEveryPath) {
  const Rendering whole = render(1u, [] { return INT32_MAX; });
  int32_t zeros = 0, carried = 0, wraps = 0;
  for (size_t i = 0; i < whole.output.size(); ++i) {
    zeros += whole.output[i] == 0u;
    carried += whole.output[i] != 0u;
    wraps += whole.stair[i] == 0x3DCCCCCDu && (i == 0 || whole.stair[i - 1] != 0x3DCCCCCDu);
  }
  EXPECT_GT(zeros, 100);
  EXPECT_GT(carried, 100);
  EXPECT_GT(wraps, 3);
}

}  // namespace
}  // namespace stepgate_test
