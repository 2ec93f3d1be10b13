// A tempo clock written the obvious way, to measure the held outputs against: every sample it
// works out all four outputs and writes them.
#pragma once

#include <cstdint>

#include "nalto/HostTimeInfo.h"

namespace nalto::bench {

class NaiveClock {
 public:
  struct Outputs {
    float* pulse;
    float* bar;
    float* tempo;
    float* transport;
  };

  void render(const HostTimeInfo& info, float sampleRate, int32_t divide, const Outputs& outputs,
              int32_t count);

 private:
  double pulsePhase_ = 0.0;  // position within the current pulse, 0 up to 1
  int32_t pulseCount_ = 0;   // pulse within the beat
  int32_t beatCount_ = 0;    // beat within the bar
};

}  // namespace nalto::bench
