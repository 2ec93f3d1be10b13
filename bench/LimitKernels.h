// The least memory traffic a process routine's output needs, as plain loops over float arrays that
// the compiler vectorises: scan each input the routine must read, copy or fill each output it must
// write. A routine's cost is measured against these.
#pragma once

#include <cstdint>

namespace nalto::bench {

// Scans: each sample is read and compared once; the count keeps the scan from being optimised
// away.
int32_t countAtLeast(const float* samples, int32_t count, float threshold);
int32_t countAbove(const float* samples, int32_t count, float threshold);

void copySamples(const float* from, float* to, int32_t count);
void fillSamples(float* to, int32_t count, float value);

}  // namespace nalto::bench
