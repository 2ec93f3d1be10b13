// Drives one Nalto Stepgate instance through its library and the stand-in host, sample by sample
// or a block at a time.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "nalto/host/FloatBits.h"
#include "nalto/host/HostInstance.h"
#include "nalto/host/ModuleLibrary.h"

namespace stepgate_test {

// The pins as the host sees them.
enum Pin : int32_t {
  Input = 0,
  StepCount = 1,
  FirstStep = 2,
  ResetInput = 18,
  Output = 19,
  Stair = 20,
  PinCount = 21
};
constexpr int32_t stepPin(int32_t step) { return FirstStep + step - 1; }

constexpr float kHigh = 1.0f;
constexpr float kLow = 0.0f;
constexpr float kReleased = 10.0f;  // the "Reset" stream's default: never holds the step

using nalto::host::bitsOf;
using nalto::host::floatOf;

// The staircase level after `advances` rises of 0.1 in 32-bit float arithmetic from 0.0.
float risenLevel(int32_t advances);

const nalto::host::ModuleLibrary& stepGateLibrary();

struct Frame {
  float output;
  float stair;
};

// A started instance whose step input k carries the value k, so that "Output" shows the selected
// step's number while "Input" is high, and whose "Reset" stream stands at its default 10.
class StepGateTest : public ::testing::Test {
 protected:
  StepGateTest();

  // One sample at the cursor, in a call of its own; the cursor moves on.
  Frame sample(float reset, float input);
  Frame sample(float input) { return sample(kReleased, input); }
  // `count` rising pulses, each one sample high and one low; answers the frame of the last high.
  Frame pulses(int32_t count);
  void setStepCount(int16_t steps) { host.setListValue(StepCount, steps); }
  // Every step input carries the value of its own number.
  void numberStepInputs();

  nalto::host::HostInstance host;
  int32_t cursor = 0;
};

// The module's outputs over buffer positions [offset, offset + count).
std::vector<uint32_t> outputBits(nalto::host::HostInstance& host, int32_t pin, int32_t offset,
                                 int32_t count);

}  // namespace stepgate_test
