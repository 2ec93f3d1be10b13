// Installing process routines, following an input's status and settling before asking to idle.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>

#include "framework/ProbeHost.h"

namespace probe_test {
namespace {

// A host reduced to one callback, which notes each request together with the process routine
// the record held when the request arrived, and answers 0.
struct RoutineWatchingHost {
  struct Seen {
    int32_t request;
    ProcessEntry routine;
  };

  probe::Bench bench{};
  std::vector<Seen> seen;
  ModuleInstanceRecord* record = probeLibrary().makeModule()(0, 1, &callback, this);

  RoutineWatchingHost() { command(probe::CommandAttach); }
  ~RoutineWatchingHost() { record->dispatcher(record, DispatchStop, 0, 0, nullptr, 0.0f); }

  void command(probe::Command code) {
    record->dispatcher(record, DispatchNotice, 0, code, &bench, 0.0f);
  }

  static intptr_t NALTO_CALL callback(ModuleInstanceRecord* record, int32_t request, int32_t,
                                      int32_t, void*, float) {
    static_cast<RoutineWatchingHost*>(record->hostHandle)
        ->seen.push_back({request, record->processRoutine});
    return 0;
  }
};

enum class Installed { Empty, Main };

struct InstallCase {
  std::string name;
  bool mainFirst;
  probe::Command install;
  Installed expected;
  bool tellsHost;
};

std::ostream& operator<<(std::ostream& out, const InstallCase& c) { return out << c.name; }

class SetProcessRoutine : public testing::TestWithParam<InstallCase> {};

// The host learns of a new routine once the record already holds it, and only of a new one.
TEST_P(SetProcessRoutine, TellsTheHostOnceAfterTheRecordHoldsANewRoutine) {
  const InstallCase c = GetParam();
  RoutineWatchingHost host;
  if (c.mainFirst) host.command(probe::CommandInstallMain);
  host.seen.clear();

  host.command(c.install);

  const ProcessEntry expected =
      c.expected == Installed::Main ? host.bench.mainRoutine : host.bench.emptyRoutine;
  EXPECT_EQ(host.record->processRoutine, expected);
  if (c.tellsHost) {
    ASSERT_EQ(host.seen.size(), 1u);
    EXPECT_EQ(host.seen[0].request, HostProcessRoutineChanged);
    EXPECT_EQ(host.seen[0].routine, expected);
  } else {
    EXPECT_TRUE(host.seen.empty());
  }

  host.bench.callCount = 0;
  host.record->processRoutine(host.record->object, 8, 16);
  EXPECT_EQ(host.bench.callCount, c.expected == Installed::Main ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Routines, SetProcessRoutine,
    testing::Values(
        InstallCase{"EmptyOverEmpty", false, probe::CommandInstallEmpty, Installed::Empty, false},
        InstallCase{"NoneOverEmpty", false, probe::CommandInstallNone, Installed::Empty, false},
        InstallCase{"MainOverEmpty", false, probe::CommandInstallMain, Installed::Main, true},
        InstallCase{"MainOverMain", true, probe::CommandInstallMain, Installed::Main, false},
        InstallCase{"EmptyOverMain", true, probe::CommandInstallEmpty, Installed::Empty, true},
        InstallCase{"NoneOverMain", true, probe::CommandInstallNone, Installed::Empty, true}),
    [](const testing::TestParamInfo<InstallCase>& info) { return info.param.name; });

// Pin 0 is the followed stream input, pin 1 the output that passes its status on, pin 2 another
// input. The host stands at clock 300, 44 samples into pin 0's buffer.
struct FollowingProbe : ProbeHost {
  static constexpr int32_t kClock = 300;

  FollowingProbe() : ProbeHost({streamIn(), streamOut(), streamIn()}) {
    bench.followOnStatusChange = true;
    bench.followInput = 0;
    bench.followOutput = 1;
    start(3);
    host.setBlockStartClock(256);
    host.setSampleClock(kClock);
  }

  void settle() {
    host.setSampleClock(kClock);
    host.fill(0, 0.0f);
    host.sendPinStatus(0, StatusStatic);
    clearLogs();
  }

  // Process calls of `count` samples; for each, whether it asked to idle.
  std::vector<bool> idleAskedPerCall(int32_t calls, int32_t count) {
    std::vector<bool> asked;
    for (int32_t i = 0; i < calls; ++i) {
      host.clearLog();
      host.process(0, count);
      const auto codes = host.requestCodes();
      asked.push_back(std::count(codes.begin(), codes.end(), HostGoIdle) == 1);
    }
    return asked;
  }
};

Request statusOut(int32_t status) { return {HostSetPinStatus, 1, status, FollowingProbe::kClock}; }

const Request kBlockStartOfInput{HostGetBlockStartClock, 0, 0, 0};
const Request kSampleClock{HostGetSampleClock, 0, 0, 0};
const Request kRoutineChanged{HostProcessRoutineChanged, 0, 0, 0};

enum class Follows { Main, Settling };

struct FollowCase {
  std::string name;
  int32_t status;
  float value;
  int32_t passedOn;
  Follows routine;
};

std::ostream& operator<<(std::ostream& out, const FollowCase& c) { return out << c.name; }

class FollowStatus : public testing::TestWithParam<FollowCase> {};

TEST_P(FollowStatus, PassesTheStatusOnAndRunsOrSettlesInTheExactRequestOrder) {
  const FollowCase c = GetParam();
  FollowingProbe probe;
  probe.host.fill(0, c.value);

  probe.host.sendPinStatus(0, c.status, 9999);

  const bool running = c.routine == Follows::Main;
  const std::vector<Request> expected =
      running ? std::vector<Request>{kSampleClock, statusOut(c.passedOn), kRoutineChanged}
              : std::vector<Request>{kBlockStartOfInput, kSampleClock, kSampleClock,
                                     statusOut(c.passedOn), kRoutineChanged};
  EXPECT_EQ(probe.requests(), expected);
  EXPECT_EQ(probe.installedRoutine(),
            running ? probe.bench.mainRoutine : probe.bench.settlingRoutine);
}

constexpr float kNotANumber = std::numeric_limits<float>::quiet_NaN();
constexpr Follows kMain = Follows::Main;
constexpr Follows kSettle = Follows::Settling;

INSTANTIATE_TEST_SUITE_P(
    Inputs, FollowStatus,
    testing::Values(FollowCase{"Running", StatusRunning, 0.5f, StatusRunning, kMain},
                    FollowCase{"RunningAtZero", StatusRunning, 0.0f, StatusRunning, kMain},
                    FollowCase{"AboveRunning", 5, 0.0f, 5, kMain},
                    FollowCase{"StaticNonZero", StatusStatic, 0.5f, StatusStatic, kSettle},
                    FollowCase{"StaticNegative", StatusStatic, -0.5f, StatusStatic, kSettle},
                    FollowCase{"StaticZero", StatusStatic, 0.0f, StatusOneOff, kSettle},
                    FollowCase{"StaticNegativeZero", StatusStatic, -0.0f, StatusOneOff, kSettle},
                    FollowCase{"StaticNotANumber", StatusStatic, kNotANumber, StatusOneOff,
                               kSettle},
                    FollowCase{"OneOffNonZero", StatusOneOff, 0.5f, StatusOneOff, kSettle},
                    FollowCase{"OneOffZero", StatusOneOff, 0.0f, StatusOneOff, kSettle}),
    [](const testing::TestParamInfo<FollowCase>& info) { return info.param.name; });

TEST(FollowStatus, SendsNoRoutineChangeWhenTheRoutineStaysTheSame) {
  FollowingProbe probe;
  probe.host.sendPinStatus(0, StatusRunning);
  probe.clearLogs();
  probe.host.sendPinStatus(0, StatusRunning);
  EXPECT_EQ(probe.requests(), (std::vector<Request>{kSampleClock, statusOut(StatusRunning)}));

  probe.settle();
  probe.host.sendPinStatus(0, StatusStatic);
  EXPECT_EQ(probe.requests(), (std::vector<Request>{kBlockStartOfInput, kSampleClock, kSampleClock,
                                                    statusOut(StatusOneOff)}));
}

struct CountdownCase {
  int32_t blockSize;
  int32_t callSize;
  std::vector<bool> idleAsked;
};

class SettleThenIdle : public testing::TestWithParam<CountdownCase> {};

// Asks to idle in the call that brings the countdown from the block size to 0 or below, and in
// every call after it, while running the main routine in each.
TEST_P(SettleThenIdle, AsksToIdleOnceABlockSizeOfSamplesHasRunAndEveryCallAfter) {
  const CountdownCase c = GetParam();
  FollowingProbe probe;
  probe.host.setBlockSize(c.blockSize);
  probe.settle();

  EXPECT_EQ(probe.idleAskedPerCall(static_cast<int32_t>(c.idleAsked.size()), c.callSize),
            c.idleAsked);

  const auto runs = probe.calls(Operation::MainRoutine);
  ASSERT_EQ(runs.size(), c.idleAsked.size());
  for (const probe::Call& run : runs) {
    EXPECT_EQ(run.second, c.callSize);
    EXPECT_EQ(run.pointer, probe.host.record()->object);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, SettleThenIdle,
    testing::Values(CountdownCase{1024, 256, {false, false, false, true, true, true}},
                    CountdownCase{1000, 256, {false, false, false, true, true}},
                    CountdownCase{1025, 256, {false, false, false, false, true}},
                    CountdownCase{1024, 1024, {true, true}}, CountdownCase{0, 256, {true, true}}));

TEST(SettleThenIdle, AStatusChangeOnAnotherPinFollowsAgainAndRestartsTheCountdown) {
  FollowingProbe probe;
  probe.settle();
  EXPECT_EQ(probe.idleAskedPerCall(3, 256), (std::vector<bool>{false, false, false}));

  probe.clearLogs();
  probe.host.setSampleClock(FollowingProbe::kClock);
  probe.host.sendPinStatus(2, StatusRunning);
  EXPECT_EQ(probe.requests(), (std::vector<Request>{kBlockStartOfInput, kSampleClock, kSampleClock,
                                                    statusOut(StatusOneOff)}));

  EXPECT_EQ(probe.idleAskedPerCall(5, 256), (std::vector<bool>{false, false, false, true, true}));
}

// A host that never idles the module keeps calling far beyond the range of the countdown.
TEST(SettleThenIdle, KeepsAskingWithoutTheCountdownWrappingRound) {
  FollowingProbe probe;
  probe.settle();
  const std::vector<bool> asked = probe.idleAskedPerCall(2100, 1 << 20);
  EXPECT_EQ(std::count(asked.begin(), asked.end(), true), 2100);

  probe.settle();
  EXPECT_EQ(probe.idleAskedPerCall(4, 256), (std::vector<bool>{false, false, false, true}));
}

struct UnreachableCase {
  std::string name;
  int32_t hostPins;
  int32_t input;
  int32_t output;
};

std::ostream& operator<<(std::ostream& out, const UnreachableCase& c) { return out << c.name; }

class FollowStatusWithoutLinks : public testing::TestWithParam<UnreachableCase> {};

TEST_P(FollowStatusWithoutLinks, DoesNothing) {
  const UnreachableCase c = GetParam();
  ProbeHost probe({streamIn(), streamOut()});
  probe.bench.followInput = c.input;
  probe.bench.followOutput = c.output;
  probe.start(c.hostPins);

  probe.command(probe::CommandFollowStatus);

  EXPECT_TRUE(probe.host.requests().empty());
  EXPECT_EQ(probe.installedRoutine(), probe.bench.emptyRoutine);
}

INSTANTIATE_TEST_SUITE_P(Pins, FollowStatusWithoutLinks,
                         testing::Values(UnreachableCase{"NoHostPins", 0, 0, 1},
                                         UnreachableCase{"OutputBeyondHostPins", 1, 0, 1},
                                         UnreachableCase{"InputBeyondHostPins", 1, 1, 0},
                                         UnreachableCase{"NegativeOutput", 2, 0, -1},
                                         UnreachableCase{"OutputBeyondTable", 2, 0, 2}),
                         [](const testing::TestParamInfo<UnreachableCase>& info) {
                           return info.param.name;
                         });

TEST(RealTimePaths, AllocateNothing) {
  FollowingProbe probe;
  probe.host.sendPinStatus(0, StatusRunning);
  probe.host.processBlock(256);
  probe.host.sendMidi(10, 0x7F3C90, 1);
  probe.host.fill(0, 0.0f);
  probe.host.sendPinStatus(0, StatusStatic);
  for (int32_t i = 0; i < 6; ++i) probe.host.processBlock(256);
  HostEvent run{};
  run.type = EventRunRoutine;
  run.argument = reinterpret_cast<intptr_t>(probe.bench.runRoutine);
  probe.host.sendEvent(run);
  probe.host.sendPinStatus(7, StatusRunning);

  EXPECT_EQ(probe.calls(Operation::MainRoutine).size(), 7u);
  EXPECT_EQ(probe.host.realtimeAllocations(), 0);
}

// Proves the count above would see a module's allocation.
TEST(RealTimePaths, AnAllocationInAProcessRoutineIsCounted) {
  ProbeHost probe;
  probe.command(probe::CommandInstallMain);
  probe.bench.allocateInProcess = true;
  probe.host.processBlock(64);
  EXPECT_EQ(probe.host.realtimeAllocations(), 1);
}

}  // namespace
}  // namespace probe_test
