// One started instance driven the way a host drives it, with every call checked: no write
// outside offset..offset+count-1 of an output buffer (guard zones around each buffer, a marker
// in the rest of it), no write to an input buffer, every MIDI message and status stamped with a
// clock inside the call and in order. What the instance produced is traced for comparisons.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ModuleSummary.h"
#include "nalto/host/HostInstance.h"
#include "nalto/host/ModuleLibrary.h"

namespace nalto::modhost {

enum class Breach { OutputWrite, InputWrite, MessageClock };

// How the calls of one host block are cut: one call over the whole block, or seeded random
// counts (zeros included) that together cover it.
enum class CallPattern { WholeBlock, RandomCounts };

struct WorkbenchSetup {
  float sampleRate = 48000.0f;
  int32_t blockLength = 64;  // the host's buffer length, also told as the block size
  uint32_t seed = 1;
};

class Workbench {
 public:
  // The value of a stream input at a sample clock; the default is a square wave per pin.
  using InputSignal = std::function<float(int32_t pin, int64_t clock)>;

  Workbench(const host::ModuleLibrary& library, const WorkbenchSetup& setup);
  bool made() const { return host_.made(); }
  host::HostInstance& host() { return host_; }
  const host::HostInstance& host() const { return host_; }
  std::mt19937& random() { return random_; }

  // Sample rate, block size, every input pin running, start.
  void start();

  const std::vector<int32_t>& streamInputs() const { return streamInputs_; }
  const std::vector<int32_t>& streamOutputs() const { return streamOutputs_; }
  const std::vector<int32_t>& listPins() const { return listPins_; }
  const std::vector<PinSummary>& pins() const { return pins_; }

  void setInputSignal(InputSignal signal) { signal_ = std::move(signal); }
  static float squareWave(int32_t pin, int64_t clock);

  // One host block: inputs filled, calls cut by the pattern, time information moved on.
  void runBlock(CallPattern pattern);
  // One checked process call at `offset` of the current block.
  void call(int32_t offset, int32_t count);
  void sendPinStatus(int32_t pin, int32_t status);
  void sendMidi(int32_t message, int16_t extra = 0);
  void setListValue(int32_t pin, int16_t value);
  // A random legal choice on every list pin, a random note and a random pin status.
  void stir();

  void setTempo(double beatsPerMinute) { tempo_ = beatsPerMinute; }
  void setTransportRunning(bool running) { transportRunning_ = running; }
  void setSongPosition(double quarterNotes) { songPosition_ = quarterNotes; }
  // While frozen, blocks leave the host's time information as the caller set it.
  void freezeTimeInfo(bool frozen) { timeInfoFrozen_ = frozen; }

  // What broke the host's rules so far, by kind; and their number.
  const std::vector<std::string>& breaches(Breach kind) const;
  int64_t breachCount(Breach kind) const;
  // Output samples and messages of every call, for comparing two instances.
  const std::vector<uint64_t>& trace() const { return trace_; }
  std::string setupText() const;

 private:
  void fillInputs();
  void markOutputs(int32_t offset, int32_t count);
  void checkOutputs(int32_t offset, int32_t count);
  void checkInputs();
  void checkMessages(size_t firstRequest, int32_t lowest, int32_t highest, const char* during);
  void traceCall(int32_t offset, int32_t count, size_t firstRequest);
  void breach(Breach kind, const std::string& text);
  void restoreOutputs(int32_t offset, int32_t count);

  host::HostInstance host_;
  WorkbenchSetup setup_;
  std::mt19937 random_;
  std::vector<PinSummary> pins_;
  std::vector<int32_t> streamInputs_, streamOutputs_, listPins_;
  InputSignal signal_ = &Workbench::squareWave;
  std::vector<std::vector<float>> inputSnapshots_;
  std::vector<std::vector<float>> savedOutputs_;
  int32_t blockStart_ = 0;
  int32_t clockNow_ = 0;  // the sample clock the host answers between calls
  double tempo_ = 120.0;
  bool transportRunning_ = true;
  double songPosition_ = 0.0;
  bool timeInfoFrozen_ = false;
  std::vector<std::string> breaches_[3];
  int64_t breachCounts_[3] = {0, 0, 0};
  std::vector<uint64_t> trace_;
};

}  // namespace nalto::modhost
