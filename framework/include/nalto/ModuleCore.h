// The base of every module: turns the host's entries into virtual operations, owns the pin
// table and the installed process routine, and carries the status-following behaviour.
#pragma once

#include <cstdint>

#include "nalto/HostEvent.h"
#include "nalto/HostRequest.h"
#include "nalto/ModuleInstanceRecord.h"
#include "nalto/PinDescription.h"
#include "nalto/PinLink.h"

namespace nalto {

namespace detail {
template <class Member>
struct MemberOwner;
template <class Owner, class Type>
struct MemberOwner<Type Owner::*> {
  using type = Owner;
};
}  // namespace detail

class ModuleCore {
 public:
  ModuleCore(HostCallback callback, void* hostHandle);
  virtual ~ModuleCore();
  ModuleCore(const ModuleCore&) = delete;
  ModuleCore& operator=(const ModuleCore&) = delete;

  ModuleInstanceRecord* instanceRecord() { return &record_; }

  // Virtual operations, in slot order, each with the framework's default.
  virtual void pinStatusChanged(PinLink& link);
  virtual void receiveEvent(const HostEvent& event);
  virtual int32_t dispatch(int32_t opcode, int32_t index, int32_t value, void* pointer, float opt);
  virtual void start();
  virtual void stop();
  virtual void reservedHook(int32_t first, int32_t second);
  virtual void setSampleRate(float samplesPerSecond);
  virtual void setBlockSize(int32_t samples);
  virtual float sampleRate();
  virtual int32_t blockSize();
  virtual bool describePin(int32_t index, PinDescription& description);
  virtual bool reservedQueryA(int32_t value);
  virtual bool reservedQueryB(int32_t value);
  virtual void wake();
  virtual void midiReceived(int32_t clock, int32_t message, int16_t extra);
  virtual void hostNotice(int32_t value, int32_t index, void* pointer);

  // Requests to the host; 0 without a callback.
  intptr_t callHost(int32_t request, int32_t index, int32_t value, void* pointer, float opt);
  int32_t sampleClock();
  // The clock of the sample `samples` after the current one, wrapping like the host's counter.
  int32_t sampleClockAfter(int32_t samples);

  // The set-up link of a host pin, or null when there is no table, the index lies outside it or
  // the link was never set up. Every send goes through here, so modules need no checks.
  PinLink* pin(int32_t index);
  void sendStatus(int32_t pinIndex, int32_t clock, int32_t status);
  void sendMidi(int32_t pinIndex, int32_t clock, int32_t message);

  // Installs a routine; tells the host only when it differs from the installed one.
  void setProcessRoutine(ProcessEntry routine);
  ProcessEntry processRoutine() const { return currentRoutine_; }

  bool fetchDescription(int32_t index, PinDescription& description);

  // The entry of a member process routine, callable by the host as (object, offset, count).
  template <auto Routine>
  static void NALTO_CALL routine(void* object, int32_t offset, int32_t count) {
    (owning<Routine>(object).*Routine)(offset, count);
  }

  // Runs the main routine, then counts down and asks to idle once one block size has passed.
  template <auto Routine, auto Countdown>
  static void NALTO_CALL settleThenIdle(void* object, int32_t offset, int32_t count) {
    auto& module = owning<Routine>(object);
    (module.*Routine)(offset, count);
    module.*Countdown = samplesLeft(module.*Countdown, count);
    if (module.*Countdown <= 0) module.callHost(HostGoIdle, 0, 0, nullptr, 0.0f);
  }

  static void NALTO_CALL emptyRoutine(void* object, int32_t offset, int32_t count);

 protected:
  // Passes the status of `inputPin` on to `outputPin` and keeps `Routine` running while the input
  // runs, or settles through settleThenIdle over `Countdown` otherwise.
  template <auto Routine, auto Countdown>
  void followStatus(int32_t inputPin, int32_t outputPin) {
    auto& module = static_cast<typename detail::MemberOwner<decltype(Routine)>::type&>(*this);
    followStatus(inputPin, outputPin, &routine<Routine>, &settleThenIdle<Routine, Countdown>,
                 module.*Countdown);
  }

 private:
  template <auto Routine>
  static auto& owning(void* object) {
    using Module = typename detail::MemberOwner<decltype(Routine)>::type;
    return static_cast<Module&>(*static_cast<ModuleCore*>(object));
  }

  void followStatus(int32_t inputPin, int32_t outputPin, ProcessEntry mainRoutine,
                    ProcessEntry settlingRoutine, int32_t& settleCountdown);
  static int32_t samplesLeft(int32_t countdown, int32_t count);
  void buildPinTable();

  static int32_t NALTO_CALL dispatcherEntry(ModuleInstanceRecord* record, int32_t opcode,
                                            int32_t index, int32_t value, void* pointer, float opt);
  static void NALTO_CALL eventEntry(void* object, const HostEvent* event);

  HostCallback hostCallback_;    // every request goes through it; may be null
  ModuleInstanceRecord record_;  // what the host drives; its address is the instance
  float rate_ = 44100.0f;        // samples per second
  int32_t blockLength_ = 1024;   // samples
  PinLink* pins_ = nullptr;      // owned table of pinCount_ links, made by start
  int32_t pinCount_ = 0;         // links in the table
  ProcessEntry currentRoutine_ = &emptyRoutine;  // the entry in record_.processRoutine
};

}  // namespace nalto
