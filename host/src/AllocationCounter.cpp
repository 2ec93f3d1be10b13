#include "nalto/host/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace nalto::host {

namespace {
// The stand-in host drives one instance at a time on one thread.
bool sectionOpen = false;
bool outOfMemory = false;
int64_t allocationsInSections = 0;

#if !defined(_WIN32)
void* allocate(std::size_t size) {
  if (sectionOpen) ++allocationsInSections;
  if (outOfMemory) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
  if (sectionOpen) ++allocationsInSections;
  if (outOfMemory) return nullptr;
  const auto align = static_cast<std::size_t>(alignment);
  const std::size_t rounded = (size + align - 1) / align * align;
  return std::aligned_alloc(align, rounded == 0 ? align : rounded);
}
#endif
}  // namespace

int64_t realtimeAllocationCount() { return allocationsInSections; }
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

// Windows module libraries carry their own C++ runtime, so only other builds count.
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
