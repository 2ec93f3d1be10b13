// A module library loaded by path, reached only through its two exports.
#pragma once

#include <string>

#include "nalto/ModuleExports.h"

namespace nalto::host {

class ModuleLibrary {
 public:
  explicit ModuleLibrary(const std::string& path);
  ~ModuleLibrary();
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;

  // True when the library loaded and both exports were found.
  bool loaded() const { return getModuleProperties_ != nullptr && makeModule_ != nullptr; }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }

  GetModulePropertiesExport getModuleProperties() const { return getModuleProperties_; }
  MakeModuleExport makeModule() const { return makeModule_; }

  // getModuleProperties for index 0 into a cleared record; false when it answers 0.
  bool moduleInfo(ModuleInfoRecord& info) const;

 private:
  std::string path_;
  std::string error_;
  void* handle_ = nullptr;
  GetModulePropertiesExport getModuleProperties_ = nullptr;
  MakeModuleExport makeModule_ = nullptr;
};

// Where the project's module libraries are: $NALTO_MODULE_DIR, else the build's own folder.
std::string modulePath(const std::string& moduleName);

}  // namespace nalto::host
