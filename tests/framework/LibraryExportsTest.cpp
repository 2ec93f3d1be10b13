// The two exports and the instance record they hand out, reached as a host reaches them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/ProbeHost.h"
#include "nalto/host/AllocationCounter.h"

namespace probe_test {
namespace {

const char* const kHostText = "the host's own";

ModuleInfoRecord hostFilledInfo() {
  ModuleInfoRecord info;
  info.name = kHostText;
  info.identifier = kHostText;
  info.aboutText = kHostText;
  info.hostOwnedA = &info;
  info.hostOwnedB = &info;
  info.sdkVersion = -1;
  return info;
}

TEST(GetModuleProperties, IndexZeroFillsNameIdentifierAboutAndVersion) {
  ModuleInfoRecord info = hostFilledInfo();
  ASSERT_EQ(probeLibrary().getModuleProperties()(0, &info), 1);
  EXPECT_STREQ(info.name, "Nalto Probe");
  EXPECT_STREQ(info.identifier, "Nalto Probe");
  EXPECT_NE(std::string(info.aboutText).find('\n'), std::string::npos);
  EXPECT_EQ(info.sdkVersion, 2120);
  EXPECT_EQ(info.hostOwnedA, &info);
  EXPECT_EQ(info.hostOwnedB, &info);
}

class GetModulePropertiesOtherIndex : public testing::TestWithParam<int32_t> {};

TEST_P(GetModulePropertiesOtherIndex, AnswersZeroAndWritesOnlyTheVersion) {
  ModuleInfoRecord info = hostFilledInfo();
  EXPECT_EQ(probeLibrary().getModuleProperties()(GetParam(), &info), 0);
  EXPECT_EQ(info.sdkVersion, 2120);
  EXPECT_EQ(info.name, kHostText);
  EXPECT_EQ(info.identifier, kHostText);
  EXPECT_EQ(info.aboutText, kHostText);
  EXPECT_EQ(info.hostOwnedA, &info);
  EXPECT_EQ(info.hostOwnedB, &info);
}

INSTANTIATE_TEST_SUITE_P(Indexes, GetModulePropertiesOtherIndex,
                         testing::Values(1, 2, -1, INT32_MIN, INT32_MAX));

struct MakeCase {
  int32_t index;
  int32_t kind;
};

class MakeModuleRefuses : public testing::TestWithParam<MakeCase> {};

TEST_P(MakeModuleRefuses, AnswersNullForAnyIndexButZeroOrKindButOne) {
  const MakeCase c = GetParam();
  EXPECT_EQ(probeLibrary().makeModule()(c.index, c.kind, nullptr, nullptr), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Arguments, MakeModuleRefuses,
                         testing::Values(MakeCase{0, 2}, MakeCase{1, 1}, MakeCase{0, 0},
                                         MakeCase{-1, 1}, MakeCase{0, -1}, MakeCase{1, 2}));

TEST(MakeModule, AnswersNullWithoutThrowingWhenTheObjectCannotBeAllocated) {
  ModuleInstanceRecord* record = reinterpret_cast<ModuleInstanceRecord*>(1);
  {
    nalto::host::OutOfMemory outOfMemory;
    EXPECT_NO_THROW(record = probeLibrary().makeModule()(0, 1, nullptr, nullptr));
  }
  EXPECT_EQ(record, nullptr);
}

TEST(MakeModule, EveryCallMakesAnIndependentInstance) {
  ProbeHost first;
  ProbeHost second;
  EXPECT_NE(first.host.record(), second.host.record());
  EXPECT_NE(first.bench.object, second.bench.object);
  first.host.setBlockSize(64);
  second.command(probe::CommandInspectCore);
  EXPECT_EQ(second.bench.blockSize, 1024);
}

template <class Field>
Field fieldAt(const ModuleInstanceRecord* record, size_t offset) {
  Field value;
  std::memcpy(&value, reinterpret_cast<const unsigned char*>(record) + offset, sizeof value);
  return value;
}

// The record's layout, checked byte by byte: on the host's 32-bit platform every address is
// 4 bytes and the record is 48 bytes; 64-bit builds keep the order with 8-byte addresses.
TEST(InstanceRecord, HoldsMagicVersionHandleObjectZeroEntriesAndSixteenZeroBytesInOrder) {
  int hostHandle = 0;
  ModuleInstanceRecord* record = probeLibrary().makeModule()(0, 1, nullptr, &hostHandle);
  ASSERT_NE(record, nullptr);
  probe::Bench bench{};
  record->dispatcher(record, DispatchNotice, 0, probe::CommandAttach, &bench, 0.0f);

  constexpr size_t address = sizeof(void*);
  EXPECT_EQ(sizeof(ModuleInstanceRecord), 8 + 6 * address + 16);
  EXPECT_EQ(fieldAt<uint32_t>(record, 0), 0x5345507Bu);
  const unsigned char magicBytes[4] = {0x7B, 0x50, 0x45, 0x53};
  EXPECT_EQ(std::memcmp(record, magicBytes, 4), 0);
  EXPECT_EQ(fieldAt<int32_t>(record, 4), 1);
  EXPECT_EQ(fieldAt<void*>(record, 8), &hostHandle);
  EXPECT_EQ(fieldAt<void*>(record, 8 + address), bench.object);
  EXPECT_EQ(fieldAt<void*>(record, 8 + 2 * address), nullptr);
  EXPECT_EQ(fieldAt<DispatcherEntry>(record, 8 + 3 * address), record->dispatcher);
  EXPECT_NE(record->dispatcher, nullptr);
  EXPECT_EQ(fieldAt<ProcessEntry>(record, 8 + 4 * address), bench.emptyRoutine);
  EXPECT_NE(fieldAt<EventEntry>(record, 8 + 5 * address), nullptr);
  const unsigned char zeros[16] = {};
  EXPECT_EQ(std::memcmp(reinterpret_cast<unsigned char*>(record) + 8 + 6 * address, zeros, 16), 0);

  EXPECT_EQ(record->dispatcher(record, DispatchStop, 0, 0, nullptr, 0.0f), 1);
}

TEST(FreshInstance, RunsTheEmptyRoutineAtTheDefaultRateAndBlockSize) {
  ProbeHost probe;
  probe.command(probe::CommandInspectCore);
  EXPECT_EQ(probe.bench.sampleRate, 44100.0f);
  EXPECT_EQ(probe.bench.blockSize, 1024);
  EXPECT_EQ(probe.installedRoutine(), probe.bench.emptyRoutine);

  probe.clearLogs();
  probe.host.process(0, 64);
  EXPECT_EQ(probe.bench.callCount, 0);
  EXPECT_TRUE(probe.host.requests().empty());
}

// A module made without a callback works on: every request answers 0, so it finds no pins.
TEST(NoCallback, StartFindsNoPinsAndRoutinesStillChange) {
  ModuleInstanceRecord* record = probeLibrary().makeModule()(0, 1, nullptr, nullptr);
  ASSERT_NE(record, nullptr);
  probe::Bench bench{};
  auto notice = [&](int32_t command, int32_t pin = 0) {
    record->dispatcher(record, DispatchNotice, pin, command, &bench, 0.0f);
  };
  notice(probe::CommandAttach);
  bench.describedPins = 2;
  bench.pins[0] = streamIn();
  bench.pins[1] = streamOut();
  bench.callCount = 0;

  record->dispatcher(record, DispatchStart, 0, 0, nullptr, 0.0f);
  std::vector<int32_t> asked;
  for (int32_t i = 0; i < bench.callCount; ++i)
    if (bench.calls[i].operation == Operation::DescribePin) asked.push_back(bench.calls[i].first);
  EXPECT_EQ(asked, (std::vector<int32_t>{0, -1}));

  bench.link.present = true;
  notice(probe::CommandInspectPin, 0);
  EXPECT_FALSE(bench.link.present);

  bench.followInput = 0;
  bench.followOutput = 1;
  notice(probe::CommandFollowStatus);
  EXPECT_EQ(record->processRoutine, bench.emptyRoutine);

  notice(probe::CommandInstallMain);
  EXPECT_EQ(record->processRoutine, bench.mainRoutine);
  record->dispatcher(record, DispatchStop, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace probe_test
