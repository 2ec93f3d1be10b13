#include "Renderer.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <stdexcept>

#include "nalto/HostRequest.h"
#include "nalto/host/HostInstance.h"
#include "nalto/host/ModuleLibrary.h"

namespace nalto::modhost {

namespace {

float defaultValue(const PinSummary& pin) {
  return pin.defaultText ? std::strtof(pin.defaultText->c_str(), nullptr) : 0.0f;
}

// Hands out block lengths as the patch's plan says.
class BlockSizes {
 public:
  explicit BlockSizes(const BlockPlan& plan) : plan_(plan), random_(plan.seed) {}
  int32_t next() {
    if (!plan_.random) return plan_.sizes[turn_++ % plan_.sizes.size()];
    return std::uniform_int_distribution<int32_t>(plan_.randomLowest, plan_.randomHighest)(random_);
  }

 private:
  const BlockPlan& plan_;
  std::mt19937 random_;
  size_t turn_ = 0;
};

class Session {
 public:
  Session(const ModuleSummary& module, const Patch& patch)
      : library_(module.path), host_(library_, patch.blocks.largest()), patch_(patch) {
    if (!host_.made()) throw std::runtime_error("cannot make an instance of " + module.path);
    recording_.module = module;
    recording_.patch = patch;
    for (const PinSummary& pin : module.pins) {
      if (pin.isStream())
        recording_.streams[pin.index].assign(static_cast<size_t>(patch.length), 0.0f);
      if (pin.isStream() && pin.isInput()) signals_[pin.index] = constantSignal(defaultValue(pin));
    }
    for (const auto& [pin, signal] : patch.streams) signals_[pin] = signal;
  }

  Recording run() {
    startInstance();
    BlockSizes sizes(patch_.blocks);
    for (int64_t clock = 0; clock < patch_.length;) {
      applyHostChanges(clock);
      const int32_t length = blockLength(clock, sizes.next());
      runBlock(clock, length);
      clock += length;
    }
    return std::move(recording_);
  }

 private:
  static StreamSignal constantSignal(float value) {
    StreamSignal signal;
    signal.constant = value;
    return signal;
  }

  void startInstance() {
    host_.setSampleRate(static_cast<float>(patch_.sampleRate));
    host_.setBlockSize(patch_.blocks.largest());
    deliverListsAt(0);
    for (const PinSummary& pin : recording_.module.pins)
      if (pin.isList()) recording_.lists.push_back({0, pin.index, host_.pin(pin.index).listValue});
    applyHostChanges(0);
    host_.start();
    collectSent();
    for (const auto& [pin, signal] : signals_) {
      const int32_t input = pin;
      const bool given =
          std::any_of(patch_.statuses.begin(), patch_.statuses.end(),
                      [&](const TimedStatus& s) { return s.clock == 0 && s.pin == input; });
      if (!given) deliverStatus({0, input, signal.varies() ? StatusRunning : StatusStatic});
    }
  }

  // The block ends early where the host's time information changes.
  int32_t blockLength(int64_t clock, int32_t wanted) const {
    int64_t end = std::min(clock + wanted, patch_.length);
    for (const TimedHostChange& change : patch_.host)
      if (change.clock > clock && change.clock < end) end = change.clock;
    return static_cast<int32_t>(end - clock);
  }

  void applyHostChanges(int64_t clock) {
    while (nextHostChange_ < patch_.host.size() && patch_.host[nextHostChange_].clock <= clock) {
      const TimedHostChange& change = patch_.host[nextHostChange_++];
      if (change.tempo) tempo_ = *change.tempo;
      if (change.running) running_ = *change.running;
      if (change.songPosition) songPosition_ = *change.songPosition;
    }
  }

  void runBlock(int64_t clock, int32_t length) {
    host_.setTempo(tempo_);
    host_.setSongPosition(songPosition_);
    host_.setTransportRunning(running_);
    host_.setBlockStartClock(static_cast<int32_t>(clock));
    recording_.blocks.push_back({clock, length, tempo_, running_, songPosition_});
    fillInputs(clock, length);
    for (int32_t offset = 0; offset < length;) {
      deliverEventsAt(clock + offset);
      const int32_t count =
          static_cast<int32_t>(std::min(nextEventClock(), clock + length) - (clock + offset));
      host_.process(offset, count);
      collectSent();
      recordOutputs(clock, offset, count);
      offset += count;
    }
    if (running_) songPosition_ += length * tempo_ / (60.0 * patch_.sampleRate);
  }

