#include "Signals.h"

namespace nalto::bench {

void fillPulses(float* samples, int32_t count, int32_t samplesPerEdge, float high, float low) {
  for (int32_t i = 0; i < count; ++i) samples[i] = (i / samplesPerEdge) % 2 == 0 ? high : low;
}

}  // namespace nalto::bench
