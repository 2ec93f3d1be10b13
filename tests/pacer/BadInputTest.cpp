// Hostile inputs, one row each, with what Nalto Pacer then does: where each of its four outputs
// changes in the host's buffers, where it reports a change, and how often it asks for time
// information. Every call must leave the samples outside its range alone and return; the host's
// guards and a copy of each buffer check that.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "PacerHost.h"
#include "nalto/HostRequest.h"

namespace pacer_test {
namespace {

using nalto::host::HostInstance;

constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr float kInff = std::numeric_limits<float>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int32_t kBufferLength = 16384;
constexpr int32_t kFirstClock = 1000;  // sample clock of the first sample processed

// An output taking `value` at sample `sample` (counted from the first sample processed), or a
// status reported for it there.
struct Change {
  int32_t pin;
  int32_t sample;
  float value;
  bool operator==(const Change& other) const {
    return pin == other.pin && sample == other.sample &&
           std::memcmp(&value, &other.value, sizeof value) == 0;
  }
};

void PrintTo(const Change& change, std::ostream* out) {
  *out << "{pin " << change.pin << " at " << change.sample << ": " << change.value << "}";
}

struct Outcome {
  std::vector<Change> changes;   // as the host's buffers show them, in sample order
  std::vector<Change> reported;  // one-off statuses (value 1), in the order sent
  int32_t timeInfoRequests = 0;
};

// A started instance at 48000 samples per second, 120 beats per minute and divide 4, with the
// transport stopped, one block size as long as its buffers and sample clock 1000 at its first
// call. Calls start at buffer index 0 and follow one another in sample clock.
class Rig {
 public:
  explicit Rig(HostInstance& host) : host_(host) {
    host_.setSampleRate(48000.0f);
    host_.setBlockSize(kBufferLength);
    host_.setTempo(120.0);
    host_.setListValue(PulseDivide, 4);
    host_.setBlockStartClock(kFirstClock);
    host_.start();
    host_.clearLog();
  }
  HostInstance& host() { return host_; }
  const Outcome& outcome() const { return outcome_; }

  // While the transport runs, the song position moves on with the samples processed.
  void runTransportFrom(double position) {
    songPosition_ = position;
    host_.setTransportRunning(true);
  }

  void call(int32_t count, int32_t offset = 0) {
    if (host_.timeInfo().flags & TransportRunning) host_.setSongPosition(songPosition_);
    std::vector<float> before[kOutputCount];
    for (int32_t pin = 0; pin < kOutputCount; ++pin)
      before[pin].assign(host_.buffer(pin), host_.buffer(pin) + kBufferLength);
    host_.clearLog();
    if (offset == 0) {
      host_.processBlock(count);
    } else {
      // The buffer index `offset` carries the next sample clock.
      const int32_t next = host_.blockStartClock();
      host_.setBlockStartClock(next - offset);
      host_.process(offset, count);
      host_.setBlockStartClock(next + std::max(count, 0));
    }
    record(before, offset, std::max(count, 0));
    songPosition_ += std::max(count, 0) * host_.timeInfo().tempo / (60.0 * 48000.0);
  }
  void run(int32_t samples, int32_t callLength) {
    for (int32_t left = samples; left > 0; left -= callLength) call(std::min(left, callLength));
  }

  template <class Action>
  void between(Action action) {
    host_.clearLog();
    action();
    recordRequests();
  }

 private:
  void record(const std::vector<float> (&before)[kOutputCount], int32_t offset, int32_t count) {
    for (int32_t pin = 0; pin < kOutputCount; ++pin) {
      const float* samples = host_.buffer(pin);
      for (int32_t i = 0; i < kBufferLength; ++i) {
        if (i >= offset && i < offset + count) continue;
        ASSERT_EQ(std::memcmp(&samples[i], &before[pin][i], sizeof(float)), 0)
            << "pin " << pin << " sample " << i;
      }
    }
    for (int32_t i = 0; i < count; ++i) {
      for (int32_t pin = 0; pin < kOutputCount; ++pin) {
        const float value = host_.buffer(pin)[offset + i];
        if (std::memcmp(&value, &level_[pin], sizeof value) != 0)
          outcome_.changes.push_back({pin, processed_ + i, value});
        level_[pin] = value;
      }
    }
    processed_ += count;
    recordRequests();
  }

