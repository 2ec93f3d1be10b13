// Nalto Arpline: plays the keys held on "MIDI In" one per gate on "MIDI Out", in the order
// chosen by "Mode", and marks each completed cycle on "Pulse Out".
#pragma once

#include <cstdint>

#include "HeldNoteList.h"
#include "nalto/ModuleCore.h"
#include "nalto/ModuleInfoRecord.h"

namespace nalto {

class ArpeggiatorModule : public ModuleCore {
 public:
  ArpeggiatorModule(HostCallback callback, void* hostHandle) : ModuleCore(callback, hostHandle) {}

  static void fillModuleInfo(ModuleInfoRecord& info);

  void pinStatusChanged(PinLink& link) override;
  void start() override;
  bool describePin(int32_t index, PinDescription& description) override;
  void midiReceived(int32_t clock, int32_t message, int16_t extra) override;

  // [process call] The main routine: starts and ends steps on the gate's edges.
  void processGate(int32_t offset, int32_t count);

 private:
  int32_t nextEdge(const float* gate, int32_t from, int32_t to) const;
  void fillPulse(float* pulse, int32_t from, int32_t to) const;
  int32_t processSamples(const float* gate, float* pulse, int32_t from, int32_t to);
  void startStep(int32_t sampleIndex);
  void endStep(int32_t sampleIndex);
  void sendNote(int32_t sampleIndex, int32_t noteVelocity);
  void advance();
  bool stepUp();
  bool stepDown();
  int32_t randomSlot() const;

  int32_t channel = 0;           // channel of the last message that was not a system message
  int32_t velocity = 0;          // its second data byte; notes go out with velocity 100
  float* gateBuffer = nullptr;   // pin variable of "Gate"
  float* pulseBuffer = nullptr;  // pin variable of "Pulse Out"
  int16_t onOff = 0;             // pin variable of "On/Off": 0 Off, 1 On
  int16_t mode = 1;              // pin variable of "Mode": 1 Up, 2 Down, 3 Random1, 4 Random2
  HeldNoteList heldNotes;        // the keys held while the arpeggiator is on
  int32_t triggered = 0;         // 1 while a started step waits for its gate to fall
  int32_t playingKey = 0;        // slot value taken at the last step start
  int32_t playPosition = 1;      // slot the next step plays, always 1 to 99
  int32_t settleCountdown = 0;   // samples left before asking the host to idle
  float pulseValue = 0.0f;       // written to "Pulse Out" in every sample
  int32_t random1Counter = 0;    // step ends counted in the current Random1 cycle
};

}  // namespace nalto
