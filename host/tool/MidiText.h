// Names for MIDI notes and packed messages, as a musician reads them.
#pragma once

#include <cstdint>
#include <string>

namespace nalto::modhost {

struct MidiBytes {
  int32_t status;
  int32_t data1;
  int32_t data2;
};

MidiBytes unpackMidi(int32_t message);
bool isNoteOn(const MidiBytes& bytes);   // note-on with velocity above 0
bool isNoteEnd(const MidiBytes& bytes);  // note-off, or note-on with velocity 0
std::string noteName(int32_t key);       // 60 is "C4"
std::string describeMidi(int32_t message);
std::string describeStatus(int32_t status);

}  // namespace nalto::modhost
