// Connects one module class to the library's two exports.
#pragma once

#include <cstdint>
#include <new>

#include "nalto/ModuleExports.h"

namespace nalto {

// Module must offer a (callback, hostHandle) constructor and
// `static void fillModuleInfo(ModuleInfoRecord&)`.
template <class Module>
int32_t moduleProperties(int32_t index, ModuleInfoRecord* info) {
  info->sdkVersion = ModuleSdkVersion;
  if (index != 0) return 0;
  Module::fillModuleInfo(*info);
  return 1;
}

template <class Module>
ModuleInstanceRecord* makeInstance(int32_t index, int32_t kind, HostCallback callback,
                                   void* hostHandle) {
  if (index != 0 || kind != ModuleKindInstance) return nullptr;
  auto* module = new (std::nothrow) Module(callback, hostHandle);
  return module ? module->instanceRecord() : nullptr;
}

}  // namespace nalto

// One line per module library: NALTO_MODULE_LIBRARY(StepGateModule)
#define NALTO_MODULE_LIBRARY(ModuleClass)                                                  \
  extern "C" NALTO_EXPORT int32_t NALTO_CALL getModuleProperties(int32_t index,            \
                                                                 ModuleInfoRecord* info) { \
    return ::nalto::moduleProperties<ModuleClass>(index, info);                            \
  }                                                                                        \
  extern "C" NALTO_EXPORT ModuleInstanceRecord* NALTO_CALL makeModule(                     \
      int32_t index, int32_t kind, HostCallback callback, void* hostHandle) {              \
    return ::nalto::makeInstance<ModuleClass>(index, kind, callback, hostHandle);          \
  }
