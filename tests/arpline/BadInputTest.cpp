// Hostile inputs, one row each, with what Nalto Arpline then does: the MIDI it sends with their
// clocks, every "Pulse Out" sample each call writes, the statuses it sends and its idle
// requests. Every call must write exactly the samples of its range and return; the host's guards
// and marks check that.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ArplineHost.h"
#include "common/BadInputOutcome.h"
#include "nalto/HostRequest.h"

namespace arpline_test {
namespace {

using nalto::host::HostInstance;
using nalto::host::SentMessage;
using test_common::joined;
using test_common::runs;
using test_common::sameSamples;
using test_common::Status;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kDenormal = std::numeric_limits<float>::denorm_min();
constexpr float kHuge = std::numeric_limits<float>::max();
constexpr float kUnwritten = -777.0f;  // marks "Pulse Out" samples a call must leave alone
constexpr int32_t kStepLength = 8;     // samples of one step call
constexpr int32_t kRise = 2;           // its first high gate sample
constexpr int32_t kFall = 5;           // its first low gate sample after that

// What the module did over a row's calls.
struct Outcome {
  std::vector<SentMessage> midi;
  std::vector<float> pulse;  // every sample each call wrote, call after call
  std::vector<Status> statuses;
  int32_t idleRequests = 0;
};

// Runs a row on a started instance with "On/Off" at On and "Mode" at Up, whose first call
// begins at sample clock 0; every call starts a new block at buffer index 0.
class Rig {
 public:
  explicit Rig(HostInstance& host) : host_(host) {}
  HostInstance& host() { return host_; }
  const Outcome& outcome() const { return outcome_; }

  // One call over buffer indexes [offset, offset + count), "Gate" carrying `gate` from offset on.
  void call(const std::vector<float>& gate, int32_t offset = 0) {
    call(offset, static_cast<int32_t>(gate.size()), gate);
  }
  void call(int32_t offset, int32_t count, const std::vector<float>& gate = {}) {
    std::copy(gate.begin(), gate.end(), host_.buffer(Gate) + offset);
    host_.fill(PulseOut, kUnwritten);
    host_.clearLog();
    if (offset == 0) {
      host_.processBlock(count);
    } else {
      host_.process(offset, count);
    }
    record();
    const int32_t end = offset + std::max(count, int32_t{0});
    const float* pulse = host_.buffer(PulseOut);
    for (int32_t i = 0; i < host_.bufferLength(); ++i) {
      if (i >= offset && i < end) continue;
      ASSERT_EQ(pulse[i], kUnwritten) << "sample " << i;
    }
    outcome_.pulse.insert(outcome_.pulse.end(), pulse + offset, pulse + end);
  }
  // A step call: gate low, high from kRise, low again from kFall.
  void step() { call({0, 0, 1, 1, 1, 0, 0, 0}); }
  void steps(int32_t count) {
    for (int32_t i = 0; i < count; ++i) step();
  }

  // An event or dispatcher call outside a process call; what it sends goes into the outcome.
  template <class Action>
  void between(Action action) {
    host_.clearLog();
    action();
    record();
  }
  void midi(int32_t message, int32_t clock = 0) {
    between([&] { host_.sendMidi(clock, message); });
  }
  void press(std::initializer_list<int32_t> keys) {
    for (int32_t key : keys) midi(pack(0x90, key, 90));
  }

 private:
  void record() {
    for (const SentMessage& sent : host_.midiSent()) outcome_.midi.push_back(sent);
    for (const SentMessage& sent : host_.statusesSent())
      outcome_.statuses.push_back({sent.pin, sent.value});
    for (int32_t code : host_.requestCodes()) outcome_.idleRequests += code == HostGoIdle;
  }

