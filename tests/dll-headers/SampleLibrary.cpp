// A stand-in module library, built once sound and once with each fault the header check must
// catch. Only its headers matter; nothing loads it.
#include <cstdint>

#if defined(WITH_FOREIGN_IMPORT)
#include <windows.h>
#endif
#if defined(WITH_CXX_RUNTIME)
#include <string>
#endif

#if defined(WITH_DECORATED_EXPORTS)
#define ENTRY __declspec(dllexport) __stdcall  // C++ names, stdcall suffixes on 32-bit
#else
#define ENTRY extern "C"
#endif

ENTRY int32_t getModuleProperties(int32_t index, void*) { return index == 0 ? 1 : 0; }

ENTRY void* makeModule(int32_t, int32_t, void*, void*) {
#if defined(WITH_FOREIGN_IMPORT)
  MessageBeep(0);
#endif
#if defined(WITH_CXX_RUNTIME)
  static std::string text;
  text.append("grown at run time");
#endif
  return nullptr;
}

extern "C" int32_t helper() { return 7; }
