// The scans that process routines use to find their changes: they must find exactly the hits,
// wherever they lie relative to the chunks, and never read outside their range.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "nalto/SampleScan.h"

namespace {

// A test over a row of set and unset samples that remembers which indexes it was asked about.
class WatchedSamples {
 public:
  explicit WatchedSamples(std::vector<bool> set) : set_(std::move(set)) {}

  auto test() {
    return [this](int32_t i) {
      lowest_ = i < lowest_ ? i : lowest_;
      highest_ = i > highest_ ? i : highest_;
      return static_cast<bool>(set_[static_cast<size_t>(i)]);
    };
  }

  // Whether every index asked about lies in [from, to).
  ::testing::AssertionResult readOnlyWithin(int32_t from, int32_t to) const {
    if (lowest_ > highest_ || (lowest_ >= from && highest_ < to))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "read " << lowest_ << ".." << highest_ << " for the range " << from << ".." << to;
  }

 private:
  std::vector<bool> set_;
  int32_t lowest_ = INT32_MAX;
  int32_t highest_ = INT32_MIN;
};

// The first index in [from, to) that is set, one by one.
int32_t firstSetPlainly(const std::vector<bool>& set, int32_t from, int32_t to) {
  for (int32_t i = from; i < to; ++i)
    if (set[static_cast<size_t>(i)]) return i;
  return to;
}

TEST(SampleScan, FindsTheFirstHitForEveryRangeAndEveryHitPosition) {
  constexpr int32_t kLength = 140;  // more than four chunks
  for (int32_t from : {0, 1, 5, 31, 32, 33}) {
    for (int32_t to = from; to <= kLength; ++to) {
      // No hit, one hit at each position, and a second hit after it.
      for (int32_t hit = from - 1; hit < to; ++hit) {
        std::vector<bool> set(kLength, false);
        if (hit >= from) set[static_cast<size_t>(hit)] = true;
        if (hit >= from && hit + 3 < to) set[static_cast<size_t>(hit + 3)] = true;
        WatchedSamples samples(set);
        ASSERT_EQ(nalto::firstSampleWhere(from, to, samples.test()), firstSetPlainly(set, from, to))
            << "range " << from << ".." << to << ", hit at " << hit;
        EXPECT_TRUE(samples.readOnlyWithin(from, to));
      }
    }
  }
}

// A chunk's mask: one bit per sample of the chunk, none beyond its length, and only the chunk's
// samples read, for whole chunks (the vectorised form) and shorter ones alike.
TEST(SampleScan, MasksExactlyTheSamplesOfAChunk) {
  constexpr int32_t kLength = 80;
  std::vector<bool> set(kLength);
  for (int32_t i = 0; i < kLength; ++i) set[static_cast<size_t>(i)] = (i * 7 + i / 3) % 5 < 2;
  for (int32_t at : {0, 3, 32, 48}) {
    for (int32_t length = 0; length <= nalto::kScanChunk; ++length) {
      uint32_t expected = 0;
      for (int32_t k = 0; k < length; ++k)
        if (set[static_cast<size_t>(at + k)]) expected |= 1u << k;
      WatchedSamples samples(set);
      ASSERT_EQ(nalto::sampleMask(at, length, samples.test()), expected)
          << "chunk at " << at << ", length " << length;
      EXPECT_TRUE(samples.readOnlyWithin(at, at + length));
      EXPECT_EQ(nalto::chunkBitsBelow(length), length == 32 ? ~0u : (1u << length) - 1u);
    }
  }
}

// The lowest set bit, for every single bit and with higher bits set above it.
TEST(SampleScan, FindsTheLowestSetBit) {
  for (int32_t bit = 0; bit < 32; ++bit) {
    const uint32_t single = 1u << bit;
    EXPECT_EQ(nalto::lowestBit(single), bit);
    EXPECT_EQ(nalto::lowestBit(single | (single << 1) | 0x80000000u), bit);
  }
}

}  // namespace
