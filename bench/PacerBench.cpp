// Nalto Pacer: processClock through the library and the stand-in host at the edge rates, a
// 60-second render against a naive clock that writes all four outputs every sample, and the cost
// of a quiet call.
#include <cstdint>

#include "Benchmarks.h"
#include "LimitKernels.h"
#include "NaiveClock.h"
#include "Signals.h"
#include "nalto/host/HostInstance.h"

namespace nalto::bench {

namespace {

using host::HostInstance;
using host::ModuleLibrary;

enum Pin : int32_t { PulseOut = 0, BarStart = 1, TempoOut = 2, TransportRun = 3, PulseDivide = 4 };
constexpr float kSampleRate = 48000.0f;
constexpr int32_t kRenderBlock = 1024;
constexpr int32_t kRenderSamples = 60 * 48000;
constexpr double kRenderTempo = 120.0;
constexpr int32_t kQuietIterations = 200000;

const ModuleLibrary& library() {
  static const ModuleLibrary loaded(host::modulePath("Nalto Pacer"));
  return loaded;
}

// The tempo whose half-pulses last `samples` samples at 48000 samples per second.
double tempoForHalfPulse(int32_t divide, double samples) {
  return 0.5 * kSampleRate * 60.0 / (divide * samples);
}

void prepare(HostInstance& host, int32_t block, int16_t divide, double tempo) {
  host.setSampleRate(kSampleRate);
  host.setBlockSize(block);
  host.setListValue(PulseDivide, divide);
  host.setTempo(tempo);
  host.start();
}

void processClock(benchmark::State& state, int32_t block, int32_t samplesPerEdge) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, block, 4, tempoForHalfPulse(4, samplesPerEdge));
  for (auto _ : state) {
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) host.process(offset, block);
    host.clearLog();
  }
}

// What the held outputs cannot do without: the host's call, and one output filled in every sample.
void limitKernel(benchmark::State& state, int32_t block) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, block, 4, kRenderTempo);
  float* pulse = host.buffer(PulseOut);
  for (auto _ : state) {
    for (int32_t offset = 0; offset < kSweepSamples; offset += block) {
      host.process(offset, 0);
      fillSamples(pulse + offset, block, 0.5f);
    }
    benchmark::ClobberMemory();
  }
}

// 60 seconds in calls of 1024 samples, the host's song position moving on with the transport.
template <class RenderCall>
void renderMinute(HostInstance& host, RenderCall renderCall) {
  const double beatsPerSample = kRenderTempo / (kSampleRate * 60.0);
  for (int32_t done = 0; done < kRenderSamples; done += kRenderBlock) {
    const int32_t count =
        kRenderSamples - done < kRenderBlock ? kRenderSamples - done : kRenderBlock;
    renderCall(count);
    host.setSongPosition(host.timeInfo().quarterNotePosition + count * beatsPerSample);
  }
}

void renderPacer(benchmark::State& state, int16_t divide) {
  HostInstance host(library(), kRenderBlock);
  prepare(host, kRenderBlock, divide, kRenderTempo);
  host.setTransportRunning(true);
  for (auto _ : state) {
    renderMinute(host, [&](int32_t count) { host.processBlock(count); });
    host.clearLog();
  }
}

void renderNaive(benchmark::State& state, int16_t divide) {
  HostInstance host(library(), kRenderBlock);
  prepare(host, kRenderBlock, divide, kRenderTempo);
  host.setTransportRunning(true);
  NaiveClock clock;
  const NaiveClock::Outputs outputs{host.buffer(PulseOut), host.buffer(BarStart),
                                    host.buffer(TempoOut), host.buffer(TransportRun)};
  for (auto _ : state) {
    renderMinute(host, [&](int32_t count) {
      clock.render(host.timeInfo(), kSampleRate, divide, outputs, count);
    });
  }
}

// A call with no edge and nothing owed: the clock is so slow that no edge comes within the
// benchmark, and the first calls have written everything owed after the first edge.
void quietCall(benchmark::State& state, int32_t count) {
  HostInstance host(library(), kSweepSamples);
  prepare(host, kSweepSamples, 4, tempoForHalfPulse(4, 2.0e9));
  for (int32_t call = 0; call < 3; ++call) host.process(0, kSweepSamples);
  host.clearLog();
  for (auto _ : state) host.process(0, count);
  if (!host.requests().empty()) state.SkipWithError("a quiet call sent a request");
}

}  // namespace

void registerPacer(SpeedReport& report) {
  for (int32_t block : kBlockSizes) {
    const std::string limit = blockName("pacer", "limit", block);
    benchmark::RegisterBenchmark(limit.c_str(), limitKernel, block);
    report.addMeasure({limit, kSweepSamples, ""});
    for (int32_t edge : kEdgeRates) {
      const std::string name = edgeName("pacer", "processClock", block, edge);
      benchmark::RegisterBenchmark(name.c_str(), processClock, block, edge);
      report.addMeasure({name, kSweepSamples, limit});
    }
  }

  for (int16_t divide : {4, 12}) {
    const std::string suffix = "/divide:" + std::to_string(divide);
    const std::string pacer = "pacer/render60s" + suffix;
    const std::string naive = "pacer/naive60s" + suffix;
    benchmark::RegisterBenchmark(pacer.c_str(), renderPacer, divide)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(naive.c_str(), renderNaive, divide)->Unit(benchmark::kMillisecond);
    report.addMeasure({pacer, kRenderSamples, ""});
    report.addMeasure({naive, kRenderSamples, ""});
    const std::string label =
        "60 s render / naive clock (120 bpm, divide " + std::to_string(divide) + ")";
    if (divide == 4) {
      report.addGoal({label, pacer, naive, 0.1, "at least 10x cheaper (<= 0.1)"});
    } else {
      report.addGoal({label, pacer, naive, 1.0, "no dearer (<= 1)"});
    }
  }

  std::string quiet[2];
  const int32_t quietCounts[2] = {64, 4096};
  for (int32_t k = 0; k < 2; ++k) {
    quiet[k] = "pacer/quietCall/samples:" + std::to_string(quietCounts[k]);
    benchmark::RegisterBenchmark(quiet[k].c_str(), quietCall, quietCounts[k])
        ->Iterations(kQuietIterations);
    report.addMeasure({quiet[k], 0, ""});
  }
  report.addGoal({"quiet call of 4096 samples / quiet call of 64", quiet[1], quiet[0], 1.1,
                  "the same cost (<= 1.1)"});
}

}  // namespace nalto::bench