  void fillInputs(int64_t clock, int32_t length) {
    for (const auto& [pin, signal] : signals_) {
      float* buffer = host_.buffer(pin);
      std::vector<float>& recorded = recording_.streams[pin];
      for (int32_t i = 0; i < length; ++i) {
        buffer[i] = signal.valueAt(clock + i);
        recorded[static_cast<size_t>(clock + i)] = buffer[i];
      }
    }
  }

  void recordOutputs(int64_t clock, int32_t offset, int32_t count) {
    for (auto& [pin, samples] : recording_.streams) {
      if (recording_.pin(pin).isInput()) continue;
      const float* buffer = host_.buffer(pin);
      std::copy(buffer + offset, buffer + offset + count, samples.begin() + clock + offset);
    }
  }

  int64_t nextEventClock() const {
    int64_t next = INT64_MAX;
    if (nextList_ < patch_.lists.size()) next = std::min(next, patch_.lists[nextList_].clock);
    if (nextStatus_ < patch_.statuses.size())
      next = std::min(next, patch_.statuses[nextStatus_].clock);
    if (nextMidi_ < patch_.midi.size()) next = std::min(next, patch_.midi[nextMidi_].clock);
    return next;
  }

  void deliverListsAt(int64_t clock) {
    for (; nextList_ < patch_.lists.size() && patch_.lists[nextList_].clock <= clock; ++nextList_) {
      const TimedListValue& change = patch_.lists[nextList_];
      host_.setListValue(change.pin, change.value);
      if (change.clock > 0) recording_.lists.push_back(change);
    }
  }

  void deliverStatus(const TimedStatus& status) {
    host_.sendPinStatus(status.pin, status.status, static_cast<int32_t>(status.clock));
    recording_.statusesIn.push_back(status);
    collectSent();
  }

  void deliverEventsAt(int64_t clock) {
    deliverListsAt(clock);
    for (; nextStatus_ < patch_.statuses.size() && patch_.statuses[nextStatus_].clock <= clock;)
      deliverStatus(patch_.statuses[nextStatus_++]);
    for (; nextMidi_ < patch_.midi.size() && patch_.midi[nextMidi_].clock <= clock; ++nextMidi_) {
      const TimedMidi& midi = patch_.midi[nextMidi_];
      host_.sendMidi(static_cast<int32_t>(midi.clock), midi.message);
      recording_.midiIn.push_back(midi);
      collectSent();
    }
  }

  void collectSent() {
    for (const host::LoggedRequest& request : host_.requests()) {
      if (request.request == HostGetTimeInfo) ++recording_.timeInfoRequests;
      if (request.request != HostSendMidi && request.request != HostSetPinStatus) continue;
      recording_.sent.push_back({static_cast<int32_t>(request.pointer), request.index,
                                 request.value, request.request == HostSendMidi});
    }
    host_.clearLog();
  }

  host::ModuleLibrary library_;
  host::HostInstance host_;
  const Patch& patch_;
  Recording recording_;
  std::map<int32_t, StreamSignal> signals_;
  size_t nextHostChange_ = 0, nextList_ = 0, nextStatus_ = 0, nextMidi_ = 0;
  double tempo_ = 120.0;
  bool running_ = false;
  double songPosition_ = 0.0;
};

}  // namespace

int32_t Recording::midiOutPin() const {
  int32_t found = -1;
  for (const PinSummary& pin : module.pins) {
    if (!pin.isMidi() || pin.isInput()) continue;
    if (pin.name == "MIDI Out") return pin.index;
    if (found < 0) found = pin.index;
  }
  return found;
}

Recording render(const ModuleSummary& module, const Patch& patch) {
  return Session(module, patch).run();
}

}  // namespace nalto::modhost
