/* How a module describes one of its pins to the host. */
#ifndef NALTO_PIN_DESCRIPTION_H
#define NALTO_PIN_DESCRIPTION_H

#include <stddef.h>
#include <stdint.h>

#include "nalto/CallingConvention.h"

typedef enum PinDirection { DirectionIn = 0, DirectionOut = 1 } PinDirection;

/* What the module's pin variable holds, by data type. */
typedef enum PinDataType {
  DataList = 0,    /* int16_t: the chosen list entry's value, written by the host */
  DataMidi = 2,    /* no variable; MIDI arrives as EventMidi, leaves through HostSendMidi */
  DataOneByte = 4, /* one byte */
  DataStream = 5,  /* float*: the pin's current sample buffer, written by the host */
  DataFourByte = 6 /* four bytes */
} PinDataType;

typedef enum PinStatus {
  StatusStatic = 0, /* the value does not change */
  StatusOneOff = 1, /* the value changes once, then stays */
  StatusRunning = 2 /* changes sample by sample; every value of 2 or more counts as running */
} PinStatus;

enum { FlagAutoDuplicate = 8 }; /* on the last described pin: every further host pin repeats it */

typedef struct PinDescription {
  void* valueAddress;      /* the module's variable for the pin, or 0; the host writes into it */
  int32_t direction;       /* a PinDirection */
  int32_t dataType;        /* a PinDataType */
  const char* name;        /* pin name, NUL-terminated, library constant data */
  const char* defaultText; /* starting value as decimal text, or 0 */
  const char* listText;    /* list pins: "Label=value,..." or "range low,high"; else 0 */
  int32_t flags;           /* FlagAutoDuplicate or 0 */
  int32_t reserved;        /* 0 */
} PinDescription;

#if NALTO_ADDRESSES_ARE_32_BIT
NALTO_STATIC_ASSERT(offsetof(PinDescription, valueAddress) == 0, "valueAddress at byte 0");
NALTO_STATIC_ASSERT(offsetof(PinDescription, direction) == 4, "direction at byte 4");
NALTO_STATIC_ASSERT(offsetof(PinDescription, dataType) == 8, "dataType at byte 8");
NALTO_STATIC_ASSERT(offsetof(PinDescription, name) == 12, "name at byte 12");
NALTO_STATIC_ASSERT(offsetof(PinDescription, defaultText) == 16, "defaultText at byte 16");
NALTO_STATIC_ASSERT(offsetof(PinDescription, listText) == 20, "listText at byte 20");
NALTO_STATIC_ASSERT(offsetof(PinDescription, flags) == 24, "flags at byte 24");
NALTO_STATIC_ASSERT(offsetof(PinDescription, reserved) == 28, "reserved at byte 28");
NALTO_STATIC_ASSERT(sizeof(PinDescription) == 32, "PinDescription is 32 bytes");
#endif

#endif
