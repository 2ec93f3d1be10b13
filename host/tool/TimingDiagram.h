// An SVG timing diagram of a render, for a musician to read: one lane per stream pin (inputs,
// then outputs) with its value scale, list pins as labelled stretches, MIDI as a piano roll,
// pin statuses as marks, beats and bars of the host's song position as grid lines, and a time
// axis in seconds and samples.
#pragma once

#include <string>

#include "Recording.h"

namespace nalto::modhost {

std::string timingDiagramSvg(const Recording& recording);

}  // namespace nalto::modhost
