#include "Workbench.h"

#include <algorithm>
#include <cstring>

#include "CheckResult.h"
#include "nalto/HostRequest.h"
#include "nalto/host/FloatBits.h"

namespace nalto::modhost {

namespace {

using host::bitsOf;
using host::floatOf;

constexpr uint32_t kUntouchedMarker = 0x7FC1B2C3u;  // a quiet NaN no module computes
constexpr int32_t kMostZeroCallsPerBlock = 4;
constexpr int32_t kStirPercentBetweenCalls = 20;

bool isMessage(int32_t request) { return request == HostSendMidi || request == HostSetPinStatus; }

std::string pinLabel(const PinSummary& pin) {
  return "pin " + std::to_string(pin.index) + " \"" + pin.name + "\"";
}

}  // namespace

Workbench::Workbench(const host::ModuleLibrary& library, const WorkbenchSetup& setup)
    : host_(library, setup.blockLength), setup_(setup), random_(setup.seed) {
  if (!host_.made()) return;
  for (int32_t i = 0; i < host_.describedPinCount(); ++i) {
    pins_.push_back(summarizePin(i, host_.pin(i).description));
    const PinSummary& pin = pins_.back();
    if (pin.isStream()) (pin.isInput() ? streamInputs_ : streamOutputs_).push_back(i);
    if (pin.isList() && pin.isInput()) listPins_.push_back(i);
  }
  savedOutputs_.resize(streamOutputs_.size());
}

void Workbench::start() {
  host_.setSampleRate(setup_.sampleRate);
  host_.setBlockSize(setup_.blockLength);
  const size_t first = host_.requests().size();
  host_.start();
  checkMessages(first, clockNow_, clockNow_, "start");
  for (int32_t pin : streamInputs_) sendPinStatus(pin, StatusRunning);
}

float Workbench::squareWave(int32_t pin, int64_t clock) {
  const int64_t halfPeriod = 3 + (pin * 37) % 200;
  return (clock / halfPeriod) % 2 == 0 ? 1.0f : 0.0f;
}

// --- Driving ---------------------------------------------------------------------------------

void Workbench::runBlock(CallPattern pattern) {
  fillInputs();
  if (!timeInfoFrozen_) {
    host_.setTempo(tempo_);
    host_.setSongPosition(songPosition_);
    host_.setTransportRunning(transportRunning_);
  }
  host_.setBlockStartClock(blockStart_);
  clockNow_ = blockStart_;
  const int32_t length = setup_.blockLength;
  if (pattern == CallPattern::WholeBlock) {
    call(0, length);
  } else {
    int32_t zeroCalls = 0;
    for (int32_t offset = 0; offset < length;) {
      std::uniform_int_distribution<int32_t> counts(0, length - offset);
      int32_t count = counts(random_);
      if (count == 0 && ++zeroCalls > kMostZeroCallsPerBlock) count = length - offset;
      call(offset, count);
      offset += count;
      if (offset < length && static_cast<int32_t>(random_() % 100) < kStirPercentBetweenCalls)
        stir();
    }
  }
  blockStart_ += length;
  clockNow_ = blockStart_;
  if (transportRunning_) songPosition_ += length * tempo_ / (60.0 * setup_.sampleRate);
}

void Workbench::call(int32_t offset, int32_t count) {
  markOutputs(offset, count);
  const size_t first = host_.requests().size();
  host_.process(offset, count);
  const int32_t firstClock = blockStart_ + offset;
  checkMessages(first, firstClock, firstClock + count - 1, "a process call");
  checkOutputs(offset, count);
  checkInputs();
  traceCall(offset, count, first);
  restoreOutputs(offset, count);
  clockNow_ = firstClock + count;
}

void Workbench::sendPinStatus(int32_t pin, int32_t status) {
  const size_t first = host_.requests().size();
  host_.sendPinStatus(pin, status, clockNow_);
  checkMessages(first, clockNow_, clockNow_, "a pin status event");
  traceCall(0, 0, first);
}

void Workbench::sendMidi(int32_t message, int16_t extra) {
  const size_t first = host_.requests().size();
  host_.sendMidi(clockNow_, message, extra);
  checkMessages(first, clockNow_, clockNow_, "a MIDI event");
  traceCall(0, 0, first);
}

void Workbench::setListValue(int32_t pin, int16_t value) { host_.setListValue(pin, value); }

void Workbench::stir() {
  for (int32_t pin : listPins_) {
    const auto& choices = pins_[static_cast<size_t>(pin)].choices;
    if (!choices || choices->choices.empty() || random_() % 4 != 0) continue;
    setListValue(pin, choices->choices[random_() % choices->choices.size()].value);
  }
  const int32_t key = 48 + static_cast<int32_t>(random_() % 24);
  const int32_t velocity = random_() % 2 == 0 ? 0 : 100;
  sendMidi(0x90 | (key << 8) | (velocity << 16));
  if (!streamInputs_.empty() && random_() % 3 == 0)
    sendPinStatus(streamInputs_[random_() % streamInputs_.size()],
                  static_cast<int32_t>(random_() % 3));
}

void Workbench::fillInputs() {
  for (int32_t pin : streamInputs_) {
    float* samples = host_.buffer(pin);
    for (int32_t i = 0; i < setup_.blockLength; ++i) samples[i] = signal_(pin, blockStart_ + i);
  }
  inputSnapshots_.clear();
  for (int32_t pin : streamInputs_) inputSnapshots_.push_back(host_.pin(pin).storage);
}

// --- Checks ----------------------------------------------------------------------------------

void Workbench::markOutputs(int32_t offset, int32_t count) {
  const float marker = floatOf(kUntouchedMarker);
  for (size_t k = 0; k < streamOutputs_.size(); ++k) {
    float* samples = host_.buffer(streamOutputs_[k]);
    savedOutputs_[k].assign(samples, samples + setup_.blockLength);
    for (int32_t i = 0; i < setup_.blockLength; ++i)
      if (i < offset || i >= offset + count) samples[i] = marker;
  }
}

void Workbench::checkOutputs(int32_t offset, int32_t count) {
  for (int32_t pinIndex : streamOutputs_) {
    const PinSummary& pin = pins_[static_cast<size_t>(pinIndex)];
    const float* samples = host_.buffer(pinIndex);
    if (!host_.guardsIntact(pinIndex))
      breach(Breach::OutputWrite,
             pinLabel(pin) + ": wrote into the guard zone around its " +
                 std::to_string(setup_.blockLength) + "-sample buffer in a call over indexes " +
                 std::to_string(offset) + ".." + std::to_string(offset + count - 1));
    for (int32_t i = 0; i < setup_.blockLength; ++i) {
      if (i >= offset && i < offset + count) continue;
      if (bitsOf(samples[i]) == kUntouchedMarker) continue;
      breach(Breach::OutputWrite, pinLabel(pin) + ": wrote buffer index " + std::to_string(i) +
                                      " in a call over indexes " + std::to_string(offset) + ".." +
                                      std::to_string(offset + count - 1) + " (offset " +
                                      std::to_string(offset) + ", count " + std::to_string(count) +
                                      ")");
      break;
    }
  }
}

void Workbench::restoreOutputs(int32_t offset, int32_t count) {
  for (size_t k = 0; k < streamOutputs_.size(); ++k) {
    float* samples = host_.buffer(streamOutputs_[k]);
    for (int32_t i = 0; i < setup_.blockLength; ++i)
      if (i < offset || i >= offset + count) samples[i] = savedOutputs_[k][static_cast<size_t>(i)];
  }
}

void Workbench::checkInputs() {
  for (size_t k = 0; k < streamInputs_.size(); ++k) {
    const std::vector<float>& now = host_.pin(streamInputs_[k]).storage;
    if (std::memcmp(now.data(), inputSnapshots_[k].data(), now.size() * sizeof(float)) == 0)
      continue;
    breach(Breach::InputWrite,
           pinLabel(pins_[static_cast<size_t>(streamInputs_[k])]) + ": its input buffer changed");
    inputSnapshots_[k] = now;
  }
}

void Workbench::checkMessages(size_t firstRequest, int32_t lowest, int32_t highest,
                              const char* during) {
  const auto& requests = host_.requests();
  int32_t previous = lowest;
  for (size_t r = firstRequest; r < requests.size(); ++r) {
    if (!isMessage(requests[r].request)) continue;
    const auto clock = static_cast<int32_t>(requests[r].pointer);
    const char* what = requests[r].request == HostSendMidi ? "MIDI message" : "pin status";
    const std::string subject = std::string(what) + " for pin " + std::to_string(requests[r].index);
    if (clock < lowest || clock > highest) {
      breach(Breach::MessageClock, subject + " sent during " + during + " is stamped " +
                                       std::to_string(clock) + ", outside the call's clocks " +
                                       std::to_string(lowest) + ".." + std::to_string(highest));
    } else if (clock < previous) {
      breach(Breach::MessageClock, subject + " sent during " + during + " is stamped " +
                                       std::to_string(clock) + ", before the previous message (" +
                                       std::to_string(previous) + ")");
    }
    previous = std::max(previous, clock);
  }
}

void Workbench::traceCall(int32_t offset, int32_t count, size_t firstRequest) {
  for (int32_t pin : streamOutputs_) {
    const float* samples = host_.buffer(pin);
    for (int32_t i = offset; i < offset + count; ++i) trace_.push_back(bitsOf(samples[i]));
  }
  const auto& requests = host_.requests();
  for (size_t r = firstRequest; r < requests.size(); ++r) {
    if (!isMessage(requests[r].request)) continue;
    trace_.push_back((uint64_t{static_cast<uint32_t>(requests[r].index)} << 32) |
                     static_cast<uint32_t>(requests[r].value));
    trace_.push_back(static_cast<uint64_t>(requests[r].pointer));
  }
}

void Workbench::breach(Breach kind, const std::string& text) {
  const auto k = static_cast<size_t>(kind);
  ++breachCounts_[k];
  if (breaches_[k].size() < CheckResult::kFindingsKept)
    breaches_[k].push_back(setupText() + ": " + text);
}

const std::vector<std::string>& Workbench::breaches(Breach kind) const {
  return breaches_[static_cast<size_t>(kind)];
}

int64_t Workbench::breachCount(Breach kind) const {
  return breachCounts_[static_cast<size_t>(kind)];
}

std::string Workbench::setupText() const {
  return std::to_string(static_cast<int32_t>(setup_.sampleRate)) + " Hz, block " +
         std::to_string(setup_.blockLength);
}

}  // namespace nalto::modhost
