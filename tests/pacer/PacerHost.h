// Drives one Nalto Pacer instance through its library and the stand-in host, and records what
// its four outputs did, sample by sample.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "nalto/host/HostInstance.h"
#include "nalto/host/ModuleLibrary.h"

namespace pacer_test {

// The pins as the host sees them.
enum Pin : int32_t { PulseOut, BarStart, TempoOut, TransportRun, PulseDivide, PinCount };
constexpr int32_t kOutputCount = 4;

constexpr float kHigh = 0.5f;
constexpr float kLow = 0.0f;

const nalto::host::ModuleLibrary& pacerLibrary();

struct Setting {
  float sampleRate = 48000.0f;
  double tempo = 120.0;
  int16_t divide = 4;
};

// A started instance whose host buffers are long enough for one call of kLongestCall samples
// and whose block size is that long, so that after each call the buffers show every output
// sample of the call.
class PacerTest : public ::testing::Test {
 protected:
  static constexpr int32_t kLongestCall = 100000;
  static constexpr int32_t kFirstClock = 1000;  // sample clock of the first sample processed

  PacerTest();
  void begin(const Setting& setting);
  void begin() { begin(Setting{}); }

  // While the transport runs, the host's song position moves on with the samples processed,
  // starting from `position` at the next sample to be processed.
  void runTransportFrom(double position);
  void stopTransport();

  // One process call over buffer indexes 0 .. count - 1; the trace takes its samples.
  void call(int32_t count);
  // Calls of `callLength` samples until `samples` more have been processed.
  void run(int32_t samples, int32_t callLength);

  // Samples processed since start where `pin` took a new value (the first one compared with the
  // output's starting 0.0), and where it rose to kHigh.
  std::vector<int32_t> changes(Pin pin) const;
  std::vector<int32_t> rises(Pin pin) const;
  // Distances between consecutive changes of "Pulse Out".
  std::vector<int32_t> edgeGaps() const;
  float level(Pin pin, int32_t sample) const { return trace[pin].at(sample); }
  int32_t processed() const { return static_cast<int32_t>(trace[0].size()); }

  nalto::host::HostInstance host;
  std::vector<float> trace[kOutputCount];

 private:
  float sampleRate_ = 48000.0f;
  bool songRuns_ = false;
  double songPosition_ = 0.0;  // at the next sample to be processed
};

// Requests of one kind, in the order sent.
std::vector<nalto::host::LoggedRequest> requestsOf(const nalto::host::HostInstance& host,
                                                   int32_t request);
// Statuses sent for one pin.
std::vector<nalto::host::SentMessage> statusesOf(const nalto::host::HostInstance& host, Pin pin);

}  // namespace pacer_test
