#include "TempoClockModule.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "nalto/ModuleEntry.h"
#include "nalto/PinRow.h"

namespace nalto {

// Tempo 0 and extreme song positions lean on IEEE infinities and NaNs in the double arithmetic.
static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559,
              "the clock's arithmetic assumes IEEE floating point");

namespace {

constexpr const char* kModuleName = "Nalto Pacer";
constexpr const char* kAboutText = "Written by the Nalto team";

constexpr float kHigh = 0.5f;  // pulse and bar levels
constexpr float kLow = 0.0f;
constexpr float kRunning = 1.0f;  // transport levels
constexpr float kStopped = 0.0f;
constexpr float kTempoScale = 0.1f;  // single precision on purpose: 124 reads as 12.40000057
constexpr float kTempoLevelWithoutTempo = 10.0f;
constexpr double kStartingTempo = 120.0;  // paces the edges until the host first tells its tempo
constexpr float kShortestEdgeGap = 2.0f;  // samples
constexpr float kSampleCountLimit = 2147483648.0f;  // 2^31: the first time no countdown holds

constexpr PinRow kPinTable[TempoClockPinCount] = {
    {"Pulse Out", DirectionOut, DataStream, nullptr, nullptr},
    {"Bar Start", DirectionOut, DataStream, nullptr, nullptr},
    {"Tempo Out", DirectionOut, DataStream, nullptr, nullptr},
    {"Transport Run", DirectionOut, DataStream, nullptr, nullptr},
    {"Pulse Divide", DirectionIn, DataList, "4", "12=12,10=10,8=8,6=6,4=4,3=3,2=2,1=1"},
};

// Truncation toward zero that saturates outside the 32-bit range; a position that is not a
// number counts as beat 0.
int32_t truncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  if (value >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(value);
}

// (count + 1) modulo `modulus` as a truncating division leaves it, without overflowing.
int32_t nextModulo(int32_t count, int32_t modulus) {
  return static_cast<int32_t>((int64_t{count} + 1) % modulus);
}

// A half-period a 32-bit countdown can hold; tempo 0, a negative or NaN tempo and sample rate 0
// give none.
bool isUsable(float halfPeriod) { return halfPeriod > 0.0f && halfPeriod < kSampleCountLimit; }

float tempoLevel(double tempo) {
  const auto level = static_cast<float>(tempo * static_cast<double>(kTempoScale));
  return (level == 0.0f || std::isnan(level)) ? kTempoLevelWithoutTempo : level;
}

}  // namespace

TempoClockModule::TempoClockModule(HostCallback callback, void* hostHandle)
    : ModuleCore(callback, hostHandle),
      tempoOut_(*this, PinTempoOut),
      pulseOut_(*this, PinPulseOut),
      barStart_(*this, PinBarStart),
      transportRun_(*this, PinTransportRun) {}

void TempoClockModule::fillModuleInfo(ModuleInfoRecord& info) {
  info.name = kModuleName;
  info.identifier = kModuleName;
  info.aboutText = kAboutText;
}

bool TempoClockModule::describePin(int32_t index, PinDescription& description) {
  if (static_cast<uint32_t>(index) >= TempoClockPinCount) return false;
  describeFromRow(kPinTable[index], pinVariable(index), description);
  return true;
}

void* TempoClockModule::pinVariable(int32_t index) {
  switch (index) {
    case PinPulseOut:
      return pulseOut_.bufferVariable();
    case PinBarStart:
      return barStart_.bufferVariable();
    case PinTempoOut:
      return tempoOut_.bufferVariable();
    case PinTransportRun:
      return transportRun_.bufferVariable();
    default:
      return &pulseDivide_;
  }
}

void TempoClockModule::start() {
  setProcessRoutine(routine<&TempoClockModule::processClock>);
  ModuleCore::start();
  tempoOut_.set(sampleClock(), kTempoLevelWithoutTempo);
}

// A divide below 1 is not among the list's values; it paces like 1.
int32_t TempoClockModule::divide() const { return pulseDivide_ < 1 ? 1 : pulseDivide_; }

double TempoClockModule::beatsPerSample(double tempo) {
  return tempo / (static_cast<double>(sampleRate()) * 60.0);
}

float TempoClockModule::halfPeriodFor(double beatsPerSample) const {
  return static_cast<float>(0.5 / (divide() * beatsPerSample));
}

// The half-period of the last time information, or of the starting tempo before there was any.
float TempoClockModule::halfPeriodInForce() {
  return halfPeriodKnown_ ? halfPeriod_ : halfPeriodFor(beatsPerSample(kStartingTempo));
}

void TempoClockModule::processClock(int32_t offset, int32_t count) {
  const int32_t samples = std::max(count, int32_t{0});
  ClockCall call{samples, samples, offset, false};
  for (;;) {
    // Stretch: every output holds its level up to the next edge or the end of the call.
    const int32_t n = std::min(samplesToEdge_, call.remaining);
    fillOutputs(call.position, n);
    call.remaining -= n;
    samplesToEdge_ -= n;
    if (call.remaining == 0) return;

    // Edge.
    call.position += n;
    passEdge(call);
  }
}

