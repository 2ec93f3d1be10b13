#include "StepGateHost.h"

namespace stepgate_test {

float risenLevel(int32_t advances) {
  volatile float level = 0.0f;  // each sum rounded to 32-bit float, whatever the compiler does
  for (int32_t i = 0; i < advances; ++i) level = level + 0.1f;
  return level;
}

const nalto::host::ModuleLibrary& stepGateLibrary() {
  static const nalto::host::ModuleLibrary library(nalto::host::modulePath("Nalto Stepgate"));
  return library;
}

StepGateTest::StepGateTest() : host(stepGateLibrary()) {
  if (!host.made()) {
    ADD_FAILURE() << "no instance: " << stepGateLibrary().error();
    return;
  }
  numberStepInputs();
  host.fill(ResetInput, kReleased);
  host.start();
}

void StepGateTest::numberStepInputs() {
  for (int32_t step = 1; step <= 16; ++step) host.fill(stepPin(step), static_cast<float>(step));
}

Frame StepGateTest::sample(float reset, float input) {
  if (cursor == host.bufferLength()) cursor = 0;
  host.buffer(ResetInput)[cursor] = reset;
  host.buffer(Input)[cursor] = input;
  host.process(cursor, 1);
  const Frame frame{host.buffer(Output)[cursor], host.buffer(Stair)[cursor]};
  ++cursor;
  return frame;
}

Frame StepGateTest::pulses(int32_t count) {
  Frame lastHigh{};
  for (int32_t i = 0; i < count; ++i) {
    lastHigh = sample(kHigh);
    sample(kLow);
  }
  return lastHigh;
}

std::vector<uint32_t> outputBits(nalto::host::HostInstance& host, int32_t pin, int32_t offset,
                                 int32_t count) {
  std::vector<uint32_t> bits;
  for (int32_t i = offset; i < offset + count; ++i) bits.push_back(bitsOf(host.buffer(pin)[i]));
  return bits;
}

}  // namespace stepgate_test
