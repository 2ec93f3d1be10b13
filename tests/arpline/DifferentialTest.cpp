// The module's gate routine against its plain per-sample form: random gates at every edge rate,
// random splits into process calls, and keys, switches and modes changing between calls; every
// "Pulse Out" bit and every message must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ArplineHost.h"
#include "ReferenceArpeggiator.h"
#include "common/RandomPlan.h"
#include "nalto/host/FloatBits.h"

namespace arpline_test {
namespace {

using nalto::host::bitsOf;
using nalto::host::HostInstance;
using nalto::host::SentMessage;

constexpr int32_t kLength = 4096;
constexpr int32_t kPasses = 6;  // buffers of fresh gates, one after the other
const float kNotANumber = std::numeric_limits<float>::quiet_NaN();
const float kInfinity = std::numeric_limits<float>::infinity();

using test_common::EdgeRate;

// The reference's host: the clock the stand-in host answers, and a log like its own.
class RecordingHost : public ReferenceHost {
 public:
  int32_t sampleClock() override { return clock; }
  void sendMidi(int32_t messageClock, int32_t message) override {
    sent.push_back({MidiOut, message, messageClock});
  }

  int32_t clock = 0;
  std::vector<SentMessage> sent;
};

class Scenario : public test_common::RandomPlan {
 public:
  using RandomPlan::RandomPlan;

  // "Gate": edges every `samplesPerEdge` samples, give or take a quarter, in every form of high
  // and low that the threshold must sort, 0.5 itself among them.
  void fillGate(float* gate, int32_t samplesPerEdge) {
    static const float highs[] = {1.0f, 0.5f, 5.0f, kInfinity};
    static const float lows[] = {0.0f, -0.0f, std::nextafter(0.5f, 0.0f), kNotANumber, -kInfinity};
    fillEdges(gate, kLength, samplesPerEdge, highs, lows);
  }

  // A key event (as many releases as presses, so the list often runs empty), now and then a
  // message of another kind, a system message or any 32-bit word.
  int32_t nextMessage() {
    const int32_t channel = uniform(0, 15);
    const int32_t key = uniform(36, 84);
    switch (uniform(0, 9)) {
      case 0:
        return static_cast<int32_t>(word());
      case 1:
        return 0xF8;
      case 2:
        return (0xB0 + channel) | key << 8 | uniform(0, 127) << 16;
      case 3:
      case 4:
      case 5:
      case 6:
        return (0x80 + channel) | key << 8;
      case 7:
        return (0x90 + channel) | uniform(120, 255) << 8 | 64 << 16;
      default:
        return (0x90 + channel) | key << 8 | uniform(1, 127) << 16;
    }
  }
};

class ArplineDifferential : public ::testing::TestWithParam<EdgeRate> {
 protected:
  ArplineDifferential() : host(arplineLibrary(), kLength) {}

  void SetUp() override {
    ASSERT_TRUE(host.made()) << arplineLibrary().error();
    host.start();
    setOnOff(1);
    pulse.resize(kLength);
  }

  void setOnOff(int16_t value) {
    host.setListValue(OnOff, value);
    reference.onOff = value;
  }
  void setMode(int16_t value) {
    host.setListValue(Mode, value);
    reference.mode = value;
  }

  // Both draw the same numbers from the C runtime's generator.
  template <class OnHost, class OnReference>
  void both(Scenario& scenario, OnHost onHost, OnReference onReference) {
    const uint32_t seed = scenario.word();
    host.clearLog();
    recorder.sent.clear();
    std::srand(seed);
    onHost();
    std::srand(seed);
    onReference();
  }

  ::testing::AssertionResult sameAfter(const std::string& what) {
    if (host.midiSent() != recorder.sent)
      return ::testing::AssertionFailure() << "different messages after " << what;
    for (int32_t i = 0; i < kLength; ++i) {
      if (bitsOf(host.buffer(PulseOut)[i]) != bitsOf(pulse[i]))
        return ::testing::AssertionFailure()
               << "\"Pulse Out\" sample " << i << " after " << what << ": "
               << host.buffer(PulseOut)[i] << " / " << pulse[i];
    }
    return ::testing::AssertionSuccess();
  }

  ::testing::AssertionResult midiBoth(Scenario& scenario) {
    const int32_t clock = static_cast<int32_t>(scenario.word());
    const int32_t message = scenario.nextMessage();
    both(
        scenario, [&] { host.sendMidi(clock, message); },
        [&] { reference.midiReceived(recorder, clock, message); });
    return sameAfter("message " + std::to_string(message));
  }

  ::testing::AssertionResult processBoth(Scenario& scenario, int32_t offset, int32_t count) {
    // Block starts near the top of the clock's range make the messages' clocks wrap.
    const auto blockStart = static_cast<int32_t>(
        scenario.chance(0.1) ? 0x7FFFFF00u + scenario.word() % 512u : scenario.word());
    host.setBlockStartClock(blockStart);
    recorder.clock =
        static_cast<int32_t>(static_cast<uint32_t>(blockStart) + static_cast<uint32_t>(offset));
    both(
        scenario, [&] { host.process(offset, count); },
        [&] {
          reference.processGate(recorder, host.buffer(Gate) + offset, pulse.data() + offset, count);
        });
    return sameAfter("process(" + std::to_string(offset) + ", " + std::to_string(count) + ")");
  }

  ::testing::AssertionResult betweenCalls(Scenario& scenario) {
    static const int16_t modes[] = {1, 2, 3, 4, 1, 2, 3, 4, 0, 5, -1};
    static const int16_t switches[] = {1, 1, 1, 0, 0, 2, -1};
    if (scenario.chance(0.05)) setMode(scenario.pick(modes));
    if (scenario.chance(0.03)) setOnOff(scenario.pick(switches));
    // Now and then a crowd of keys, more than the list holds.
    const int32_t messages = scenario.chance(0.004) ? 150 : scenario.uniform(0, 2);
    for (int32_t m = 0; m < messages; ++m) {
      ::testing::AssertionResult same = midiBoth(scenario);
      if (!same) return same;
    }
    return ::testing::AssertionSuccess();
  }

  HostInstance host;
  ReferenceArpeggiator reference;
  RecordingHost recorder;
  std::vector<float> pulse;
};

TEST_P(ArplineDifferential, EveryPulseBitAndMessageAgreesWithThePlainForm) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Scenario scenario(seed * 7919u + static_cast<uint32_t>(GetParam().samplesPerEdge));
    for (int32_t pass = 0; pass < kPasses; ++pass) {
      scenario.fillGate(host.buffer(Gate), GetParam().samplesPerEdge);
      for (int32_t i = 0; i < kLength; ++i) host.buffer(PulseOut)[i] = static_cast<float>(i);
      pulse.assign(host.buffer(PulseOut), host.buffer(PulseOut) + kLength);
      int32_t offset = 0;
      while (offset < kLength) {
        ASSERT_TRUE(betweenCalls(scenario)) << "pass " << pass;
        const int32_t count = std::min(scenario.nextCount(), kLength - offset);
        ASSERT_TRUE(processBoth(scenario, offset, count)) << "pass " << pass;
        offset += count;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EdgeRates, ArplineDifferential,
                         ::testing::ValuesIn(test_common::kEdgeRates), test_common::edgeRateName);

}  // namespace
}  // namespace arpline_test
