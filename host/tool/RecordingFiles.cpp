#include "RecordingFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "MidiText.h"

namespace nalto::modhost {

namespace {

std::ofstream openFile(const std::string& path, std::ios::openmode mode = std::ios::out) {
  std::ofstream file(path, mode);
  if (!file) throw std::runtime_error("cannot write " + path);
  return file;
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

std::string quoted(const std::string& text) {
  std::string result = "\"";
  for (char c : text) result += c == '"' ? std::string("\"\"") : std::string(1, c);
  return result + "\"";
}

std::vector<int32_t> outputStreams(const Recording& recording) {
  std::vector<int32_t> pins;
  for (const auto& [pin, samples] : recording.streams)
    if (!recording.pin(pin).isInput()) pins.push_back(pin);
  return pins;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void putVariableLength(std::vector<uint8_t>& bytes, uint32_t value) {
  uint8_t groups[5];
  int count = 0;
  do {
    groups[count++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  for (int i = count - 1; i >= 0; --i)
    bytes.push_back(static_cast<uint8_t>(groups[i] | (i > 0 ? 0x80 : 0)));
}

void putBigEndian(std::vector<uint8_t>& bytes, uint32_t value, int width) {
  for (int i = width - 1; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

int32_t messageLength(int32_t status) {
  const int32_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

}  // namespace

void writeOutputsCsv(const Recording& recording, const std::string& path) {
  std::ofstream file = openFile(path);
  const std::vector<int32_t> pins = outputStreams(recording);
  file << "sample,seconds";
  for (int32_t pin : pins) file << "," << quoted(recording.pin(pin).name);
  file << "\n";
  for (int64_t clock = 0; clock < recording.length(); ++clock) {
    file << clock << "," << number(recording.seconds(clock));
    for (int32_t pin : pins)
      file << "," << number(recording.streams.at(pin)[static_cast<size_t>(clock)]);
    file << "\n";
  }
}

void writeOutputChangesCsv(const Recording& recording, const std::string& path) {
  std::ofstream file = openFile(path);
  file << "sample,seconds,pin,name,value\n";
  for (int32_t pin : outputStreams(recording)) {
    const std::vector<float>& samples = recording.streams.at(pin);
    for (size_t i = 0; i < samples.size(); ++i) {
      if (i > 0 && sameBits(samples[i], samples[i - 1])) continue;
      file << i << "," << number(recording.seconds(static_cast<int64_t>(i))) << "," << pin << ","
           << quoted(recording.pin(pin).name) << "," << number(samples[i]) << "\n";
    }
  }
}

void writeEventsCsv(const Recording& recording, const std::string& path) {
  struct Row {
    int64_t clock;
    std::string direction;
    int32_t pin;
    std::string kind;
    int64_t value;
    std::string text;
  };
  std::vector<Row> rows;
  for (const TimedListValue& list : recording.lists) {
    const PinSummary& pin = recording.pin(list.pin);
    const std::string label = pin.choices ? pin.choices->labelOf(list.value) : "";
    rows.push_back({list.clock, "in", list.pin, "list", list.value, label});
  }
  for (const TimedStatus& status : recording.statusesIn)
    rows.push_back(
        {status.clock, "in", status.pin, "status", status.status, describeStatus(status.status)});
  for (const TimedMidi& midi : recording.midiIn) {
    int32_t pin = -1;
    for (const PinSummary& p : recording.module.pins)
      if (p.isMidi() && p.isInput() && pin < 0) pin = p.index;
    rows.push_back({midi.clock, "in", pin, "midi", midi.message, describeMidi(midi.message)});
  }
  for (const SentByModule& sent : recording.sent)
    rows.push_back({sent.clock, "out", sent.pin, sent.midi ? "midi" : "status", sent.value,
                    sent.midi ? describeMidi(sent.value) : describeStatus(sent.value)});
  std::stable_sort(rows.begin(), rows.end(),
                   [](const Row& a, const Row& b) { return a.clock < b.clock; });

  std::ofstream file = openFile(path);
  file << "sample,seconds,direction,pin,name,kind,value,meaning\n";
  for (const Row& row : rows) {
    const std::string name = row.pin >= 0 ? recording.pin(row.pin).name : "";
    file << row.clock << "," << number(recording.seconds(row.clock)) << "," << row.direction << ","
         << row.pin << "," << quoted(name) << "," << row.kind << "," << row.value << ","
         << quoted(row.text) << "\n";
  }
}

std::vector<uint8_t> midiFileBytes(const std::vector<std::pair<int64_t, int32_t>>& messages,
                                   double sampleRate, double tempo, int32_t ppq,
                                   const std::string& trackName, int32_t* written) {
  std::vector<uint8_t> track;
  putVariableLength(track, 0);  // the tempo the delta times were worked out at
  const auto microsecondsPerQuarter = static_cast<uint32_t>(std::lround(60000000.0 / tempo));
  track.insert(track.end(), {0xFF, 0x51, 0x03});
  putBigEndian(track, microsecondsPerQuarter, 3);
  putVariableLength(track, 0);
  track.insert(track.end(), {0xFF, 0x03});
  putVariableLength(track, static_cast<uint32_t>(trackName.size()));
  track.insert(track.end(), trackName.begin(), trackName.end());

  const double ticksPerSample = ppq * tempo / (60.0 * sampleRate);
  int64_t lastTick = 0;
  int32_t count = 0;
  for (const auto& [clock, message] : messages) {
    const MidiBytes bytes = unpackMidi(message);
    if (bytes.status < 0x80 || bytes.status >= 0xF0) continue;
    const double sampleClock = static_cast<double>(std::max<int64_t>(clock, 0));
    const int64_t tick = std::max<int64_t>(lastTick, std::llround(sampleClock * ticksPerSample));
    putVariableLength(track, static_cast<uint32_t>(tick - lastTick));
    lastTick = tick;
    track.push_back(static_cast<uint8_t>(bytes.status));
    track.push_back(static_cast<uint8_t>(bytes.data1 & 0x7F));
    if (messageLength(bytes.status) == 3) track.push_back(static_cast<uint8_t>(bytes.data2 & 0x7F));
    ++count;
  }
  putVariableLength(track, 0);
  track.insert(track.end(), {0xFF, 0x2F, 0x00});

  std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
  putBigEndian(file, 6, 4);
  putBigEndian(file, 0, 2);  // format 0: one track
  putBigEndian(file, 1, 2);
  putBigEndian(file, static_cast<uint32_t>(ppq), 2);
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  putBigEndian(file, static_cast<uint32_t>(track.size()), 4);
  file.insert(file.end(), track.begin(), track.end());
  if (written != nullptr) *written = count;
  return file;
}

int32_t writeMidiFile(const Recording& recording, int32_t pin, double tempo, int32_t ppq,
                      const std::string& path) {
  std::vector<std::pair<int64_t, int32_t>> messages;
  for (const SentByModule& sent : recording.sent)
    if (sent.midi && sent.pin == pin) messages.emplace_back(sent.clock, sent.value);
  std::stable_sort(messages.begin(), messages.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  int32_t written = 0;
  const std::vector<uint8_t> bytes = midiFileBytes(messages, recording.patch.sampleRate, tempo, ppq,
                                                   recording.pin(pin).name, &written);
  std::ofstream file = openFile(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return written;
}

}  // namespace nalto::modhost
