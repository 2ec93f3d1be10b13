#include "StepGateModule.h"

#include "nalto/ModuleEntry.h"

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

struct PinRow {
  const char* name;
  int32_t direction;
  int32_t dataType;
  const char* defaultText;  // null: the description's field is left alone
  const char* listText;     // null: the description's field is left alone
};

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
  const PinRow& row = kPinTable[index];
  description.valueAddress = pinVariable(index);
  description.direction = row.direction;
  description.dataType = row.dataType;
  description.name = row.name;
  if (row.defaultText != nullptr) description.defaultText = row.defaultText;
  if (row.listText != nullptr) description.listText = row.listText;
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

void StepGateModule::processSteps(int32_t offset, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t position = offset + i;
    const bool gateHigh = inputBuffer[position] >= kGateThreshold;  // not a number reads low

    // Reset: a sample not above 0.0, not a number included, holds the step at 0. Else advance
    // on the first high sample of a pulse.
    if (!(resetBuffer[position] > 0.0f)) {
      stepNumber = 0;
    } else if (gateHigh && gateLatch == 0) {
      advance();
    }

    // Step output while the gate is high; gate low clears the latch and silences "Output".
    if (gateHigh) {
      outputBuffer[position] = gatedStepSample(position);
    } else {
      gateLatch = 0;
      outputBuffer[position] = 0.0f;
    }

    // Staircase.
    stairBuffer[position] = stairLevel;
  }
}

void StepGateModule::advance() {
  stairLevel += kStairRise;
  // Widened so that a list value of 32767 still wraps instead of overflowing the step number.
  const int32_t next = int32_t{stepNumber} + 1;
  if (next > stepCount) {
    stepNumber = 1;
    stairLevel = kStairRise;
  } else {
    stepNumber = static_cast<int16_t>(next);
  }
  gateLatch = 1;
}

// The selected step's sample exactly as it is; 0.0 when no step input is selected.
float StepGateModule::gatedStepSample(int32_t position) const {
  if (stepNumber < 1 || stepNumber > kStepInputCount) return 0.0f;
  return stepBuffers[stepNumber - 1][position];
}

}  // namespace nalto

NALTO_MODULE_LIBRARY(nalto::StepGateModule)
