#include "RealtimeWatch.h"
#include "nalto/host/AllocationCounter.h"

extern "C" int naltoRealtimeSectionOpen(void) { return nalto::host::realtimeSectionOpen() ? 1 : 0; }
