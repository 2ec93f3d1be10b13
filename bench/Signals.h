// Stream contents for the benchmarks.
#pragma once

#include <cstdint>

namespace nalto::bench {

// Buffers a benchmark sweeps through, one process call per block; an iteration is one sweep.
constexpr int32_t kSweepSamples = 4096;

// A square wave that changes between `high` and `low` every `samplesPerEdge` samples, high first.
void fillPulses(float* samples, int32_t count, int32_t samplesPerEdge, float high, float low);

}  // namespace nalto::bench
