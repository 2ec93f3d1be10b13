// Nalto Stepgate: every rising pulse on "Input" selects the next of sixteen step inputs, which
// "Output" carries while the pulse is high; "Pin vc" is a staircase that rises with every step.
#pragma once

#include <cstdint>

#include "nalto/ModuleCore.h"
#include "nalto/ModuleInfoRecord.h"

namespace nalto {

enum StepGatePin : int32_t {
  PinInput = 0,        // the pulse that advances and gates
  PinStepCount = 1,    // list "Reset": number of steps before starting again at 1
  PinFirstStep = 2,    // step inputs "1" to "16" are pins 2 to 17
  PinResetInput = 18,  // stream "Reset": holds the step at 0 while not above 0.0
  PinOutput = 19,      // the selected step while the pulse is high, else 0.0
  PinStair = 20,       // "Pin vc"
  StepGatePinCount = 21
};

inline constexpr int32_t kStepInputCount = 16;

class StepGateModule : public ModuleCore {
 public:
  StepGateModule(HostCallback callback, void* hostHandle) : ModuleCore(callback, hostHandle) {}
  ~StepGateModule() override = default;

  static void fillModuleInfo(ModuleInfoRecord& info);

  void pinStatusChanged(PinLink& link) override;
  void start() override;
  bool describePin(int32_t index, PinDescription& description) override;

 private:
  void* pinVariable(int32_t index);
  void processSteps(int32_t offset, int32_t count);
  uint32_t changesIn(uint32_t high, uint32_t held, int32_t length) const;
  void writeRun(int32_t offset, int32_t from, int32_t to);
  void processReleased(int32_t offset, int32_t length, uint32_t high);
  void writeGated(int32_t offset, int32_t from, int32_t to, uint32_t high);
  void processSamples(int32_t offset, int32_t from, int32_t to);
  const float* selectedStep(int16_t step, int32_t offset) const;
  void advance(int16_t& step, float& level) const;

  // Pin variables: the host writes them, the module only reads them.
  float* inputBuffer{};
  float* stepBuffers[kStepInputCount]{};  // entry k - 1 belongs to step k
  float* resetBuffer{};
  float* outputBuffer{};
  float* stairBuffer{};

  int32_t settleCountdown{};  // samples left before settling asks the host to idle
  int16_t stepNumber{};       // 0: no step selected; otherwise the step "Output" follows
  float stairLevel{};         // running sum written to "Pin vc"
  uint8_t gateLatch{};        // 1 from an advance until "Input" falls below 0.5
  int16_t stepCount{};        // pin variable of the list "Reset": 1 to 16 from the host's list
};

}  // namespace nalto
