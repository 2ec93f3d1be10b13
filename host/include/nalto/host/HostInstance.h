// One module instance driven as the host drives it: only through makeModule, the instance record
// and the host callback. Every request is answered as the interface states and logged.
#pragma once

#include <cstdint>
#include <vector>

#include "nalto/HostTimeInfo.h"
#include "nalto/ModuleInstanceRecord.h"
#include "nalto/PinDescription.h"
#include "nalto/host/ModuleLibrary.h"

namespace nalto::host {

struct LoggedRequest {
  int32_t request;
  int32_t index;
  int32_t value;
  intptr_t pointer;  // an address, or a sample clock for HostSetPinStatus and HostSendMidi
  float opt;
  bool insideCall;  // sent during a dispatcher, process or event call of this instance
};

struct SentMessage {  // a HostSendMidi or HostSetPinStatus, decoded
  int32_t pin;
  int32_t value;  // packed MIDI message or PinStatus
  int32_t clock;
};

struct HostPin {
  PinDescription description{};  // as described at load; zeros for pins beyond the description
  bool described = false;
  float* samples = nullptr;    // the host's buffer of a stream pin (inside guarded storage)
  int16_t listValue = 0;       // the value written into a list pin's variable
  std::vector<float> storage;  // guard, buffer, guard
};

class HostInstance {
 public:
  static constexpr int32_t kGuardSamples = 64;

  // Makes an instance (index 0, kind 1), asks for every pin description and writes each
  // described pin's variable: a buffer of `bufferLength` samples per stream pin, the default
  // value of each list pin.
  explicit HostInstance(const ModuleLibrary& library, int32_t bufferLength = 4096);
  ~HostInstance();  // stops the instance if it still lives
  HostInstance(const HostInstance&) = delete;
  HostInstance& operator=(const HostInstance&) = delete;

  bool made() const { return record_ != nullptr; }
  bool alive() const { return alive_; }
  ModuleInstanceRecord* record() const { return record_; }

  // Dispatcher.
  int32_t dispatch(int32_t opcode, int32_t index = 0, int32_t value = 0, void* pointer = nullptr,
                   float opt = 0.0f);
  void start();
  void stop();  // DispatchStop; the instance is gone afterwards
  void setSampleRate(float samplesPerSecond);
  void setBlockSize(int32_t samples);

  // Pins.
  int32_t describedPinCount() const { return describedPins_; }
  int32_t hostPinCount() const { return hostPinCount_; }
  // The answer to HostGetPinCount (call before start). Pins up to kMostHostPins get buffers;
  // any count may be answered, to try how a module copes.
  void setHostPinCount(int32_t count);
  static constexpr int32_t kMostHostPins = 256;
  const HostPin& pin(int32_t index) const { return pins_.at(static_cast<size_t>(index)); }
  float* buffer(int32_t pin);
  int32_t bufferLength() const { return bufferLength_; }
  void fill(int32_t pin, float value);  // the whole buffer
  void setListValue(int32_t pin, int16_t value);
  bool guardsIntact(int32_t pin) const;

  // Events.
  void sendEvent(const HostEvent& event);
  void sendPinStatus(int32_t pin, int32_t status, int32_t clock = 0);
  void sendMidi(int32_t clock, int32_t message, int16_t extra = 0);

  // Processing. During a call the sample clock is the clock of the sample at `offset`; buffer
  // index 0 has the block start clock.
  void process(int32_t offset, int32_t count);
  // One call over buffer indexes 0..count-1, then the next block starts count samples later.
  void processBlock(int32_t count);
  void setBlockStartClock(int32_t clock);
  int32_t blockStartClock() const { return blockStart_; }
  void setPinBlockStartClock(int32_t pin, int32_t clock);     // overrides one pin's answer
  void setSampleClock(int32_t clock) { hostClock_ = clock; }  // answered between calls

  // Time information.
  HostTimeInfo& timeInfo() { return timeInfo_; }
  void setTempo(double quarterNotesPerMinute) { timeInfo_.tempo = quarterNotesPerMinute; }
  void setSongPosition(double quarterNotes) { timeInfo_.quarterNotePosition = quarterNotes; }
  void setTransportRunning(bool running);
  void setTimeInfoAvailable(bool available) { timeInfoAvailable_ = available; }
  void answerNullTimeInfo(int32_t requests) { nullTimeInfoAnswers_ = requests; }

  // A request sent as the instance sends it, through the same callback: lets code that stands in
  // for a module (a benchmark's plain loop) pay what the module pays.
  intptr_t request(int32_t code, int32_t index, int32_t value, void* pointer, float opt);
  // The callback the instance was made with. A module core made with it and this host as its
  // handle talks to this host as the instance does.
  static HostCallback callbackEntry() { return &callback; }

  // What the module asked and sent.
  const std::vector<LoggedRequest>& requests() const { return requests_; }
  std::vector<int32_t> requestCodes() const;
  std::vector<SentMessage> midiSent() const;
  std::vector<SentMessage> statusesSent() const;
  void clearLog() { requests_.clear(); }
  int64_t realtimeAllocations() const { return realtimeAllocations_; }

 private:
  static intptr_t NALTO_CALL callback(ModuleInstanceRecord* record, int32_t request, int32_t index,
                                      int32_t value, void* pointer, float opt);
  intptr_t answer(int32_t request, int32_t index, int32_t value, void* pointer, float opt);
  void describePins();
  void wirePin(int32_t index);
  void makeBuffer(HostPin& pin);
  std::vector<SentMessage> sent(int32_t request) const;

  ModuleInstanceRecord* record_ = nullptr;
  bool alive_ = false;
  int32_t bufferLength_;
  std::vector<HostPin> pins_;
  int32_t describedPins_ = 0;
  int32_t hostPinCount_ = 0;
  std::vector<int32_t> pinBlockStart_;  // INT32_MIN: follows blockStart_
  int32_t blockStart_ = 0;
  int32_t hostClock_ = 0;
  int32_t processOffset_ = 0;
  int32_t callDepth_ = 0;
  bool inProcess_ = false;
  HostTimeInfo timeInfo_{};
  bool timeInfoAvailable_ = true;
  int32_t nullTimeInfoAnswers_ = 0;
  std::vector<LoggedRequest> requests_;
  int64_t realtimeAllocations_ = 0;
};

}  // namespace nalto::host
