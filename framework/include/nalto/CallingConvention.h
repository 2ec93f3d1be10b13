/* Calling convention and export marking shared by every entry point of the module interface. */
#ifndef NALTO_CALLING_CONVENTION_H
#define NALTO_CALLING_CONVENTION_H

#include <stdint.h>

/* Every entry point is a plain C function; the host on 32-bit Windows calls them as cdecl. */
#if defined(_WIN32) && !defined(_WIN64)
#define NALTO_CALL __cdecl
#else
#define NALTO_CALL
#endif

/* Only the two library exports carry this mark. On Windows the module-definition file names
   them instead, with their ordinals, so the mark is empty there. */
#if defined(_WIN32)
#define NALTO_EXPORT
#else
#define NALTO_EXPORT __attribute__((visibility("default")))
#endif

/* Offsets below are stated for the host's 32-bit platform and proven only there. */
#if defined(__cplusplus)
#define NALTO_STATIC_ASSERT static_assert
#else
#define NALTO_STATIC_ASSERT _Static_assert
#endif

#if UINTPTR_MAX == 0xFFFFFFFFu
#define NALTO_ADDRESSES_ARE_32_BIT 1
#else
#define NALTO_ADDRESSES_ARE_32_BIT 0
#endif

#endif
