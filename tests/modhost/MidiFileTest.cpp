#include <gtest/gtest.h>

#include <vector>

#include "RecordingFiles.h"

namespace nalto::modhost {
namespace {

using Bytes = std::vector<uint8_t>;

// The track's bytes after the header chunk, the tempo and the track name.
Bytes eventsOf(const Bytes& file, size_t nameLength) {
  const size_t start = 14 + 8 + 7 + 4 + nameLength;
  return Bytes(file.begin() + static_cast<long>(start), file.end());
}

TEST(MidiFile, HeaderIsFormatZeroWithOneTrackAndTheGivenDivision) {
  const Bytes file = midiFileBytes({}, 48000.0, 120.0, 480, "");
  const Bytes header = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0};
  ASSERT_GE(file.size(), header.size() + 8);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 14), header);
  EXPECT_EQ(Bytes(file.begin() + 14, file.begin() + 18), (Bytes{'M', 'T', 'r', 'k'}));
  const uint32_t length = file[18] << 24 | file[19] << 16 | file[20] << 8 | file[21];
  EXPECT_EQ(length, file.size() - 22);
  // 120 beats per minute: 500000 microseconds per quarter note.
  EXPECT_EQ(Bytes(file.begin() + 22, file.begin() + 29),
            (Bytes{0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20}));
}

TEST(MidiFile, DeltaTimesComeFromSampleClocksAtTheStatedTempo) {
  // At 48000 Hz and 120 beats per minute a beat is 24000 samples, 480 ticks.
  const std::vector<std::pair<int64_t, int32_t>> messages = {
      {0, 0x643C90}, {24000, 0x3C90}, {24000, 0x644090}, {36000, 0x4090}};
  int32_t written = 0;
  const Bytes file = midiFileBytes(messages, 48000.0, 120.0, 480, "Out", &written);
  EXPECT_EQ(written, 4);
  const Bytes expected = {0x00, 0x90, 0x3C, 0x64,        // note on C4 at once
                          0x83, 0x60, 0x90, 0x3C, 0x00,  // 480 ticks later, note end
                          0x00, 0x90, 0x40, 0x64,        // same time, note on E4
                          0x81, 0x70, 0x90, 0x40, 0x00,  // 240 ticks later, note end
                          0x00, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(eventsOf(file, 3), expected);
}

TEST(MidiFile, LeavesOutSystemMessagesAndBytesWithoutStatus) {
  const std::vector<std::pair<int64_t, int32_t>> messages = {
      {0, 0xF8}, {0, 0x3C}, {0, 0x05C0}};  // clock tick, a data byte, program change 5
  int32_t written = 0;
  const Bytes file = midiFileBytes(messages, 44100.0, 90.0, 96, "", &written);
  EXPECT_EQ(written, 1);
  EXPECT_EQ(eventsOf(file, 0), (Bytes{0x00, 0xC0, 0x05, 0x00, 0xFF, 0x2F, 0x00}));
}

}  // namespace
}  // namespace nalto::modhost
