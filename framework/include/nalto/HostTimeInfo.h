/* The host's time information record, answered to HostGetTimeInfo. */
#ifndef NALTO_HOST_TIME_INFO_H
#define NALTO_HOST_TIME_INFO_H

#include <stddef.h>
#include <stdint.h>

#include "nalto/CallingConvention.h"

enum {
  TimeInfoWantedFields = 1536, /* the request's value: field bits 512 and 1024 */
  TransportRunning = 2         /* flags bit: the host's transport runs */
};

/* Owned by the host; read by the module only during the process call that received it. */
typedef struct HostTimeInfo {
  uint8_t hostOwned0[24];     /* the host's; never read */
  double quarterNotePosition; /* song position in quarter notes at buffer index 0; host writes */
  double tempo;               /* quarter notes per minute; host writes */
  uint8_t hostOwned1[44];     /* the host's; never read */
  int32_t flags;              /* TransportRunning in the lowest byte; host writes */
} HostTimeInfo;

NALTO_STATIC_ASSERT(offsetof(HostTimeInfo, quarterNotePosition) == 24, "position at byte 24");
NALTO_STATIC_ASSERT(offsetof(HostTimeInfo, tempo) == 32, "tempo at byte 32");
NALTO_STATIC_ASSERT(offsetof(HostTimeInfo, flags) == 84, "flags at byte 84");
NALTO_STATIC_ASSERT(sizeof(HostTimeInfo) == 88, "HostTimeInfo is 88 bytes");

#endif
