/* Counts what a module does on the real-time path that it must not: heap allocation, locks and
   system calls made while the stand-in host's real-time section is open (inside process calls
   and events). The watchers live in the modhost executable, which exports them so that module
   libraries loaded into the process call them instead of the C library's own. */
#ifndef NALTO_MODHOST_REALTIME_WATCH_H
#define NALTO_MODHOST_REALTIME_WATCH_H

#ifdef __cplusplus
extern "C" {
#endif

enum NaltoMisuseKind { NaltoMisuseAllocation = 0, NaltoMisuseLock = 1, NaltoMisuseSystemCall = 2 };
enum { NaltoMisuseKinds = 3 };

typedef struct NaltoMisuse {
  long long count[NaltoMisuseKinds];   /* calls counted since the last reset, by kind */
  const char* first[NaltoMisuseKinds]; /* the first function of each kind called, or null */
} NaltoMisuse;

NaltoMisuse naltoRealtimeMisuse(void);
void naltoResetRealtimeMisuse(void);

/* Defined by the host side: whether a real-time section is open right now. */
int naltoRealtimeSectionOpen(void);

#ifdef __cplusplus
}
#endif

#endif
