/* Operations the host asks for through an instance's dispatcher entry. */
#ifndef NALTO_DISPATCH_OPCODE_H
#define NALTO_DISPATCH_OPCODE_H

/* Arguments used -> answer. Every other opcode, negative ones included, does nothing and
   answers 0. */
typedef enum DispatchOpcode {
  DispatchStart = 0,         /* none -> 0; builds the pin table, installs the first routine */
  DispatchStop = 1,          /* none -> 1; the instance is destroyed: make no further call */
  DispatchSetSampleRate = 2, /* opt (samples per second) -> 0 */
  DispatchSetBlockSize = 3,  /* value (samples) -> 0 */
  DispatchDescribePin = 6,   /* index, pointer (a PinDescription) -> 1 described, 0 not */
  DispatchWake = 8,          /* none -> 0 */
  DispatchNotice = 12        /* value, index, pointer -> 0 */
} DispatchOpcode;

#endif
