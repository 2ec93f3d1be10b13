// The step gate's process routine in its plain per-sample form, on plain arrays: what the module's
// routine must give bit for bit, however it is written for speed.
#pragma once

#include <cstdint>

namespace stepgate_test {

struct StepGateStreams {
  const float* input;
  const float* steps[16];  // entry k - 1 belongs to step k
  const float* reset;
  float* output;
  float* stair;
};

struct ReferenceStepGate {
  // As start leaves them.
  int16_t stepNumber = 0;
  float stairLevel = 0.0f;
  uint8_t gateLatch = 0;

  void process(const StepGateStreams& streams, int16_t stepCount, int32_t offset, int32_t count);
};

}  // namespace stepgate_test