  HostInstance& host_;
  Outcome outcome_;
};

// --- Expected outcomes -----------------------------------------------------------------------

// The notes of step calls number first, first + 1, ...: each key's note-on at kRise and its
// note-off at kFall; a key of -1 stands for a step that sends nothing.
std::vector<SentMessage> stepNotes(const std::vector<int32_t>& keys, int32_t first = 0) {
  std::vector<SentMessage> notes;
  int32_t call = first;
  for (int32_t key : keys) {
    const int32_t start = call++ * kStepLength;
    if (key < 0) continue;
    notes.push_back({MidiOut, noteOn(key), start + kRise});
    notes.push_back({MidiOut, noteOff(key), start + kFall});
  }
  return notes;
}

// "Pulse Out" of step calls: 'P' for a step whose end marks a cycle (1.0 from kFall to the end
// of the call), '.' for a silent one.
std::vector<float> stepPulses(const std::string& steps) {
  std::vector<float> samples;
  for (char step : steps)
    for (int32_t i = 0; i < kStepLength; ++i)
      samples.push_back(step == 'P' && i >= kFall ? 1.0f : 0.0f);
  return samples;
}

std::vector<int32_t> keysFrom(int32_t first, int32_t last) {
  std::vector<int32_t> keys;
  for (int32_t key = first; key <= last; ++key) keys.push_back(key);
  return keys;
}

// 100 keys, each pressed once and released once, in a shuffled order that keeps every release
// after its own press.
std::vector<int32_t> pressesAndReleases(uint32_t seed) {
  std::vector<int32_t> events;  // key for a press, -key for a release
  for (int32_t key = 20; key < 120; ++key) events.insert(events.end(), {key, -key});
  std::mt19937 random(seed);
  std::shuffle(events.begin(), events.end(), random);
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i] > 0) continue;
    const auto press =
        std::find(events.begin() + static_cast<std::ptrdiff_t>(i), events.end(), -events[i]);
    if (press != events.end())
      std::iter_swap(events.begin() + static_cast<std::ptrdiff_t>(i), press);
  }
  return events;
}

// --- The table -------------------------------------------------------------------------------

using BadInput = test_common::BadInputRow<Rig, Outcome>;

class ArplineBadInput : public ArplineTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(ArplineBadInput, GivesItsDefinedOutcome) {
  Rig rig(host);
  GetParam().play(rig);
  const Outcome& seen = rig.outcome();
  const Outcome& expected = GetParam().expected;
  EXPECT_EQ(seen.midi, expected.midi);
  EXPECT_TRUE(sameSamples("Pulse Out", seen.pulse, expected.pulse));
  EXPECT_EQ(seen.statuses, expected.statuses);
  EXPECT_EQ(seen.idleRequests, expected.idleRequests);
  for (int32_t pin = 0; pin < PinCount; ++pin) EXPECT_TRUE(host.guardsIntact(pin)) << pin;
}

