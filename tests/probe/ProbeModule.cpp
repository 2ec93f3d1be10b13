// A module built only for the framework tests. It describes whatever pins the test's bench lists,
// records every virtual operation the framework runs, and obeys commands sent as DispatchNotice,
// so that the tests reach the framework only through the library's exports, as a host does.
#include <memory>

#include "nalto/ModuleCore.h"
#include "nalto/ModuleEntry.h"
#include "probe/ProbeBench.h"

namespace {

using probe::Bench;
using probe::Operation;

class ProbeModule : public nalto::ModuleCore {
 public:
  ProbeModule(HostCallback callback, void* hostHandle) : ModuleCore(callback, hostHandle) {}
  ~ProbeModule() override { record(Operation::Destroy); }

  static void fillModuleInfo(ModuleInfoRecord& info) {
    info.name = "Nalto Probe";
    info.identifier = "Nalto Probe";
    info.aboutText = "Nalto Probe\nA module for testing the framework";
  }

  bool describePin(int32_t index, PinDescription& description) override {
    record(Operation::DescribePin, index);
    if (bench_ == nullptr || index < 0 || index >= describedPins()) return false;
    const probe::PinShape& shape = bench_->pins[index];
    if (shape.withVariable) description.valueAddress = &bench_->variables[index];
    description.direction = shape.direction;
    description.dataType = shape.dataType;
    description.name = "Probe pin";
    description.flags = shape.flags;
    return true;
  }

  void start() override {
    ModuleCore::start();
    record(Operation::Start);
  }

  void stop() override { record(Operation::Stop); }

  void setSampleRate(float samplesPerSecond) override {
    record(Operation::SetSampleRate, 0, 0, 0, samplesPerSecond);
    ModuleCore::setSampleRate(samplesPerSecond);
  }

  void setBlockSize(int32_t samples) override {
    record(Operation::SetBlockSize, samples);
    ModuleCore::setBlockSize(samples);
  }

  void wake() override { record(Operation::Wake); }

  void midiReceived(int32_t clock, int32_t message, int16_t extra) override {
    record(Operation::MidiReceived, clock, message, extra);
  }

  void pinStatusChanged(nalto::PinLink& link) override {
    record(Operation::PinStatusChanged, link.pinIndex(), link.status());
    if (bench_ != nullptr && bench_->followOnStatusChange) follow();
  }

  void hostNotice(int32_t value, int32_t index, void* pointer) override {
    if (value == probe::CommandAttach) attach(static_cast<Bench*>(pointer));
    record(Operation::HostNotice, value, index, 0, 0.0f, pointer);
    if (bench_ != nullptr) obey(value, index);
  }

 private:
  void attach(Bench* bench) {
    bench_ = bench;
    bench->object = static_cast<ModuleCore*>(this);
    bench->mainRoutine = &routine<&ProbeModule::processMain>;
    bench->settlingRoutine =
        &settleThenIdle<&ProbeModule::processMain, &ProbeModule::settleCountdown>;
    bench->emptyRoutine = &emptyRoutine;
    bench->runRoutine = &runOnObject;
  }

  void obey(int32_t command, int32_t pinIndex) {
    switch (command) {
      case probe::CommandInstallMain:
        setProcessRoutine(&routine<&ProbeModule::processMain>);
        break;
      case probe::CommandInstallEmpty:
        setProcessRoutine(&emptyRoutine);
        break;
      case probe::CommandInstallNone:
        setProcessRoutine(nullptr);
        break;
      case probe::CommandFollowStatus:
        follow();
        break;
      case probe::CommandValueNow:
        if (nalto::PinLink* link = pin(pinIndex)) bench_->valueNow = link->valueNow();
        break;
      case probe::CommandSendStatus:
        sendStatus(pinIndex, bench_->sendClock, bench_->sendValue);
        break;
      case probe::CommandSendMidi:
        sendMidi(pinIndex, bench_->sendClock, bench_->sendValue);
        break;
      case probe::CommandInspectPin:
        inspect(pinIndex);
        break;
      case probe::CommandInspectCore:
        bench_->sampleRate = sampleRate();
        bench_->blockSize = blockSize();
        break;
      default:
        break;
    }
  }

  void follow() {
    followStatus<&ProbeModule::processMain, &ProbeModule::settleCountdown>(bench_->followInput,
                                                                           bench_->followOutput);
  }

  void inspect(int32_t pinIndex) {
    nalto::PinLink* link = pin(pinIndex);
    bench_->link = link == nullptr ? probe::LinkView{}
                                   : probe::LinkView{true, link->pinIndex(), link->dataType(),
                                                     link->status(), link->valueAddress()};
  }

  int32_t describedPins() const {
    return bench_->describedPins < probe::kMaxPins ? bench_->describedPins : probe::kMaxPins;
  }

  void record(Operation operation, int32_t first = 0, int32_t second = 0, int32_t third = 0,
              float rate = 0.0f, void* pointer = nullptr) {
    if (bench_ == nullptr) return;
    if (bench_->callCount < probe::kMaxCalls)
      bench_->calls[bench_->callCount] = {operation, first, second, third, rate, pointer};
    ++bench_->callCount;
  }

  static void NALTO_CALL runOnObject(void* object) {
    auto& module = static_cast<ProbeModule&>(*static_cast<ModuleCore*>(object));
    module.record(Operation::RunRoutine, 0, 0, 0, 0.0f, object);
  }

  void processMain(int32_t offset, int32_t count) {
    record(Operation::MainRoutine, offset, count, 0, 0.0f, static_cast<ModuleCore*>(this));
    if (bench_ != nullptr && bench_->allocateInProcess) heldAllocation_.reset(new int32_t(0));
  }

  Bench* bench_ = nullptr;
  int32_t settleCountdown = 0;
  std::unique_ptr<int32_t> heldAllocation_;
};

}  // namespace

NALTO_MODULE_LIBRARY(ProbeModule)
