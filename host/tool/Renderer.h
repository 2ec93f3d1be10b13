// Plays a patch through a module library as the host would, and records what happened.
#pragma once

#include <string>

#include "Patch.h"
#include "Recording.h"

namespace nalto::modhost {

// Throws std::runtime_error when the library cannot be driven.
Recording render(const ModuleSummary& module, const Patch& patch);

}  // namespace nalto::modhost