const BadInput kRows[] = {
    // Keys.
    {"MoreThan99KeysKeepTheFirst99",
     [](Rig& rig) {
       for (int32_t key = 1; key <= 120; ++key) rig.press({key});
       rig.steps(100);
     },
     {stepNotes(joined(keysFrom(1, 99), {1})), stepPulses(std::string(98, '.') + "P."), {}, 0}},
    {"KeyAbove127IsASilentStep",
     [](Rig& rig) {
       rig.midi(pack(0x90, 200, 90));
       rig.steps(2);
     },
     {{}, stepPulses("PP"), {}, 0}},
    {"BitsAboveTheSecondDataByteAreIgnored",
     [](Rig& rig) {
       rig.midi(static_cast<int32_t>(0xFF5A3C90u));
       rig.step();
       rig.host().setListValue(OnOff, 0);
       rig.midi(static_cast<int32_t>(0xFF5A3C91u), 1234);
     },
     {joined(stepNotes({60}), {{MidiOut, 0x5A3C91, 1234}}), stepPulses("P"), {}, 0}},
    {"SystemMessagesChangeNothing",
     [](Rig& rig) {
       rig.press({60});
       for (int32_t message : {0xF8, 0xFF, 0x0040F0, 0x7F7FF2}) rig.midi(message);
       rig.host().setListValue(OnOff, 0);
       rig.midi(0xFE);
       rig.step();
     },
     {stepNotes({60}), stepPulses("P"), {}, 0}},

    // List pins outside their lists.
    {"ModeZeroReplaysTheSlotWithoutPulses",
     [](Rig& rig) {
       rig.host().setListValue(Mode, 0);
       rig.press({64, 60, 67});
       rig.steps(3);
     },
     {stepNotes({60, 60, 60}), stepPulses("..."), {}, 0}},
    {"ModeFiveReplaysTheSlotWithoutPulses",
     [](Rig& rig) {
       rig.host().setListValue(Mode, 5);
       rig.press({64, 60, 67});
       rig.steps(3);
     },
     {stepNotes({60, 60, 60}), stepPulses("..."), {}, 0}},
    {"ModeMinusOneReplaysTheSlotWithoutPulses",
     [](Rig& rig) {
       rig.host().setListValue(Mode, -1);
       rig.press({64, 60, 67});
       rig.step();
       rig.host().setListValue(Mode, Up);
       rig.step();
       rig.host().setListValue(Mode, -1);
       rig.steps(2);
     },
     {stepNotes({60, 60, 64, 64}), stepPulses("...."), {}, 0}},
    {"OnOffTwoNeitherPlaysNorPassesMessages",
     [](Rig& rig) {
       rig.press({60});
       rig.host().setListValue(OnOff, 2);
       rig.midi(pack(0x80, 60, 0));
       rig.midi(pack(0x90, 64, 90));
       rig.steps(2);
     },
     {stepNotes({60, 60}), stepPulses("PP"), {}, 0}},
    {"OnOffTwoOnAnEmptyListKeepsItEmpty",
     [](Rig& rig) {
       rig.host().setListValue(OnOff, 2);
       rig.midi(pack(0x90, 64, 90));
       rig.steps(2);
     },
     {{}, stepPulses(".."), {}, 0}},

    // Gate samples.
    {"GateStuckAtNaNStartsNoStep",
     [](Rig& rig) {
       rig.press({60});
       rig.call(std::vector<float>(kStepLength, kNaN));
     },
     {{}, runs({{0.0f, kStepLength}}), {}, 0}},
    {"GateFallingToNaNEndsTheStep",
     [](Rig& rig) {
       rig.press({60});
       rig.call({0, 0, 1, 1, kNaN, 0, 0, 0});
     },
     {{{MidiOut, noteOn(60), 2}, {MidiOut, noteOff(60), 4}}, runs({{0.0f, 4}, {1.0f, 4}}), {}, 0}},
    {"GateInfinityAndHugeAreHighMinusInfinityAndDenormalLow",
     [](Rig& rig) {
       rig.press({60});
       rig.call({kInf, -kInf, kDenormal, kHuge, 0, 0.5f, kNaN, 0});
     },
     {{{MidiOut, noteOn(60), 0},
       {MidiOut, noteOff(60), 1},
       {MidiOut, noteOn(60), 3},
       {MidiOut, noteOff(60), 4},
       {MidiOut, noteOn(60), 5},
       {MidiOut, noteOff(60), 6}},
      runs({{0.0f, 1}, {1.0f, 7}}),
      {},
      0}},

    // Process calls.
    {"CountsZeroAndNegativeWriteAndSendNothing",
     [](Rig& rig) {
       rig.press({60});
       std::fill_n(rig.host().buffer(Gate), 16, 1.0f);
       for (int32_t count : {0, -1, INT32_MIN}) rig.call(3, count);
     },
     {{}, {}, {}, 0}},
    {"ACallEndingAtTheBufferEndWritesOnlyItsSamples",
     [](Rig& rig) {
       rig.press({60});
       const int32_t length = rig.host().bufferLength();
       rig.host().setBlockStartClock(-length + 8);
       rig.call({1, 1, 0, 0}, length - 4);
     },
     {{{MidiOut, noteOn(60), 4}, {MidiOut, noteOff(60), 6}}, runs({{0.0f, 2}, {1.0f, 2}}), {}, 0}},
    {"OneCallOverSeveralBlocksPlaysEveryPulse",
     [](Rig& rig) {
       rig.host().setBlockSize(4);
       rig.press({60, 64});
       std::vector<float> gate;
       for (int32_t pulse = 0; pulse < 8; ++pulse) gate.insert(gate.end(), {1, 1, 0, 0});
       rig.call(gate);
     },
     {{{MidiOut, noteOn(60), 0},
       {MidiOut, noteOff(60), 2},
       {MidiOut, noteOn(64), 4},
       {MidiOut, noteOff(64), 6},
       {MidiOut, noteOn(60), 8},
       {MidiOut, noteOff(60), 10},
       {MidiOut, noteOn(64), 12},
       {MidiOut, noteOff(64), 14},
       {MidiOut, noteOn(60), 16},
       {MidiOut, noteOff(60), 18},
       {MidiOut, noteOn(64), 20},
       {MidiOut, noteOff(64), 22},
       {MidiOut, noteOn(60), 24},
       {MidiOut, noteOff(60), 26},
       {MidiOut, noteOn(64), 28},
       {MidiOut, noteOff(64), 30}},
      runs(
          {{0.0f, 6}, {1.0f, 4}, {0.0f, 4}, {1.0f, 4}, {0.0f, 4}, {1.0f, 4}, {0.0f, 4}, {1.0f, 2}}),
      {},
      0}},
    {"ClocksWrapAroundPastTheLargest",
     [](Rig& rig) {
       rig.press({60});
       rig.host().setBlockStartClock(INT32_MAX - 2);
       rig.step();
     },
     {{{MidiOut, noteOn(60), INT32_MAX}, {MidiOut, noteOff(60), INT32_MIN + 2}},
      stepPulses("P"),
      {},
      0}},

    // Block sizes and sample rates from the dispatcher.
    {"BlockSizeZeroIdlesAfterEveryCall",
     [](Rig& rig) {
       rig.host().setBlockSize(0);
       rig.between([&] { rig.host().sendPinStatus(Gate, StatusStatic); });
       rig.steps(2);
     },
     {{}, stepPulses(".."), {{PulseOut, StatusOneOff}}, 2}},
    {"NegativeBlockSizeIdlesAfterEveryCall",
     [](Rig& rig) {
       rig.host().setBlockSize(INT32_MIN);
       rig.between([&] { rig.host().sendPinStatus(Gate, StatusStatic); });
       rig.steps(2);
     },
     {{}, stepPulses(".."), {{PulseOut, StatusOneOff}}, 2}},
    {"HugeBlockSizeNeverIdles",
     [](Rig& rig) {
       rig.host().setBlockSize(INT32_MAX);
       rig.between([&] { rig.host().sendPinStatus(Gate, StatusStatic); });
       rig.steps(3);
     },
     {{}, stepPulses("..."), {{PulseOut, StatusOneOff}}, 0}},
    {"SampleRatesZeroNegativeAndNaNChangeNothing",
     [](Rig& rig) {
       rig.press({60, 64});
       for (float rate : {0.0f, -44100.0f, kNaN, kInf}) {
         rig.host().setSampleRate(rate);
         rig.step();
       }
     },
     {stepNotes({60, 64, 60, 64}), stepPulses(".P.P"), {}, 0}},

    // Events and opcodes.
    {"StatusesForPinsOutsideTheTableAreIgnored",
     [](Rig& rig) {
       for (int32_t pin : {6, -1, 256, INT32_MAX, INT32_MIN})
         rig.between([&] { rig.host().sendPinStatus(pin, StatusRunning); });
     },
     {{}, {}, {}, 0}},
    {"OddStatusesOfGateArePassedOnAsTheyAre",
     [](Rig& rig) {
       rig.host().fill(Gate, 1.0f);
       for (int32_t status : {-1, INT32_MIN, 7})
         rig.between([&] { rig.host().sendPinStatus(Gate, status); });
     },
     {{}, {}, {{PulseOut, -1}, {PulseOut, INT32_MIN}, {PulseOut, 7}}, 0}},
    {"UnknownOpcodesAnswerZeroAndChangeNothing",
     [](Rig& rig) {
       rig.press({60, 64});
       rig.step();
       for (int32_t opcode : {4, 5, 7, 9, 10, 11, 13, 100, -1, INT32_MIN, INT32_MAX})
         rig.between([&] { EXPECT_EQ(rig.host().dispatch(opcode, 1, 1), 0) << opcode; });
       rig.step();
     },
     {stepNotes({60, 64}), stepPulses(".P"), {}, 0}},
    {"ASecondStartEmptiesTheList",
     [](Rig& rig) {
       rig.press({60});
       rig.between([&] { rig.host().start(); });
       rig.step();
     },
     {{}, stepPulses("."), {}, 0}},
};

