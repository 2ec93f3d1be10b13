// Nalto Arpline: processGate through the library and the stand-in host with three keys held, its
// plain per-sample form sending through the same host, and the limit kernel: scan "Gate", fill
// "Pulse Out".
#include <cstdint>

#include "Benchmarks.h"
#include "LimitKernels.h"
#include "Signals.h"
#include "arpline/ReferenceArpeggiator.h"
#include "nalto/HostRequest.h"
#include "nalto/host/HostInstance.h"

namespace nalto::bench {

namespace {

using host::HostInstance;
using host::ModuleLibrary;

enum Pin : int32_t { Gate = 1, OnOff = 2, MidiOut = 4, PulseOut = 5 };
const int32_t kKeyPresses[] = {0x5A3C90, 0x5A4090, 0x5A4390};  // keys 60, 64, 67, velocity 90

const ModuleLibrary& library() {
  static const ModuleLibrary loaded(host::modulePath("Nalto Arpline"));
  return loaded;
}

// A started instance, switched on, with three keys held and "Gate" pulsing with an edge every
// `samplesPerEdge` samples.
void prepare(HostInstance& host, int32_t samplesPerEdge) {
  host.start();
  host.setListValue(OnOff, 1);
  for (int32_t message : kKeyPresses) host.sendMidi(0, message);
  fillPulses(host.buffer(Gate), kSweepSamples, samplesPerEdge, 1.0f, 0.0f);
}

// The plain form's requests go through the host's callback, as the module's do.
class ForwardingHost : public arpline_test::ReferenceHost {
 public:
  explicit ForwardingHost(HostInstance& host) : host_(host) {}
  int32_t sampleClock() override {
    return static_cast<int32_t>(host_.request(HostGetSampleClock, 0, 0, nullptr, 0.0f));
  }
  void sendMidi(int32_t clock, int32_t message) override {
    host_.request(HostSendMidi, MidiOut, message,
                  reinterpret_cast<void*>(static_cast<intptr_t>(clock)), 0.0f);
  }

 private:
  HostInstance& host_;
};

void processGate(benchmark::State& state, int32_t block, int32_t samplesPerEdge) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, samplesPerEdge);
  for (auto _ : state) {
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) host.process(offset, block);
    host.clearLog();
  }
}

void plainLoop(benchmark::State& state, int32_t block, int32_t samplesPerEdge) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, samplesPerEdge);
  ForwardingHost forwarding(host);
  arpline_test::ReferenceArpeggiator reference;
  reference.onOff = 1;
  for (int32_t message : kKeyPresses) reference.midiReceived(forwarding, 0, message);
  const float* gate = host.buffer(Gate);
  float* pulse = host.buffer(PulseOut);
  for (auto _ : state) {
    for (int32_t offset = 0; offset < kSweepSamples; offset += block)
      reference.processGate(forwarding, gate + offset, pulse + offset, block);
    host.clearLog();
  }
}

void limitKernel(benchmark::State& state, int32_t block) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, 64);
  const float* gate = host.buffer(Gate);
  float* pulse = host.buffer(PulseOut);
  for (auto _ : state) {
    int32_t hits = 0;
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) {
      hits += countAtLeast(gate + offset, block, 0.5f);
      fillSamples(pulse + offset, block, 0.0f);
    }
    benchmark::DoNotOptimize(hits);
    benchmark::ClobberMemory();
  }
}

}  // namespace

void registerArpline(SpeedReport& report) {
  for (int32_t block : kBlockSizes) {
    const std::string limit = blockName("arpline", "limit", block);
    benchmark::RegisterBenchmark(limit.c_str(), limitKernel, block);
    report.addMeasure({limit, kSweepSamples, ""});
    for (int32_t edge : kEdgeRates) {
      const std::string fast = edgeName("arpline", "processGate", block, edge);
      const std::string plain = edgeName("arpline", "plain", block, edge);
      benchmark::RegisterBenchmark(fast.c_str(), processGate, block, edge);
      benchmark::RegisterBenchmark(plain.c_str(), plainLoop, block, edge);
      report.addMeasure({fast, kSweepSamples, limit});
      report.addMeasure({plain, kSweepSamples, limit});
      const std::string where =
          " (block " + std::to_string(block) + ", edge every " + std::to_string(edge) + ")";
      if (edge == 2) {
        report.addGoal({"processGate / plain loop" + where, fast, plain, 1.0,
                        "no slower than the plain loop (<= 1)"});
      } else {
        report.addGoal({"processGate / limit kernel" + where, fast, limit, 2.0, "<= 2"});
      }
    }
  }
}

}  // namespace nalto::bench
