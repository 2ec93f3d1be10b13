#include "LimitKernels.h"

namespace nalto::bench {

int32_t countAtLeast(const float* samples, int32_t count, float threshold) {
  int32_t hits = 0;
  for (int32_t i = 0; i < count; ++i) hits += samples[i] >= threshold ? 1 : 0;
  return hits;
}

int32_t countAbove(const float* samples, int32_t count, float threshold) {
  int32_t hits = 0;
  for (int32_t i = 0; i < count; ++i) hits += samples[i] > threshold ? 1 : 0;
  return hits;
}

void copySamples(const float* from, float* to, int32_t count) {
  for (int32_t i = 0; i < count; ++i) to[i] = from[i];
}

void fillSamples(float* to, int32_t count, float value) {
  for (int32_t i = 0; i < count; ++i) to[i] = value;
}

}  // namespace nalto::bench