INSTANTIATE_TEST_SUITE_P(Rows, ArplineBadInput, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           return std::string(info.param.name);
                         });

// 200 presses and releases in random order, a step after every fourth: whatever the order, every
// note that goes out is one of the keys pressed, every step that starts ends with a note-off for
// its own key (a rest sends only that), and once every key is released the list is empty.
TEST_F(ArplineTest, TwoHundredPressesAndReleasesInRandomOrder) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    host.start();
    Rig rig(host);
    const std::vector<int32_t> events = pressesAndReleases(seed);
    for (size_t i = 0; i < events.size(); ++i) {
      const int32_t key = events[i] > 0 ? events[i] : -events[i];
      rig.midi(pack(events[i] > 0 ? 0x90 : 0x80, key, events[i] > 0 ? 90 : 0));
      if (i % 4 == 3) rig.step();
    }
    const std::vector<SentMessage>& midi = rig.outcome().midi;
    for (size_t i = 0; i < midi.size(); ++i) {
      const int32_t key = (midi[i].value >> 8) & 0xFF;
      const int32_t velocity = midi[i].value >> 16;
      if (velocity == kStepVelocity) {
        EXPECT_TRUE(key >= 20 && key < 120) << key;
        ASSERT_LT(i + 1, midi.size());
        EXPECT_EQ(midi[i + 1].value, noteOff(key)) << "the step's own note-off follows";
        ++i;
      } else {
        EXPECT_EQ(midi[i].value, noteOff(127)) << "a rest sends only its note-off";
      }
    }

    host.clearLog();
    rig.steps(2);
    EXPECT_EQ(host.midiSent().size(), 0u) << "the list is empty";
  }
}

}  // namespace
}  // namespace arpline_test
