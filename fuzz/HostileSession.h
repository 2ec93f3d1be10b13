// One fuzz input played as a hostile host: the bytes decode into dispatcher opcodes, events, list
// values, samples, time information and process calls for instances of one module library,
// reached only through its binary interface. After every call into an instance the session
// checks what a module must never do, and aborts with a message when it did.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ByteReader.h"
#include "nalto/host/HostInstance.h"
#include "nalto/host/ModuleLibrary.h"

namespace nalto::fuzz {

class HostileSession {
 public:
  HostileSession(const host::ModuleLibrary& library, ByteReader& input);
  void run();

 private:
  enum Action : uint8_t {
    ActionDispatch,
    ActionSampleRate,
    ActionBlockSize,
    ActionPinStatus,
    ActionMidi,
    ActionOtherEvent,
    ActionListValue,
    ActionSamples,
    ActionTimeInfo,
    ActionProcess,
    ActionClock,
    ActionHostPinCount,
    ActionExports,
    ActionCount
  };

  bool makeInstance();
  void perform(Action action);

  void dispatchAnything();
  void setSampleRate();
  void setBlockSize();
  void sendPinStatus();
  void sendMidi();
  void sendOtherEvent();
  void setListValue();
  void writeSamples();
  void setTimeInfo();
  void process();
  void moveClock();
  void setHostPinCount();
  void callExports();

  // What every call must leave behind: guards intact, no allocation in an event or process
  // call, and statuses and messages only for the module's own outputs.
  void checkCall(const char* call);
  void checkProcessCall(int32_t count);
  int32_t pinsWithBuffers() const;

  const host::ModuleLibrary& library_;
  ByteReader& input_;
  std::unique_ptr<host::HostInstance> instance_;
  int32_t instancesMade_ = 0;
  int32_t bufferLength_ = 0;
  int32_t processStartClock_ = 0;
  std::vector<int32_t> listPins_;
  std::vector<int32_t> streamPins_;
};

}  // namespace nalto::fuzz
