// The nothrow allocation forms of a Windows module library. The library carries its own C++
// runtime, whose nothrow operator new calls the throwing one and catches its exception; catching
// needs per-thread memory that the runtime takes on a thread's first exception, and without it
// the runtime aborts the host instead of answering null. These forms ask the heap directly.
#if defined(_WIN32)
#include <cstdlib>
#include <new>

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
#endif
