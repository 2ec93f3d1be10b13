#include "nalto/host/HostInstance.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "nalto/DispatchOpcode.h"
#include "nalto/HostRequest.h"
#include "nalto/host/AllocationCounter.h"

namespace nalto::host {

namespace {
constexpr int32_t kMostPinsAsked = 4096;  // a module that describes every index stops here
constexpr int32_t kFollowsBlock = INT32_MIN;
const uint32_t kGuardPattern = 0x7FC0DEADu;  // a quiet NaN no module computes

float guardValue() {
  float value;
  std::memcpy(&value, &kGuardPattern, sizeof value);
  return value;
}

int16_t listDefault(const char* text) {
  if (text == nullptr) return 0;
  const long value = std::strtol(text, nullptr, 10);
  if (value < INT16_MIN) return INT16_MIN;
  if (value > INT16_MAX) return INT16_MAX;
  return static_cast<int16_t>(value);
}

// Sample clocks are 32-bit counters that wrap; signed overflow must not decide the answer.
int32_t clockAfter(int32_t clock, int32_t samples) {
  return static_cast<int32_t>(static_cast<uint32_t>(clock) + static_cast<uint32_t>(samples));
}

}  // namespace

HostInstance::HostInstance(const ModuleLibrary& library, int32_t bufferLength)
    : bufferLength_(bufferLength) {
  if (!library.loaded()) return;
  record_ = library.makeModule()(0, ModuleKindInstance, &callback, this);
  alive_ = record_ != nullptr;
  if (alive_) describePins();
}

HostInstance::~HostInstance() {
  if (alive_) stop();
}

// --- Dispatcher ------------------------------------------------------------------------------

int32_t HostInstance::dispatch(int32_t opcode, int32_t index, int32_t value, void* pointer,
                               float opt) {
  ++callDepth_;
  const int32_t answer = record_->dispatcher(record_, opcode, index, value, pointer, opt);
  --callDepth_;
  if (opcode == DispatchStop) {
    alive_ = false;
    record_ = nullptr;
  }
  return answer;
}

void HostInstance::start() { dispatch(DispatchStart); }
void HostInstance::stop() { dispatch(DispatchStop); }
void HostInstance::setSampleRate(float samplesPerSecond) {
  dispatch(DispatchSetSampleRate, 0, 0, nullptr, samplesPerSecond);
}
void HostInstance::setBlockSize(int32_t samples) { dispatch(DispatchSetBlockSize, 0, samples); }

// --- Pins ------------------------------------------------------------------------------------

void HostInstance::describePins() {
  for (int32_t i = 0; i < kMostPinsAsked; ++i) {
    HostPin pin;
    if (dispatch(DispatchDescribePin, i, 0, &pin.description) != 1) break;
    pin.described = true;
    pins_.push_back(std::move(pin));
  }
  describedPins_ = static_cast<int32_t>(pins_.size());
  hostPinCount_ = describedPins_;
  pinBlockStart_.assign(pins_.size(), kFollowsBlock);
  for (int32_t i = 0; i < describedPins_; ++i) wirePin(i);
}

void HostInstance::makeBuffer(HostPin& pin) {
  pin.storage.assign(static_cast<size_t>(bufferLength_ + 2 * kGuardSamples), guardValue());
  pin.samples = pin.storage.data() + kGuardSamples;
  std::fill(pin.samples, pin.samples + bufferLength_, 0.0f);
}

void HostInstance::wirePin(int32_t index) {
  HostPin& pin = pins_[static_cast<size_t>(index)];
  makeBuffer(pin);
  void* variable = pin.description.valueAddress;
  if (variable == nullptr) return;
  if (pin.description.dataType == DataStream) {
    float* address = pin.samples;
    std::memcpy(variable, &address, sizeof address);
  } else if (pin.description.dataType == DataList) {
    setListValue(index, listDefault(pin.description.defaultText));
  }
}

void HostInstance::setHostPinCount(int32_t count) {
  hostPinCount_ = count;
  const size_t wanted =
      static_cast<size_t>(std::max(describedPins_, std::min(count, kMostHostPins)));
  const size_t before = pins_.size();
  pins_.resize(wanted);
  pinBlockStart_.resize(wanted, kFollowsBlock);
  for (size_t i = before; i < wanted; ++i) makeBuffer(pins_[i]);
}

float* HostInstance::buffer(int32_t pin) { return pins_.at(static_cast<size_t>(pin)).samples; }

void HostInstance::fill(int32_t pin, float value) {
  std::fill(buffer(pin), buffer(pin) + bufferLength_, value);
}

void HostInstance::setListValue(int32_t pin, int16_t value) {
  HostPin& target = pins_.at(static_cast<size_t>(pin));
  target.listValue = value;
  if (target.description.valueAddress != nullptr)
    std::memcpy(target.description.valueAddress, &value, sizeof value);
}

bool HostInstance::guardsIntact(int32_t pin) const {
  const HostPin& target = pins_.at(static_cast<size_t>(pin));
  const size_t length = static_cast<size_t>(bufferLength_);
  for (size_t i = 0; i < static_cast<size_t>(kGuardSamples); ++i) {
    uint32_t before, after;
    std::memcpy(&before, &target.storage[i], sizeof before);
    std::memcpy(&after, &target.storage[kGuardSamples + length + i], sizeof after);
    if (before != kGuardPattern || after != kGuardPattern) return false;
  }
  return true;
}

// --- Events and processing -------------------------------------------------------------------

void HostInstance::sendEvent(const HostEvent& event) {
  ++callDepth_;
  const int64_t before = realtimeAllocationCount();
  {
    RealtimeSection section;
    record_->eventRoutine(record_->object, &event);
  }
  realtimeAllocations_ += realtimeAllocationCount() - before;
  --callDepth_;
}

void HostInstance::sendPinStatus(int32_t pin, int32_t status, int32_t clock) {
  HostEvent event{};
  event.clock = clock;
  event.type = EventPinStatus;
  event.value = status;
  event.argument = pin;
  sendEvent(event);
}

void HostInstance::sendMidi(int32_t clock, int32_t message, int16_t extra) {
  HostEvent event{};
  event.clock = clock;
  event.type = EventMidi;
  event.value = message;
  event.extra = extra;
  sendEvent(event);
}

void HostInstance::process(int32_t offset, int32_t count) {
  ++callDepth_;
  inProcess_ = true;
  processOffset_ = offset;
  const int64_t before = realtimeAllocationCount();
  {
    RealtimeSection section;
    record_->processRoutine(record_->object, offset, count);
  }
  realtimeAllocations_ += realtimeAllocationCount() - before;
  inProcess_ = false;
  hostClock_ = clockAfter(clockAfter(blockStart_, offset), count > 0 ? count : 0);
  --callDepth_;
}

void HostInstance::processBlock(int32_t count) {
  process(0, count);
  blockStart_ = clockAfter(blockStart_, count > 0 ? count : 0);
}

void HostInstance::setBlockStartClock(int32_t clock) {
  blockStart_ = clock;
  hostClock_ = clock;
}

void HostInstance::setPinBlockStartClock(int32_t pin, int32_t clock) {
  pinBlockStart_.at(static_cast<size_t>(pin)) = clock;
}

void HostInstance::setTransportRunning(bool running) {
  timeInfo_.flags =
      running ? (timeInfo_.flags | TransportRunning) : (timeInfo_.flags & ~TransportRunning);
}

// --- Requests --------------------------------------------------------------------------------

intptr_t NALTO_CALL HostInstance::callback(ModuleInstanceRecord* record, int32_t request,
                                           int32_t index, int32_t value, void* pointer, float opt) {
  auto* self = static_cast<HostInstance*>(record->hostHandle);
  HostBookkeeping bookkeeping;
  // Field by field: a whole record built on the stack and copied in stalls the store buffer,
  // which would make every request cost far more than any real host charges.
  LoggedRequest& logged = self->requests_.emplace_back();
  logged.request = request;
  logged.index = index;
  logged.value = value;
  logged.pointer = reinterpret_cast<intptr_t>(pointer);
  logged.opt = opt;
  logged.insideCall = self->callDepth_ > 0;
  return self->answer(request, index, value, pointer, opt);
}

intptr_t HostInstance::request(int32_t code, int32_t index, int32_t value, void* pointer,
                               float opt) {
  return callback(record_, code, index, value, pointer, opt);
}

intptr_t HostInstance::answer(int32_t request, int32_t index, int32_t, void* pointer, float) {
  const bool knownPin = index >= 0 && index < static_cast<int32_t>(pins_.size());
  switch (request) {
    case HostGetSampleClock:
      return inProcess_ ? clockAfter(blockStart_, processOffset_) : hostClock_;
    case HostGetPinBuffer:
      return knownPin ? reinterpret_cast<intptr_t>(buffer(index)) : 0;
    case HostGetBlockStartClock: {
      if (!knownPin) return blockStart_;
      const int32_t own = pinBlockStart_[static_cast<size_t>(index)];
      return own == kFollowsBlock ? blockStart_ : own;
    }
    case HostGetTimeInfo:
      if (nullTimeInfoAnswers_ > 0) {
        --nullTimeInfoAnswers_;
        return 0;
      }
      return timeInfoAvailable_ ? reinterpret_cast<intptr_t>(&timeInfo_) : 0;
    case HostStartupQuery:
      // The scratch area is the module's; filling it proves it is as large as promised.
      if (pointer != nullptr) std::memset(pointer, 0xA5, HostStartupScratchBytes);
      return 0;
    case HostGetPinCount:
      return hostPinCount();
    default:
      return 0;
  }
}

std::vector<int32_t> HostInstance::requestCodes() const {
  std::vector<int32_t> codes;
  for (const LoggedRequest& r : requests_) codes.push_back(r.request);
  return codes;
}

std::vector<SentMessage> HostInstance::sent(int32_t request) const {
  std::vector<SentMessage> messages;
  for (const LoggedRequest& r : requests_)
    if (r.request == request)
      messages.push_back({r.index, r.value, static_cast<int32_t>(r.pointer)});
  return messages;
}

std::vector<SentMessage> HostInstance::midiSent() const { return sent(HostSendMidi); }
std::vector<SentMessage> HostInstance::statusesSent() const { return sent(HostSetPinStatus); }

}  // namespace nalto::host
