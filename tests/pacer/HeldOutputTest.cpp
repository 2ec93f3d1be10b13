// The held output on its own, owned by a small module with a few stream pins.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "HeldOutput.h"
#include "nalto/HostRequest.h"
#include "nalto/ModuleCore.h"

namespace {

using nalto::HeldOutput;

constexpr float kUnwritten = -7.0f;  // what the test buffer holds where the holder wrote nothing
constexpr int32_t kOwnerPins = 3;
constexpr int32_t kHolderPin = 2;

struct Status {
  int32_t pin;
  int32_t status;
  int32_t clock;
  bool operator==(const Status& other) const {
    return pin == other.pin && status == other.status && clock == other.clock;
  }
};

// A module with `hostPins` stream pins and a host that logs the statuses it is sent.
class Owner : public nalto::ModuleCore {
 public:
  explicit Owner(int32_t hostPins, bool withCallback = true)
      : ModuleCore(withCallback ? &answer : nullptr, nullptr), hostPins_(hostPins) {
    start();
  }

  bool describePin(int32_t index, PinDescription& description) override {
    if (index < 0 || index >= kOwnerPins) return false;
    description.direction = DirectionOut;
    description.dataType = DataStream;
    return true;
  }

  std::vector<Status> statuses;

 private:
  static intptr_t NALTO_CALL answer(ModuleInstanceRecord* record, int32_t request, int32_t index,
                                    int32_t value, void* pointer, float) {
    auto& owner = static_cast<Owner&>(*static_cast<ModuleCore*>(record->object));
    if (request == HostGetPinCount) return owner.hostPins_;
    if (request == HostSetPinStatus)
      owner.statuses.push_back(
          {index, value, static_cast<int32_t>(reinterpret_cast<intptr_t>(pointer))});
    return 0;
  }

  int32_t hostPins_;
};

class HeldOutputTest : public ::testing::Test {
 protected:
  explicit HeldOutputTest(int32_t hostPins = kOwnerPins) : owner(hostPins) { connect(holder); }

  void connect(HeldOutput& output) { *output.bufferVariable() = buffer.data(); }
  // Clears the buffer, fills, and answers how many samples from `offset` on hold `value`.
  int32_t written(int32_t offset, int32_t count, HeldOutput& output) {
    buffer.assign(buffer.size(), kUnwritten);
    output.fill(offset, count);
    int32_t n = 0;
    for (float sample : buffer) n += sample != kUnwritten ? 1 : 0;
    return n;
  }
  int32_t written(int32_t offset, int32_t count) { return written(offset, count, holder); }

