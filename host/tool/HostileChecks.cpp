// Checks that hostile input never makes a call fail to end, crash, or write where it must not:
// odd stream values, every 16-bit list value, random MIDI, odd time information, any status.
#include <cfloat>
#include <cmath>
#include <limits>

#include "Checks.h"
#include "Workout.h"

namespace nalto::modhost {

namespace {

constexpr int32_t kBlocksPerValue = 4;
constexpr int32_t kBlocksOfMixedValues = 64;
constexpr int32_t kSweepBlockLength = 8;
constexpr size_t kMostCombinations = 8;
constexpr int32_t kMidiBlocks = 500;
constexpr int32_t kMostMidiPerBlock = 3;

const float kHostileSamples[] = {std::numeric_limits<float>::quiet_NaN(),
                                 -std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::denorm_min(),
                                 -1e-40f,
                                 FLT_MAX,
                                 -FLT_MAX,
                                 1e30f,
                                 -1e30f,
                                 -0.0f,
                                 2147483648.0f};
constexpr size_t kHostileSampleCount = sizeof kHostileSamples / sizeof kHostileSamples[0];

const double kHostileTempos[] = {0.0,   -120.0, std::nan(""), HUGE_VAL, -HUGE_VAL,
                                 1e-30, 1e30,   1e300,        4.9e-324, 120.0};
const double kHostilePositions[] = {std::nan(""), HUGE_VAL, -HUGE_VAL,    -1e30, 1e30,
                                    -1.5,         0.0,      2147483648.5, 1e18};
const int32_t kHostileFlags[] = {0, TransportRunning, -1};

uint32_t mixed(uint32_t a, uint32_t b) {
  uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u + (a << 6) + (a >> 2));
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return h ^ (h >> 12);
}

}  // namespace

CheckResult checkHostileStreams(const CheckContext& context) {
  CheckResult result("hostile-streams");
  host::ModuleLibrary library(context.path);
  auto bench = startedWorkbench(library, {48000.0f, 64, context.seed}, result);
  if (!bench) return result;
  for (int32_t pin : bench->streamInputs()) {
    for (float value : kHostileSamples) {
      bench->setInputSignal([pin, value](int32_t p, int64_t clock) {
        return p == pin ? value : Workbench::squareWave(p, clock);
      });
      for (int32_t i = 0; i < kBlocksPerValue; ++i) {
        bench->stir();
        bench->runBlock(CallPattern::RandomCounts);
      }
    }
  }
  const uint32_t seed = context.seed;
  bench->setInputSignal([seed](int32_t pin, int64_t clock) {
    const uint32_t pick = mixed(seed ^ static_cast<uint32_t>(pin), static_cast<uint32_t>(clock));
    return kHostileSamples[pick % kHostileSampleCount];
  });
  for (int32_t i = 0; i < kBlocksOfMixedValues; ++i) {
    bench->stir();
    bench->runBlock(CallPattern::RandomCounts);
  }
  summarizeBreaches(*bench, result);
  return result;
}

CheckResult checkHostileLists(const CheckContext& context) {
  CheckResult result("hostile-lists");
  host::ModuleLibrary library(context.path);
  auto bench = startedWorkbench(library, {48000.0f, kSweepBlockLength, context.seed}, result);
  if (!bench) return result;
  for (int32_t pin : bench->listPins()) {
    forListCombinations(*bench, pin, kMostCombinations, [&] {
      for (int32_t value = INT16_MIN; value <= INT16_MAX; ++value) {
        bench->setListValue(pin, static_cast<int16_t>(value));
        bench->sendMidi(0x640090 | static_cast<int32_t>(48 + (value & 15)) << 8);
        bench->runBlock(CallPattern::WholeBlock);
      }
    });
  }
  summarizeBreaches(*bench, result);
  const size_t lists = bench->listPins().size();
  result.note(std::to_string(lists) + (lists == 1 ? " list pin" : " list pins"));
  return result;
}

CheckResult checkHostileMidi(const CheckContext& context) {
  CheckResult result("hostile-midi");
  host::ModuleLibrary library(context.path);
  auto bench = startedWorkbench(library, {48000.0f, kSweepBlockLength, context.seed}, result);
  if (!bench) return result;
  auto& random = bench->random();
  forListCombinations(*bench, -1, kMostCombinations, [&] {
    for (int32_t block = 0; block < kMidiBlocks; ++block) {
      const auto messages = static_cast<int32_t>(random() % (kMostMidiPerBlock + 1));
      for (int32_t m = 0; m < messages; ++m)
        bench->sendMidi(static_cast<int32_t>(random()), static_cast<int16_t>(random()));
      bench->runBlock(CallPattern::RandomCounts);
    }
  });
  summarizeBreaches(*bench, result);
  return result;
}

CheckResult checkHostileTime(const CheckContext& context) {
  CheckResult result("hostile-time");
  host::ModuleLibrary library(context.path);
  auto bench = startedWorkbench(library, {48000.0f, 64, context.seed}, result);
  if (!bench) return result;
  bench->freezeTimeInfo(true);
  HostTimeInfo& time = bench->host().timeInfo();
  for (double tempo : kHostileTempos) {
    for (double position : kHostilePositions) {
      for (int32_t flags : kHostileFlags) {
        time.tempo = tempo;
        time.quarterNotePosition = position;
        time.flags = flags;
        bench->runBlock(CallPattern::RandomCounts);
        bench->runBlock(CallPattern::WholeBlock);
      }
    }
  }
  bench->host().setTimeInfoAvailable(false);
  for (int32_t i = 0; i < kBlocksPerValue; ++i) bench->runBlock(CallPattern::RandomCounts);
  summarizeBreaches(*bench, result);
  return result;
}

CheckResult checkHostileStatuses(const CheckContext& context) {
  CheckResult result("hostile-statuses");
  host::ModuleLibrary library(context.path);
  auto bench = startedWorkbench(library, {48000.0f, 64, context.seed}, result);
  if (!bench) return result;
  for (int32_t pin = 0; pin < static_cast<int32_t>(bench->pins().size()); ++pin) {
    for (int32_t status : {INT32_MIN, -1, 0, 1, 2, 3, 100, INT32_MAX}) {
      bench->sendPinStatus(pin, status);
      bench->runBlock(CallPattern::RandomCounts);
    }
  }
  summarizeBreaches(*bench, result);
  return result;
}

}  // namespace nalto::modhost
