#include "ArpeggiatorModule.h"

#include <cstdlib>

#include "nalto/ModuleEntry.h"
#include "nalto/PinRow.h"
#include "nalto/SampleScan.h"

namespace nalto {

namespace {

enum Pin : int32_t { MidiIn, Gate, OnOff, Mode, MidiOut, PulseOut, PinCount };

const PinRow kPins[PinCount] = {
    {"MIDI In", DirectionIn, DataMidi, nullptr, nullptr},
    {"Gate", DirectionIn, DataStream, "5", nullptr},
    {"On/Off", DirectionIn, DataList, "0", "Off=0,On=1"},
    {"Mode", DirectionIn, DataList, "1", "Up=1,Down=2,Random1=3,Random2=4"},
    {"MIDI Out", DirectionOut, DataMidi, nullptr, nullptr},
    {"Pulse Out", DirectionOut, DataStream, nullptr, nullptr},
};

enum Switch : int16_t { SwitchOff = 0, SwitchOn = 1 };
enum Order : int16_t { OrderUp = 1, OrderDown = 2, OrderRandom1 = 3, OrderRandom2 = 4 };

constexpr float kGateThreshold = 0.5f;
constexpr int32_t kNoteOnStatus = 0x90;
constexpr int32_t kStepVelocity = 100;
constexpr int32_t kHighestDataByte = 127;
constexpr uint32_t kByteMask = 0xFFu;
constexpr int32_t kChannelMask = 0x0F;        // low four bits of the status byte
constexpr uint32_t kMessageMask = 0xFFFFFFu;  // status and both data bytes

const char kName[] = "Nalto Arpline";
const char kAboutText[] =
    "Nalto Arpline\n"
    "Written by the Nalto team\n"
    "https://nalto-modules.org\n"
    "Copyright (c) the Nalto team, nalto-modules.org\n"
    "\n"
    "Basic Arpeggiator";

int32_t messageByte(uint32_t message, int32_t shift) {
  return static_cast<int32_t>((message >> shift) & kByteMask);
}

}  // namespace

void ArpeggiatorModule::fillModuleInfo(ModuleInfoRecord& info) {
  info.name = kName;
  info.identifier = kName;
  info.aboutText = kAboutText;
}

bool ArpeggiatorModule::describePin(int32_t index, PinDescription& description) {
  if (index < 0 || index >= PinCount) return false;
  void* const variables[PinCount] = {nullptr, &gateBuffer, &onOff, &mode, nullptr, &pulseBuffer};
  describeFromRow(kPins[index], variables[index], description);
  return true;
}

void ArpeggiatorModule::start() {
  heldNotes.reset();
  triggered = 0;
  playPosition = 1;
  pulseValue = 0.0f;
  ModuleCore::start();
  setProcessRoutine(routine<&ArpeggiatorModule::processGate>);
  char scratch[HostStartupScratchBytes];
  callHost(HostStartupQuery, 0, 0, scratch, 0.0f);
}

void ArpeggiatorModule::pinStatusChanged(PinLink&) {
  followStatus<&ArpeggiatorModule::processGate, &ArpeggiatorModule::settleCountdown>(Gate,
                                                                                     PulseOut);
}

void ArpeggiatorModule::midiReceived(int32_t clock, int32_t message, int16_t) {
  const auto bits = static_cast<uint32_t>(message);
  const int32_t status = messageByte(bits, MidiStatusShift);
  if (status >= MidiSystemStatus) return;
  channel = status & kChannelMask;
  velocity = messageByte(bits, MidiData2Shift);
  const int32_t key = messageByte(bits, MidiData1Shift);

  switch (onOff) {
    case SwitchOff:
      heldNotes.empty();
      sendMidi(MidiOut, clock, static_cast<int32_t>(bits & kMessageMask));
      break;
    case SwitchOn:
      if (velocity == 0) {
        heldNotes.release(key);
      } else {
        heldNotes.press(key);
      }
      break;
    default:
      break;
  }
}

// Walks from one step start or end to the next. Between them "Pulse Out" holds its value, so each
// run is a fill; only the samples around starts and ends go through the per-sample rules.
void ArpeggiatorModule::processGate(int32_t offset, int32_t count) {
  if (count <= 0) {
    pulseValue = 0.0f;
    return;
  }
  const float* gate = gateBuffer + offset;
  float* pulse = pulseBuffer + offset;
  int32_t from = 0;
  for (;;) {
    // Edges: sample by sample, from the call's start and from each start or end on, for as long
    // as they come close together.
    from = processSamples(gate, pulse, from, count);
    if (from == count) break;

    // Run: the samples up to the next step start or end.
    const int32_t edge = nextEdge(gate, from, count);
    fillPulse(pulse, from, edge);
    from = edge;
  }
  pulseValue = 0.0f;
}

// The first sample in [from, to) that starts or ends a step, or `to`.
int32_t ArpeggiatorModule::nextEdge(const float* gate, int32_t from, int32_t to) const {
  // A NaN gate compares false and so counts as low.
  const auto high = [gate](int32_t i) { return gate[i] >= kGateThreshold; };
  // A running step ends at the first low sample, whatever the list holds by now.
  if (triggered == 1) return firstSampleWhere(from, to, [&](int32_t i) { return !high(i); });
  // Otherwise a step starts at the first high sample, if keys are held.
  if (triggered == 0 && heldNotes.keyCount > 0) return firstSampleWhere(from, to, high);
  return to;
}

// The per-sample rules from `from` on, until kQuietBeforeScan samples in a row have started and
// ended nothing or `to` is reached; answers where it stopped.
int32_t ArpeggiatorModule::processSamples(const float* gate, float* pulse, int32_t from,
                                          int32_t to) {
  float value = pulseValue;  // a local copy, which no store into the buffer can change
  int32_t quiet = 0;         // samples in a row without a step start or end
  int32_t i = from;
  for (; i < to && quiet < kQuietBeforeScan; ++i) {
    // A NaN gate compares false and so counts as low.
    const bool high = gate[i] >= kGateThreshold;
    ++quiet;

    // Step start: the first high sample while no step runs and keys are held. Step end: the first
    // low sample of a running step, whatever the list holds by now.
    if (high && triggered == 0 && heldNotes.keyCount > 0) {
      startStep(i);
      quiet = 0;
    } else if (!high && triggered == 1) {
      endStep(i);
      value = pulseValue;
      quiet = 0;
    }

    // Cycle pulse: as the last step end in this call left it.
    pulse[i] = value;
  }
  return i;
}

void ArpeggiatorModule::fillPulse(float* pulse, int32_t from, int32_t to) const {
  const float value = pulseValue;  // a local copy, which no store into the buffer can change
  for (int32_t i = from; i < to; ++i) pulse[i] = value;
}

void ArpeggiatorModule::startStep(int32_t sampleIndex) {
  triggered = 1;
  playingKey = heldNotes.slots[playPosition];
  // A marker or a key above the MIDI range makes the step a rest.
  if (playingKey < HeldNoteList::kReleaseMarker) sendNote(sampleIndex, kStepVelocity);
}

void ArpeggiatorModule::endStep(int32_t sampleIndex) {
  triggered = 0;
  // Key 127 gets its note-off like any key; a key above 127 is not a MIDI key and sent nothing.
  if (playingKey <= kHighestDataByte) sendNote(sampleIndex, 0);
  advance();
}

void ArpeggiatorModule::sendNote(int32_t sampleIndex, int32_t noteVelocity) {
  const int32_t message =
      (kNoteOnStatus + channel) | (playingKey << MidiData1Shift) | (noteVelocity << MidiData2Shift);
  sendMidi(MidiOut, sampleClockAfter(sampleIndex), message);
}

// Moves playPosition on by the chosen order and sets the cycle pulse. playPosition stays within
// 1 to 99 on every path, so every step reads a slot of the list's storage.
void ArpeggiatorModule::advance() {
  switch (mode) {
    case OrderUp:
      pulseValue = stepUp() ? 1.0f : 0.0f;
      break;
    case OrderDown:
      pulseValue = stepDown() ? 1.0f : 0.0f;
      break;
    case OrderRandom1:
      if (heldNotes.keyCount > 0) playPosition = randomSlot();
      ++random1Counter;
      if (random1Counter > heldNotes.keyCount) {
        random1Counter = 1;
        pulseValue = 1.0f;
      } else {
        pulseValue = 0.0f;
      }
      break;
    case OrderRandom2: {
      const bool wrapped = stepUp();
      if (heldNotes.keyCount > 0) playPosition = randomSlot();
      pulseValue = wrapped ? 1.0f : 0.0f;
      break;
    }
    default:
      break;
  }
}

// One slot up, back to slot 1 past the top; true when it wrapped.
bool ArpeggiatorModule::stepUp() {
  ++playPosition;
  if (playPosition <= heldNotes.keyCount) return false;
  playPosition = 1;
  return true;
}

// One slot down, round to the top slot below slot 1; true when it wrapped. With an empty list
// there is no top slot: the position goes to 1, so no step ever plays slot 0.
bool ArpeggiatorModule::stepDown() {
  --playPosition;
  if (playPosition > 0) return false;
  playPosition = heldNotes.keyCount > 0 ? heldNotes.keyCount : 1;
  return true;
}

int32_t ArpeggiatorModule::randomSlot() const { return std::rand() % heldNotes.keyCount + 1; }

}  // namespace nalto

NALTO_MODULE_LIBRARY(nalto::ArpeggiatorModule)
