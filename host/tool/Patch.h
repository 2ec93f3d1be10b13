// A render session read from a JSON patch file: sample rate, block sizes, length, list values,
// stream inputs, MIDI in, the host's tempo, song position and transport, and pin statuses, all
// placed in time by sample clock. Times in the file are sample counts or texts such as "1.5s"
// and "250ms".
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "ModuleSummary.h"

namespace nalto::modhost {

// How the host cuts time into blocks: one size, sizes taken in turn, or seeded random sizes.
struct BlockPlan {
  std::vector<int32_t> sizes = {512};
  bool random = false;
  int32_t randomLowest = 1;
  int32_t randomHighest = 1024;
  uint32_t seed = 1;

  int32_t largest() const;
};

// A stream input's value at every sample.
struct StreamSignal {
  enum class Kind { Constant, Pulses, Steps, Ramp, Edges };
  Kind kind = Kind::Constant;
  double constant = 0.0;
  // Pulses: high for the first `duty` of each period, from `start` until `stop`.
  double period = 0.0;
  double duty = 0.5;
  int64_t start = 0;
  int64_t stop = INT64_MAX;
  float high = 1.0f;
  float low = 0.0f;
  // Steps and ramps: (clock, value) points; steps hold each value, ramps join them in lines.
  std::vector<std::pair<int64_t, float>> points;
  // Edges: the signal starts at `low` and toggles at each clock.
  std::vector<int64_t> edges;

  float valueAt(int64_t clock) const;
  bool varies() const;
};

struct TimedListValue {
  int64_t clock;
  int32_t pin;
  int16_t value;
};

struct TimedMidi {
  int64_t clock;
  int32_t message;  // packed: status, first and second data byte
};

struct TimedStatus {
  int64_t clock;
  int32_t pin;
  int32_t status;
};

// A change of the host's time information; unset fields keep their values.
struct TimedHostChange {
  int64_t clock;
  std::optional<double> tempo;
  std::optional<bool> running;
  std::optional<double> songPosition;
};

struct Patch {
  std::string title;
  double sampleRate = 48000.0;
  int64_t length = 48000;
  BlockPlan blocks;
  std::vector<std::pair<int32_t, StreamSignal>> streams;  // by input pin
  std::vector<TimedListValue> lists;
  std::vector<TimedMidi> midi;
  std::vector<TimedHostChange> host;
  std::vector<TimedStatus> statuses;
  double midiFileTempo = 120.0;
  int32_t midiFilePpq = 480;
  bool csvChangesOnly = false;
  bool hostTimeGiven = false;  // the patch says something about tempo or transport
};

// Reads a patch for the module; throws std::runtime_error naming what is wrong.
Patch readPatch(const std::string& path, const ModuleSummary& module);
Patch parsePatch(const nlohmann::json& json, const ModuleSummary& module);

}  // namespace nalto::modhost
