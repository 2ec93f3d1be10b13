/* The record through which the host drives one module instance, and its three entries. */
#ifndef NALTO_MODULE_INSTANCE_RECORD_H
#define NALTO_MODULE_INSTANCE_RECORD_H

#include <stddef.h>
#include <stdint.h>

#include "nalto/CallingConvention.h"
#include "nalto/HostEvent.h"

enum {
  InstanceMagic = 0x5345507B, /* bytes 7B 50 45 53 */
  InstanceVersion = 1
};

struct ModuleInstanceRecord;

/* [dispatcher call; may destroy the instance on DispatchStop] Receives the record's address. */
typedef int32_t(NALTO_CALL* DispatcherEntry)(struct ModuleInstanceRecord* record, int32_t opcode,
                                             int32_t index, int32_t value, void* pointer,
                                             float opt);

/* [process call; real time: writes output samples offset..offset+count-1, no allocation]
   Receives the record's `object`, not the record. */
typedef void(NALTO_CALL* ProcessEntry)(void* object, int32_t offset, int32_t count);

/* [event call, between process calls; real time] Receives the record's `object`. */
typedef void(NALTO_CALL* EventEntry)(void* object, const HostEvent* event);

typedef struct ModuleInstanceRecord {
  int32_t magic;               /* InstanceMagic; module writes at construction */
  int32_t version;             /* InstanceVersion; module writes at construction */
  void* hostHandle;            /* the host's own handle from makeModule; never read by the module */
  void* object;                /* the module object; first argument of process and event entries */
  void* reserved0;             /* 0 */
  DispatcherEntry dispatcher;  /* dispatcher entry; module writes at construction */
  ProcessEntry processRoutine; /* current process routine; module replaces it, then tells host */
  EventEntry eventRoutine;     /* event entry; module writes at construction */
  int32_t reserved1[4];        /* 0 */
} ModuleInstanceRecord;

#if NALTO_ADDRESSES_ARE_32_BIT
NALTO_STATIC_ASSERT(offsetof(ModuleInstanceRecord, magic) == 0, "magic at byte 0");
NALTO_STATIC_ASSERT(offsetof(ModuleInstanceRecord, version) == 4, "version at byte 4");
NALTO_STATIC_ASSERT(offsetof(ModuleInstanceRecord, hostHandle) == 8, "hostHandle at byte 8");
NALTO_STATIC_ASSERT(offsetof(ModuleInstanceRecord, object) == 12, "object at byte 12");
NALTO_STATIC_ASSERT(offsetof(ModuleInstanceRecord, reserved0) == 16, "reserved at byte 16");
NALTO_STATIC_ASSERT(offsetof(ModuleInstanceRecord, dispatcher) == 20, "dispatcher at byte 20");
NALTO_STATIC_ASSERT(offsetof(ModuleInstanceRecord, processRoutine) == 24, "process at byte 24");
NALTO_STATIC_ASSERT(offsetof(ModuleInstanceRecord, eventRoutine) == 28, "event at byte 28");
NALTO_STATIC_ASSERT(offsetof(ModuleInstanceRecord, reserved1) == 32, "reserved bytes 32 to 47");
NALTO_STATIC_ASSERT(sizeof(ModuleInstanceRecord) == 48, "ModuleInstanceRecord is 48 bytes");
#endif

#endif
