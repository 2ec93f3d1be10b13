// Locking to the host's song position while the transport runs (120 beats per minute, 48000
// samples per second, divide 4: 3000 samples per half pulse, 24000 per beat).
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

constexpr int32_t kHalfPulse = 3000;
constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct NextEdgeCase {
  const char* name;
  int32_t edgesBefore;  // edges run with the transport stopped, one per call
  double position;      // song position at the first edge with the transport running
  int32_t nextEdge;     // samples from that edge to the next
  friend void PrintTo(const NextEdgeCase& c, std::ostream* os) { *os << c.name; }
};

class PacerNextEdgeTest : public PacerTest, public ::testing::WithParamInterface<NextEdgeCase> {};

// The host's lead over the clock, in beats, moves the next edge by as many beats' worth of
// samples; a lead beyond half a beat counts as a lag of the rest, and the other way round.
TEST_P(PacerNextEdgeTest, PhaseErrorMovesTheNextEdge) {
  begin();
  for (int32_t i = 0; i < GetParam().edgesBefore; ++i) call(kHalfPulse);
  const int32_t resyncAt = processed();
  runTransportFrom(GetParam().position);
  call(30000);
  const std::vector<int32_t> edges = changes(PulseOut);
  ASSERT_EQ(edges.at(GetParam().edgesBefore), resyncAt);
  EXPECT_EQ(edges.at(GetParam().edgesBefore + 1) - resyncAt, GetParam().nextEdge);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, PacerNextEdgeTest,
    ::testing::Values(
        // 0.3 beats ahead: 7200 samples early, held to the shortest gap of 2.
        NextEdgeCase{"AheadByMoreThanAHalfPulse", 0, 2.3, 2},
        NextEdgeCase{"AheadBySixteenthBeat", 0, 2.0625, 1500},
        NextEdgeCase{"BehindBySixteenthBeat", 0, 1.9375, 4500},
        NextEdgeCase{"OnTheBeat", 0, 7.0, 3000},
        // The fourth pulse of the beat rises at song position 5.0: -0.75 becomes 0.25.
        NextEdgeCase{"BehindByThreeQuartersWrapsToAheadByAQuarter", 6, 5.0, 2},
        // 0.8 becomes -0.2: 4800 samples late.
        NextEdgeCase{"AheadByEightTenthsWrapsToBehindByTwoTenths", 0, 2.8, 7800},
        NextEdgeCase{"AheadByExactlyHalfStays", 0, 2.5, 2},
        // A falling edge stands half a pulse into the pulse: 0.125 beats into the first one.
        NextEdgeCase{"FallingEdgeIsHalfAPulseIn", 1, 3.125, 3000},
        NextEdgeCase{"PositionNotANumber", 0, kNotANumber, 2}),
    [](const auto& info) { return std::string(info.param.name); });

struct BeatCase {
  const char* name;
  double position;   // song position at the first edge
  int32_t barStart;  // the first bar start after it, in one long call without further resyncs
  friend void PrintTo(const BeatCase& c, std::ostream* os) { *os << c.name; }
};

class PacerBeatTest : public PacerTest, public ::testing::WithParamInterface<BeatCase> {};

// The song's beat number, truncated toward zero, becomes the clock's beat count: the bar starts
// when the count next passes 0.
TEST_P(PacerBeatTest, SongBeatDecidesTheNextBarStart) {
  begin();
  runTransportFrom(GetParam().position);
  call(kLongestCall);
  EXPECT_EQ(rises(BarStart), (std::vector<int32_t>{0, GetParam().barStart}));
}

