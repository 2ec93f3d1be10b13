#include "HeldOutput.h"

#include <algorithm>

namespace nalto {

HeldOutput::HeldOutput(ModuleCore& owner, int32_t pinIndex) : owner_(owner), pinIndex_(pinIndex) {}

void HeldOutput::fill(int32_t offset, int32_t count) {
  // A pin the host never gave a buffer has nowhere to be written.
  if (samplesOwed_ <= 0 || buffer_ == nullptr) return;
  const int32_t n = std::max(std::min(samplesOwed_, count), int32_t{0});
  std::fill_n(buffer_ + offset, n, value_);
  samplesOwed_ -= n;
}

void HeldOutput::set(int32_t clock, float newValue) {
  const bool differs = newValue < value_ || newValue > value_;
  if (!differs) return;
  samplesOwed_ = owner_.blockSize();
  value_ = newValue;
  owner_.sendStatus(pinIndex_, clock, StatusOneOff);
}

}  // namespace nalto
