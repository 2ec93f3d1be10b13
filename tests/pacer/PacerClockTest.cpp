// The clock's edges, levels and host traffic while the transport is stopped.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "PacerHost.h"
#include "nalto/HostRequest.h"

namespace pacer_test {
namespace {

std::vector<int32_t> repeated(std::vector<int32_t> pattern, int32_t times) {
  std::vector<int32_t> all;
  for (int32_t i = 0; i < times; ++i) all.insert(all.end(), pattern.begin(), pattern.end());
  return all;
}

struct SpacingCase {
  const char* name;
  Setting setting;
  std::vector<int32_t> gaps;  // between consecutive edges of "Pulse Out"
  friend void PrintTo(const SpacingCase& c, std::ostream* os) { *os << c.name; }
};

class PacerSpacingTest : public PacerTest, public ::testing::WithParamInterface<SpacingCase> {};

TEST_P(PacerSpacingTest, EdgesFollowTheHalfPeriodInWholeSamples) {
  begin(GetParam().setting);
  run(40000, 1000);
  std::vector<int32_t> gaps = edgeGaps();
  gaps.resize(GetParam().gaps.size());
  EXPECT_EQ(gaps, GetParam().gaps);
}

INSTANTIATE_TEST_SUITE_P(
    Tempi, PacerSpacingTest,
    ::testing::Values(
        SpacingCase{"Divide4At48000", {48000.0f, 120.0, 4}, repeated({3000}, 8)},
        SpacingCase{"Divide4At44100", {44100.0f, 120.0, 4}, repeated({2757, 2756, 2756, 2756}, 3)},
        SpacingCase{"Divide12At44100", {44100.0f, 120.0, 12}, repeated({919, 919, 919, 918}, 6)},
        SpacingCase{"Divide1At48000", {48000.0f, 120.0, 1}, repeated({12000}, 3)}),
    [](const auto& info) { return std::string(info.param.name); });

class PacerClockTest : public PacerTest {};

TEST_F(PacerClockTest, FirstCallRaisesPulseAndBarAtItsFirstSampleAndReportsTheTempo) {
  begin();
  host.clearLog();
  call(1000);

  const auto sent = host.statusesSent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].pin, PulseOut);
  EXPECT_EQ(sent[1].pin, BarStart);
  EXPECT_EQ(sent[2].pin, TempoOut);
  for (const auto& status : sent) {
    EXPECT_EQ(status.value, StatusOneOff);
    EXPECT_EQ(status.clock, kFirstClock);
  }
  EXPECT_EQ(level(PulseOut, 0), kHigh);
  EXPECT_EQ(level(BarStart, 0), kHigh);
  EXPECT_EQ(level(TempoOut, 0), 12.0f);
  EXPECT_EQ(level(TransportRun, 0), 0.0f);
  EXPECT_EQ(level(PulseOut, 999), kHigh);
}

TEST_F(PacerClockTest, BarStartMarksTheFirstPulseOfEveryFourthBeat) {
  begin();
  run(200000, 1000);
  EXPECT_EQ(changes(BarStart), (std::vector<int32_t>{0, 3000, 96000, 99000, 192000, 195000}));
  EXPECT_EQ(rises(PulseOut).size(), 34u);
}

TEST_F(PacerClockTest, WithOnePulsePerBeatEveryFourthPulseIsABarStart) {
  begin({48000.0f, 120.0, 1});
  run(200000, 1000);
  EXPECT_EQ(rises(PulseOut),
            (std::vector<int32_t>{0, 24000, 48000, 72000, 96000, 120000, 144000, 168000, 192000}));
  EXPECT_EQ(rises(BarStart), (std::vector<int32_t>{0, 96000, 192000}));
}

TEST_F(PacerClockTest, EdgeAtTheEndOfACallComesAtTheFirstSampleOfTheNext) {
  begin();
  call(3000);
  EXPECT_EQ(statusesOf(host, PulseOut).size(), 1u);
  host.clearLog();
  call(3000);
  const auto pulse = statusesOf(host, PulseOut);
  ASSERT_EQ(pulse.size(), 1u);
  EXPECT_EQ(pulse[0].clock, kFirstClock + 3000);
  EXPECT_EQ(level(PulseOut, 2999), kHigh);
  EXPECT_EQ(level(PulseOut, 3000), kLow);
}

TEST_F(PacerClockTest, StatusesCarryTheClockOfTheirSampleAcrossTheClockWrap) {
  host.setSampleRate(48000.0f);
  host.setBlockSize(kLongestCall);
  host.setTempo(120.0);
  host.setBlockStartClock(INT32_MAX - 1000);
  host.start();
  host.processBlock(1000);
  host.clearLog();
  host.processBlock(10000);
  const auto pulse = statusesOf(host, PulseOut);
  ASSERT_EQ(pulse.size(), 3u);
  EXPECT_EQ(pulse[0].clock, INT32_MIN + 1999);
  EXPECT_EQ(pulse[2].clock, INT32_MIN + 7999);
}

TEST_F(PacerClockTest, CallWithoutAnEdgeSendsNothingAndWritesOnlyWhatIsOwed) {
  begin();
  host.setBlockSize(256);
  call(256);  // the first edge; one block of samples owed from there
  for (int32_t pin = 0; pin < kOutputCount; ++pin) host.fill(pin, -1.0f);
  host.clearLog();
  call(256);
  EXPECT_TRUE(host.requests().empty());
  for (int32_t pin = 0; pin < kOutputCount; ++pin) EXPECT_EQ(host.buffer(pin)[0], -1.0f) << pin;
}

