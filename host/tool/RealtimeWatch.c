/* Each watcher notes the call when a real-time section is open, then forwards to the next
   definition in the process: the C library's, or a sanitizer's in sanitized builds. */
#define _GNU_SOURCE
#undef _FORTIFY_SOURCE

#include "RealtimeWatch.h"

#include <dlfcn.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

static NaltoMisuse misuse;

NaltoMisuse naltoRealtimeMisuse(void) { return misuse; }
void naltoResetRealtimeMisuse(void) { memset(&misuse, 0, sizeof misuse); }

static void note(enum NaltoMisuseKind kind, const char* function) {
  if (!naltoRealtimeSectionOpen()) return;
  ++misuse.count[kind];
  if (misuse.first[kind] == NULL) misuse.first[kind] = function;
}

static void* nextDefinition(const char* name) { return dlsym(RTLD_NEXT, name); }

/* Declares `real`, the next definition of `name` with the type of this very function. */
#define NEXT(name)                       \
  static __typeof__(name)* real = NULL;  \
  if (real == NULL) {                    \
    void* found = nextDefinition(#name); \
    memcpy(&real, &found, sizeof real);  \
  }

/* ---- Allocation ------------------------------------------------------------------------- */

#if defined(NALTO_WATCH_ALLOCATIONS_BY_HOOK)
/* A sanitizer owns malloc and free here; it reports every allocation through its hooks. */
int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                              void (*onFree)(const volatile void*));

static void onMalloc(const volatile void* address, size_t size) {
  (void)address;
  (void)size;
  note(NaltoMisuseAllocation, "malloc");
}
static void onFree(const volatile void* address) {
  if (address != NULL) note(NaltoMisuseAllocation, "free");
}

__attribute__((constructor)) static void installAllocationHooks(void) {
  __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
}
#else
/* The C library's own allocator entries, so that every block comes from one heap. */
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* address, size_t size);
void __libc_free(void* address);
void* __libc_memalign(size_t alignment, size_t size);

void* malloc(size_t size) {
  note(NaltoMisuseAllocation, "malloc");
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  note(NaltoMisuseAllocation, "calloc");
  return __libc_calloc(count, size);
}
void* realloc(void* address, size_t size) {
  note(NaltoMisuseAllocation, "realloc");
  return __libc_realloc(address, size);
}
void free(void* address) {
  if (address != NULL) note(NaltoMisuseAllocation, "free");
  __libc_free(address);
}
void* memalign(size_t alignment, size_t size) {
  note(NaltoMisuseAllocation, "memalign");
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
  note(NaltoMisuseAllocation, "aligned_alloc");
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** address, size_t alignment, size_t size) {
  note(NaltoMisuseAllocation, "posix_memalign");
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return 22; /* EINVAL */
  void* block = __libc_memalign(alignment, size);
  if (block == NULL) return 12; /* ENOMEM */
  *address = block;
  return 0;
}
#endif

/* ---- Locks ------------------------------------------------------------------------------ */

int pthread_mutex_lock(pthread_mutex_t* mutex) {
  note(NaltoMisuseLock, "pthread_mutex_lock");
  NEXT(pthread_mutex_lock);
  return real(mutex);
}
int pthread_mutex_trylock(pthread_mutex_t* mutex) {
  note(NaltoMisuseLock, "pthread_mutex_trylock");
  NEXT(pthread_mutex_trylock);
  return real(mutex);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* lock) {
  note(NaltoMisuseLock, "pthread_rwlock_rdlock");
  NEXT(pthread_rwlock_rdlock);
  return real(lock);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* lock) {
  note(NaltoMisuseLock, "pthread_rwlock_wrlock");
  NEXT(pthread_rwlock_wrlock);
  return real(lock);
}
int pthread_spin_lock(pthread_spinlock_t* lock) {
  note(NaltoMisuseLock, "pthread_spin_lock");
  NEXT(pthread_spin_lock);
  return real(lock);
}
int pthread_cond_wait(pthread_cond_t* condition, pthread_mutex_t* mutex) {
  note(NaltoMisuseLock, "pthread_cond_wait");
  NEXT(pthread_cond_wait);
  return real(condition, mutex);
}
int sem_wait(sem_t* semaphore) {
  note(NaltoMisuseLock, "sem_wait");
  NEXT(sem_wait);
  return real(semaphore);
}

/* ---- System calls and the stdio calls that make them ------------------------------------ */

