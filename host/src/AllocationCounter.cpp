#include "nalto/host/AllocationCounter.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace nalto::host {

namespace {
// The stand-in host drives one instance at a time on one thread.
bool sectionOpen = false;
bool outOfMemory = false;
int64_t allocationsInSections = 0;

// Counts one allocation; false while the host is out of memory.
bool admitAllocation() {
  if (sectionOpen) ++allocationsInSections;
  return !outOfMemory;
}

void* allocate(std::size_t size) {
  return admitAllocation() ? std::malloc(size == 0 ? 1 : size) : nullptr;
}

#if defined(_WIN32)
void* countedCalloc(std::size_t count, std::size_t size) {
  return admitAllocation() ? std::calloc(count, size) : nullptr;
}

void* countedRealloc(void* block, std::size_t size) {
  return admitAllocation() ? std::realloc(block, size) : nullptr;
}

void* countingReplacementFor(const char* cFunction) {
  if (std::strcmp(cFunction, "malloc") == 0) return reinterpret_cast<void*>(&allocate);
  if (std::strcmp(cFunction, "calloc") == 0) return reinterpret_cast<void*>(&countedCalloc);
  if (std::strcmp(cFunction, "realloc") == 0) return reinterpret_cast<void*>(&countedRealloc);
  return nullptr;
}

void replaceImport(IMAGE_THUNK_DATA& slot, void* function) {
  DWORD protection = 0;
  VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &protection);
  slot.u1.Function = reinterpret_cast<ULONG_PTR>(function);
  VirtualProtect(&slot, sizeof slot, protection, &protection);
}

// Points the library's imports of the C runtime's allocation functions at counting ones.
void redirectAllocationImports(unsigned char* image) {
  const auto* dosHeader = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* ntHeaders = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dosHeader->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      ntHeaders->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image + imports.VirtualAddress);
  for (; library->Name != 0; ++library) {
    const char* libraryName = reinterpret_cast<const char*>(image + library->Name);
    if (_stricmp(libraryName, "msvcrt.dll") != 0 || library->OriginalFirstThunk == 0) continue;
    auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(image + library->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(image + library->FirstThunk);
    for (; name->u1.AddressOfData != 0; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(image + name->u1.AddressOfData);
      if (void* replacement = countingReplacementFor(byName->Name))
        replaceImport(*slot, replacement);
    }
  }
}
#else
void* allocateAligned(std::size_t size, std::align_val_t alignment) {
  if (!admitAllocation()) return nullptr;
  const auto align = static_cast<std::size_t>(alignment);
  const std::size_t rounded = (size + align - 1) / align * align;
  return std::aligned_alloc(align, rounded == 0 ? align : rounded);
}
#endif
}  // namespace

int64_t realtimeAllocationCount() { return allocationsInSections; }

#if defined(_WIN32)
void countAllocationsOf(void* library) {
  redirectAllocationImports(static_cast<unsigned char*>(library));
}
#else
void countAllocationsOf(void*) {}
#endif

bool realtimeSectionOpen() { return sectionOpen; }

RealtimeSection::RealtimeSection() : wasOpen_(sectionOpen) { sectionOpen = true; }
RealtimeSection::~RealtimeSection() { sectionOpen = wasOpen_; }
HostBookkeeping::HostBookkeeping() : wasOpen_(sectionOpen), wasOutOfMemory_(outOfMemory) {
  sectionOpen = false;
  outOfMemory = false;
}
HostBookkeeping::~HostBookkeeping() {
  sectionOpen = wasOpen_;
  outOfMemory = wasOutOfMemory_;
}
OutOfMemory::OutOfMemory() : wasOutOfMemory_(outOfMemory) { outOfMemory = true; }
OutOfMemory::~OutOfMemory() { outOfMemory = wasOutOfMemory_; }

}  // namespace nalto::host

// Module libraries of the other builds share this process's C++ runtime and so allocate through
// these operators.
#if !defined(_WIN32)
using nalto::host::allocate;
using nalto::host::allocateAligned;

void* operator new(std::size_t size) {
  if (void* p = allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t align) {
  if (void* p = allocateAligned(size, align)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) { return operator new(size, align); }
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return allocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return allocateAligned(size, align);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
#endif
