#include "ArplineHost.h"

#include <algorithm>
#include <ostream>

namespace arpline_test {

using nalto::host::HostInstance;
using nalto::host::ModuleLibrary;
using nalto::host::SentMessage;

const ModuleLibrary& arplineLibrary() {
  static const ModuleLibrary library(nalto::host::modulePath("Nalto Arpline"));
  return library;
}

bool Step::pulsed() const {
  for (int32_t i = 0; i < kLength; ++i) {
    if (pulse[static_cast<size_t>(i)] != (i >= kFall ? 1.0f : 0.0f)) return false;
  }
  return true;
}

bool Step::silentPulse() const {
  return std::all_of(pulse.begin(), pulse.end(), [](float value) { return value == 0.0f; });
}

int32_t Step::playedKey() const {
  for (const SentMessage& message : midi) {
    if ((message.value >> 16) == kStepVelocity) return (message.value >> 8) & 0xFF;
  }
  return -1;
}

ArplineTest::ArplineTest() : host(arplineLibrary()) {}

void ArplineTest::SetUp() {
  ASSERT_TRUE(host.made()) << arplineLibrary().error();
  host.start();
  setOnOff(1);
  host.clearLog();
}

void ArplineTest::TearDown() {
  EXPECT_EQ(host.realtimeAllocations(), 0) << "events and process calls must not allocate";
  EXPECT_TRUE(host.guardsIntact(Gate));
  EXPECT_TRUE(host.guardsIntact(PulseOut));
}

void ArplineTest::pressKeys(std::initializer_list<int32_t> keys, int32_t channel) {
  for (int32_t key : keys) midi(pack(0x90 + channel, key, 90));
}

void ArplineTest::releaseKey(int32_t key, int32_t channel) { midi(pack(0x80 + channel, key, 0)); }

Step ArplineTest::step() {
  Step result;
  result.blockStart = host.blockStartClock();
  result.midi = run({0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f});
  result.pulse = pulseOut(Step::kLength);
  return result;
}

std::vector<Step> ArplineTest::steps(int32_t count) {
  std::vector<Step> result;
  for (int32_t i = 0; i < count; ++i) result.push_back(step());
  return result;
}

std::vector<int32_t> ArplineTest::playedKeys(int32_t count) {
  std::vector<int32_t> keys;
  for (const Step& s : steps(count)) keys.push_back(s.playedKey());
  return keys;
}

std::vector<SentMessage> ArplineTest::run(std::initializer_list<float> gate) {
  std::copy(gate.begin(), gate.end(), host.buffer(Gate));
  host.clearLog();
  host.processBlock(static_cast<int32_t>(gate.size()));
  return host.midiSent();
}

std::vector<float> ArplineTest::pulseOut(int32_t count) const {
  const float* samples = host.pin(PulseOut).samples;
  return std::vector<float>(samples, samples + count);
}

}  // namespace arpline_test

namespace nalto::host {

bool operator==(const SentMessage& a, const SentMessage& b) {
  return a.pin == b.pin && a.value == b.value && a.clock == b.clock;
}

void PrintTo(const SentMessage& message, std::ostream* out) {
  *out << "{pin " << message.pin << ", message 0x" << std::hex << message.value << std::dec
       << ", clock " << message.clock << "}";
}

}  // namespace nalto::host
