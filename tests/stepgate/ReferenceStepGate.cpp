#include "ReferenceStepGate.h"

namespace stepgate_test {

void ReferenceStepGate::process(const StepGateStreams& streams, int16_t stepCount, int32_t offset,
                                int32_t count) {
  for (int32_t i = offset; i < offset + count; ++i) {
    const bool high = streams.input[i] >= 0.5f;
    if (!(streams.reset[i] > 0.0f)) {
      stepNumber = 0;
    } else if (high && gateLatch == 0) {
      stairLevel += 0.1f;
      const int32_t next = stepNumber + 1;
      if (next > stepCount) {
        stepNumber = 1;
        stairLevel = 0.1f;
      } else {
        stepNumber = static_cast<int16_t>(next);
      }
      gateLatch = 1;
    }
    const bool selected = stepNumber >= 1 && stepNumber <= 16;
    streams.output[i] = high && selected ? streams.steps[stepNumber - 1][i] : 0.0f;
    if (!high) gateLatch = 0;
    streams.stair[i] = stairLevel;
  }
}

}  // namespace stepgate_test
