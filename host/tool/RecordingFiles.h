// The files a render writes: the outputs as CSV (every sample, or only changes), the events in
// and out as CSV, and a Standard MIDI File of what the module sent on its MIDI output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Recording.h"

namespace nalto::modhost {

void writeOutputsCsv(const Recording& recording, const std::string& path);
void writeOutputChangesCsv(const Recording& recording, const std::string& path);
void writeEventsCsv(const Recording& recording, const std::string& path);

// A format-0 Standard MIDI File: the messages sent on `pin`, their delta times from their sample
// clocks at the given tempo and pulses per quarter note. Answers the number of messages written;
// system messages and messages without a status byte are left out.
int32_t writeMidiFile(const Recording& recording, int32_t pin, double tempo, int32_t ppq,
                      const std::string& path);
std::vector<uint8_t> midiFileBytes(const std::vector<std::pair<int64_t, int32_t>>& messages,
                                   double sampleRate, double tempo, int32_t ppq,
                                   const std::string& trackName, int32_t* written = nullptr);

}  // namespace nalto::modhost