INSTANTIATE_TEST_SUITE_P(
    Positions, PacerBeatTest,
    ::testing::Values(
        // Beat 1 on the beat: beats 2 and 3 follow, then the bar.
        BeatCase{"OnBeatOne", 1.0, 72000}, BeatCase{"OnBeatThree", 3.0, 24000},
        // Beat 2, and the next edge 2 samples later: the grid moves by 2 samples.
        BeatCase{"IntoBeatTwo", 2.3, 45002},
        // -1.5 truncates to beat -1, so the next beat is 0.
        BeatCase{"HalfwayThroughBeatMinusTwo", -1.5, 21002},
        // -0.5 truncates to beat 0: a whole bar until the next.
        BeatCase{"HalfwayThroughBeatMinusOne", -0.5, 93002},
        // Beyond the 32-bit range the beat saturates, and counting on from it does not overflow.
        BeatCase{"BeyondTheLargestBeat", 3.0e9, 24000},
        BeatCase{"BeyondTheSmallestBeat", -3.0e9, 96000},
        // Not a number counts as beat 0; the phase error is unknown and the next edge comes soon.
        BeatCase{"PositionNotANumber", kNotANumber, 93002},
        BeatCase{"PositionInfinite", kInfinity, 21002}),
    [](const auto& info) { return std::string(info.param.name); });

class PacerLockTest : public PacerTest {};

// Resynchronised at the first edge of every call, the clock settles onto the host's grid and
// starts the bar at song position 4.0, 1.7 beats after 2.3.
TEST_F(PacerLockTest, ClockLocksOntoTheSongAndStartsTheBarAtPositionFour) {
  begin();
  runTransportFrom(2.3);
  run(140000, 1000);
  EXPECT_EQ(rises(BarStart), (std::vector<int32_t>{0, 40800, 136800}));
  EXPECT_EQ(level(TransportRun, 0), 1.0f);
}

// The song position is given for buffer index 0 of the block, not for the call's first sample.
TEST_F(PacerLockTest, EdgePositionCountsFromTheStartOfTheBuffer) {
  begin();
  host.setTransportRunning(true);
  host.setSongPosition(2.0);
  host.process(500, 10000);  // 500 samples, 1/48 beat, ahead at the first edge
  const auto pulse = statusesOf(host, PulseOut);
  ASSERT_GE(pulse.size(), 2u);
  EXPECT_EQ(pulse[0].clock, kFirstClock + 500);
  EXPECT_EQ(pulse[1].clock, kFirstClock + 500 + 2500);
}

TEST_F(PacerLockTest, OnlyChangedTempoAndTransportAreReported) {
  begin();
  host.clearLog();
  runTransportFrom(0.0);
  run(10000, 1000);
  EXPECT_EQ(statusesOf(host, TempoOut).size(), 1u);
  const auto running = statusesOf(host, TransportRun);
  ASSERT_EQ(running.size(), 1u);
  EXPECT_EQ(running[0].clock, kFirstClock);

  host.clearLog();
  stopTransport();
  run(10000, 1000);
  EXPECT_TRUE(statusesOf(host, TempoOut).empty());
  const auto stopped = statusesOf(host, TransportRun);
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_EQ(stopped[0].clock, kFirstClock + 12000);  // the first edge after the stop
  EXPECT_EQ(level(TransportRun, 12000), 0.0f);
}

// With the transport stopped the clock runs freely: its beats keep counting where the song left
// them, and the tempo still follows the host.
TEST_F(PacerLockTest, StoppedTransportLeavesTheBeatCountRunning) {
  begin();
  runTransportFrom(3.0);
  call(1000);  // beat 3
  stopTransport();
  host.setSongPosition(1.0);  // a stopped song's position is not read
  run(30000, 1000);
  EXPECT_EQ(rises(BarStart), (std::vector<int32_t>{0, 24000}));
}

// "Pulse Divide" 12: an edge every 1000 samples. The ninth pulse of the beat rises at 18000; the
// host then switches to 4. The edge already due at 19000 keeps its time and reads the new
// half-period; the next rising edge makes the pulse count (9 + 1) mod 4 = 2, so two more pulses
// finish the beat, and three beats later the bar starts.
TEST_F(PacerLockTest, NewDivideWrapsTheRunningPulseCount) {
  begin({48000.0f, 120.0, 12});
  run(19000, 1000);
  host.setListValue(PulseDivide, 4);
  run(110000, 1000);
  const std::vector<int32_t> risen = rises(PulseOut);
  EXPECT_EQ(std::vector<int32_t>(risen.begin() + 9, risen.begin() + 13),
            (std::vector<int32_t>{18000, 22000, 28000, 34000}));
  EXPECT_EQ(rises(BarStart), (std::vector<int32_t>{0, 106000}));
}

}  // namespace
}  // namespace pacer_test