  std::vector<float> buffer = std::vector<float>(256, kUnwritten);
  Owner owner;
  HeldOutput holder{owner, kHolderPin};
};

TEST_F(HeldOutputTest, WritesTheInitialZeroIntoTheFirst200SamplesWhateverTheBlockSize) {
  owner.setBlockSize(16);
  EXPECT_EQ(written(0, 64), 64);
  EXPECT_EQ(buffer[0], 0.0f);
  EXPECT_EQ(buffer[63], 0.0f);
  EXPECT_EQ(written(0, 64), 64);
  EXPECT_EQ(written(0, 64), 64);
  EXPECT_EQ(written(0, 64), 8);
  EXPECT_EQ(buffer[7], 0.0f);
  EXPECT_EQ(buffer[8], kUnwritten);
  EXPECT_EQ(written(0, 64), 0);
  EXPECT_TRUE(owner.statuses.empty());
}

TEST_F(HeldOutputTest, FillWithNoSamplesLeavesTheCountAlone) {
  EXPECT_EQ(written(0, 0), 0);
  EXPECT_EQ(written(0, 200), 200);
  EXPECT_EQ(written(0, 1), 0);
}

TEST_F(HeldOutputTest, ChangeSendsOneOffStatusAndWritesOneBlockAcrossTwoCalls) {
  owner.setBlockSize(16);
  written(0, 200);
  holder.set(4711, 0.5f);
  EXPECT_EQ(holder.value(), 0.5f);
  EXPECT_EQ(owner.statuses, (std::vector<Status>{{kHolderPin, StatusOneOff, 4711}}));

  EXPECT_EQ(written(5, 11), 11);
  for (int32_t i = 5; i < 16; ++i) EXPECT_EQ(buffer[i], 0.5f) << i;
  EXPECT_EQ(written(0, 16), 5);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(buffer[i], 0.5f) << i;
  EXPECT_EQ(written(0, 16), 0);
}

TEST_F(HeldOutputTest, ValuesThatCompareEqualChangeNothing) {
  owner.setBlockSize(16);
  written(0, 190);  // 10 samples of the initial value still owed
  for (float same : {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN()}) holder.set(9, same);
  EXPECT_TRUE(owner.statuses.empty());
  EXPECT_EQ(std::signbit(holder.value()), false);
  EXPECT_EQ(written(0, 64), 10);

  holder.set(10, 0.5f);
  holder.set(11, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(holder.value(), 0.5f);
  EXPECT_EQ(owner.statuses.size(), 1u);
}

TEST_F(HeldOutputTest, SameValueAgainKeepsTheRunningCount) {
  owner.setBlockSize(16);
  written(0, 200);
  holder.set(1, 1.0f);
  EXPECT_EQ(written(0, 10), 10);
  holder.set(2, 1.0f);
  EXPECT_EQ(written(0, 64), 6);
}

TEST_F(HeldOutputTest, SecondChangeInOneBlockSendsItsOwnStatusAndRestartsTheCount) {
  owner.setBlockSize(16);
  written(0, 200);
  holder.set(100, 0.5f);
  EXPECT_EQ(written(0, 10), 10);
  holder.set(110, 0.0f);
  EXPECT_EQ(owner.statuses, (std::vector<Status>{{kHolderPin, StatusOneOff, 100},
                                                 {kHolderPin, StatusOneOff, 110}}));
  EXPECT_EQ(written(10, 64), 16);
  EXPECT_EQ(buffer[10], 0.0f);
}

TEST_F(HeldOutputTest, NegativeBlockSizeOrSampleCountWritesNothing) {
  EXPECT_EQ(written(0, -5), 0);
  EXPECT_EQ(written(0, 200), 200);
  owner.setBlockSize(-3);
  holder.set(1, 0.5f);
  EXPECT_EQ(written(0, 64), 0);
}

TEST_F(HeldOutputTest, WithoutABufferNothingIsWrittenAndNothingBreaks) {
  HeldOutput unconnected{owner, 0};
  unconnected.fill(0, 64);
  unconnected.set(3, 0.5f);
  unconnected.fill(0, 64);
  EXPECT_EQ(unconnected.value(), 0.5f);
}

// A pin the host does not have, or a host without a callback: the value is held and written, and
// no status goes anywhere.
struct UnlinkedCase {
  const char* name;
  int32_t hostPins;
  bool withCallback;
};

class UnlinkedHeldOutputTest : public ::testing::TestWithParam<UnlinkedCase> {};

TEST_P(UnlinkedHeldOutputTest, HoldsAndWritesButSendsNoStatus) {
  Owner owner(GetParam().hostPins, GetParam().withCallback);
  owner.setBlockSize(8);
  std::vector<float> buffer(256, kUnwritten);
  HeldOutput holder{owner, kHolderPin};
  *holder.bufferVariable() = buffer.data();
  holder.fill(0, 200);
  holder.set(50, 0.5f);
  holder.fill(0, 64);
  EXPECT_EQ(holder.value(), 0.5f);
  EXPECT_EQ(buffer[7], 0.5f);
  EXPECT_EQ(buffer[8], 0.0f);
  EXPECT_TRUE(owner.statuses.empty());
}

INSTANTIATE_TEST_SUITE_P(Links, UnlinkedHeldOutputTest,
                         ::testing::Values(UnlinkedCase{"FewerHostPins", kHolderPin, true},
                                           UnlinkedCase{"NoHostPins", 0, true},
                                           UnlinkedCase{"NoCallback", 3, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
