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

// Walks the call a chunk of samples at a time. A chunk in which the rules change nothing joins the
// run before it: between two changes "Output" follows one step input or is 0.0 and "Pin vc" holds
// its level, so a run is written as one copy and one fill once a change ends it. A chunk with a
// change goes through the per-sample rules, in their quick form where "Reset" holds nowhere in it.
void StepGateModule::processSteps(int32_t offset, int32_t count) {
  const float* input = inputBuffer + offset;
  const float* reset = resetBuffer + offset;
  int32_t runFrom = 0;
  for (int32_t at = 0; at < count; at += kScanChunk) {
    const int32_t length = count - at < kScanChunk ? count - at : kScanChunk;
    // A NaN "Input" reads low; a "Reset" sample not above 0.0, not a number included, holds.
    const uint32_t high =
        sampleMask(at, length, [input](int32_t i) { return input[i] >= kGateThreshold; });
    const uint32_t held = sampleMask(at, length, [reset](int32_t i) { return !(reset[i] > 0.0f); });
    if (changesIn(high, held, length) == 0) continue;

    writeRun(offset, runFrom, at);
    if (held == 0) {
      processReleased(offset + at, length, high);
    } else {
      processSamples(offset, at, at + length);
    }
    runFrom = at + length;
  }
  writeRun(offset, runFrom, count);
}

// The samples of a chunk of `length` samples whose rules would change the step, the level or the
// latch, as bits of the chunk's masks of high "Input" and holding "Reset" samples.
uint32_t StepGateModule::changesIn(uint32_t high, uint32_t held, int32_t length) const {
  // A reset changes something only while a step is selected.
  const bool selected = stepNumber != 0;
  uint32_t changes;
  if (gateLatch != 0) {
    // Latched: the pulse's end opens the latch.
    changes = selected ? ~high | held : ~high;
  } else {
    // Open: a high sample advances unless a reset holds.
    changes = selected ? high | held : high & ~held;
  }
  return changes & chunkBitsBelow(length);
}

// Samples that change nothing: in a latched run "Input" is high throughout, so "Output" follows the
// selected step input; in an open run "Input" is low or no step is selected, so "Output" is 0.0.
void StepGateModule::writeRun(int32_t offset, int32_t from, int32_t to) {
  float* output = outputBuffer + offset;
  float* stair = stairBuffer + offset;
  const float level = stairLevel;  // a local copy, which no store into the buffers can change
  const float* step = selectedStep(stepNumber, offset);
  if (gateLatch != 0 && step != nullptr) {
    for (int32_t i = from; i < to; ++i) output[i] = step[i];
  } else {
    for (int32_t i = from; i < to; ++i) output[i] = 0.0f;
  }
  for (int32_t i = from; i < to; ++i) stair[i] = level;
}

// A chunk of `length` samples from `offset` on in which "Reset" holds nowhere. There every first
// high sample of a pulse advances and the latch after a sample is that sample's gate, so the
// advances come straight from the chunk's mask of high samples, and between two advances "Output"
// is the selected step input where "Input" is high and 0.0 elsewhere.
void StepGateModule::processReleased(int32_t offset, int32_t length, uint32_t high) {
  const uint32_t latchedBefore = (high << 1) | (gateLatch != 0 ? 1u : 0u);
  uint32_t advances = high & ~latchedBefore;
  int32_t from = 0;
  for (;;) {
    const int32_t to = advances == 0 ? length : lowestBit(advances);
    writeGated(offset, from, to, high);
    if (advances == 0) break;
    advance(stepNumber, stairLevel);
    advances &= advances - 1u;
    from = to;
  }
  gateLatch = static_cast<uint8_t>(high >> (length - 1) & 1u);
}

// Samples [from, to) of a chunk from `offset` on with one step selected throughout: "Output" is
// the step input where the chunk's `high` bit is set and 0.0 elsewhere, "Pin vc" the level.
void StepGateModule::writeGated(int32_t offset, int32_t from, int32_t to, uint32_t high) {
  float* output = outputBuffer + offset;
  float* stair = stairBuffer + offset;
  const float level = stairLevel;  // a local copy, which no store into the buffers can change
  const float* step = selectedStep(stepNumber, offset);
  for (int32_t k = from; k < to; ++k) {
    output[k] = (high & chunkBit(k)) != 0 && step != nullptr ? step[k] : 0.0f;
    stair[k] = level;
  }
}

// The per-sample rules over [from, to), for a chunk in which "Reset" holds somewhere. The state
// lives in locals meanwhile, where no store into a buffer can change it.
void StepGateModule::processSamples(int32_t offset, int32_t from, int32_t to) {
  const float* input = inputBuffer + offset;
  const float* reset = resetBuffer + offset;
  float* output = outputBuffer + offset;
  float* stair = stairBuffer + offset;
  int16_t step = stepNumber;
  float level = stairLevel;
  bool latched = gateLatch != 0;
  for (int32_t i = from; i < to; ++i) {
    const bool gateHigh = input[i] >= kGateThreshold;  // not a number reads low

    // Reset: a sample not above 0.0, not a number included, holds the step at 0. Else advance on
    // the first high sample of a pulse.
    if (!(reset[i] > 0.0f)) {
      step = 0;
    } else if (gateHigh && !latched) {
      advance(step, level);
      latched = true;
    }

    // Step output while the gate is high; gate low opens the latch and silences "Output".
    if (gateHigh) {
      output[i] = step >= 1 && step <= kStepInputCount ? stepBuffers[step - 1][offset + i] : 0.0f;
    } else {
      latched = false;
      output[i] = 0.0f;
    }

    // Staircase.
    stair[i] = level;
  }
  stepNumber = step;
  stairLevel = level;
  gateLatch = latched ? 1 : 0;
}

// The buffer of step input `step` from `offset` on, or null when `step` selects no step input.
const float* StepGateModule::selectedStep(int16_t step, int32_t offset) const {
  if (step < 1 || step > kStepInputCount) return nullptr;
  return stepBuffers[step - 1] + offset;
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
