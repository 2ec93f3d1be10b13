// Counts heap allocations made through operator new while a real-time section is open.
// The host process replaces the global allocation operators; module libraries that share the
// process's C++ runtime (Linux builds) allocate through them. A Windows module library carries
// its own C++ runtime, whose operator new takes memory from the C runtime's malloc:
// countAllocationsOf points that library's malloc, calloc and realloc at counting ones.
#pragma once

#include <cstdint>

namespace nalto::host {

// All allocations counted since the process started, in real-time sections only.
int64_t realtimeAllocationCount();

// Makes a just-loaded module library's allocations count and fail under OutOfMemory, as the
// host's own do. Needed for Windows libraries only; elsewhere it does nothing.
void countAllocationsOf(void* libraryHandle);

// True while a real-time section is open and no host bookkeeping interrupts it: other watchers
// (locks, system calls, C allocations) count only then.
bool realtimeSectionOpen();

// Opens a real-time section for its lifetime: allocations inside it are counted.
class RealtimeSection {
 public:
  RealtimeSection();
  ~RealtimeSection();
  RealtimeSection(const RealtimeSection&) = delete;
  RealtimeSection& operator=(const RealtimeSection&) = delete;

 private:
  bool wasOpen_;
};

// Closes the real-time section and lifts OutOfMemory for its lifetime: the host's own
// bookkeeping inside a call.
class HostBookkeeping {
 public:
  HostBookkeeping();
  ~HostBookkeeping();
  HostBookkeeping(const HostBookkeeping&) = delete;
  HostBookkeeping& operator=(const HostBookkeeping&) = delete;

 private:
  bool wasOpen_;
  bool wasOutOfMemory_;
};

// Makes every allocation through operator new fail for its lifetime, as on a host out of memory:
// the nothrow forms answer null, the others throw std::bad_alloc.
class OutOfMemory {
 public:
  OutOfMemory();
  ~OutOfMemory();
  OutOfMemory(const OutOfMemory&) = delete;
  OutOfMemory& operator=(const OutOfMemory&) = delete;

 private:
  bool wasOutOfMemory_;
};

}  // namespace nalto::host
