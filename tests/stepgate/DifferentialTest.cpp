// The module's routine against its plain per-sample form: random streams at every edge rate,
// random splits into process calls, step-count changes between calls; every output bit must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ReferenceStepGate.h"
#include "StepGateHost.h"
#include "common/RandomPlan.h"

namespace stepgate_test {
namespace {

using nalto::host::HostInstance;

constexpr int32_t kLength = 4096;
constexpr int32_t kPasses = 6;  // buffers of fresh streams, one after the other
const float kNotANumber = std::numeric_limits<float>::quiet_NaN();
const float kInfinity = std::numeric_limits<float>::infinity();

using test_common::EdgeRate;

class Streams : public test_common::RandomPlan {
 public:
  using RandomPlan::RandomPlan;

  // "Input": edges every `samplesPerEdge` samples, give or take a quarter; levels that read high
  // and low in every form the threshold must sort, 0.5 itself among them.
  void fillInput(float* input, int32_t samplesPerEdge) {
    static const float highs[] = {1.0f, 0.5f, 10.0f, kInfinity, 0.75f};
    static const float lows[] = {0.0f,  -0.0f, std::nextafter(0.5f, 0.0f), kNotANumber, -kInfinity,
                                 -1.0f, 0.25f};
    fillEdges(input, kLength, samplesPerEdge, highs, lows);
  }

  // "Reset": released, with a holding stretch now and then.
  void fillReset(float* reset, int32_t samplesPerEdge) {
    static const float released[] = {10.0f, std::numeric_limits<float>::denorm_min(), 0.001f};
    static const float holding[] = {0.0f, -0.0f, kNotANumber, -1.0f};
    const int32_t spacing = std::min(16 * (samplesPerEdge > 0 ? samplesPerEdge : 2), 2048);
    // Some passes hold nowhere, so that long step counts get past step 16.
    const bool neverHolds = chance(0.3);
    int32_t i = 0;
    while (i < kLength) {
      const int32_t releasedRun = uniform(1, 4 * spacing);
      for (int32_t end = std::min(kLength, i + releasedRun); i < end; ++i)
        reset[i] = pick(released);
      const int32_t holdingRun = neverHolds ? 0 : uniform(1, spacing / 2);
      for (int32_t end = std::min(kLength, i + holdingRun); i < end; ++i) reset[i] = pick(holding);
    }
  }

  // Step voltages, odd bit patterns included: they must reach "Output" exactly as they are.
  void fillStep(float* step) {
    static const uint32_t odd[] = {0x7FC12345u, 0x7F800001u, 0xFFC00001u, 0x80000000u,
                                   0x00000000u, 0x00000001u, 0x7F800000u, 0x3F000000u};
    std::uniform_real_distribution<float> volts(-10.0f, 10.0f);
    for (int32_t i = 0; i < kLength; ++i)
      step[i] = chance(0.2) ? floatOf(pick(odd)) : volts(generator());
  }

  void fillAny(float* buffer) {
    for (int32_t i = 0; i < kLength; ++i) buffer[i] = floatOf(word());
  }
};

class StepGateDifferential : public ::testing::TestWithParam<EdgeRate> {
 protected:
  StepGateDifferential() : host(stepGateLibrary(), kLength) {}

  void SetUp() override {
    ASSERT_TRUE(host.made()) << stepGateLibrary().error();
    host.start();
    for (auto* stream : {&output, &stair, &input, &reset}) stream->resize(kLength);
    for (auto& step : steps) step.resize(kLength);
  }

  // Fresh streams for the host and the same ones for the reference; the outputs start out with
  // the same garbage in both.
  void newStreams(Streams& streams) {
    const int32_t samplesPerEdge = GetParam().samplesPerEdge;
    streams.fillInput(host.buffer(Input), samplesPerEdge);
    streams.fillReset(host.buffer(ResetInput), samplesPerEdge);
    for (int32_t step = 1; step <= 16; ++step) streams.fillStep(host.buffer(stepPin(step)));
    streams.fillAny(host.buffer(Output));
    streams.fillAny(host.buffer(Stair));
    copyFromHost(input, Input);
    copyFromHost(reset, ResetInput);
    copyFromHost(output, Output);
    copyFromHost(stair, Stair);
    for (int32_t step = 1; step <= 16; ++step) copyFromHost(steps[step - 1], stepPin(step));
  }

  void copyFromHost(std::vector<float>& into, int32_t pin) {
    into.assign(host.buffer(pin), host.buffer(pin) + kLength);
  }

  StepGateStreams referenceStreams() {
    StepGateStreams streams{input.data(), {}, reset.data(), output.data(), stair.data()};
    for (int32_t k = 0; k < 16; ++k) streams.steps[k] = steps[k].data();
    return streams;
  }

  // Both process [offset, offset + count); answers whether every output bit agrees.
  ::testing::AssertionResult processBoth(int32_t offset, int32_t count) {
    host.clearLog();
    host.process(offset, count);
    reference.process(referenceStreams(), stepCount, offset, count);
    if (!host.requests().empty()) return ::testing::AssertionFailure() << "a request was sent";
    for (int32_t i = 0; i < kLength; ++i) {
      const bool same = bitsOf(host.buffer(Output)[i]) == bitsOf(output[i]) &&
                        bitsOf(host.buffer(Stair)[i]) == bitsOf(stair[i]);
      if (!same)
        return ::testing::AssertionFailure()
               << "sample " << i << " after process(" << offset << ", " << count << "): output "
               << host.buffer(Output)[i] << " / " << output[i] << ", stair "
               << host.buffer(Stair)[i] << " / " << stair[i];
    }
    return ::testing::AssertionSuccess();
  }

  void setStepCount(Streams& streams) {
    static const int16_t counts[] = {1, 2, 3, 4, 5, 8, 15, 16, 16, 0, -5, 17, 32767, -32768};
    stepCount = streams.pick(counts);
    host.setListValue(StepCount, stepCount);
  }

  HostInstance host;
  ReferenceStepGate reference;
  int16_t stepCount = 16;
  std::vector<float> input, reset, output, stair;
  std::vector<float> steps[16];
};

TEST_P(StepGateDifferential, EveryOutputBitAgreesWithThePlainForm) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Streams streams(seed * 7919u + static_cast<uint32_t>(GetParam().samplesPerEdge));
    for (int32_t pass = 0; pass < kPasses; ++pass) {
      newStreams(streams);
      int32_t offset = 0;
      while (offset < kLength) {
        if (streams.chance(0.05)) setStepCount(streams);
        const int32_t count = std::min(streams.nextCount(), kLength - offset);
        ASSERT_TRUE(processBoth(offset, count)) << "pass " << pass;
        offset += count;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EdgeRates, StepGateDifferential,
                         ::testing::ValuesIn(test_common::kEdgeRates), test_common::edgeRateName);

}  // namespace
}  // namespace stepgate_test
