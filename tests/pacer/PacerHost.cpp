#include "PacerHost.h"

#include <algorithm>

#include "nalto/DispatchOpcode.h"
#include "nalto/HostRequest.h"

namespace pacer_test {

using nalto::host::HostInstance;
using nalto::host::LoggedRequest;
using nalto::host::ModuleLibrary;
using nalto::host::SentMessage;

const ModuleLibrary& pacerLibrary() {
  static const ModuleLibrary library(nalto::host::modulePath("Nalto Pacer"));
  return library;
}

PacerTest::PacerTest() : host(pacerLibrary(), kLongestCall) {}

void PacerTest::begin(const Setting& setting) {
  ASSERT_TRUE(host.alive()) << pacerLibrary().error();
  sampleRate_ = setting.sampleRate;
  host.setSampleRate(setting.sampleRate);
  host.setBlockSize(kLongestCall);
  host.setTempo(setting.tempo);
  host.setListValue(PulseDivide, setting.divide);
  host.setBlockStartClock(kFirstClock);
  host.start();
}

void PacerTest::runTransportFrom(double position) {
  songRuns_ = true;
  songPosition_ = position;
  host.setTransportRunning(true);
}

void PacerTest::stopTransport() {
  songRuns_ = false;
  host.setTransportRunning(false);
}

void PacerTest::call(int32_t count) {
  if (songRuns_) host.setSongPosition(songPosition_);
  host.processBlock(count);
  for (int32_t pin = 0; pin < kOutputCount; ++pin)
    trace[pin].insert(trace[pin].end(), host.buffer(pin), host.buffer(pin) + count);
  if (songRuns_) songPosition_ += count * host.timeInfo().tempo / (60.0 * sampleRate_);
}

void PacerTest::run(int32_t samples, int32_t callLength) {
  for (int32_t left = samples; left > 0; left -= callLength) call(std::min(left, callLength));
}

std::vector<int32_t> PacerTest::changes(Pin pin) const {
  std::vector<int32_t> at;
  float before = kLow;
  for (int32_t i = 0; i < processed(); ++i) {
    if (trace[pin][i] != before) at.push_back(i);
    before = trace[pin][i];
  }
  return at;
}

std::vector<int32_t> PacerTest::rises(Pin pin) const {
  std::vector<int32_t> at;
  for (int32_t i : changes(pin))
    if (trace[pin][i] == kHigh) at.push_back(i);
  return at;
}

std::vector<int32_t> PacerTest::edgeGaps() const {
  const std::vector<int32_t> edges = changes(PulseOut);
  std::vector<int32_t> gaps;
  for (size_t i = 1; i < edges.size(); ++i) gaps.push_back(edges[i] - edges[i - 1]);
  return gaps;
}

std::vector<LoggedRequest> requestsOf(const HostInstance& host, int32_t request) {
  std::vector<LoggedRequest> found;
  for (const LoggedRequest& r : host.requests())
    if (r.request == request) found.push_back(r);
  return found;
}

std::vector<SentMessage> statusesOf(const HostInstance& host, Pin pin) {
  std::vector<SentMessage> found;
  for (const SentMessage& m : host.statusesSent())
    if (m.pin == pin) found.push_back(m);
  return found;
}

}  // namespace pacer_test
