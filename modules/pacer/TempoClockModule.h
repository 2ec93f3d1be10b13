// Nalto Pacer: a square pulse train at the host's tempo, a marker on the first pulse of every
// four-beat bar, the tempo and the transport state, locked to the song position while the
// transport runs.
#pragma once

#include <cstdint>

#include "HeldOutput.h"
#include "nalto/HostTimeInfo.h"
#include "nalto/ModuleCore.h"
#include "nalto/ModuleInfoRecord.h"

namespace nalto {

enum TempoClockPin : int32_t {
  PinPulseOut = 0,      // 0.5 for the first half of every pulse, 0.0 for the second
  PinBarStart = 1,      // 0.5 during the high half of the first pulse of every bar
  PinTempoOut = 2,      // beats per minute times 0.1
  PinTransportRun = 3,  // 1.0 while the host's transport runs
  PinPulseDivide = 4,   // list: pulses per beat
  TempoClockPinCount = 5
};

class TempoClockModule : public ModuleCore {
 public:
  TempoClockModule(HostCallback callback, void* hostHandle);
  ~TempoClockModule() override = default;

  static void fillModuleInfo(ModuleInfoRecord& info);

  void start() override;
  bool describePin(int32_t index, PinDescription& description) override;

 private:
  // What one process call keeps while it walks from edge to edge.
  struct ClockCall {
    int32_t count;      // samples of the call
    int32_t remaining;  // samples not yet produced
    int32_t position;   // buffer index where the next stretch begins
    bool timeInfoRead;  // the host answered a time information request in this call
    int32_t done() const { return count - remaining; }
  };

  void* pinVariable(int32_t index);
  int32_t divide() const;
  double beatsPerSample(double tempo);
  float halfPeriodFor(double beatsPerSample) const;
  float halfPeriodInForce();

  void processClock(int32_t offset, int32_t count);
  void fillOutputs(int32_t position, int32_t count);
  void passEdge(ClockCall& call);
  void togglePulse(int32_t edgeClock);
  const HostTimeInfo* readTimeInfo(ClockCall& call, int32_t edgeClock);
  void resynchronise(const HostTimeInfo& info, const ClockCall& call, float halfPeriod);
  void scheduleNextEdge(float halfPeriod, const ClockCall& call);

  HeldOutput tempoOut_;
  HeldOutput pulseOut_;  // its held value also says whether the pulse is high
  HeldOutput barStart_;
  HeldOutput transportRun_;
  float phaseError_ = 0.0f;         // beats the host was ahead at the last resynchronisation
  float sampleAccumulator_ = 0.0f;  // exact edge time minus the edge's sample, in samples
  int32_t samplesToEdge_ = 0;       // samples left until the next edge of "Pulse Out"
  int32_t pulseCount_ = -1;         // pulse within the beat
  int32_t beatCount_ = -1;          // beat within the bar; the song's beat right after a resync
  int32_t beatsPerBar_ = 4;
  int16_t pulseDivide_ = 4;       // pin variable of "Pulse Divide", written by the host
  float halfPeriod_ = 0.0f;       // samples per half pulse, from the last time information
  bool halfPeriodKnown_ = false;  // time information has given halfPeriod_ at least once
  bool waitingForTempo_ = false;  // no edge is scheduled until the tempo is usable again
};

}  // namespace nalto
