/* Requests a module sends to the host, and the callback that carries them. */
#ifndef NALTO_HOST_REQUEST_H
#define NALTO_HOST_REQUEST_H

#include <stdint.h>

#include "nalto/CallingConvention.h"

struct ModuleInstanceRecord;

/* index / value / pointer of each request; the last argument, opt, is 0 in every request. */
typedef enum HostRequest {
  HostSetPinStatus = 0,          /* pin index / new PinStatus / sample clock of the change */
  HostGetSampleClock = 3,        /* 0 / 0 / 0 -> the clock of the sample the host has reached */
  HostSendMidi = 4,              /* pin index / packed message / sample clock of the message */
  HostGetPinBuffer = 7,          /* pin index / 0 / 0 -> address of the pin's float buffer */
  HostGetBlockStartClock = 8,    /* pin index / 0 / 0 -> clock of the buffer's first element */
  HostGetTimeInfo = 9,           /* 0 / TimeInfoWantedFields / 0 -> HostTimeInfo address or 0 */
  HostGoIdle = 10,               /* 0 / 0 / 0; the module may be idled */
  HostStartupQuery = 11,         /* 0 / 0 / address of a 100-byte scratch area of the module */
  HostGetPinCount = 14,          /* 0 / 0 / 0 -> the host's pin count; 0 or less means none */
  HostProcessRoutineChanged = 22 /* 0 / 0 / 0; the record's processRoutine was replaced */
} HostRequest;

enum { HostStartupScratchBytes = 100 }; /* size of the HostStartupQuery scratch area */

/* [any call into the instance; the host answers synchronously] The answer is an address for
   HostGetPinBuffer and HostGetTimeInfo, a signed 32-bit number otherwise. `pointer` is an
   address, or a sample clock for HostSetPinStatus and HostSendMidi. */
typedef intptr_t(NALTO_CALL* HostCallback)(struct ModuleInstanceRecord* record, int32_t request,
                                           int32_t index, int32_t value, void* pointer, float opt);

#endif
