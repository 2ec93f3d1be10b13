#include "NaiveClock.h"

namespace nalto::bench {

void NaiveClock::render(const HostTimeInfo& info, float sampleRate, int32_t divide,
                        const Outputs& outputs, int32_t count) {
  const double pulsesPerSample = info.tempo * divide / (static_cast<double>(sampleRate) * 60.0);
  const auto tempoLevel = static_cast<float>(info.tempo * 0.1);
  const float transportLevel = (info.flags & TransportRunning) != 0 ? 1.0f : 0.0f;
  for (int32_t i = 0; i < count; ++i) {
    const bool high = pulsePhase_ < 0.5;
    outputs.pulse[i] = high ? 0.5f : 0.0f;
    outputs.bar[i] = high && pulseCount_ == 0 && beatCount_ == 0 ? 0.5f : 0.0f;
    outputs.tempo[i] = tempoLevel;
    outputs.transport[i] = transportLevel;
    pulsePhase_ += pulsesPerSample;
    if (pulsePhase_ >= 1.0) {
      pulsePhase_ -= 1.0;
      if (++pulseCount_ >= divide) {
        pulseCount_ = 0;
        beatCount_ = (beatCount_ + 1) % 4;
      }
    }
  }
}

}  // namespace nalto::bench
