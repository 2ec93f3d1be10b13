#include "nalto/host/ModuleLibrary.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "nalto/host/AllocationCounter.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace nalto::host {

namespace {

#if defined(_WIN32)
// LoadLibrary wants backslashes; the paths of this project are written with forward ones.
void* openLibrary(const std::string& path, std::string& error) {
  std::string windowsPath = path;
  std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
  HMODULE module = LoadLibraryA(windowsPath.c_str());
  if (module == nullptr) {
    error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return nullptr;
  }
  countAllocationsOf(module);
  return reinterpret_cast<void*>(module);
}
void* findExport(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) error = dlerror();
  return handle;
}
void* findExport(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

template <class Function>
Function exportedFunction(void* handle, const char* name) {
  Function function = nullptr;
  void* address = findExport(handle, name);
  static_assert(sizeof function == sizeof address);
  std::memcpy(&function, &address, sizeof function);
  return function;
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::string& path) : path_(path) {
  handle_ = openLibrary(path, error_);
  if (handle_ == nullptr) return;
  getModuleProperties_ =
      exportedFunction<GetModulePropertiesExport>(handle_, "getModuleProperties");
  makeModule_ = exportedFunction<MakeModuleExport>(handle_, "makeModule");
  if (!loaded()) error_ = "the library lacks getModuleProperties or makeModule";
}

ModuleLibrary::~ModuleLibrary() {
  if (handle_ != nullptr) closeLibrary(handle_);
}

bool ModuleLibrary::moduleInfo(ModuleInfoRecord& info) const {
  std::memset(&info, 0, sizeof info);
  return loaded() && getModuleProperties_(0, &info) == 1;
}

std::string modulePath(const std::string& moduleName) {
  const char* folder = std::getenv("NALTO_MODULE_DIR");
  std::string base = folder != nullptr ? folder : NALTO_DEFAULT_MODULE_DIR;
  return base + "/" + moduleName + ".sem";
}

}  // namespace nalto::host
