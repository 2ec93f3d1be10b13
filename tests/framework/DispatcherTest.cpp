// The dispatcher entry: which operation each opcode runs, with which arguments, and its answer.
#include <gtest/gtest.h>

#include <string>

#include "framework/ProbeHost.h"

namespace probe_test {
namespace {

const char* const kHostText = "the host's own";

PinDescription hostFilledDescription() {
  PinDescription description{};
  description.defaultText = kHostText;
  description.listText = kHostText;
  description.reserved = -7;
  return description;
}

struct OpcodeCase {
  std::string name;
  int32_t opcode;
  int32_t index;
  int32_t value;
  float opt;
  int32_t answer;
  Operation ran;
  int32_t first;   // the operation's first recorded argument
  int32_t second;  // the operation's second recorded argument
};

std::ostream& operator<<(std::ostream& out, const OpcodeCase& c) { return out << c.name; }

class DispatcherOpcode : public testing::TestWithParam<OpcodeCase> {};

TEST_P(DispatcherOpcode, RunsItsOperationWithItsArgumentsAndAnswers) {
  const OpcodeCase c = GetParam();
  ProbeHost probe({streamIn()});
  probe.clearLogs();
  PinDescription description = hostFilledDescription();

  EXPECT_EQ(probe.host.dispatch(c.opcode, c.index, c.value, &description, c.opt), c.answer);

  const auto ran = probe.calls(c.ran);
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0].first, c.first);
  EXPECT_EQ(ran[0].second, c.second);
}

INSTANTIATE_TEST_SUITE_P(
    Listed, DispatcherOpcode,
    testing::Values(OpcodeCase{"Start", DispatchStart, 5, 6, 7.0f, 0, Operation::Start, 0, 0},
                    OpcodeCase{"Stop", DispatchStop, 5, 6, 7.0f, 1, Operation::Stop, 0, 0},
                    OpcodeCase{"BlockSizeFromValue", DispatchSetBlockSize, 5, 512, 7.0f, 0,
                               Operation::SetBlockSize, 512, 0},
                    OpcodeCase{"DescribedPin", DispatchDescribePin, 0, 6, 7.0f, 1,
                               Operation::DescribePin, 0, 0},
                    OpcodeCase{"UndescribedPin", DispatchDescribePin, 1, 6, 7.0f, 0,
                               Operation::DescribePin, 1, 0},
                    OpcodeCase{"NegativePin", DispatchDescribePin, -1, 6, 7.0f, 0,
                               Operation::DescribePin, -1, 0},
                    OpcodeCase{"Wake", DispatchWake, 5, 6, 7.0f, 0, Operation::Wake, 0, 0},
                    OpcodeCase{"NoticeValueThenIndex", DispatchNotice, 5, 6, 7.0f, 0,
                               Operation::HostNotice, 6, 5}),
    [](const testing::TestParamInfo<OpcodeCase>& info) { return info.param.name; });

class DispatcherUnknownOpcode : public testing::TestWithParam<int32_t> {};

TEST_P(DispatcherUnknownOpcode, DoesNothingAndAnswersZero) {
  ProbeHost probe({streamIn()});
  probe.start(1);
  PinDescription description = hostFilledDescription();

  EXPECT_EQ(probe.host.dispatch(GetParam(), 0, 512, &description, 96000.0f), 0);

  EXPECT_EQ(probe.bench.callCount, 0);
  EXPECT_TRUE(probe.host.requests().empty());
  EXPECT_EQ(description.defaultText, kHostText);
  EXPECT_EQ(description.valueAddress, nullptr);
  probe.command(probe::CommandInspectCore);
  EXPECT_EQ(probe.bench.sampleRate, 44100.0f);
  EXPECT_EQ(probe.bench.blockSize, 1024);
}

INSTANTIATE_TEST_SUITE_P(Opcodes, DispatcherUnknownOpcode,
                         testing::Values(4, 5, 7, 9, 10, 11, 13, 14, 21, 22, 255, -1, -2, INT32_MIN,
                                         INT32_MAX));

TEST(DispatchSetSampleRate, TakesTheRateFromOptNotValue) {
  ProbeHost probe;
  probe.clearLogs();
  EXPECT_EQ(probe.host.dispatch(DispatchSetSampleRate, 48000, 48000, nullptr, 96000.0f), 0);
  ASSERT_EQ(probe.calls(Operation::SetSampleRate).size(), 1u);
  EXPECT_EQ(probe.calls(Operation::SetSampleRate)[0].rate, 96000.0f);
  probe.command(probe::CommandInspectCore);
  EXPECT_EQ(probe.bench.sampleRate, 96000.0f);
}

TEST(DispatchDescribePin, FillsTheHostsDescriptionWithoutClearingItFirst) {
  ProbeHost probe({{DirectionOut, DataList, 0, true}});
  PinDescription description = hostFilledDescription();
  ASSERT_EQ(probe.host.dispatch(DispatchDescribePin, 0, 0, &description), 1);
  EXPECT_EQ(description.valueAddress, &probe.bench.variables[0]);
  EXPECT_EQ(description.direction, DirectionOut);
  EXPECT_EQ(description.dataType, DataList);
  EXPECT_EQ(description.defaultText, kHostText);
  EXPECT_EQ(description.listText, kHostText);
  EXPECT_EQ(description.reserved, -7);
}

TEST(DispatchDescribePin, WithoutADescriptionAnswersZero) {
  ProbeHost probe({streamIn()});
  EXPECT_EQ(probe.host.dispatch(DispatchDescribePin, 0, 0, nullptr), 0);
}

TEST(DispatchStop, RunsStopThenDestroysTheObjectAndAnswersOne) {
  ProbeHost probe({streamIn()});
  probe.start(1);
  EXPECT_EQ(probe.host.dispatch(DispatchStop), 1);
  ASSERT_EQ(probe.bench.callCount, 2);
  EXPECT_EQ(probe.bench.calls[0].operation, Operation::Stop);
  EXPECT_EQ(probe.bench.calls[1].operation, Operation::Destroy);
  EXPECT_FALSE(probe.host.alive());
}

}  // namespace
}  // namespace probe_test
