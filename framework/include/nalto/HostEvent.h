/* Events the host delivers through an instance's event entry. */
#ifndef NALTO_HOST_EVENT_H
#define NALTO_HOST_EVENT_H

#include <stddef.h>
#include <stdint.h>

#include "nalto/CallingConvention.h"

typedef enum HostEventType {
  EventPinStatus = 0,  /* value: a PinStatus; argument: the pin index */
  EventMidi = 2,       /* clock, value (packed message) and extra are handed to midiReceived */
  EventRunRoutine = 21 /* argument: the address of a RunRoutine to run on the module object */
} HostEventType;

/* A routine the host may ask the module to run on its object through EventRunRoutine. */
typedef void(NALTO_CALL* RunRoutine)(void* object);

typedef struct HostEvent {
  int32_t clock;  /* sample clock at which the event applies; host writes */
  int32_t type;   /* a HostEventType; host writes */
  int32_t value;  /* PinStatus (EventPinStatus) or packed MIDI message (EventMidi); host writes */
  int16_t extra;  /* 16-bit value handed on with a MIDI event; host writes */
  int16_t unused; /* not read by the module */
  intptr_t argument; /* pin index (EventPinStatus) or RunRoutine address (EventRunRoutine) */
} HostEvent;

/* A packed MIDI message: status byte in bits 0-7, first data byte in bits 8-15, second data byte
   in bits 16-23; bits 24-31 carry nothing and modules send them as 0. */
enum {
  MidiStatusShift = 0,
  MidiData1Shift = 8,
  MidiData2Shift = 16,
  MidiSystemStatus = 0xF0 /* status bytes at or above this are system messages */
};

#if NALTO_ADDRESSES_ARE_32_BIT
NALTO_STATIC_ASSERT(offsetof(HostEvent, clock) == 0, "clock at byte 0");
NALTO_STATIC_ASSERT(offsetof(HostEvent, type) == 4, "type at byte 4");
NALTO_STATIC_ASSERT(offsetof(HostEvent, value) == 8, "value at byte 8");
NALTO_STATIC_ASSERT(offsetof(HostEvent, extra) == 12, "extra at byte 12");
NALTO_STATIC_ASSERT(offsetof(HostEvent, unused) == 14, "bytes 14 and 15 not read");
NALTO_STATIC_ASSERT(offsetof(HostEvent, argument) == 16, "argument at byte 16");
NALTO_STATIC_ASSERT(sizeof(HostEvent) == 20, "HostEvent is 20 bytes");
#endif

#endif
