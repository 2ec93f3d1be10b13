#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "StepGateHost.h"
#include "nalto/HostRequest.h"

namespace nalto::host {
// Found by argument lookup when the tests compare what the module sent.
bool operator==(const SentMessage& a, const SentMessage& b) {
  return a.pin == b.pin && a.value == b.value && a.clock == b.clock;
}
}  // namespace nalto::host

namespace stepgate_test {
namespace {

using nalto::host::SentMessage;

class StepGateStatus : public StepGateTest {
 protected:
  StepGateStatus() {
    mainRoutine = host.record()->processRoutine;
    host.setSampleClock(500);
  }
  // Sends `status` for `pin` and answers the statuses the module sent back.
  std::vector<SentMessage> statusChange(int32_t pin, int32_t status) {
    host.clearLog();
    host.sendPinStatus(pin, status);
    return host.statusesSent();
  }
  bool runsMainRoutine() const { return host.record()->processRoutine == mainRoutine; }
  int32_t idleRequests() const {
    int32_t idles = 0;
    for (int32_t code : host.requestCodes()) idles += code == HostGoIdle;
    return idles;
  }

  ProcessEntry mainRoutine = nullptr;
};

struct InputCase {
  const char* name;
  int32_t status;
  float value;
  int32_t outputStatus;
  bool running;
};

class StepGateInputStatus : public StepGateStatus,
                            public ::testing::WithParamInterface<InputCase> {};

TEST_P(StepGateInputStatus, OutputFollowsTheInputsStatus) {
  const InputCase& input = GetParam();
  host.fill(Input, input.value);
  EXPECT_EQ(statusChange(Input, input.status),
            (std::vector<SentMessage>{{Output, input.outputStatus, 500}}));
  EXPECT_EQ(runsMainRoutine(), input.running);
  if (input.running)
    EXPECT_EQ(host.requestCodes(), (std::vector<int32_t>{HostGetSampleClock, HostSetPinStatus}));
  else
    EXPECT_EQ(host.requestCodes(),
              (std::vector<int32_t>{HostGetBlockStartClock, HostGetSampleClock, HostGetSampleClock,
                                    HostSetPinStatus, HostProcessRoutineChanged}));
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, StepGateInputStatus,
    ::testing::Values(InputCase{"Running", StatusRunning, 0.0f, StatusRunning, true},
                      InputCase{"RunningAboveTwo", 3, 0.5f, 3, true},
                      InputCase{"StaticNotZero", StatusStatic, 0.5f, StatusStatic, false},
                      InputCase{"StaticZero", StatusStatic, 0.0f, StatusOneOff, false},
                      InputCase{"StaticNotANumber", StatusStatic,
                                std::numeric_limits<float>::quiet_NaN(), StatusOneOff, false},
                      InputCase{"OneOff", StatusOneOff, 0.5f, StatusOneOff, false}),
    [](const ::testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

TEST_F(StepGateStatus, AChangeOnAnyPinResendsTheStatusFromInput) {
  statusChange(Input, StatusRunning);
  for (int32_t pin = 1; pin < PinCount; ++pin) {
    EXPECT_EQ(statusChange(pin, StatusStatic), (std::vector<SentMessage>{{Output, 2, 500}}))
        << "pin " << pin;
    EXPECT_TRUE(runsMainRoutine());
  }

  host.fill(Input, 0.5f);
  statusChange(Input, StatusStatic);
  for (int32_t pin = 1; pin < PinCount; ++pin) {
    EXPECT_EQ(statusChange(pin, StatusRunning), (std::vector<SentMessage>{{Output, 0, 500}}))
        << "pin " << pin;
    EXPECT_FALSE(runsMainRoutine());
  }
}

TEST_F(StepGateStatus, SettlingAsksToIdleOnceOneBlockSizeHasPassed) {
  struct Case {
    int32_t blockSize;
    int32_t callCount;
    int32_t firstIdleCall;
  };
  for (const Case& c : {Case{1024, 256, 4}, Case{100, 30, 4}, Case{64, 64, 1}}) {
    SCOPED_TRACE("block size " + std::to_string(c.blockSize));
    host.setBlockSize(c.blockSize);
    statusChange(Input, StatusStatic);
    for (int32_t call = 1; call <= c.firstIdleCall + 2; ++call) {
      host.clearLog();
      host.processBlock(c.callCount);
      EXPECT_EQ(idleRequests(), call >= c.firstIdleCall ? 1 : 0) << "call " << call;
      EXPECT_EQ(host.requestCodes().size(), static_cast<size_t>(idleRequests()));
    }
  }
}

TEST_F(StepGateStatus, AnyStatusChangeRestartsTheCountdown) {
  statusChange(Input, StatusStatic);
  for (int32_t call = 0; call < 3; ++call) host.processBlock(256);
  statusChange(stepPin(4), StatusRunning);
  host.clearLog();
  for (int32_t call = 0; call < 3; ++call) host.processBlock(256);
  EXPECT_EQ(idleRequests(), 0);
  host.processBlock(256);
  EXPECT_EQ(idleRequests(), 1);
}

TEST_F(StepGateStatus, SettlingStillGatesTheSteps) {
  statusChange(Input, StatusStatic);
  EXPECT_EQ(pulses(1).output, 1.0f);
  EXPECT_EQ(pulses(1).output, 2.0f);
}

TEST_F(StepGateStatus, ARunningInputNeverAsksToIdle) {
  statusChange(Input, StatusRunning);
  host.clearLog();
  for (int32_t call = 0; call < 8; ++call) host.processBlock(1024);
  EXPECT_EQ(host.requestCodes(), std::vector<int32_t>{});
}

}  // namespace
}  // namespace stepgate_test
