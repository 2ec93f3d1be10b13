#include "StepGateModule.h"

#include "nalto/ModuleEntry.h"
#include "nalto/PinRow.h"
#include "nalto/SampleScan.h"

namespace nalto {

namespace {

constexpr const char* kModuleName = "Nalto Stepgate";
constexpr const char* kAboutText =
    "Nalto Stepgate (auto reset)\n"
    "Written by the Nalto team\n"
    "Nalto Modules\n"
    "Copyright (c) the Nalto team\n"
    "Pulse VC Gate\n";

constexpr float kGateThreshold = 0.5f;
constexpr float kStairRise = 0.1f;  // bit pattern 0x3DCCCCCD, also the level of step 1

constexpr PinRow kPinTable[StepGatePinCount] = {
    {"Input", DirectionIn, DataStream, "0", nullptr},
    {"Reset", DirectionIn, DataList, "16", "range 1,16"},
    {"1", DirectionIn, DataStream, "10", nullptr},
    {"2", DirectionIn, DataStream, "10", nullptr},
    {"3", DirectionIn, DataStream, "10", nullptr},
    {"4", DirectionIn, DataStream, "10", nullptr},
    {"5", DirectionIn, DataStream, "10", nullptr},
    {"6", DirectionIn, DataStream, "10", nullptr},
    {"7", DirectionIn, DataStream, "10", nullptr},
    {"8", DirectionIn, DataStream, "10", nullptr},
    {"9", DirectionIn, DataStream, "10", nullptr},
    {"10", DirectionIn, DataStream, "10", nullptr},
    {"11", DirectionIn, DataStream, "10", nullptr},
    {"12", DirectionIn, DataStream, "10", nullptr},
    {"13", DirectionIn, DataStream, "10", nullptr},
    {"14", DirectionIn, DataStream, "10", nullptr},
    {"15", DirectionIn, DataStream, "10", nullptr},
    {"16", DirectionIn, DataStream, "10", nullptr},
    {"Reset", DirectionIn, DataStream, "10", nullptr},
    {"Output", DirectionOut, DataStream, nullptr, nullptr},
    {"Pin vc", DirectionOut, DataStream, nullptr, nullptr},
};

}  // namespace

void StepGateModule::fillModuleInfo(ModuleInfoRecord& info) {
  info.name = kModuleName;
  info.identifier = kModuleName;
  info.aboutText = kAboutText;
}

bool StepGateModule::describePin(int32_t index, PinDescription& description) {
  if (index < 0 || index >= StepGatePinCount) return false;
  describeFromRow(kPinTable[index], pinVariable(index), description);
  return true;
}

void* StepGateModule::pinVariable(int32_t index) {
  switch (index) {
    case PinInput:
      return &inputBuffer;
    case PinStepCount:
      return &stepCount;
    case PinResetInput:
      return &resetBuffer;
    case PinOutput:
      return &outputBuffer;
    case PinStair:
      return &stairBuffer;
    default:
      return &stepBuffers[index - PinFirstStep];
  }
}

void StepGateModule::start() {
  stepNumber = 0;
  stairLevel = 0.0f;
  gateLatch = 0;
  ModuleCore::start();
  setProcessRoutine(routine<&StepGateModule::processSteps>);
  // The host may write into the area while it answers; nothing here reads it.
  char scratch[HostStartupScratchBytes];
  callHost(HostStartupQuery, 0, 0, scratch, 0.0f);
}

// Whatever pin's status changed, "Output" and the routine follow the status of "Input".
void StepGateModule::pinStatusChanged(PinLink&) {
  followStatus<&StepGateModule::processSteps, &StepGateModule::settleCountdown>(PinInput,
                                                                                PinOutput);
}

// Walks from one change of state to the next. Between two changes "Output" follows one step input
// or is 0.0 and "Pin vc" holds its level, so each run between them is a copy and a fill; only the
// samples around changes go through the per-sample rules.
void StepGateModule::processSteps(int32_t offset, int32_t count) {
  if (count <= 0) return;
  int32_t from = 0;
  for (;;) {
    // Changes: sample by sample, from the call's start and from each change on, for as long as
    // changes come close together.
    from = processSamples(offset, from, count);
    if (from == count) return;

    // Run: the samples up to the next change of state.
    const int32_t change = nextChange(offset, from, count);
    writeRun(offset, from, change);
    from = change;
  }
}

// The first sample in [from, to) whose rules would change the step, the level or the latch.
int32_t StepGateModule::nextChange(int32_t offset, int32_t from, int32_t to) const {
  const float* input = inputBuffer + offset;
  const float* reset = resetBuffer + offset;
  const auto high = [input](int32_t i) { return input[i] >= kGateThreshold; };
  const auto holding = [reset](int32_t i) { return !(reset[i] > 0.0f); };
  // A reset changes something only while a step is selected.
  const bool selected = stepNumber != 0;
  if (gateLatch != 0) {
    // Latched: the pulse's end opens the latch.
    if (selected)
      return firstSampleWhere(from, to, [&](int32_t i) {
        const bool low = !high(i), held = holding(i);
        return low | held;
      });
    return firstSampleWhere(from, to, [&](int32_t i) { return !high(i); });
  }
  // Open: a high sample advances unless a reset holds.
  if (selected)
    return firstSampleWhere(from, to, [&](int32_t i) {
      const bool rise = high(i), held = holding(i);
      return rise | held;
    });
  return firstSampleWhere(from, to, [&](int32_t i) {
    const bool rise = high(i), free = !holding(i);
    return rise & free;
  });
}

// Samples that change nothing: in a latched run "Input" is high throughout, so "Output" follows the
// selected step input; in an open run "Input" is low or no step is selected, so "Output" is 0.0.
void StepGateModule::writeRun(int32_t offset, int32_t from, int32_t to) {
  float* output = outputBuffer + offset;
  float* stair = stairBuffer + offset;
  const float level = stairLevel;  // a local copy, which no store into the buffers can change
  if (gateLatch != 0 && stepNumber >= 1 && stepNumber <= kStepInputCount) {
    const float* step = stepBuffers[stepNumber - 1] + offset;
    for (int32_t i = from; i < to; ++i) output[i] = step[i];
  } else {
    for (int32_t i = from; i < to; ++i) output[i] = 0.0f;
  }
  for (int32_t i = from; i < to; ++i) stair[i] = level;
}

// The per-sample rules from `from` on, until kQuietBeforeScan samples in a row have changed
// nothing or `to` is reached; answers where it stopped. The state lives in locals meanwhile, where
// no store into a buffer can change it.
int32_t StepGateModule::processSamples(int32_t offset, int32_t from, int32_t to) {
  const float* input = inputBuffer + offset;
  const float* reset = resetBuffer + offset;
  float* output = outputBuffer + offset;
  float* stair = stairBuffer + offset;
  int16_t step = stepNumber;
  float level = stairLevel;
  bool latched = gateLatch != 0;
  int32_t quiet = 0;  // samples in a row that changed nothing
  int32_t i = from;
  for (; i < to && quiet < kQuietBeforeScan; ++i) {
    const bool gateHigh = input[i] >= kGateThreshold;  // not a number reads low
    bool changed = false;

    // Reset: a sample not above 0.0, not a number included, holds the step at 0. Else advance on
    // the first high sample of a pulse.
    if (!(reset[i] > 0.0f)) {
      changed = step != 0;
      step = 0;
    } else if (gateHigh && !latched) {
      advance(step, level);
      latched = true;
      changed = true;
    }

    // Step output while the gate is high; gate low opens the latch and silences "Output".
    if (gateHigh) {
      output[i] = step >= 1 && step <= kStepInputCount ? stepBuffers[step - 1][offset + i] : 0.0f;
    } else {
      changed = changed || latched;
      latched = false;
      output[i] = 0.0f;
    }

    // Staircase.
    stair[i] = level;
    quiet = changed ? 0 : quiet + 1;
  }
  stepNumber = step;
  stairLevel = level;
  gateLatch = latched ? 1 : 0;
  return i;
}

// One step on, back to step 1 after the last, with the staircase one rise higher or back at its
// first level.
void StepGateModule::advance(int16_t& step, float& level) const {
  level += kStairRise;
  // Widened so that a list value of 32767 still wraps instead of overflowing the step number.
  const int32_t next = int32_t{step} + 1;
  if (next > stepCount) {
    step = 1;
    level = kStairRise;
  } else {
    step = static_cast<int16_t>(next);
  }
}

}  // namespace nalto

NALTO_MODULE_LIBRARY(nalto::StepGateModule)
