/* The module information record the host hands to getModuleProperties. */
#ifndef NALTO_MODULE_INFO_RECORD_H
#define NALTO_MODULE_INFO_RECORD_H

#include <stddef.h>
#include <stdint.h>

#include "nalto/CallingConvention.h"

enum { ModuleSdkVersion = 2120 }; /* the interface version every module reports */

typedef struct ModuleInfoRecord {
  const char* name;       /* module name, NUL-terminated, library constant data; module writes */
  const char* identifier; /* identifier text, the same text as name; module writes */
  const char* aboutText;  /* about text, lines separated by "\n"; module writes */
  void* hostOwnedA;       /* the host's; never written by the module */
  void* hostOwnedB;       /* the host's; never written by the module */
  int32_t sdkVersion;     /* always ModuleSdkVersion; module writes, for every index */
} ModuleInfoRecord;

#if NALTO_ADDRESSES_ARE_32_BIT
NALTO_STATIC_ASSERT(offsetof(ModuleInfoRecord, name) == 0, "name at byte 0");
NALTO_STATIC_ASSERT(offsetof(ModuleInfoRecord, identifier) == 4, "identifier at byte 4");
NALTO_STATIC_ASSERT(offsetof(ModuleInfoRecord, aboutText) == 8, "aboutText at byte 8");
NALTO_STATIC_ASSERT(offsetof(ModuleInfoRecord, hostOwnedA) == 12, "host bytes 12 to 15");
NALTO_STATIC_ASSERT(offsetof(ModuleInfoRecord, hostOwnedB) == 16, "host bytes 16 to 19");
NALTO_STATIC_ASSERT(offsetof(ModuleInfoRecord, sdkVersion) == 20, "sdkVersion at byte 20");
NALTO_STATIC_ASSERT(sizeof(ModuleInfoRecord) == 24, "ModuleInfoRecord is 24 bytes");
#endif

#endif