  void recordRequests() {
    for (const auto& sent : host_.statusesSent()) {
      EXPECT_EQ(sent.value, StatusOneOff);
      const int32_t sample = static_cast<int32_t>(static_cast<uint32_t>(sent.clock) -
                                                  static_cast<uint32_t>(firstClock_));
      outcome_.reported.push_back({sent.pin, sample, 1.0f});
    }
    for (int32_t code : host_.requestCodes()) outcome_.timeInfoRequests += code == HostGetTimeInfo;
  }

  HostInstance& host_;
  Outcome outcome_;
  float level_[kOutputCount] = {};  // what the host's buffers held before the first call
  int32_t processed_ = 0;
  int32_t firstClock_ = kFirstClock;
  double songPosition_ = 0.0;
};

// --- Expected outcomes -----------------------------------------------------------------------

std::vector<Change> at(int32_t pin, std::initializer_list<std::pair<int32_t, float>> changes) {
  std::vector<Change> list;
  for (const auto& [sample, value] : changes) list.push_back({pin, sample, value});
  return list;
}

bool earlier(const Change& a, const Change& b) {
  return a.sample != b.sample ? a.sample < b.sample : a.pin < b.pin;
}

// The changes of all four outputs, in sample order and, within a sample, in pin order.
std::vector<Change> outputs(std::vector<Change> pulse, const std::vector<Change>& bar,
                            const std::vector<Change>& tempo,
                            const std::vector<Change>& transport = {}) {
  pulse.insert(pulse.end(), bar.begin(), bar.end());
  pulse.insert(pulse.end(), tempo.begin(), tempo.end());
  pulse.insert(pulse.end(), transport.begin(), transport.end());
  std::stable_sort(pulse.begin(), pulse.end(), earlier);
  return pulse;
}

// The statuses that report a set of changes, in sample and pin order. "Tempo Out" at 10.0 on the
// first sample was reported by start, before the first call.
std::vector<Change> reportsOf(const std::vector<Change>& changes) {
  std::vector<Change> reports;
  for (const Change& change : changes) {
    if (change.pin == TempoOut && change.sample == 0 && change.value == 10.0f) continue;
    reports.push_back({change.pin, change.sample, 1.0f});
  }
  std::stable_sort(reports.begin(), reports.end(), earlier);
  return reports;
}

// "Pulse Out" from `first` on: `edges` edges `halfPeriod` samples apart, the first one rising.
std::vector<Change> pulseTrain(int32_t first, int32_t halfPeriod, int32_t edges) {
  std::vector<Change> list;
  for (int32_t e = 0; e < edges; ++e)
    list.push_back({PulseOut, first + e * halfPeriod, e % 2 == 0 ? kHigh : kLow});
  return list;
}

struct BadInput {
  const char* name;
  std::function<void(Rig&)> play;
  std::vector<Change> changes;
  int32_t timeInfoRequests;
  // The statuses, where they differ from the changes the buffers show.
  std::optional<std::vector<Change>> reported = std::nullopt;
};

void PrintTo(const BadInput& row, std::ostream* out) { *out << row.name; }

class PacerBadInput : public ::testing::TestWithParam<BadInput> {
 protected:
  PacerBadInput() : host(pacerLibrary(), kBufferLength) {}
  HostInstance host;
};

TEST_P(PacerBadInput, GivesItsDefinedOutcome) {
  ASSERT_TRUE(host.alive()) << pacerLibrary().error();
  const BadInput& row = GetParam();
  Rig rig(host);
  row.play(rig);
  const Outcome& seen = rig.outcome();
  EXPECT_EQ(seen.changes, row.changes);
  std::vector<Change> reported = seen.reported;
  std::stable_sort(reported.begin(), reported.end(), earlier);
  EXPECT_EQ(reported, row.reported.value_or(reportsOf(row.changes)));
  EXPECT_EQ(seen.timeInfoRequests, row.timeInfoRequests);
  for (int32_t pin = 0; pin < PinCount; ++pin) EXPECT_TRUE(host.guardsIntact(pin)) << pin;
  EXPECT_EQ(host.realtimeAllocations(), 0);
}

// Held from the first edge on: the clock raises its first pulse and waits for a usable tempo.
std::vector<Change> heldAfterFirstEdge(float tempoLevel) {
  return outputs(at(PulseOut, {{0, kHigh}}), at(BarStart, {{0, kHigh}}),
                 at(TempoOut, {{0, tempoLevel}}));
}

const BadInput kRows[] = {
    // "Pulse Divide" outside its list.
    {"PulseDivideZeroPacesLikeOne",
     [](Rig& rig) {
       rig.host().setListValue(PulseDivide, 0);
       rig.run(50000, 10000);
     },
     outputs(pulseTrain(0, 12000, 5), at(BarStart, {{0, kHigh}, {12000, kLow}}),
             at(TempoOut, {{0, 12.0f}})),
     5},
    {"PulseDivideMinusOnePacesLikeOne",
     [](Rig& rig) {
       rig.host().setListValue(PulseDivide, -1);
       rig.run(50000, 10000);
     },
     outputs(pulseTrain(0, 12000, 5), at(BarStart, {{0, kHigh}, {12000, kLow}}),
             at(TempoOut, {{0, 12.0f}})),
     5},
    {"PulseDivide32767PulsesEveryFourSamples",
     [](Rig& rig) {
       rig.host().setListValue(PulseDivide, 32767);
       rig.call(16);
     },
     outputs(pulseTrain(0, 2, 8), at(BarStart, {{0, kHigh}, {2, kLow}}), at(TempoOut, {{0, 12.0f}})),
     1},

    // Tempi that give no usable half-period hold the levels after the first edge; each call
    // asks once at its first sample whether the tempo is usable again.
    {"TempoZeroHoldsAndShowsTen", [](Rig& rig) { rig.host().setTempo(0.0); rig.run(5000, 1000); },
     heldAfterFirstEdge(10.0f), 5},
    {"NegativeTempoHoldsAndShowsIt",
     [](Rig& rig) {
       rig.host().setTempo(-120.0);
       rig.run(5000, 1000);
     },
     heldAfterFirstEdge(-12.0f), 5},
    {"TempoNaNHoldsAndShowsTen",
     [](Rig& rig) {
       rig.host().setTempo(kNaN);
       rig.run(5000, 1000);
     },
     heldAfterFirstEdge(10.0f), 5},
    {"InfiniteTempoHoldsAndShowsInfinity",
     [](Rig& rig) {
       rig.host().setTempo(kInf);
       rig.run(5000, 1000);
     },
     heldAfterFirstEdge(kInff), 5},
    {"HugeTempoHoldsAndShowsInfinity",
     [](Rig& rig) {
       rig.host().setTempo(1e300);
       rig.run(5000, 1000);
     },
     heldAfterFirstEdge(kInff), 5},
    {"TinyTempoHoldsAndShowsIt",
     [](Rig& rig) {
       rig.host().setTempo(1e-6);
       rig.run(5000, 1000);
     },
     heldAfterFirstEdge(static_cast<float>(1e-6 * static_cast<double>(0.1f))), 5},
    {"UsableTempoAgainResumesAtTheNextCall",
     [](Rig& rig) {
       rig.host().setTempo(0.0);
       rig.run(2000, 1000);
       rig.host().setTempo(120.0);
       rig.run(5000, 1000);
     },
     outputs(at(PulseOut, {{0, kHigh}, {2000, kLow}, {5000, kHigh}}),
             at(BarStart, {{0, kHigh}, {2000, kLow}}), at(TempoOut, {{0, 10.0f}, {2000, 12.0f}})),
     4},

    // Sample rates.
    {"SampleRateZeroHolds",
     [](Rig& rig) {
       rig.host().setSampleRate(0.0f);
       rig.run(5000, 1000);
     },
     heldAfterFirstEdge(12.0f), 5},
    {"NegativeSampleRateHolds",
     [](Rig& rig) {
       rig.host().setSampleRate(-44100.0f);
       rig.run(5000, 1000);
     },
     heldAfterFirstEdge(12.0f), 5},
    {"SampleRateNaNHolds",
     [](Rig& rig) {
       rig.host().setSampleRate(kNaNf);
       rig.run(5000, 1000);
     },
     heldAfterFirstEdge(12.0f), 5},
    {"HugeSampleRateHolds",
     [](Rig& rig) {
       rig.host().setSampleRate(std::numeric_limits<float>::max());
       rig.run(5000, 1000);
     },
     heldAfterFirstEdge(12.0f), 5},
    {"TinySampleRatePulsesEveryFourSamples",
     [](Rig& rig) {
       rig.host().setSampleRate(1e-30f);
       rig.call(8);
     },
     outputs(pulseTrain(0, 2, 4), at(BarStart, {{0, kHigh}, {2, kLow}}), at(TempoOut, {{0, 12.0f}})),
     1},

    // Time information.
    {"NullAnswerIsAskedAgainAtTheNextEdgeOfTheCall",
     [](Rig& rig) {
       rig.host().answerNullTimeInfo(1);
       rig.call(8000);
     },
     outputs(pulseTrain(0, 3000, 3), at(BarStart, {{0, kHigh}, {3000, kLow}}),
             at(TempoOut, {{0, 10.0f}, {3000, 12.0f}})),
     2},
    {"NoAnswerAtAllKeepsTheStartingTempo",
     [](Rig& rig) {
       rig.host().setTimeInfoAvailable(false);
       rig.host().setTempo(60.0);
       rig.call(8000);
     },
     outputs(pulseTrain(0, 3000, 3), at(BarStart, {{0, kHigh}, {3000, kLow}}),
             at(TempoOut, {{0, 10.0f}})),
     3},
    {"FlagsWithEveryBitSetCountAsRunning",
     [](Rig& rig) {
       rig.host().timeInfo().flags = -1;
       rig.call(100);
     },
     outputs(pulseTrain(0, 2, 1), at(BarStart, {{0, kHigh}}), at(TempoOut, {{0, 12.0f}}),
             at(TransportRun, {{0, 1.0f}})),
     1},
    {"SongPositionNaNCountsAsBeatZeroAndEdgesComeTwoSamplesApart",
     [](Rig& rig) {
       rig.runTransportFrom(kNaN);
       rig.run(4096, 1024);
     },
     outputs(at(PulseOut, {{0, kHigh}, {2, kLow}, {3002, kHigh}, {3004, kLow}}),
             at(BarStart, {{0, kHigh}, {2, kLow}}), at(TempoOut, {{0, 12.0f}}),
             at(TransportRun, {{0, 1.0f}})),
     2},
    {"InfiniteSongPositionGivesTwoSampleBlipsAndABarAtEveryBeat",
     [](Rig& rig) {
       rig.runTransportFrom(kInf);
       rig.run(24000, 1024);
     },
     outputs(at(PulseOut, {{0, kHigh},     {2, kLow},      {3002, kHigh},  {3004, kLow},
                           {6004, kHigh},  {6006, kLow},   {9006, kHigh},  {9008, kLow},
                           {12008, kHigh}, {12010, kLow},  {15010, kHigh}, {15012, kLow},
                           {18012, kHigh}, {18014, kLow},  {21014, kHigh}, {21016, kLow}}),
             at(BarStart, {{0, kHigh}, {2, kLow}, {12008, kHigh}, {12010, kLow}}),
             at(TempoOut, {{0, 12.0f}}), at(TransportRun, {{0, 1.0f}})),
     8},
    // Beyond 2^31 beats the beat number saturates, so every resynchronisation puts the clock on
    // the last beat of a bar.
    {"SongPositionBeyond32BitsStartsABarAtEveryBeat",
     [](Rig& rig) {
       rig.runTransportFrom(3e9);
       rig.run(50000, 1024);
     },
     outputs(at(PulseOut, {{0, kHigh},     {3000, kLow},   {6001, kHigh},  {9001, kLow},
                           {12001, kHigh}, {15001, kLow},  {18001, kHigh}, {21001, kLow},
                           {24001, kHigh}, {27001, kLow},  {30001, kHigh}, {33001, kLow},
                           {36001, kHigh}, {39001, kLow},  {42001, kHigh}, {45001, kLow},
                           {48001, kHigh}}),
             at(BarStart, {{0, kHigh}, {3000, kLow}, {24001, kHigh}, {27001, kLow}, {48001, kHigh}}),
             at(TempoOut, {{0, 12.0f}}), at(TransportRun, {{0, 1.0f}})),
     17},

    // Block sizes and process calls.
    {"BlockSizeZeroReportsChangesButWritesNoSample",
     [](Rig& rig) {
       rig.host().setBlockSize(0);
       rig.call(7000);
     },
     {}, 1,
     reportsOf(outputs(pulseTrain(0, 3000, 3), at(BarStart, {{0, kHigh}, {3000, kLow}}),
                       at(TempoOut, {{0, 12.0f}})))},
    {"NegativeBlockSizeReportsChangesButWritesNoSample",
     [](Rig& rig) {
       rig.host().setBlockSize(INT32_MIN);
       rig.call(7000);
     },
     {}, 1,
     reportsOf(outputs(pulseTrain(0, 3000, 3), at(BarStart, {{0, kHigh}, {3000, kLow}}),
                       at(TempoOut, {{0, 12.0f}})))},
    {"ACallOfSeveralBlocksWritesOneBlockAfterEachChange",
     [](Rig& rig) {
       rig.host().setBlockSize(64);
       rig.call(7000);
     },
     outputs(at(PulseOut, {{0, kHigh}, {64, kLow}, {6000, kHigh}, {6064, kLow}}),
             at(BarStart, {{0, kHigh}, {64, kLow}}), at(TempoOut, {{0, 12.0f}, {64, 0.0f}})),
     1,
     reportsOf(outputs(pulseTrain(0, 3000, 3), at(BarStart, {{0, kHigh}, {3000, kLow}}),
                       at(TempoOut, {{0, 12.0f}})))},
    {"CountsZeroAndNegativeWriteAndAskNothing",
     [](Rig& rig) {
       for (int32_t count : {0, -1, INT32_MIN}) rig.call(count, 5);
       rig.call(10);
     },
     outputs(pulseTrain(0, 2, 1), at(BarStart, {{0, kHigh}}), at(TempoOut, {{0, 12.0f}})), 1},
    {"ACallEndingAtTheBufferEndWritesOnlyItsSamples",
     [](Rig& rig) { rig.call(100, kBufferLength - 100); },
     outputs(pulseTrain(0, 2, 1), at(BarStart, {{0, kHigh}}), at(TempoOut, {{0, 12.0f}})), 1},

    // Events and opcodes.
    {"EventsOfAnyKindChangeNothing",
     [](Rig& rig) {
       for (int32_t pin : {0, 4, 5, -1, INT32_MAX})
         rig.between([&] { rig.host().sendPinStatus(pin, StatusRunning); });
       rig.between([&] { rig.host().sendMidi(0, 0x643C90); });
       rig.call(3000);
     },
     outputs(pulseTrain(0, 2, 1), at(BarStart, {{0, kHigh}}), at(TempoOut, {{0, 12.0f}})), 1},
    {"UnknownOpcodesAnswerZeroAndChangeNothing",
     [](Rig& rig) {
       for (int32_t opcode : {4, 5, 7, 9, 10, 11, 13, 100, -1, INT32_MIN, INT32_MAX})
         rig.between([&] { EXPECT_EQ(rig.host().dispatch(opcode, 1, 1), 0) << opcode; });
       rig.call(3000);
     },
     outputs(pulseTrain(0, 2, 1), at(BarStart, {{0, kHigh}}), at(TempoOut, {{0, 12.0f}})), 1},
    {"ASecondStartReportsTempoTenUntilTheNextEdge",
     [](Rig& rig) {
       rig.call(4000);
       rig.between([&] { rig.host().start(); });
       rig.call(4000);
     },
     outputs(pulseTrain(0, 3000, 3), at(BarStart, {{0, kHigh}, {3000, kLow}}),
             at(TempoOut, {{0, 12.0f}, {4000, 10.0f}, {6000, 12.0f}})),
     2},
};

INSTANTIATE_TEST_SUITE_P(Rows, PacerBadInput, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace pacer_test
