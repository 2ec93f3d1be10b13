// The arpeggiator's MIDI handling and gate routine in their plain per-sample form, on plain arrays:
// what the module must give bit for bit and message for message, however it is written for speed.
#pragma once

#include <cstdint>

#include "HeldNoteList.h"

namespace arpline_test {

// What the plain form asks of the host, as the module asks it.
class ReferenceHost {
 public:
  virtual ~ReferenceHost() = default;
  virtual int32_t sampleClock() = 0;  // during a process call: the clock of its first sample
  virtual void sendMidi(int32_t clock, int32_t message) = 0;
};

struct ReferenceArpeggiator {
  // As construction and start leave them; the host writes onOff and mode.
  int32_t channel = 0;
  int32_t velocity = 0;
  int16_t onOff = 0;
  int16_t mode = 1;
  nalto::HeldNoteList heldNotes;
  int32_t triggered = 0;
  int32_t playingKey = 0;
  int32_t playPosition = 1;
  float pulseValue = 0.0f;
  int32_t random1Counter = 0;

  void midiReceived(ReferenceHost& host, int32_t clock, int32_t message);
  // `gate` and `pulse` point at the call's first sample.
  void processGate(ReferenceHost& host, const float* gate, float* pulse, int32_t count);

 private:
  void sendNote(ReferenceHost& host, int32_t sampleIndex, int32_t noteVelocity);
  void advance();
  bool stepUp();
  bool stepDown();
  int32_t randomSlot() const;
};

}  // namespace arpline_test
