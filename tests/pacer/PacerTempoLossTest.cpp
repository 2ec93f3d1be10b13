// What the clock does with values it cannot pace by: a divide below 1, a tempo or sample rate
// that gives no usable half-period.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "PacerHost.h"
#include "nalto/HostRequest.h"

namespace pacer_test {
namespace {

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
const std::vector<int32_t> kAskedForTimeOnly{HostGetSampleClock, HostGetTimeInfo};

class PacerDivideTest : public PacerTest, public ::testing::WithParamInterface<int16_t> {};

TEST_P(PacerDivideTest, DivideBelowOneActsAsOne) {
  begin({48000.0f, 120.0, GetParam()});
  run(100000, 1000);
  EXPECT_EQ(rises(PulseOut), (std::vector<int32_t>{0, 24000, 48000, 72000, 96000}));
  EXPECT_EQ(rises(BarStart), (std::vector<int32_t>{0, 96000}));
}

INSTANTIATE_TEST_SUITE_P(Divides, PacerDivideTest,
                         ::testing::Values(int16_t{0}, int16_t{-3}, INT16_MIN));

struct LossCase {
  const char* name;
  double tempo;
  float sampleRate;
  float tempoLevel;  // "Tempo Out" while the half-period is unusable
  friend void PrintTo(const LossCase& c, std::ostream* os) { *os << c.name; }
};

class PacerTempoLossTest : public PacerTest, public ::testing::WithParamInterface<LossCase> {};

// The edge due at 3000 still comes and reads the unusable tempo; from there the levels hold, each
// call asks for time information at its first sample, and the first call with a usable tempo
// again begins with an edge.
TEST_P(PacerTempoLossTest, ClockHoldsUntilTheTempoIsUsableAgain) {
  begin();
  run(3000, 1000);
  host.setTempo(GetParam().tempo);
  host.setSampleRate(GetParam().sampleRate);
  call(1000);
  EXPECT_EQ(level(TempoOut, 3000), GetParam().tempoLevel);
  for (int32_t i = 0; i < 3; ++i) {
    host.clearLog();
    call(1000);
    EXPECT_EQ(host.requestCodes(), kAskedForTimeOnly);
  }

  host.setTempo(120.0);
  host.setSampleRate(48000.0f);
  host.clearLog();
  run(7000, 1000);
  EXPECT_EQ(changes(PulseOut), (std::vector<int32_t>{0, 3000, 7000, 10000, 13000}));
  EXPECT_EQ(statusesOf(host, PulseOut).at(0).clock, kFirstClock + 7000);
  EXPECT_EQ(level(TempoOut, 7000), 12.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Tempi, PacerTempoLossTest,
    ::testing::Values(LossCase{"TempoZero", 0.0, 48000.0f, 10.0f},
                      LossCase{"TempoNotANumber", kNotANumber, 48000.0f, 10.0f},
                      LossCase{"TempoNegative", -120.0, 48000.0f, -12.0f},
                      LossCase{"TempoInfinite", kInfinity, 48000.0f,
                               std::numeric_limits<float>::infinity()},
                      // 2^-13 beats per minute: about 2.9e9 samples per half pulse.
                      LossCase{"HalfPeriodBeyond32Bits", 1.0 / 8192.0, 48000.0f, 0.1f / 8192.0f},
                      LossCase{"SampleRateZero", 120.0, 0.0f, 12.0f}),
    [](const auto& info) { return std::string(info.param.name); });

class PacerTempoLossStates : public PacerTest {};

// 2^-12 beats per minute: about 1.5e9 samples per half pulse, which a countdown still holds.
TEST_F(PacerTempoLossStates, LongestUsableHalfPeriodCountsDownQuietly) {
  begin();
  run(3000, 1000);
  host.setTempo(1.0 / 4096.0);
  call(1000);
  host.clearLog();
  run(5000, 1000);
  EXPECT_TRUE(host.requests().empty());
}

TEST_F(PacerTempoLossStates, TempoZeroFromTheStartRaisesThePulseOnceThenWaits) {
  begin({48000.0f, 0.0, 4});
  host.clearLog();
  call(1000);
  EXPECT_EQ(statusesOf(host, PulseOut).size(), 1u);
  EXPECT_TRUE(statusesOf(host, TempoOut).empty());  // still the 10.0 of start
  run(4000, 1000);

  host.setTempo(120.0);
  host.answerNullTimeInfo(1);
  host.clearLog();
  call(1000);  // no answer: still waiting
  EXPECT_EQ(host.requestCodes(), kAskedForTimeOnly);
  run(5000, 1000);
  EXPECT_EQ(changes(PulseOut), (std::vector<int32_t>{0, 6000, 9000}));
}

// Without any time information the starting tempo paces the clock at the current sample rate.
TEST_F(PacerTempoLossStates, SampleRateZeroWithoutTimeInformationWaitsForARate) {
  begin({0.0f, 120.0, 4});
  host.setTimeInfoAvailable(false);
  run(3000, 1000);
  host.setSampleRate(48000.0f);
  run(5000, 1000);
  EXPECT_EQ(changes(PulseOut), (std::vector<int32_t>{0, 3000, 6000}));
}

// The edge that resumes the clock also locks it to the song: at position 3.0 the bar starts one
// beat later.
TEST_F(PacerTempoLossStates, ResumingEdgeResynchronises) {
  begin({48000.0f, 0.0, 4});
  run(2000, 1000);
  host.setTempo(120.0);
  runTransportFrom(3.0);
  call(30000);
  EXPECT_EQ(rises(BarStart), (std::vector<int32_t>{0, 26000}));
}

}  // namespace
}  // namespace pacer_test
