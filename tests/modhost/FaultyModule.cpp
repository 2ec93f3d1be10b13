// A small module that the validator's tests build in several versions: one without a fault
// ("Nalto Test Clean") and one per deliberate fault, chosen by NALTO_TEST_FAULT.
// "Out" follows "In" scaled by "Gain"; each rise of "In" through 0.5 sends a note on
// "MIDI Out"; "MIDI In" passes through to "MIDI Out".
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "nalto/ModuleCore.h"
#include "nalto/ModuleEntry.h"
#include "nalto/PinRow.h"

namespace {

enum class Fault {
  None,
  AllocatesInProcess,
  WritesPastCount,
  DescribesEveryIndex,
  StampsOutsideCall,
  LocksInProcess,
  SleepsInProcess
};
constexpr auto kFault = static_cast<Fault>(NALTO_TEST_FAULT);

enum Pin : int32_t { In, Gain, MidiIn, Out, MidiOut, PinCount };

const nalto::PinRow kPins[PinCount] = {
    {"In", DirectionIn, DataStream, "0", nullptr},
    {"Gain", DirectionIn, DataList, "2", "Half=1,Whole=2"},
    {"MIDI In", DirectionIn, DataMidi, nullptr, nullptr},
    {"Out", DirectionOut, DataStream, nullptr, nullptr},
    {"MIDI Out", DirectionOut, DataMidi, nullptr, nullptr},
};

constexpr float kRiseThreshold = 0.5f;
constexpr int32_t kNote = 0x644090;  // note-on, key 64, velocity 100, channel 1

}  // namespace

class TestModule : public nalto::ModuleCore {
 public:
  TestModule(HostCallback callback, void* hostHandle) : ModuleCore(callback, hostHandle) {}

  static void fillModuleInfo(ModuleInfoRecord& info) {
    info.name = NALTO_TEST_NAME;
    info.identifier = NALTO_TEST_NAME;
    info.aboutText = NALTO_TEST_NAME "\nA test module for modhost";
  }

  bool describePin(int32_t index, PinDescription& description) override {
    const bool known = index >= 0 && index < PinCount;
    if (!known && kFault != Fault::DescribesEveryIndex) return false;
    void* const variables[PinCount] = {&inBuffer, &gain, nullptr, &outBuffer, nullptr};
    nalto::describeFromRow(kPins[known ? index : Out], known ? variables[index] : nullptr,
                           description);
    return true;
  }

  void start() override {
    wasHigh = false;
    ModuleCore::start();
    setProcessRoutine(routine<&TestModule::processGain>);
  }

  void midiReceived(int32_t clock, int32_t message, int16_t) override {
    sendMidi(MidiOut, clock, message);
  }

  void processGain(int32_t offset, int32_t count) {
    if (count <= 0) return;
    if constexpr (kFault == Fault::AllocatesInProcess) scratch.reset(new float[count]);
    if constexpr (kFault == Fault::LocksInProcess) const std::lock_guard<std::mutex> hold(guard);
    if constexpr (kFault == Fault::SleepsInProcess)
      std::this_thread::sleep_for(std::chrono::nanoseconds(1));
    const float scale = gain == 1 ? 0.5f : 1.0f;
    const int32_t firstClock = sampleClock();
    for (int32_t i = offset; i < offset + count; ++i) {
      outBuffer[i] = inBuffer[i] * scale;
      const bool high = inBuffer[i] >= kRiseThreshold;
      if (high && !wasHigh) sendMidi(MidiOut, noteClock(firstClock, i - offset, count), kNote);
      wasHigh = high;
    }
    if constexpr (kFault == Fault::WritesPastCount) outBuffer[offset + count] = 0.0f;
  }

 private:
  static int32_t noteClock(int32_t firstClock, int32_t sample, int32_t count) {
    return kFault == Fault::StampsOutsideCall ? firstClock + count : firstClock + sample;
  }

  float* inBuffer = nullptr;
  float* outBuffer = nullptr;
  int16_t gain = 2;
  bool wasHigh = false;
  std::unique_ptr<float[]> scratch;
  std::mutex guard;
};

NALTO_MODULE_LIBRARY(TestModule)
