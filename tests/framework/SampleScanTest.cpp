// The scan that process routines use to jump to their next change: it must find exactly the
// first hit, wherever it lies relative to the chunks, and never read outside its range.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "nalto/SampleScan.h"

namespace {

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
        int32_t lowest = INT32_MAX;
        int32_t highest = INT32_MIN;
        const int32_t found = nalto::firstSampleWhere(from, to, [&](int32_t i) {
          lowest = i < lowest ? i : lowest;
          highest = i > highest ? i : highest;
          return static_cast<bool>(set[static_cast<size_t>(i)]);
        });
        ASSERT_EQ(found, firstSetPlainly(set, from, to))
            << "range " << from << ".." << to << ", hit at " << hit;
        if (to > from) {
          EXPECT_GE(lowest, from) << "read before the range " << from << ".." << to;
          EXPECT_LT(highest, to) << "read past the range " << from << ".." << to;
        }
      }
    }
  }
}

}  // namespace