ssize_t read(int descriptor, void* data, size_t size) {
  note(NaltoMisuseSystemCall, "read");
  NEXT(read);
  return real(descriptor, data, size);
}
ssize_t write(int descriptor, const void* data, size_t size) {
  note(NaltoMisuseSystemCall, "write");
  NEXT(write);
  return real(descriptor, data, size);
}
int open(const char* path, int flags, ...) {
  note(NaltoMisuseSystemCall, "open");
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = va_arg(arguments, mode_t);
  va_end(arguments);
  NEXT(open);
  return real(path, flags, mode);
}
int openat(int folder, const char* path, int flags, ...) {
  note(NaltoMisuseSystemCall, "openat");
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = va_arg(arguments, mode_t);
  va_end(arguments);
  NEXT(openat);
  return real(folder, path, flags, mode);
}
int close(int descriptor) {
  note(NaltoMisuseSystemCall, "close");
  NEXT(close);
  return real(descriptor);
}
FILE* fopen(const char* path, const char* mode) {
  note(NaltoMisuseSystemCall, "fopen");
  NEXT(fopen);
  return real(path, mode);
}
size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
  note(NaltoMisuseSystemCall, "fwrite");
  NEXT(fwrite);
  return real(data, size, count, stream);
}
int fputs(const char* text, FILE* stream) {
  note(NaltoMisuseSystemCall, "fputs");
  NEXT(fputs);
  return real(text, stream);
}
int puts(const char* text) {
  note(NaltoMisuseSystemCall, "puts");
  NEXT(puts);
  return real(text);
}
int fflush(FILE* stream) {
  note(NaltoMisuseSystemCall, "fflush");
  NEXT(fflush);
  return real(stream);
}
int vfprintf(FILE* stream, const char* format, va_list arguments) {
  note(NaltoMisuseSystemCall, "vfprintf");
  NEXT(vfprintf);
  return real(stream, format, arguments);
}
int vprintf(const char* format, va_list arguments) {
  note(NaltoMisuseSystemCall, "vprintf");
  NEXT(vprintf);
  return real(format, arguments);
}
int printf(const char* format, ...) {
  note(NaltoMisuseSystemCall, "printf");
  NEXT(vprintf);
  va_list arguments;
  va_start(arguments, format);
  const int written = real(format, arguments);
  va_end(arguments);
  return written;
}
int fprintf(FILE* stream, const char* format, ...) {
  note(NaltoMisuseSystemCall, "fprintf");
  NEXT(vfprintf);
  va_list arguments;
  va_start(arguments, format);
  const int written = real(stream, format, arguments);
  va_end(arguments);
  return written;
}
int nanosleep(const struct timespec* duration, struct timespec* left) {
  note(NaltoMisuseSystemCall, "nanosleep");
  NEXT(nanosleep);
  return real(duration, left);
}
int clock_nanosleep(clockid_t clock, int flags, const struct timespec* duration,
                    struct timespec* left) {
  note(NaltoMisuseSystemCall, "clock_nanosleep");
  NEXT(clock_nanosleep);
  return real(clock, flags, duration, left);
}
int usleep(useconds_t microseconds) {
  note(NaltoMisuseSystemCall, "usleep");
  NEXT(usleep);
  return real(microseconds);
}
unsigned int sleep(unsigned int seconds) {
  note(NaltoMisuseSystemCall, "sleep");
  NEXT(sleep);
  return real(seconds);
}
int sched_yield(void) {
  note(NaltoMisuseSystemCall, "sched_yield");
  NEXT(sched_yield);
  return real();
}
int poll(struct pollfd* descriptors, nfds_t count, int timeout) {
  note(NaltoMisuseSystemCall, "poll");
  NEXT(poll);
  return real(descriptors, count, timeout);
}
void* mmap(void* address, size_t length, int protection, int flags, int descriptor, off_t offset) {
  note(NaltoMisuseSystemCall, "mmap");
  NEXT(mmap);
  return real(address, length, protection, flags, descriptor, offset);
}
int munmap(void* address, size_t length) {
  note(NaltoMisuseSystemCall, "munmap");
  NEXT(munmap);
  return real(address, length);
}
long syscall(long number, ...) {
  note(NaltoMisuseSystemCall, "syscall");
  va_list arguments;
  va_start(arguments, number);
  long values[6];
  for (int i = 0; i < 6; ++i) values[i] = va_arg(arguments, long);
  va_end(arguments);
  NEXT(syscall);
  return real(number, values[0], values[1], values[2], values[3], values[4], values[5]);
}
