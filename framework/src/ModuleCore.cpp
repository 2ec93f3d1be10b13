#include "nalto/ModuleCore.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "nalto/DispatchOpcode.h"

namespace nalto {

namespace {
// No host has more pins than this; a larger count is treated like a table that cannot be
// allocated, so a stray count cannot make the instance build gigabytes of links.
constexpr int32_t kMostHostPins = 65536;

bool isZeroOrNotANumber(float value) { return !(value < 0.0f || value > 0.0f); }
}  // namespace

ModuleCore::ModuleCore(HostCallback callback, void* hostHandle) : hostCallback_(callback) {
  std::memset(&record_, 0, sizeof record_);
  record_.magic = InstanceMagic;
  record_.version = InstanceVersion;
  record_.hostHandle = hostHandle;
  record_.object = this;
  record_.dispatcher = &dispatcherEntry;
  record_.processRoutine = &emptyRoutine;
  record_.eventRoutine = &eventEntry;
}

ModuleCore::~ModuleCore() { delete[] pins_; }

// --- Entries the host calls ------------------------------------------------------------------

int32_t NALTO_CALL ModuleCore::dispatcherEntry(ModuleInstanceRecord* record, int32_t opcode,
                                               int32_t index, int32_t value, void* pointer,
                                               float opt) {
  return static_cast<ModuleCore*>(record->object)->dispatch(opcode, index, value, pointer, opt);
}

void NALTO_CALL ModuleCore::eventEntry(void* object, const HostEvent* event) {
  static_cast<ModuleCore*>(object)->receiveEvent(*event);
}

void NALTO_CALL ModuleCore::emptyRoutine(void*, int32_t, int32_t) {}

// --- Virtual operations and their defaults ---------------------------------------------------

void ModuleCore::pinStatusChanged(PinLink&) {}

void ModuleCore::receiveEvent(const HostEvent& event) {
  switch (event.type) {
    case EventPinStatus: {
      // A stray pin index must not reach outside the table, nor wrap into it where the argument
      // is wider than a pin index.
      const auto index = static_cast<int32_t>(event.argument);
      PinLink* link = index == event.argument ? pin(index) : nullptr;
      if (link != nullptr) link->statusArrived(event.value);
      break;
    }
    case EventMidi:
      midiReceived(event.clock, event.value, event.extra);
      break;
    case EventRunRoutine:
      if (event.argument != 0) reinterpret_cast<RunRoutine>(event.argument)(this);
      break;
    default:
      break;
  }
}

int32_t ModuleCore::dispatch(int32_t opcode, int32_t index, int32_t value, void* pointer,
                             float opt) {
  switch (opcode) {
    case DispatchStart:
      start();
      return 0;
    case DispatchStop:
      stop();
      delete this;
      return 1;
    case DispatchSetSampleRate:
      setSampleRate(opt);
      return 0;
    case DispatchSetBlockSize:
      setBlockSize(value);
      return 0;
    case DispatchDescribePin:
      if (pointer == nullptr) return 0;
      return describePin(index, *static_cast<PinDescription*>(pointer)) ? 1 : 0;
    case DispatchWake:
      wake();
      return 0;
    case DispatchNotice:
      hostNotice(value, index, pointer);
      return 0;
    default:
      return 0;
  }
}

void ModuleCore::start() { buildPinTable(); }
void ModuleCore::stop() {}
void ModuleCore::reservedHook(int32_t, int32_t) {}
void ModuleCore::setSampleRate(float samplesPerSecond) { rate_ = samplesPerSecond; }
void ModuleCore::setBlockSize(int32_t samples) { blockLength_ = samples; }
float ModuleCore::sampleRate() { return rate_; }
int32_t ModuleCore::blockSize() { return blockLength_; }
bool ModuleCore::describePin(int32_t, PinDescription&) { return false; }
bool ModuleCore::reservedQueryA(int32_t) { return false; }
bool ModuleCore::reservedQueryB(int32_t) { return false; }
void ModuleCore::wake() {}
void ModuleCore::midiReceived(int32_t, int32_t, int16_t) {}
void ModuleCore::hostNotice(int32_t, int32_t, void*) {}

// --- Services for modules --------------------------------------------------------------------

intptr_t ModuleCore::callHost(int32_t request, int32_t index, int32_t value, void* pointer,
                              float opt) {
  if (hostCallback_ == nullptr) return 0;
  return hostCallback_(&record_, request, index, value, pointer, opt);
}

int32_t ModuleCore::sampleClock() {
  return static_cast<int32_t>(callHost(HostGetSampleClock, 0, 0, nullptr, 0.0f));
}

int32_t ModuleCore::sampleClockAfter(int32_t samples) {
  return static_cast<int32_t>(static_cast<uint32_t>(sampleClock()) +
                              static_cast<uint32_t>(samples));
}

PinLink* ModuleCore::pin(int32_t index) {
  if (index < 0 || index >= pinCount_) return nullptr;
  PinLink& link = pins_[index];
  return link.isSetUp() ? &link : nullptr;
}

void ModuleCore::sendStatus(int32_t pinIndex, int32_t clock, int32_t status) {
  if (PinLink* link = pin(pinIndex)) link->sendStatus(clock, status);
}

void ModuleCore::sendMidi(int32_t pinIndex, int32_t clock, int32_t message) {
  if (PinLink* link = pin(pinIndex)) link->sendMidi(clock, message);
}

void ModuleCore::setProcessRoutine(ProcessEntry routine) {
  // An absent routine stands for the empty one, so the host never finds a null entry.
  if (routine == nullptr) routine = &emptyRoutine;
  if (routine == currentRoutine_) return;
  currentRoutine_ = routine;
  record_.processRoutine = routine;
  callHost(HostProcessRoutineChanged, 0, 0, nullptr, 0.0f);
}

bool ModuleCore::fetchDescription(int32_t index, PinDescription& description) {
  std::memset(&description, 0, sizeof description);
  return describePin(index, description);
}

void ModuleCore::buildPinTable() {
  // A second start replaces the table rather than leaking it.
  delete[] pins_;
  pins_ = nullptr;
  pinCount_ = 0;

  const auto hostPins = static_cast<int32_t>(callHost(HostGetPinCount, 0, 0, nullptr, 0.0f));
  if (hostPins > 0 && hostPins <= kMostHostPins) {
    // Without memory the instance goes on as if the host had no pins.
    pins_ = new (std::nothrow) PinLink[static_cast<size_t>(hostPins)];
    pinCount_ = pins_ ? hostPins : 0;
  }
  const int32_t n = pinCount_;

  PinDescription description;
  int32_t i = 0;
  bool described = fetchDescription(0, description);
  while (described && i < n) {
    pins_[i].setUp(*this, i, description.dataType, description.valueAddress);
    ++i;
    described = fetchDescription(i, description);
  }

  fetchDescription(i - 1, description);
  if ((description.flags & FlagAutoDuplicate) == 0) return;
  for (int32_t j = i; j < n; ++j) pins_[j].setUp(*this, j, description.dataType, nullptr);
}

// A host that never idles the module keeps calling settleThenIdle: the countdown then stays at
// its lowest value instead of wrapping round to a large one.
int32_t ModuleCore::samplesLeft(int32_t countdown, int32_t count) {
  const int64_t left = int64_t{countdown} - count;
  return static_cast<int32_t>(std::clamp<int64_t>(left, INT32_MIN, INT32_MAX));
}

void ModuleCore::followStatus(int32_t inputPin, int32_t outputPin, ProcessEntry mainRoutine,
                              ProcessEntry settlingRoutine, int32_t& settleCountdown) {
  PinLink* input = pin(inputPin);
  if (input == nullptr || pin(outputPin) == nullptr) return;

  int32_t status = input->status();
  if (status < StatusRunning && isZeroOrNotANumber(input->valueNow())) status = StatusOneOff;
  sendStatus(outputPin, sampleClock(), status);

  if (status >= StatusRunning) {
    setProcessRoutine(mainRoutine);
    return;
  }
  settleCountdown = blockSize();
  setProcessRoutine(settlingRoutine);
}

}  // namespace nalto
