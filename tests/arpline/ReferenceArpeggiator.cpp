#include "ReferenceArpeggiator.h"

#include <cstdlib>

namespace arpline_test {

void ReferenceArpeggiator::midiReceived(ReferenceHost& host, int32_t clock, int32_t message) {
  const auto bits = static_cast<uint32_t>(message);
  const auto status = static_cast<int32_t>(bits & 0xFFu);
  if (status >= 0xF0) return;
  channel = status & 0x0F;
  velocity = static_cast<int32_t>((bits >> 16) & 0xFFu);
  const auto key = static_cast<int32_t>((bits >> 8) & 0xFFu);
  if (onOff == 0) {
    heldNotes.empty();
    host.sendMidi(clock, static_cast<int32_t>(bits & 0xFFFFFFu));
  } else if (onOff == 1) {
    if (velocity == 0) {
      heldNotes.release(key);
    } else {
      heldNotes.press(key);
    }
  }
}

void ReferenceArpeggiator::processGate(ReferenceHost& host, const float* gate, float* pulse,
                                       int32_t count) {
  if (count <= 0) {
    pulseValue = 0.0f;
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    const bool high = gate[i] >= 0.5f;
    if (high && triggered == 0 && heldNotes.keyCount > 0) {
      triggered = 1;
      playingKey = heldNotes.slots[playPosition];
      if (playingKey < 127) sendNote(host, i, 100);
    }
    if (!high && triggered == 1) {
      triggered = 0;
      if (playingKey <= 127) sendNote(host, i, 0);
      advance();
    }
    pulse[i] = pulseValue;
  }
  pulseValue = 0.0f;
}

void ReferenceArpeggiator::sendNote(ReferenceHost& host, int32_t sampleIndex,
                                    int32_t noteVelocity) {
  const int32_t message = (0x90 + channel) | (playingKey << 8) | (noteVelocity << 16);
  const auto clock = static_cast<uint32_t>(host.sampleClock()) + static_cast<uint32_t>(sampleIndex);
  host.sendMidi(static_cast<int32_t>(clock), message);
}

void ReferenceArpeggiator::advance() {
  switch (mode) {
    case 1:
      pulseValue = stepUp() ? 1.0f : 0.0f;
      break;
    case 2:
      pulseValue = stepDown() ? 1.0f : 0.0f;
      break;
    case 3:
      if (heldNotes.keyCount > 0) playPosition = randomSlot();
      ++random1Counter;
      if (random1Counter > heldNotes.keyCount) {
        random1Counter = 1;
        pulseValue = 1.0f;
      } else {
        pulseValue = 0.0f;
      }
      break;
    case 4: {
      const bool wrapped = stepUp();
      if (heldNotes.keyCount > 0) playPosition = randomSlot();
      pulseValue = wrapped ? 1.0f : 0.0f;
      break;
    }
    default:
      break;
  }
}

bool ReferenceArpeggiator::stepUp() {
  ++playPosition;
  if (playPosition <= heldNotes.keyCount) return false;
  playPosition = 1;
  return true;
}

bool ReferenceArpeggiator::stepDown() {
  --playPosition;
  if (playPosition > 0) return false;
  playPosition = heldNotes.keyCount > 0 ? heldNotes.keyCount : 1;
  return true;
}

int32_t ReferenceArpeggiator::randomSlot() const { return std::rand() % heldNotes.keyCount + 1; }

}  // namespace arpline_test
