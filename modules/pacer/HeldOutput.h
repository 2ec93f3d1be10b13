// One stream output whose value is a step function: it writes a new value into the host's buffer
// only until every position of the buffer holds it, and reports each change as a one-off status.
#pragma once

#include <cstdint>

#include "nalto/ModuleCore.h"

namespace nalto {

class HeldOutput {
 public:
  HeldOutput(ModuleCore& owner, int32_t pinIndex);
  HeldOutput(const HeldOutput&) = delete;
  HeldOutput& operator=(const HeldOutput&) = delete;

  // The pin variable: the owner names it in the pin's description and the host stores the
  // address of the pin's buffer into it.
  float** bufferVariable() { return &buffer_; }
  float value() const { return value_; }

  // [process call] Writes the held value into buffer[offset .. offset + count - 1] for as many
  // of those samples as are still owed since the last change.
  void fill(int32_t offset, int32_t count);

  // [process call or start] Holds `newValue` from sample clock `clock` on. A value equal to the
  // held one (NaN included, -0.0 equal to 0.0) changes nothing.
  void set(int32_t clock, float newValue);

 private:
  // The initial 0.0 is written this many times, whatever the block size.
  static constexpr int32_t kSamplesOwedAtConstruction = 200;

  float* buffer_ = nullptr;  // the host's buffer for the pin; never assigned by the module
  float value_ = 0.0f;       // the held value
  ModuleCore& owner_;        // gives the block size and sends the status
  int32_t pinIndex_;         // the host pin this holder serves
  int32_t samplesOwed_ = kSamplesOwedAtConstruction;  // samples fill still has to write
};

}  // namespace nalto
