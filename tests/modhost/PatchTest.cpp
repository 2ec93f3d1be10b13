#include <gtest/gtest.h>

#include <stdexcept>

#include "Patch.h"

namespace nalto::modhost {
namespace {

using nlohmann::json;

// A module with a list pin and a stream pin of the same name, like the step gate's "Reset".
ModuleSummary twoResets() {
  ModuleSummary module;
  PinSummary list;
  list.index = 0;
  list.name = "Reset";
  list.dataType = DataList;
  list.choices = parseListText("range 1,16");
  PinSummary stream;
  stream.index = 1;
  stream.name = "Reset";
  stream.dataType = DataStream;
  PinSummary midi;
  midi.index = 2;
  midi.name = "MIDI In";
  midi.dataType = DataMidi;
  module.pins = {list, stream, midi};
  return module;
}

std::vector<float> samples(const StreamSignal& signal, int64_t count) {
  std::vector<float> values;
  for (int64_t clock = 0; clock < count; ++clock) values.push_back(signal.valueAt(clock));
  return values;
}

TEST(Patch, TimesAreSamplesOrSecondsOrMilliseconds) {
  const Patch patch = parsePatch(json::parse(R"({"sampleRate": 48000, "length": "1.5s",
                      "midi": [{"at": "250ms", "noteOn": 60}, {"at": 7, "noteOff": 60}]})"),
                                 twoResets());
  EXPECT_EQ(patch.length, 72000);
  ASSERT_EQ(patch.midi.size(), 2u);
  EXPECT_EQ(patch.midi[0].clock, 7);  // sorted by clock
  EXPECT_EQ(patch.midi[0].message, 0x3C90);
  EXPECT_EQ(patch.midi[1].clock, 12000);
  EXPECT_EQ(patch.midi[1].message, 0x643C90);
}

TEST(Patch, ANameSharedByTwoPinsFindsThePinOfTheRightKind) {
  const Patch patch = parsePatch(json::parse(R"({"lists": {"Reset": [[0, "4"], [100, 16]]},
                      "streams": {"Reset": {"steps": [[0, 10], [50, 0]]}}})"),
                                 twoResets());
  ASSERT_EQ(patch.lists.size(), 2u);
  EXPECT_EQ(patch.lists[0].pin, 0);
  EXPECT_EQ(patch.lists[1].value, 16);
  ASSERT_EQ(patch.streams.size(), 1u);
  EXPECT_EQ(patch.streams[0].first, 1);
}

TEST(Patch, SignalsAreSampleExact) {
  const ModuleSummary module = twoResets();
  auto signal = [&](const char* text) {
    return parsePatch(json::parse(std::string(R"({"streams": {"Reset": )") + text + "}}"), module)
        .streams[0]
        .second;
  };
  EXPECT_EQ(samples(signal(R"({"pulses": {"period": 4, "duty": 0.5, "start": 2, "stop": 9}})"), 11),
            (std::vector<float>{0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0}));
  EXPECT_EQ(samples(signal(R"({"edges": {"at": [3, 5], "low": -1, "high": 2}})"), 7),
            (std::vector<float>{-1, -1, -1, 2, 2, -1, -1}));
  EXPECT_EQ(samples(signal(R"({"steps": [[2, 5], [4, 7]]})"), 6),
            (std::vector<float>{5, 5, 5, 5, 7, 7}));
  EXPECT_EQ(samples(signal(R"({"ramp": [[1, 0], [5, 2]]})"), 7),
            (std::vector<float>{0, 0, 0.5f, 1, 1.5f, 2, 2}));
  EXPECT_EQ(samples(signal(R"({"constant": 0.25})"), 2), (std::vector<float>{0.25f, 0.25f}));
}

TEST(Patch, ErrorsSayWhatIsWrong) {
  const struct {
    const char* patch;
    const char* named;
  } cases[] = {
      {R"({"streams": {"Gate": 1}})", "no input pin \"Gate\""},
      {R"({"lists": {"Reset": "17"}})", "none of the choices"},
      {R"({"length": "2 bars"})", "unknown time unit"},
      {R"({"blockSize": 0})", "blockSize"},
      {R"({"midi": [{"at": 0, "noteOn": 128}]})", "between 0 and 127"},
      {R"({"streams": {"Reset": {"pulses": {"period": 0}}}})", "period"},
  };
  for (const auto& c : cases) {
    try {
      parsePatch(json::parse(c.patch), twoResets());
      ADD_FAILURE() << c.patch << " was accepted";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(c.named), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace nalto::modhost
