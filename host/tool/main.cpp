// modhost: the stand-in host as a command-line program. It loads any module library of the
// interface by path and reaches it only through its two exports.
//   modhost info MODULE [--json]
//   modhost render MODULE PATCH -o DIR
//   modhost validate MODULE... [--json] [--seed N] [--only-failed]
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <random>

#include "ModuleSummary.h"
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
  if (validate->parsed()) return runValidate(validateModules, options, validateJson, onlyFailed);
  return 2;
}
