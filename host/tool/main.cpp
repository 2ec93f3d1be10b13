// modhost: the stand-in host as a command-line program. It loads any module library of the
// interface by path and reaches it only through its two exports.
//   modhost info MODULE [--json]
//   modhost render MODULE PATCH -o DIR
//   modhost validate MODULE... [--json] [--seed N] [--only-failed]
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

#include "ModuleSummary.h"
#include "Patch.h"
#include "RecordingFiles.h"
#include "Renderer.h"
#include "TimingDiagram.h"
#include "Validator.h"
#include "nalto/host/ModuleLibrary.h"

namespace {

using namespace nalto::modhost;

// A path as given, or the name of one of the project's modules ("Nalto Pacer").
std::string libraryPath(const std::string& module) {
  if (std::filesystem::exists(module)) return module;
  const std::string built = nalto::host::modulePath(module);
  return std::filesystem::exists(built) ? built : module;
}

int runInfo(const std::string& module, bool json) {
  std::string error;
  const auto summary = readModuleSummary(libraryPath(module), error);
  if (!summary) {
    std::cerr << "modhost: " << error << "\n";
    return 2;
  }
  if (json)
    std::cout << summaryJson(*summary).dump(2) << "\n";
  else
    std::cout << summaryText(*summary);
  return 0;
}

struct RenderOptions {
  std::string module;
  std::string patch;
  std::string folder;
  std::string csv;  // "samples", "changes", or empty for the patch's choice
};

void writeText(const std::string& path, const std::string& text) {
  std::ofstream file(path);
  if (!file) throw std::runtime_error("cannot write " + path);
  file << text;
}

// Writes every file of a render into `folder` and says what each holds.
void writeRenderFiles(const Recording& recording, const std::filesystem::path& folder) {
  const Patch& patch = recording.patch;
  std::filesystem::create_directories(folder);
  std::cout << recording.module.name << ": " << recording.length() << " samples at "
            << patch.sampleRate << " Hz rendered into " << folder.string() << "/\n";
  if (patch.csvChangesOnly) {
    writeOutputChangesCsv(recording, (folder / "output-changes.csv").string());
    std::cout << "  output-changes.csv  each output pin's changes\n";
  } else {
    writeOutputsCsv(recording, (folder / "outputs.csv").string());
    std::cout << "  outputs.csv  every output pin, sample by sample\n";
  }
  writeEventsCsv(recording, (folder / "events.csv").string());
  std::cout << "  events.csv  list values, statuses and MIDI in; MIDI and statuses sent\n";
  const int32_t midiOut = recording.midiOutPin();
  if (midiOut >= 0) {
    const int32_t messages = writeMidiFile(recording, midiOut, patch.midiFileTempo,
                                           patch.midiFilePpq, (folder / "midi-out.mid").string());
    std::cout << "  midi-out.mid  " << messages << " messages of \"" << recording.pin(midiOut).name
              << "\" at " << patch.midiFileTempo << " bpm, " << patch.midiFilePpq << " PPQ\n";
  }
  writeText((folder / "timing.svg").string(), timingDiagramSvg(recording));
  std::cout << "  timing.svg  the timing diagram\n";
}

int runRender(const RenderOptions& options) {
  std::string error;
  const auto summary = readModuleSummary(libraryPath(options.module), error);
  if (!summary) {
    std::cerr << "modhost: " << error << "\n";
    return 2;
  }
  try {
    Patch patch = readPatch(options.patch, *summary);
    if (!options.csv.empty()) patch.csvChangesOnly = options.csv == "changes";
    writeRenderFiles(render(*summary, patch), options.folder);
  } catch (const std::exception& failure) {
    std::cerr << "modhost: " << failure.what() << "\n";
    return 2;
  }
  return 0;
}

int runValidate(const std::vector<std::string>& modules, ValidationOptions options, bool json,
                bool onlyFailed) {
  const std::string unknown = unknownCheck(options.only);
  if (!unknown.empty()) {
    std::cerr << "modhost: no check is called \"" << unknown << "\"\n";
    return 2;
  }
  std::vector<ModuleReport> reports;
  for (const std::string& module : modules) {
    reports.push_back(validateModule(libraryPath(module), options));
    if (!json) std::cout << reportText({reports.back()}, onlyFailed) << std::flush;
  }
  if (json) std::cout << reportJson(reports, onlyFailed).dump(2) << "\n";
  for (const ModuleReport& report : reports)
    if (!report.passed()) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"modhost: loads a module library and shows, renders or validates it"};
  app.require_subcommand(1);

  std::string infoModule;
  bool infoJson = false;
  CLI::App* info = app.add_subcommand("info", "name, identifier, about text and pin table");
  info->add_option("MODULE", infoModule, "library path, or a module name such as \"Nalto Pacer\"")
      ->required();
  info->add_flag("--json", infoJson, "print JSON");

  RenderOptions renderOptions;
  CLI::App* renderCommand = app.add_subcommand("render", "plays a patch file through a module");
  renderCommand->add_option("MODULE", renderOptions.module, "library path or module name")
      ->required();
  renderCommand->add_option("PATCH", renderOptions.patch, "patch file (JSON)")
      ->required()
      ->check(CLI::ExistingFile);
  renderCommand->add_option("-o,--output", renderOptions.folder, "folder for the results")
      ->required();
  renderCommand->add_option("--csv", renderOptions.csv, "outputs as every sample or only changes")
      ->check(CLI::IsMember({"samples", "changes"}));

  std::vector<std::string> validateModules;
  ValidationOptions options;
  options.seed = std::random_device{}();
  bool validateJson = false;
  bool onlyFailed = false;
  bool inProcess = false;
  CLI::App* validate =
      app.add_subcommand("validate", "checks that modules keep the host's contract");
  validate->add_option("MODULE", validateModules, "library paths or module names")->required();
  validate->add_flag("--json", validateJson, "print JSON");
  validate->add_option("--seed", options.seed, "seed of every random choice, to replay a run");
  validate->add_flag("--only-failed", onlyFailed, "report failed checks only");
  validate->add_option("--check", options.only, "run only this check (repeatable)");
  validate->add_option("--timeout", options.timeoutSeconds, "seconds a check may take")
      ->check(CLI::PositiveNumber);
  validate->add_flag("--in-process", inProcess,
                     "run checks inside modhost itself (for debugging; a crash ends the run)");

  CLI11_PARSE(app, argc, argv);
  options.isolate = !inProcess;

  if (info->parsed()) return runInfo(infoModule, infoJson);
  if (renderCommand->parsed()) return runRender(renderOptions);
  if (validate->parsed()) return runValidate(validateModules, options, validateJson, onlyFailed);
  return 2;
}
