/* The two functions every module library exports, by name and undecorated. */
#ifndef NALTO_MODULE_EXPORTS_H
#define NALTO_MODULE_EXPORTS_H

#include <stdint.h>

#include "nalto/CallingConvention.h"
#include "nalto/HostRequest.h"
#include "nalto/ModuleInfoRecord.h"
#include "nalto/ModuleInstanceRecord.h"

#ifdef __cplusplus
extern "C" {
#endif

/* [load time, any thread; writes only the host's info record] Ordinal 1. Writes sdkVersion for
   every index; for index 0 also name, identifier and aboutText and answers 1, else answers 0. */
NALTO_EXPORT int32_t NALTO_CALL getModuleProperties(int32_t index, ModuleInfoRecord* info);
typedef int32_t(NALTO_CALL* GetModulePropertiesExport)(int32_t index, ModuleInfoRecord* info);

/* [instance creation; allocates the module object, sends no request] Ordinal 2. Answers the
   new instance's record, or null for index other than 0, kind other than 1, or no memory. */
NALTO_EXPORT ModuleInstanceRecord* NALTO_CALL makeModule(int32_t index, int32_t kind,
                                                         HostCallback callback, void* hostHandle);
typedef ModuleInstanceRecord*(NALTO_CALL* MakeModuleExport)(int32_t index, int32_t kind,
                                                            HostCallback callback,
                                                            void* hostHandle);

#ifdef __cplusplus
}
#endif

enum { ModuleKindInstance = 1 }; /* the only kind makeModule creates */

#endif
