// libFuzzer entry for one module library, named by NALTO_FUZZ_MODULE at build time: each input
// is one hostile host session.
#include <cstddef>
#include <cstdint>

#include "HostileSession.h"

namespace {

// Loaded once, before the first input, so the fuzzer sees the library's coverage from the start.
const nalto::host::ModuleLibrary* library = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static const nalto::host::ModuleLibrary loaded(nalto::host::modulePath(NALTO_FUZZ_MODULE));
  library = &loaded;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!library->loaded()) __builtin_trap();
  nalto::fuzz::ByteReader input(data, size);
  nalto::fuzz::HostileSession(*library, input).run();
  return 0;
}
