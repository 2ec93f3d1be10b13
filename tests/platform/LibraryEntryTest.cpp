// The Windows loader and each module library: the library loads (process attach succeeded), its
// two exports are found by name, and its entry point answers success for every notification.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstring>
#include <string>

#include "nalto/host/ModuleLibrary.h"

namespace {

const char* const kModuleNames[] = {
#include "ModuleNames.inc"
};

using LibraryEntry = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

// The entry point the loader calls, as the library's own headers name it.
LibraryEntry entryPointOf(HMODULE library) {
  const auto* image = reinterpret_cast<const unsigned char*>(library);
  const auto* dosHeader = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* ntHeaders = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dosHeader->e_lfanew);
  const void* address = image + ntHeaders->OptionalHeader.AddressOfEntryPoint;
  LibraryEntry entry = nullptr;
  static_assert(sizeof entry == sizeof address);
  std::memcpy(&entry, &address, sizeof entry);
  return entry;
}

class LibraryEntryTest : public testing::TestWithParam<const char*> {
 protected:
  std::string path() const { return nalto::host::modulePath(GetParam()); }
};

TEST_P(LibraryEntryTest, LoadsAndOffersBothExports) {
  nalto::host::ModuleLibrary library(path());
  ASSERT_TRUE(library.loaded()) << library.error();
  ModuleInfoRecord info;
  EXPECT_TRUE(library.moduleInfo(info));
  EXPECT_STREQ(info.name, GetParam());
}

// Process attach succeeds when LoadLibrary does, and process detach runs in FreeLibrary; loading
// again proves the detach left the library reloadable. The process notifications are not sent by
// hand: the runtime's entry point would then tear down and set up its state twice.
TEST_P(LibraryEntryTest, EntryPointAnswersSuccessForEveryNotification) {
  for (int load = 0; load < 2; ++load) {
    HMODULE library = LoadLibraryA(path().c_str());
    ASSERT_NE(library, nullptr) << "LoadLibrary failed with error " << GetLastError();
    const LibraryEntry entry = entryPointOf(library);
    EXPECT_TRUE(entry(library, DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(entry(library, DLL_THREAD_DETACH, nullptr));
    EXPECT_TRUE(FreeLibrary(library));
  }
}

std::string testName(const testing::TestParamInfo<const char*>& info) {
  std::string name;
  for (const char* c = info.param; *c != '\0'; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(ModuleLibraries, LibraryEntryTest, testing::ValuesIn(kModuleNames),
                         testName);

}  // namespace