TEST_F(PacerClockTest, CallOfNoSamplesDoesNothing) {
  begin();
  for (int32_t count : {0, -5}) {
    host.clearLog();
    host.process(0, count);
    EXPECT_TRUE(host.requests().empty()) << count;
  }
  call(10);
  EXPECT_EQ(changes(PulseOut), (std::vector<int32_t>{0}));
}

struct TempoLevelCase {
  const char* name;
  double tempo;
  float level;
  friend void PrintTo(const TempoLevelCase& c, std::ostream* os) { *os << c.name; }
};

class PacerTempoLevelTest : public PacerTest,
                            public ::testing::WithParamInterface<TempoLevelCase> {};

TEST_P(PacerTempoLevelTest, TempoOutIsTheTempoTimesSinglePrecisionTenth) {
  begin({48000.0f, GetParam().tempo, 4});
  call(100);
  EXPECT_EQ(level(TempoOut, 0), GetParam().level);
}

INSTANTIATE_TEST_SUITE_P(
    Tempi, PacerTempoLevelTest,
    ::testing::Values(TempoLevelCase{"Tempo120", 120.0, 12.0f},
                      // 12.40000057..., the float nearest 124 x 0.100000001490116...
                      TempoLevelCase{"Tempo124", 124.0, 12.4000006f},
                      TempoLevelCase{"Tempo60", 60.0, 6.0f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PacerClockTest, ReadsTimeInformationOncePerCallAtItsFirstEdge) {
  begin();
  host.clearLog();
  call(10000);  // edges at 0, 3000, 6000 and 9000
  EXPECT_EQ(host.requestCodes(),
            (std::vector<int32_t>{HostGetSampleClock, HostSetPinStatus, HostSetPinStatus,
                                  HostGetTimeInfo, HostSetPinStatus,  // first edge
                                  HostGetSampleClock, HostSetPinStatus, HostSetPinStatus,
                                  HostGetSampleClock, HostSetPinStatus,  // bar stays low
                                  HostGetSampleClock, HostSetPinStatus}));
  const auto ask = requestsOf(host, HostGetTimeInfo);
  ASSERT_EQ(ask.size(), 1u);
  EXPECT_EQ(ask[0].index, 0);
  EXPECT_EQ(ask[0].value, 1536);
  EXPECT_EQ(ask[0].pointer, 0);
  EXPECT_EQ(ask[0].opt, 0.0f);
}

TEST_F(PacerClockTest, NullTimeInformationIsAskedForAgainAtTheNextEdgeOfTheCall) {
  begin({48000.0f, 124.0, 4});
  host.answerNullTimeInfo(1);
  host.clearLog();
  call(10000);
  EXPECT_EQ(requestsOf(host, HostGetTimeInfo).size(), 2u);
  const auto tempo = statusesOf(host, TempoOut);
  ASSERT_EQ(tempo.size(), 1u);
  EXPECT_EQ(tempo[0].clock, kFirstClock + 3000);
  EXPECT_EQ(level(TempoOut, 2999), 10.0f);
  EXPECT_EQ(level(TempoOut, 3000), 12.4000006f);
}

TEST_F(PacerClockTest, WithoutAnyAnswerEveryEdgeAsksAndTheOutputsKeepTheirLevels) {
  begin();
  host.setTimeInfoAvailable(false);
  host.clearLog();
  call(10000);
  EXPECT_EQ(requestsOf(host, HostGetTimeInfo).size(), 4u);
  EXPECT_TRUE(statusesOf(host, TempoOut).empty());
  EXPECT_TRUE(statusesOf(host, TransportRun).empty());
}

// Before the host has answered once, edges come at 120 beats per minute at the sample rate and
// divide in force, whatever the host's tempo is.
TEST_F(PacerClockTest, BeforeAnyTimeInformationTheEdgesRunAtTheStartingTempo) {
  begin({48000.0f, 60.0, 12});
  host.setTimeInfoAvailable(false);
  host.setSampleRate(44100.0f);
  run(8000, 1000);
  std::vector<int32_t> gaps = edgeGaps();
  gaps.resize(8);
  EXPECT_EQ(gaps, repeated({919, 919, 919, 918}, 2));
  EXPECT_EQ(level(TempoOut, 7999), 10.0f);
}

TEST_F(PacerClockTest, WithoutTimeInformationTheLastHalfPeriodStaysInForce) {
  begin({48000.0f, 60.0, 4});
  call(1000);  // reads 60 beats per minute: 6000 samples per half pulse
  host.setTimeInfoAvailable(false);
  run(30000, 1000);
  EXPECT_EQ(changes(PulseOut), (std::vector<int32_t>{0, 6000, 12000, 18000, 24000, 30000}));
}

TEST_F(PacerClockTest, NewTempoTakesEffectAtTheFirstEdgeOfTheNextCall) {
  begin();
  call(1000);
  host.setTempo(60.0);
  run(20000, 1000);  // the edge at 3000 reads the new tempo
  EXPECT_EQ(changes(PulseOut), (std::vector<int32_t>{0, 3000, 9000, 15000}));
  EXPECT_EQ(changes(TempoOut), (std::vector<int32_t>{0, 3000}));
  EXPECT_EQ(level(TempoOut, 3000), 6.0f);
}

TEST_F(PacerClockTest, ProcessingNeverAllocates) {
  begin({44100.0f, 133.0, 12});
  run(20000, 512);
  runTransportFrom(7.7);
  run(20000, 333);
  host.answerNullTimeInfo(3);
  host.setListValue(PulseDivide, 3);
  host.setTempo(0.0);
  run(5000, 1000);
  host.setTempo(97.0);
  run(20000, 700);
  EXPECT_EQ(host.realtimeAllocations(), 0);
}

}  // namespace
}  // namespace pacer_test
