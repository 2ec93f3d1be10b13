#include "HostileSession.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>

#include "nalto/DispatchOpcode.h"
#include "nalto/HostEvent.h"
#include "nalto/HostRequest.h"

namespace nalto::fuzz {

namespace {

using host::HostInstance;
using host::LoggedRequest;

// A session makes at most this many instances one after another (each ends with DispatchStop).
constexpr int32_t kMostInstances = 4;
constexpr int32_t kBufferLengths[] = {16, 256, 4096};
constexpr uint8_t kSmallOpcodes = 16;  // opcode bytes below this are taken as the opcode itself

constexpr float kFloatMax = std::numeric_limits<float>::max();
constexpr float kFloatInf = std::numeric_limits<float>::infinity();
constexpr float kFloatNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kDenormal = std::numeric_limits<float>::denorm_min();
constexpr double kDoubleMax = std::numeric_limits<double>::max();
constexpr double kDoubleInf = std::numeric_limits<double>::infinity();
constexpr double kDoubleNaN = std::numeric_limits<double>::quiet_NaN();

const float kSamples[] = {0.0f,       -0.0f,     0.5f,       0.49999997f, 1.0f,       -1.0f,
                          10.0f,      kFloatNaN, -kFloatNaN, kFloatInf,   -kFloatInf, kDenormal,
                          -kDenormal, kFloatMax, -kFloatMax, 1e30f};
const float kSampleRates[] = {0.0f,       -0.0f,     -44100.0f, kFloatNaN, kFloatInf,
                              -kFloatInf, kDenormal, 1e-30f,    kFloatMax, 1.0f,
                              44100.0f,   48000.0f,  96000.0f};
const int32_t kBlockSizes[] = {0, -1, -1024, INT32_MIN, INT32_MAX, 1, 2, 64, 1024, 1 << 30};
const double kTempos[] = {0.0,   -0.0,   -120.0,   kDoubleNaN, kDoubleInf, -kDoubleInf, kDoubleMax,
                          1e300, 1e-300, 4.9e-324, 120.0,      124.0,      1e-6,        30000.0};
const double kPositions[] = {kDoubleNaN, kDoubleInf, -kDoubleInf, 3e9, -3e9, 1e300,
                             -1e300,     2.3,        -1.5,        0.0, 4.0,  2147483647.5};
const int32_t kStatuses[] = {StatusStatic, StatusOneOff, StatusRunning, 3,
                             -1,           INT32_MIN,    INT32_MAX};
const int32_t kClocks[] = {0, 1000, -1, INT32_MAX, INT32_MAX - 100, INT32_MIN};
const int16_t kListValues[] = {0, 1, 2, 3, 4, 5, 12, 16, 17, -1, -5, 32767, -32768};
const int32_t kPinIndexes[] = {0, 1, 2, 4, 5, 18, 19, 20, 21, -1, INT32_MIN, INT32_MAX, 256};

// Sample clocks are 32-bit counters that wrap.
int32_t clockAfter(int32_t clock, int32_t samples) {
  return static_cast<int32_t>(static_cast<uint32_t>(clock) + static_cast<uint32_t>(samples));
}

[[noreturn]] void fail(const char* call, const char* what) {
  std::fprintf(stderr, "hostile host: after %s: %s\n", call, what);
  std::abort();
}

}  // namespace

HostileSession::HostileSession(const host::ModuleLibrary& library, ByteReader& input)
    : library_(library), input_(input) {
  bufferLength_ = kBufferLengths[input_.byte() % std::size(kBufferLengths)];
}

void HostileSession::run() {
  if (!makeInstance()) return;
  while (!input_.exhausted()) {
    perform(static_cast<Action>(input_.byte() % ActionCount));
    if (!instance_->alive() && !makeInstance()) return;
  }
}

bool HostileSession::makeInstance() {
  if (instancesMade_ == kMostInstances) return false;
  ++instancesMade_;
  instance_ = std::make_unique<HostInstance>(library_, bufferLength_);
  if (!instance_->made()) fail("makeModule", "no instance was made");
  listPins_.clear();
  streamPins_.clear();
  for (int32_t i = 0; i < instance_->describedPinCount(); ++i) {
    const int32_t type = instance_->pin(i).description.dataType;
    if (type == DataList) listPins_.push_back(i);
    if (type == DataStream) streamPins_.push_back(i);
  }
  checkCall("describing the pins");
  return true;
}

void HostileSession::perform(Action action) {
  switch (action) {
    case ActionDispatch:
      return dispatchAnything();
    case ActionSampleRate:
      return setSampleRate();
    case ActionBlockSize:
      return setBlockSize();
    case ActionPinStatus:
      return sendPinStatus();
    case ActionMidi:
      return sendMidi();
    case ActionOtherEvent:
      return sendOtherEvent();
    case ActionListValue:
      return setListValue();
    case ActionSamples:
      return writeSamples();
    case ActionTimeInfo:
      return setTimeInfo();
    case ActionProcess:
      return process();
    case ActionClock:
      return moveClock();
    case ActionHostPinCount:
      return setHostPinCount();
    case ActionExports:
      return callExports();
    case ActionCount:
      return;
  }
}

// --- Actions ---------------------------------------------------------------------------------

void HostileSession::dispatchAnything() {
  const uint8_t opcodeByte = input_.byte();
  const int32_t opcode = opcodeByte < kSmallOpcodes ? opcodeByte : input_.raw<int32_t>();
  const int32_t index = input_.pick(kPinIndexes);
  const int32_t value = input_.pick(kBlockSizes);
  const float opt = input_.pick(kSampleRates);
  // Some opcodes hand over an address: a cleared area as large as any record they may fill.
  alignas(16) uint8_t scratch[256] = {};
  void* pointer = (input_.byte() & 1) != 0 ? scratch : nullptr;
  instance_->dispatch(opcode, index, value, pointer, opt);
  if (instance_->alive()) checkCall("a dispatcher call");
}

void HostileSession::setSampleRate() {
  instance_->setSampleRate(input_.pick(kSampleRates));
  checkCall("DispatchSetSampleRate");
}

void HostileSession::setBlockSize() {
  instance_->setBlockSize(input_.pick(kBlockSizes));
  checkCall("DispatchSetBlockSize");
}

void HostileSession::sendPinStatus() {
  const int32_t pin = input_.pick(kPinIndexes);
  const int32_t status = input_.pick(kStatuses);
  instance_->sendPinStatus(pin, status, input_.pick(kClocks));
  checkCall("a pin status event");
}

void HostileSession::sendMidi() {
  const int32_t clock = input_.pick(kClocks);
  const auto message = input_.raw<int32_t>();
  instance_->sendMidi(clock, message, input_.raw<int16_t>());
  checkCall("a MIDI event");
}

// Any event type but the one that runs a routine at an address the host names.
void HostileSession::sendOtherEvent() {
  HostEvent event{};
  event.clock = input_.pick(kClocks);
  event.type = input_.raw<int32_t>();
  if (event.type == EventRunRoutine) event.type = EventMidi;
  event.value = input_.raw<int32_t>();
  event.extra = input_.raw<int16_t>();
  event.argument = input_.raw<intptr_t>();
  instance_->sendEvent(event);
  checkCall("an event");
}

void HostileSession::setListValue() {
  if (listPins_.empty()) return;
  const int32_t pin = listPins_[input_.byte() % listPins_.size()];
  instance_->setListValue(pin, input_.pick(kListValues));
}

// A run of samples in one stream buffer: up to four values, each repeated for a stretch, round
// and round, so that pulses, stuck inputs and single spikes all come out of a few bytes.
void HostileSession::writeSamples() {
  if (streamPins_.empty()) return;
  const int32_t pin = streamPins_[input_.byte() % streamPins_.size()];
  const int32_t first = input_.within(0, bufferLength_);
  const int32_t length = input_.within(0, bufferLength_ - first);
  const int32_t valueCount = 1 + input_.byte() % 4;
  float values[4];
  for (int32_t v = 0; v < valueCount; ++v) values[v] = input_.pick(kSamples);
  const int32_t stretch = 1 + input_.byte();
  float* samples = instance_->buffer(pin) + first;
  for (int32_t i = 0; i < length; ++i) samples[i] = values[(i / stretch) % valueCount];
}

void HostileSession::setTimeInfo() {
  instance_->setTempo(input_.pick(kTempos));
  instance_->setSongPosition(input_.pick(kPositions));
  instance_->timeInfo().flags = input_.raw<int32_t>();
  const uint8_t answers = input_.byte();
  instance_->setTimeInfoAvailable((answers & 0x80) == 0);
  instance_->answerNullTimeInfo(answers & 0x03);
}

// Counts from 0 up to the rest of the buffer, or 0 and below; offsets within the buffer.
void HostileSession::process() {
  const uint8_t kind = input_.byte();
  const int32_t offset = input_.within(0, bufferLength_);
  int32_t count = 0;
  if ((kind & 0x0F) == 0) {
    count = -input_.within(0, INT32_MAX);
  } else {
    count = input_.within(0, bufferLength_ - offset);
  }
  processStartClock_ = clockAfter(instance_->blockStartClock(), offset);
  if ((kind & 0x10) != 0 && offset == 0) {
    instance_->processBlock(count);
  } else {
    instance_->process(offset, count);
  }
  checkProcessCall(count);
  // A call that used the buffers up leaves the host at the first sample of the next block.
  const int32_t reached = offset + std::max(count, int32_t{0});
  if (reached == bufferLength_)
    instance_->setBlockStartClock(clockAfter(processStartClock_, reached - offset));
}

// Any block start clock, wrapping ones included. The clock answered between calls stays on a
// sample of the current buffers, as a host's must: a module reads its stream inputs there.
void HostileSession::moveClock() {
  const int32_t blockStart = input_.pick(kClocks);
  instance_->setBlockStartClock(blockStart);
  instance_->setSampleClock(clockAfter(blockStart, input_.within(0, bufferLength_ - 1)));
}

// Counts around the described pins, none, negative and huge. Only the listed ones: each count
// above the described pins costs the host a buffer per pin, up to its most.
void HostileSession::setHostPinCount() {
  const int32_t described = instance_->describedPinCount();
  const int32_t counts[] = {0,
                            -1,
                            INT32_MIN,
                            described - 1,
                            described,
                            described + 1,
                            described + 3,
                            HostInstance::kMostHostPins,
                            INT32_MAX};
  instance_->setHostPinCount(counts[input_.byte() % std::size(counts)]);
}

// The two exports with any index and kind; an instance made on the side is stopped at once.
void HostileSession::callExports() {
  ModuleInfoRecord info{};
  library_.getModuleProperties()(input_.pick(kPinIndexes), &info);
  if (info.sdkVersion != ModuleSdkVersion) fail("getModuleProperties", "no version was written");
  const int32_t index = input_.pick(kPinIndexes);
  const int32_t kind = input_.pick(kPinIndexes);
  ModuleInstanceRecord* record = library_.makeModule()(index, kind, nullptr, nullptr);
  if ((record != nullptr) != (index == 0 && kind == ModuleKindInstance))
    fail("makeModule", "an instance was made for another index or kind, or none for 0 and 1");
  if (record != nullptr) record->dispatcher(record, DispatchStop, 0, 0, nullptr, 0.0f);
}

// --- Checks ----------------------------------------------------------------------------------

int32_t HostileSession::pinsWithBuffers() const {
  const int32_t asked = std::min(instance_->hostPinCount(), HostInstance::kMostHostPins);
  return std::max(instance_->describedPinCount(), asked);
}

void HostileSession::checkCall(const char* call) {
  for (int32_t pin = 0; pin < pinsWithBuffers(); ++pin) {
    if (!instance_->guardsIntact(pin)) fail(call, "a buffer guard was overwritten");
  }
  if (instance_->realtimeAllocations() != 0) fail(call, "the module allocated in a real-time call");
  for (const LoggedRequest& request : instance_->requests()) {
    if (request.request != HostSetPinStatus && request.request != HostSendMidi) continue;
    if (request.index < 0 || request.index >= instance_->describedPinCount() ||
        instance_->pin(request.index).description.direction != DirectionOut)
      fail(call, "a status or message went to a pin that is not one of the module's outputs");
    if (request.request == HostSendMidi && (static_cast<uint32_t>(request.value) >> 24) != 0)
      fail(call, "a MIDI message carries bits above the second data byte");
  }
  instance_->clearLog();
}

// What a process call sends belongs to one of its samples: a call of no samples sends nothing.
void HostileSession::checkProcessCall(int32_t count) {
  const auto samples = static_cast<uint32_t>(std::max(count, int32_t{0}));
  for (const LoggedRequest& request : instance_->requests()) {
    if (request.request != HostSetPinStatus && request.request != HostSendMidi) continue;
    const uint32_t sample =
        static_cast<uint32_t>(request.pointer) - static_cast<uint32_t>(processStartClock_);
    if (sample >= samples) fail("a process call", "a send is stamped outside the call's samples");
  }
  checkCall("a process call");
}

}  // namespace nalto::fuzz
