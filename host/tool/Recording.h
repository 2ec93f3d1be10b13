// Everything a render produced: each stream pin's samples (inputs as the host fed them, outputs
// as the module wrote them), the list values, what went in as events, and what the module sent.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ModuleSummary.h"
#include "Patch.h"

namespace nalto::modhost {

struct SentByModule {
  int64_t clock;
  int32_t pin;
  int32_t value;  // packed MIDI message, or pin status
  bool midi;
};

// The host's time information over one block.
struct HostBlock {
  int64_t clock;
  int32_t length;
  double tempo;
  bool running;
  double songPosition;  // at the block's first sample
};

struct Recording {
  ModuleSummary module;
  Patch patch;
  std::map<int32_t, std::vector<float>> streams;  // every stream pin, by index
  std::vector<TimedListValue> lists;              // the values at clock 0 first, then changes
  std::vector<TimedMidi> midiIn;
  std::vector<TimedStatus> statusesIn;
  std::vector<SentByModule> sent;
  std::vector<HostBlock> blocks;
  int64_t timeInfoRequests = 0;

  int64_t length() const { return patch.length; }
  double seconds(int64_t clock) const { return static_cast<double>(clock) / patch.sampleRate; }
  const PinSummary& pin(int32_t index) const { return module.pins[static_cast<size_t>(index)]; }
  // The MIDI output pin named "MIDI Out", else the first MIDI output; -1 without one.
  int32_t midiOutPin() const;
};

}  // namespace nalto::modhost
