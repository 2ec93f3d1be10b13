// Drives one Nalto Arpline instance through its library and the stand-in host: keys in on
// "MIDI In", gate pulses on "Gate", notes and cycle pulses out.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "nalto/host/HostInstance.h"
#include "nalto/host/ModuleLibrary.h"

namespace arpline_test {

// The pins as the host sees them.
enum Pin : int32_t { MidiIn, Gate, OnOff, Mode, MidiOut, PulseOut, PinCount };
enum Order : int16_t { Up = 1, Down = 2, Random1 = 3, Random2 = 4 };

constexpr int32_t kStepVelocity = 100;

constexpr int32_t pack(int32_t status, int32_t first, int32_t second) {
  return status | first << 8 | second << 16;
}
constexpr int32_t noteOn(int32_t key, int32_t channel = 0) {
  return pack(0x90 + channel, key, kStepVelocity);
}
constexpr int32_t noteOff(int32_t key, int32_t channel = 0) { return pack(0x90 + channel, key, 0); }

const nalto::host::ModuleLibrary& arplineLibrary();

// One gate pulse in a process call of its own: low, high, low again.
struct Step {
  static constexpr int32_t kRise = 2;  // buffer index of the first high sample
  static constexpr int32_t kFall = 5;  // buffer index of the first low sample after it
  static constexpr int32_t kLength = 8;

  int32_t blockStart;                          // sample clock of buffer index 0
  std::vector<nalto::host::SentMessage> midi;  // what the call sent
  std::vector<float> pulse;                    // "Pulse Out" over the call
  bool pulsed() const;        // "Pulse Out" is 1.0 from the fall to the end of the call, 0.0 before
  bool silentPulse() const;   // "Pulse Out" is 0.0 throughout
  int32_t playedKey() const;  // the key of the note-on sent, or -1 for none
};

// A started instance with "On/Off" at On.
class ArplineTest : public ::testing::Test {
 protected:
  ArplineTest();
  void SetUp() override;
  void TearDown() override;

  void setMode(int16_t order) { host.setListValue(Mode, order); }
  void setOnOff(int16_t value) { host.setListValue(OnOff, value); }
  void midi(int32_t message, int32_t clock = 0) { host.sendMidi(clock, message); }
  void pressKeys(std::initializer_list<int32_t> keys, int32_t channel = 0);
  void releaseKey(int32_t key, int32_t channel = 0);

  Step step();
  std::vector<Step> steps(int32_t count);
  std::vector<int32_t> playedKeys(int32_t count);
  // One process call over a gate buffer holding `gate`; answers the MIDI it sent.
  std::vector<nalto::host::SentMessage> run(std::initializer_list<float> gate);
  std::vector<float> pulseOut(int32_t count) const;

  nalto::host::HostInstance host;
};

}  // namespace arpline_test

namespace nalto::host {
bool operator==(const SentMessage& a, const SentMessage& b);
void PrintTo(const SentMessage& message, std::ostream* out);
}  // namespace nalto::host
