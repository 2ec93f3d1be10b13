// Each module's benchmarks register themselves with the report that sums them up.
#pragma once

#include "SpeedReport.h"

namespace nalto::bench {

// The edge rates measured: typical ones and the worst, an edge every 2 samples.
inline constexpr int32_t kEdgeRates[] = {1000, 64, 2};
inline constexpr int32_t kBlockSizes[] = {64, 1024};

void registerStepgate(SpeedReport& report);
void registerArpline(SpeedReport& report);
void registerPacer(SpeedReport& report);

// "<module>/<routine>/block:<b>" and "<module>/<routine>/block:<b>/edge:<e>".
std::string blockName(const char* module, const char* routine, int32_t block);
std::string edgeName(const char* module, const char* routine, int32_t block, int32_t edge);

}  // namespace nalto::bench
