#include <gtest/gtest.h>

#include <string>

#include "Renderer.h"

namespace nalto::modhost {
namespace {

using nlohmann::json;

const std::string kCleanModule = std::string(NALTO_TEST_MODULE_DIR) + "/Nalto Test Clean.sem";

// The clean test module: "Out" is "In" scaled by "Gain" (Half 0.5), each rise of "In" through
// 0.5 sends a note stamped with its sample, and "MIDI In" passes through at the event's clock.
Recording renderClean(const std::string& blockSize) {
  std::string error;
  const auto module = readModuleSummary(kCleanModule, error);
  if (!module) throw std::runtime_error(error);
  const Patch patch = parsePatch(json::parse(R"({"sampleRate": 48000, "length": 2000,
      "blockSize": )" + blockSize + R"(, "lists": {"Gain": "Half"},
      "streams": {"In": {"pulses": {"period": 400, "duty": 0.5, "start": 100}}},
      "midi": [{"at": 1000, "noteOn": 67, "velocity": 90}]})"),
                                 *module);
  return render(*module, patch);
}

std::vector<std::pair<int64_t, int32_t>> midiSent(const Recording& recording) {
  std::vector<std::pair<int64_t, int32_t>> midi;
  for (const SentByModule& sent : recording.sent)
    if (sent.midi) midi.emplace_back(sent.clock, sent.value);
  return midi;
}

TEST(Render, RecordsInputsAndWhatTheModuleWroteSampleBySample) {
  const Recording recording = renderClean("512");
  const std::vector<float>& in = recording.streams.at(0);
  const std::vector<float>& out = recording.streams.at(3);
  ASSERT_EQ(out.size(), 2000u);
  EXPECT_EQ(in[99], 0.0f);
  EXPECT_EQ(in[100], 1.0f);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], 0.5f * in[i]) << "sample " << i;
}

TEST(Render, DeliversEventsAtTheirSampleAndRecordsWhatWasSentWithItsClock) {
  const Recording recording = renderClean("512");
  const std::vector<std::pair<int64_t, int32_t>> expected = {{100, 0x644090},  {500, 0x644090},
                                                             {900, 0x644090},  {1000, 0x5A4390},
                                                             {1300, 0x644090}, {1700, 0x644090}};
  EXPECT_EQ(midiSent(recording), expected);
  ASSERT_EQ(recording.lists.size(), 1u);
  EXPECT_EQ(recording.lists[0].value, 1);
}

TEST(Render, BlockSizesDoNotChangeWhatAModuleWithoutBlockEffectsProduces) {
  const Recording fixed = renderClean("512");
  for (const char* sizes : {"[1, 7, 300]", R"({"random": {"min": 1, "max": 700, "seed": 5}})"}) {
    const Recording other = renderClean(sizes);
    EXPECT_EQ(other.streams.at(3), fixed.streams.at(3)) << sizes;
    EXPECT_EQ(midiSent(other), midiSent(fixed)) << sizes;
  }
}

}  // namespace
}  // namespace nalto::modhost
