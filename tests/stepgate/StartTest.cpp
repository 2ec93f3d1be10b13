#include <gtest/gtest.h>

#include <vector>

#include "StepGateHost.h"
#include "nalto/DispatchOpcode.h"
#include "nalto/HostRequest.h"

namespace stepgate_test {
namespace {

using nalto::host::HostInstance;

TEST(StepGateStart, AsksForPinsThenInstallsItsRoutineThenSendsTheStartupQuery) {
  HostInstance host(stepGateLibrary());
  ASSERT_TRUE(host.made());
  const ProcessEntry empty = host.record()->processRoutine;
  host.clearLog();
  host.start();

  EXPECT_EQ(host.requestCodes(),
            (std::vector<int32_t>{HostGetPinCount, HostProcessRoutineChanged, HostStartupQuery}));
  const auto& query = host.requests().back();
  EXPECT_EQ(query.index, 0);
  EXPECT_EQ(query.value, 0);
  EXPECT_NE(query.pointer, 0);  // the host fills 100 bytes there; the sanitizer checks the size
  EXPECT_EQ(query.opt, 0.0f);
  EXPECT_NE(host.record()->processRoutine, empty);
}

TEST(StepGateStart, NothingIsProcessedBeforeStart) {
  HostInstance host(stepGateLibrary());
  ASSERT_TRUE(host.made());
  host.fill(Input, kHigh);
  host.fill(ResetInput, kReleased);
  host.fill(Output, 7.0f);
  host.processBlock(64);
  EXPECT_EQ(host.buffer(Output)[0], 7.0f);
}

TEST(StepGateStart, WorksOnWithoutACallback) {
  ASSERT_TRUE(stepGateLibrary().loaded());
  ModuleInstanceRecord* record =
      stepGateLibrary().makeModule()(0, ModuleKindInstance, nullptr, nullptr);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->dispatcher(record, DispatchStart, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(record->dispatcher(record, DispatchStop, 0, 0, nullptr, 0.0f), 1);
}

using StepGateStarted = StepGateTest;

TEST_F(StepGateStarted, StartsAtStepZeroWithTheStaircaseAtZero) {
  const Frame idle = sample(kLow);
  EXPECT_EQ(bitsOf(idle.output), 0u);
  EXPECT_EQ(bitsOf(idle.stair), 0u);

  const Frame first = sample(kHigh);
  EXPECT_EQ(first.output, 1.0f);
  EXPECT_EQ(bitsOf(first.stair), 0x3DCCCCCDu);
}

}  // namespace
}  // namespace stepgate_test
