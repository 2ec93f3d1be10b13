// Checks of process calls at every sample rate and block pattern: where outputs are written,
// that inputs stay untouched, and the clocks of what the module sends.
#include "Checks.h"
#include "Workout.h"

namespace nalto::modhost {

namespace {

CheckResult processingCheck(const char* id, const CheckContext& context, Breach kind) {
  CheckResult result(id);
  host::ModuleLibrary library(context.path);
  runProcessingMatrix(library, context.seed, result,
                      [&](const Workbench& bench) { reportBreaches(bench, result, {kind}); });
  if (!result.failed())
    result.note("44100, 48000 and 96000 Hz; blocks of 1, 64, 1024 and random counts");
  return result;
}

}  // namespace

CheckResult checkOutputWrites(const CheckContext& context) {
  return processingCheck("output-writes", context, Breach::OutputWrite);
}

CheckResult checkInputBuffers(const CheckContext& context) {
  return processingCheck("input-buffers", context, Breach::InputWrite);
}

CheckResult checkMessageClocks(const CheckContext& context) {
  return processingCheck("message-clocks", context, Breach::MessageClock);
}

}  // namespace nalto::modhost
