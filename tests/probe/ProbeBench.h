// The bench shared by the probe module and the framework tests. The test hands its address to the
// probe with DispatchNotice (value CommandAttach, pointer the bench); from then on the probe
// describes the pins the bench lists, obeys the bench's commands and records in it which of its
// operations ran and with what arguments. Everything is fixed-size: the probe never allocates.
#pragma once

#include <cstdint>

#include "nalto/HostEvent.h"
#include "nalto/ModuleInstanceRecord.h"

namespace probe {

constexpr int32_t kMaxPins = 32;
constexpr int32_t kMaxCalls = 256;

// DispatchNotice values the probe obeys: the notice's index names the pin where one is needed,
// its pointer is the bench. The codes lie far from small numbers so that an ordinary notice is
// only recorded.
enum Command : int32_t {
  CommandAttach = 0x50520000,  // start describing and recording into the bench
  CommandInstallMain,          // setProcessRoutine(main routine)
  CommandInstallEmpty,         // setProcessRoutine(emptyRoutine)
  CommandInstallNone,          // setProcessRoutine(no routine)
  CommandFollowStatus,         // followStatus(followInput, followOutput) right now
  CommandValueNow,             // valueNow of the pin's link into `valueNow`
  CommandSendStatus,           // sendStatus(pin, sendClock, sendValue) through the checked access
  CommandSendMidi,             // sendMidi(pin, sendClock, sendValue) through the checked access
  CommandInspectPin,           // the pin's link into `link`
  CommandInspectCore           // sampleRate and blockSize into the bench
};

enum class Operation : int32_t {
  DescribePin,       // first: index
  Start,             //
  Stop,              //
  Destroy,           // the probe's destructor
  SetSampleRate,     // rate
  SetBlockSize,      // first: samples
  Wake,              //
  MidiReceived,      // first: clock, second: message, third: extra
  HostNotice,        // first: value, second: index, pointer
  PinStatusChanged,  // first: pin index, second: the link's status while it runs
  MainRoutine,       // first: offset, second: count, pointer: the object
  RunRoutine         // pointer: the object the routine ran on
};

struct Call {
  Operation operation;
  int32_t first;
  int32_t second;
  int32_t third;
  float rate;
  void* pointer;
};

struct PinShape {
  int32_t direction;
  int32_t dataType;
  int32_t flags;
  bool withVariable;  // the description names the bench's variable for this pin
};

// The module's pin variables, which the host writes into.
union PinVariable {
  int16_t list;
  uint8_t oneByte;
  int32_t fourBytes;
  float* buffer;
};

struct LinkView {
  bool present;  // the checked access found a set-up link
  int32_t pinIndex;
  int32_t dataType;
  int32_t status;
  void* valueAddress;
};

struct Bench {
  // Written by the test.
  int32_t describedPins;
  PinShape pins[kMaxPins];
  PinVariable variables[kMaxPins];
  bool followOnStatusChange;  // pinStatusChanged runs followStatus(followInput, followOutput)
  int32_t followInput;
  int32_t followOutput;
  int32_t sendClock;
  int32_t sendValue;
  bool allocateInProcess;  // the main routine allocates: proves the allocation count works

  // Written by the probe.
  void* object;  // the probe object, as the process and event entries receive it
  ProcessEntry mainRoutine;
  ProcessEntry settlingRoutine;
  ProcessEntry emptyRoutine;
  RunRoutine runRoutine;
  float valueNow;
  LinkView link;
  float sampleRate;
  int32_t blockSize;
  Call calls[kMaxCalls];
  int32_t callCount;  // keeps counting past kMaxCalls; only the first kMaxCalls are kept
};

}  // namespace probe