void TempoClockModule::fillOutputs(int32_t position, int32_t count) {
  tempoOut_.fill(position, count);
  pulseOut_.fill(position, count);
  barStart_.fill(position, count);
  transportRun_.fill(position, count);
}

void TempoClockModule::passEdge(ClockCall& call) {
  // The host answers the clock of the call's first sample.
  const int32_t edgeClock = sampleClockAfter(call.done());
  // A clock waiting for a usable tempo toggles only once the tempo allows the next edge.
  if (!waitingForTempo_) togglePulse(edgeClock);
  const HostTimeInfo* info = call.timeInfoRead ? nullptr : readTimeInfo(call, edgeClock);
  const float halfPeriod = halfPeriodInForce();
  if (waitingForTempo_ && isUsable(halfPeriod)) togglePulse(edgeClock);
  if (info != nullptr && (info->flags & TransportRunning) != 0 && isUsable(halfPeriod))
    resynchronise(*info, call, halfPeriod);
  scheduleNextEdge(halfPeriod, call);
}

void TempoClockModule::togglePulse(int32_t edgeClock) {
  float pulseLevel = kLow;
  float barLevel = kLow;
  if (pulseOut_.value() == kLow) {
    pulseCount_ = nextModulo(pulseCount_, divide());
    if (pulseCount_ == 0) beatCount_ = nextModulo(beatCount_, beatsPerBar_);
    pulseLevel = kHigh;
    if (pulseCount_ == 0 && beatCount_ == 0) barLevel = kHigh;
  }
  pulseOut_.set(edgeClock, pulseLevel);
  barStart_.set(edgeClock, barLevel);
}

const HostTimeInfo* TempoClockModule::readTimeInfo(ClockCall& call, int32_t edgeClock) {
  const auto* info = reinterpret_cast<const HostTimeInfo*>(
      callHost(HostGetTimeInfo, 0, TimeInfoWantedFields, nullptr, 0.0f));
  // Without an answer everything stays as it was; the next edge of this call asks again.
  if (info == nullptr) return nullptr;
  call.timeInfoRead = true;
  halfPeriod_ = halfPeriodFor(beatsPerSample(info->tempo));
  halfPeriodKnown_ = true;
  tempoOut_.set(edgeClock, tempoLevel(info->tempo));
  transportRun_.set(edgeClock, (info->flags & TransportRunning) != 0 ? kRunning : kStopped);
  return info;
}

void TempoClockModule::resynchronise(const HostTimeInfo& info, const ClockCall& call,
                                     float halfPeriod) {
  // The song position of the edge's sample; the host gives it for buffer index 0.
  const double songPosition =
      info.quarterNotePosition + static_cast<double>(call.position) * beatsPerSample(info.tempo);
  beatCount_ = truncateToInt32(songPosition);

  // The clock's own phase within the beat, less the lateness of the edge's sample.
  const double pulses = pulseOut_.value() == kLow ? pulseCount_ + 0.5 : pulseCount_;
  const auto phase =
      static_cast<float>((pulses - sampleAccumulator_ * 0.5 / halfPeriod) / divide());

  // How far the host is ahead, in beats, brought once into -0.5 .. 0.5.
  const double difference = (songPosition - std::floor(songPosition)) - phase;
  phaseError_ = static_cast<float>(difference);
  if (!(difference >= -0.5)) phaseError_ = static_cast<float>(difference + 1.0);
  if (phaseError_ > 0.5f) phaseError_ = static_cast<float>(phaseError_ - 1.0);

  // 2 x divide x half-period samples make a beat: the next edge takes the whole correction.
  sampleAccumulator_ =
      static_cast<float>(sampleAccumulator_ - 2.0 * divide() * halfPeriod * phaseError_);
}

void TempoClockModule::scheduleNextEdge(float halfPeriod, const ClockCall& call) {
  float edgeTime = sampleAccumulator_ + halfPeriod;
  if (!(edgeTime >= kShortestEdgeGap)) edgeTime = kShortestEdgeGap;
  if (!isUsable(halfPeriod) || !(edgeTime < kSampleCountLimit)) {
    // No countdown holds this edge: the levels stay for the rest of the call, and the next call
    // tries again at its first sample.
    waitingForTempo_ = true;
    sampleAccumulator_ = 0.0f;
    samplesToEdge_ = call.remaining;
    return;
  }
  waitingForTempo_ = false;
  // The edge falls on the first sample at or after its exact time.
  samplesToEdge_ = static_cast<int32_t>(std::ceil(edgeTime));
  sampleAccumulator_ = edgeTime - static_cast<float>(samplesToEdge_);
}

}  // namespace nalto

NALTO_MODULE_LIBRARY(nalto::TempoClockModule)
