// Nalto Stepgate: processSteps through the library and the stand-in host, its plain per-sample
// form, and the limit kernel: the host's call, then scan "Input" and "Reset", copy one step input
// to "Output" and fill "Pin vc".
#include <cstdint>

#include "Benchmarks.h"
#include "LimitKernels.h"
#include "Signals.h"
#include "nalto/host/HostInstance.h"
#include "stepgate/ReferenceStepGate.h"

namespace nalto::bench {

namespace {

using host::HostInstance;
using host::ModuleLibrary;

enum Pin : int32_t { Input = 0, FirstStep = 2, ResetInput = 18, Output = 19, Stair = 20 };
constexpr int32_t kSteps = 16;

const ModuleLibrary& library() {
  static const ModuleLibrary loaded(host::modulePath("Nalto Stepgate"));
  return loaded;
}

// A started instance: every step input carries its own number, "Reset" stays released and
// "Input" pulses with an edge every `samplesPerEdge` samples.
void prepare(HostInstance& host, int32_t samplesPerEdge) {
  host.start();
  for (int32_t step = 1; step <= kSteps; ++step)
    host.fill(FirstStep + step - 1, static_cast<float>(step));
  host.fill(ResetInput, 10.0f);
  fillPulses(host.buffer(Input), kSweepSamples, samplesPerEdge, 1.0f, 0.0f);
}

void processSteps(benchmark::State& state, int32_t block, int32_t samplesPerEdge) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, samplesPerEdge);
  for (auto _ : state) {
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) host.process(offset, block);
  }
}

// The plain form, each block in a call of its own as the host makes it.
void plainLoop(benchmark::State& state, int32_t block, int32_t samplesPerEdge) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, samplesPerEdge);
  stepgate_test::StepGateStreams streams{
      host.buffer(Input), {}, host.buffer(ResetInput), host.buffer(Output), host.buffer(Stair)};
  for (int32_t k = 0; k < kSteps; ++k) streams.steps[k] = host.buffer(FirstStep + k);
  stepgate_test::ReferenceStepGate reference;
  for (auto _ : state) {
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) {
      host.process(offset, 0);
      reference.process(streams, kSteps, offset, block);
    }
  }
}

// The memory traffic of each block, after the host's call when `called`.
void limitKernel(benchmark::State& state, int32_t block, bool called) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, 64);
  const float* input = host.buffer(Input);
  const float* reset = host.buffer(ResetInput);
  const float* step = host.buffer(FirstStep);
  float* output = host.buffer(Output);
  float* stair = host.buffer(Stair);
  for (auto _ : state) {
    int32_t hits = 0;
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) {
      if (called) host.process(offset, 0);
      hits += countAtLeast(input + offset, block, 0.5f);
      hits += countAbove(reset + offset, block, 0.0f);
      copySamples(step + offset, output + offset, block);
      fillSamples(stair + offset, block, 0.1f);
    }
    benchmark::DoNotOptimize(hits);
    benchmark::ClobberMemory();
  }
}

// What the host pays for a call that processes nothing.
void emptyCall(benchmark::State& state) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, 64);
  for (auto _ : state) host.process(0, 0);
}

}  // namespace

void registerStepgate(SpeedReport& report) {
  benchmark::RegisterBenchmark("stepgate/emptyCall", emptyCall);
  report.addMeasure({"stepgate/emptyCall", 0, ""});
  for (int32_t block : kBlockSizes) {
    const std::string memory = blockName("stepgate", "memory", block);
    const std::string limit = blockName("stepgate", "limit", block);
    benchmark::RegisterBenchmark(memory.c_str(), limitKernel, block, false);
    benchmark::RegisterBenchmark(limit.c_str(), limitKernel, block, true);
    report.addMeasure({memory, kSweepSamples, ""});
    report.addMeasure({limit, kSweepSamples, ""});
    for (int32_t edge : kEdgeRates) {
      const std::string fast = edgeName("stepgate", "processSteps", block, edge);
      const std::string plain = edgeName("stepgate", "plain", block, edge);
      benchmark::RegisterBenchmark(fast.c_str(), processSteps, block, edge);
      benchmark::RegisterBenchmark(plain.c_str(), plainLoop, block, edge);
      report.addMeasure({fast, kSweepSamples, limit});
      report.addMeasure({plain, kSweepSamples, limit});
      const std::string where =
          " (block " + std::to_string(block) + ", edge every " + std::to_string(edge) + ")";
      if (edge == 2) {
        report.addGoal({"processSteps / plain loop" + where, fast, plain, 1.0,
                        "no slower than the plain loop (<= 1)"});
      } else {
        report.addGoal({"processSteps / limit kernel" + where, fast, limit, 2.0, "<= 2"});
      }
    }
  }
}

}  // namespace nalto::bench
