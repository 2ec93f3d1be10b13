#include "Workout.h"

namespace nalto::modhost {

namespace {
constexpr double kProcessedSeconds = 0.5;
constexpr int32_t kBlocksPerChoice = 3;
constexpr int32_t kStirEvery = 4;
const double kTempos[] = {120.0, 90.0, 140.5, 60.0};
}  // namespace

std::unique_ptr<Workbench> startedWorkbench(const host::ModuleLibrary& library,
                                            const WorkbenchSetup& setup, CheckResult& result) {
  if (!countDescribedPins(library, result)) return nullptr;
  auto bench = std::make_unique<Workbench>(library, setup);
  if (!bench->made()) {
    result.skip("makeModule answers null");
    return nullptr;
  }
  bench->start();
  return bench;
}

void runWorkout(Workbench& bench, int32_t blocks, CallPattern pattern) {
  const int32_t stirEvery = std::max(1, blocks / 64);
  for (int32_t block = 0; block < blocks; ++block) {
    if (block % (stirEvery * kStirEvery) == 0) {
      bench.setTempo(kTempos[(block / (stirEvery * kStirEvery)) % 4]);
      bench.setTransportRunning(bench.random()() % 4 != 0);
    }
    if (block % stirEvery == 0) bench.stir();
    bench.runBlock(pattern);
  }
}

void visitEveryChoice(Workbench& bench, CallPattern pattern) {
  for (int32_t pin : bench.listPins()) {
    const auto& choices = bench.pins()[static_cast<size_t>(pin)].choices;
    if (!choices) continue;
    for (const ListChoice& choice : choices->choices) {
      bench.setListValue(pin, choice.value);
      for (int32_t i = 0; i < kBlocksPerChoice; ++i) {
        bench.stir();
        bench.runBlock(pattern);
      }
    }
  }
}

void forListCombinations(Workbench& bench, int32_t except, size_t most,
                         const std::function<void()>& visit) {
  std::vector<std::vector<int16_t>> values;
  std::vector<int32_t> pins;
  for (int32_t pin : bench.listPins()) {
    const auto& choices = bench.pins()[static_cast<size_t>(pin)].choices;
    if (pin == except || !choices || choices->choices.empty()) continue;
    pins.push_back(pin);
    values.emplace_back();
    for (const ListChoice& choice : choices->choices) values.back().push_back(choice.value);
  }
  std::vector<size_t> position(pins.size(), 0);
  for (size_t visited = 0; visited < most; ++visited) {
    for (size_t k = 0; k < pins.size(); ++k) bench.setListValue(pins[k], values[k][position[k]]);
    visit();
    size_t k = 0;
    while (k < pins.size() && ++position[k] == values[k].size()) position[k++] = 0;
    if (k == pins.size()) return;
  }
}

std::vector<ProcessingSetup> processingMatrix() {
  std::vector<ProcessingSetup> matrix;
  for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
    for (int32_t length : {1, 64, 1024}) matrix.push_back({rate, length, CallPattern::WholeBlock});
    matrix.push_back({rate, 1024, CallPattern::RandomCounts});
  }
  return matrix;
}

void runProcessingMatrix(const host::ModuleLibrary& library, uint32_t seed, CheckResult& result,
                         const std::function<void(const Workbench&)>& inspect) {
  for (const ProcessingSetup& setup : processingMatrix()) {
    auto bench = startedWorkbench(library, {setup.sampleRate, setup.blockLength, seed}, result);
    if (!bench) return;
    const auto blocks =
        static_cast<int32_t>(kProcessedSeconds * setup.sampleRate / setup.blockLength);
    runWorkout(*bench, blocks, setup.pattern);
    visitEveryChoice(*bench, setup.pattern);
    inspect(*bench);
  }
}

void reportBreaches(const Workbench& bench, CheckResult& result,
                    std::initializer_list<Breach> kinds) {
  for (Breach kind : kinds) {
    for (const std::string& text : bench.breaches(kind)) result.fail(text);
    const int64_t unlisted =
        bench.breachCount(kind) - static_cast<int64_t>(bench.breaches(kind).size());
    if (unlisted > 0) result.fail("... and " + std::to_string(unlisted) + " more like these");
  }
}

void summarizeBreaches(const Workbench& bench, CheckResult& result) {
  summarizeBreaches(std::vector<const Workbench*>{&bench}, result);
}

void summarizeBreaches(const std::vector<std::unique_ptr<Workbench>>& benches,
                       CheckResult& result) {
  std::vector<const Workbench*> driven;
  for (const auto& bench : benches) driven.push_back(bench.get());
  summarizeBreaches(driven, result);
}

void summarizeBreaches(const std::vector<const Workbench*>& benches, CheckResult& result) {
  const struct {
    Breach kind;
    const char* what;
  } kinds[] = {{Breach::OutputWrite, "writes outside the call's samples of an output"},
               {Breach::InputWrite, "writes to an input buffer"},
               {Breach::MessageClock, "messages stamped outside their call or out of order"}};
  for (const auto& kind : kinds) {
    int64_t count = 0;
    std::string first;
    for (const Workbench* bench : benches) {
      count += bench->breachCount(kind.kind);
      if (first.empty() && bench->breachCount(kind.kind) > 0)
        first = bench->breaches(kind.kind).front();
    }
    if (count > 0) result.fail(std::to_string(count) + " " + kind.what + "; the first: " + first);
  }
}

}  // namespace nalto::modhost
