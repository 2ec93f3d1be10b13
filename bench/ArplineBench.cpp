// Nalto Arpline: processGate through the library and the stand-in host with three keys held, its
// plain per-sample form sending through the framework to the same host, and the limit kernel: the
// host's call, scan "Gate", fill "Pulse Out" and hand the host the notes.
#include <cstdint>
#include <vector>

#include "Benchmarks.h"
#include "LimitKernels.h"
#include "Signals.h"
#include "arpline/ReferenceArpeggiator.h"
#include "nalto/HostRequest.h"
#include "nalto/ModuleCore.h"
#include "nalto/host/HostInstance.h"

namespace nalto::bench {

namespace {

using host::HostInstance;
using host::ModuleLibrary;

enum Pin : int32_t { Gate = 1, OnOff = 2, MidiOut = 4, PulseOut = 5, kPinCount = 6 };
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

// The plain form's requests take the module's own way to the host: through a module core of the
// framework, made with the host's callback, whose "MIDI Out" is set up as the module's is.
class FrameworkHost : public arpline_test::ReferenceHost, private ModuleCore {
 public:
  explicit FrameworkHost(HostInstance& host) : ModuleCore(HostInstance::callbackEntry(), &host) {
    ModuleCore::start();
  }
  int32_t sampleClock() override { return ModuleCore::sampleClock(); }
  void sendMidi(int32_t clock, int32_t message) override {
    ModuleCore::sendMidi(MidiOut, clock, message);
  }

 private:
  bool describePin(int32_t index, PinDescription& description) override {
    if (index < 0 || index >= kPinCount) return false;
    description.direction = index == MidiOut ? DirectionOut : DirectionIn;
    description.dataType = index == MidiOut ? DataMidi : DataStream;
    return true;
  }
};

void processGate(benchmark::State& state, int32_t block, int32_t samplesPerEdge) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, samplesPerEdge);
  for (auto _ : state) {
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) host.process(offset, block);
    host.clearLog();
  }
}

// The plain form, each block in a call of its own as the host makes it.
void plainLoop(benchmark::State& state, int32_t block, int32_t samplesPerEdge) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, samplesPerEdge);
  FrameworkHost framework(host);
  arpline_test::ReferenceArpeggiator reference;
  reference.onOff = 1;
  for (int32_t message : kKeyPresses) reference.midiReceived(framework, 0, message);
  const float* gate = host.buffer(Gate);
  float* pulse = host.buffer(PulseOut);
  for (auto _ : state) {
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) {
      host.process(offset, 0);
      reference.processGate(framework, gate + offset, pulse + offset, block);
    }
    host.clearLog();
  }
}

// Per block, the buffer indexes at which "Gate" changes, each a note for the host.
std::vector<std::vector<int32_t>> notesPerBlock(const float* gate, int32_t block) {
  std::vector<std::vector<int32_t>> notes(static_cast<size_t>(kSweepSamples / block));
  for (int32_t i = 0; i < kSweepSamples; ++i) {
    const float before = gate[(i + kSweepSamples - 1) % kSweepSamples];
    if (gate[i] != before) notes[static_cast<size_t>(i / block)].push_back(i);
  }
  return notes;
}

// The memory traffic of each block, after the host's call when `called`. With `notes`, also the
// least host traffic of the notes: the call's sample clock once, then each note sent.
void limitKernel(benchmark::State& state, int32_t block, int32_t samplesPerEdge, bool called,
                 bool notes) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, samplesPerEdge);
  const float* gate = host.buffer(Gate);
  float* pulse = host.buffer(PulseOut);
  const std::vector<std::vector<int32_t>> blockNotes = notesPerBlock(gate, block);
  for (auto _ : state) {
    int32_t hits = 0;
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) {
      if (called) host.process(offset, 0);
      hits += countAtLeast(gate + offset, block, 0.5f);
      fillSamples(pulse + offset, block, 0.0f);
      const std::vector<int32_t>& sends = blockNotes[static_cast<size_t>(offset / block)];
      if (!notes || sends.empty()) continue;
      const intptr_t clock = host.request(HostGetSampleClock, 0, 0, nullptr, 0.0f);
      for (int32_t index : sends) {
        host.request(HostSendMidi, MidiOut, kKeyPresses[0],
                     reinterpret_cast<void*>(clock + index - offset), 0.0f);
      }
    }
    host.clearLog();
    benchmark::DoNotOptimize(hits);
    benchmark::ClobberMemory();
  }
}

}  // namespace

void registerArpline(SpeedReport& report) {
  for (int32_t block : kBlockSizes) {
    const std::string memory = blockName("arpline", "memory", block);
    benchmark::RegisterBenchmark(memory.c_str(), limitKernel, block, 64, false, false);
    report.addMeasure({memory, kSweepSamples, ""});
    for (int32_t edge : kEdgeRates) {
      const std::string limit = edgeName("arpline", "limit", block, edge);
      const std::string fast = edgeName("arpline", "processGate", block, edge);
      const std::string plain = edgeName("arpline", "plain", block, edge);
      benchmark::RegisterBenchmark(limit.c_str(), limitKernel, block, edge, true, true);
      benchmark::RegisterBenchmark(fast.c_str(), processGate, block, edge);
      benchmark::RegisterBenchmark(plain.c_str(), plainLoop, block, edge);
      report.addMeasure({limit, kSweepSamples, ""});
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
