// Sessions shared by the checks that drive a started instance.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "CheckResult.h"
#include "Checks.h"
#include "Workbench.h"

namespace nalto::modhost {

// A started workbench, or empty with `result` skipped when the module cannot be driven.
std::unique_ptr<Workbench> startedWorkbench(const host::ModuleLibrary& library,
                                            const WorkbenchSetup& setup, CheckResult& result);

// A lively session: list choices, notes, pin statuses, tempo and transport changes, and every
// legal choice of every list pin in turn.
void runWorkout(Workbench& bench, int32_t blocks, CallPattern pattern);

// Every list pin's legal choices in turn, each for a few blocks.
void visitEveryChoice(Workbench& bench, CallPattern pattern);

// Up to `most` combinations of legal choices of the list pins other than `except`, each set on
// the workbench before `visit` runs.
void forListCombinations(Workbench& bench, int32_t except, size_t most,
                         const std::function<void()>& visit);

// The rate and block settings every processing check goes through.
struct ProcessingSetup {
  float sampleRate;
  int32_t blockLength;
  CallPattern pattern;
};
std::vector<ProcessingSetup> processingMatrix();

// Runs the matrix; `inspect` reads each workbench when its run is over.
void runProcessingMatrix(const host::ModuleLibrary& library, uint32_t seed, CheckResult& result,
                         const std::function<void(const Workbench&)>& inspect);

void reportBreaches(const Workbench& bench, CheckResult& result,
                    std::initializer_list<Breach> kinds);

// One finding per kind of breach, with its count and the first case: for checks whose subject is
// something else (hostile input, lifecycles) but whose runs broke the processing rules too.
void summarizeBreaches(const std::vector<const Workbench*>& benches, CheckResult& result);
void summarizeBreaches(const Workbench& bench, CheckResult& result);
void summarizeBreaches(const std::vector<std::unique_ptr<Workbench>>& benches, CheckResult& result);

}  // namespace nalto::modhost
