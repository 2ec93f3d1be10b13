#include "MidiText.h"

namespace nalto::modhost {

namespace {
const char* const kNoteNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                    "F#", "G",  "G#", "A",  "A#", "B"};
}

MidiBytes unpackMidi(int32_t message) {
  const auto bits = static_cast<uint32_t>(message);
  return {static_cast<int32_t>(bits & 0xFF), static_cast<int32_t>((bits >> 8) & 0xFF),
          static_cast<int32_t>((bits >> 16) & 0xFF)};
}

bool isNoteOn(const MidiBytes& bytes) { return (bytes.status & 0xF0) == 0x90 && bytes.data2 > 0; }

bool isNoteEnd(const MidiBytes& bytes) {
  const int32_t kind = bytes.status & 0xF0;
  return kind == 0x80 || (kind == 0x90 && bytes.data2 == 0);
}

std::string noteName(int32_t key) {
  if (key < 0 || key > 127) return "key " + std::to_string(key);
  return std::string(kNoteNames[key % 12]) + std::to_string(key / 12 - 1);
}

std::string describeMidi(int32_t message) {
  const MidiBytes bytes = unpackMidi(message);
  const std::string channel = ", channel " + std::to_string((bytes.status & 0x0F) + 1);
  const std::string note = noteName(bytes.data1) + " (" + std::to_string(bytes.data1) + ")";
  if (bytes.status < 0x80) return "data byte " + std::to_string(bytes.status) + " without status";
  if (bytes.status >= 0xF0) return "system message " + std::to_string(bytes.status);
  switch (bytes.status & 0xF0) {
    case 0x80:
      return "note off " + note + channel;
    case 0x90:
      return isNoteOn(bytes)
                 ? "note on " + note + " velocity " + std::to_string(bytes.data2) + channel
                 : "note end " + note + " (velocity 0)" + channel;
    case 0xA0:
      return "key pressure " + note + channel;
    case 0xB0:
      return "control " + std::to_string(bytes.data1) + " = " + std::to_string(bytes.data2) +
             channel;
    case 0xC0:
      return "program " + std::to_string(bytes.data1) + channel;
    case 0xD0:
      return "channel pressure " + std::to_string(bytes.data1) + channel;
    default:
      return "pitch bend " + std::to_string(bytes.data1 | bytes.data2 << 7) + channel;
  }
}

std::string describeStatus(int32_t status) {
  if (status == 0) return "static";
  if (status == 1) return "one-off";
  if (status >= 2) return "running";
  return "status " + std::to_string(status);
}

}  // namespace nalto::modhost
