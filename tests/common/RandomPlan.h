// The random plan behind the differential tests: reproducible draws from a seed, streams whose
// edges come at a chosen rate, and process calls of every length from 0 to block size.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace test_common {

struct EdgeRate {
  const char* name;
  int32_t samplesPerEdge;  // 0: every sample high or low at random
};

// From edges far apart to a level drawn afresh at every sample.
inline const EdgeRate kEdgeRates[] = {
    {"EdgeEvery1000", 1000}, {"EdgeEvery64", 64},      {"EdgeEvery2", 2},
    {"EdgeEvery1", 1},       {"RandomEverySample", 0},
};

inline std::string edgeRateName(const ::testing::TestParamInfo<EdgeRate>& info) {
  return info.param.name;
}

class RandomPlan {
 public:
  explicit RandomPlan(uint32_t seed) : random_(seed) {}

  bool chance(double probability) { return std::bernoulli_distribution(probability)(random_); }
  // A high below `low` draws `low`, so that a range shrunk to nothing still gives a number.
  int32_t uniform(int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, std::max(low, high))(random_);
  }
  uint32_t word() { return static_cast<uint32_t>(random_()); }
  template <class T, size_t N>
  T pick(const T (&values)[N]) {
    return values[static_cast<size_t>(uniform(0, static_cast<int32_t>(N) - 1))];
  }
  std::mt19937& generator() { return random_; }

  // `length` samples with edges every `samplesPerEdge` samples, give or take a quarter; each
  // sample one of `highs` or one of `lows`, drawn afresh.
  template <class T, size_t H, size_t L>
  void fillEdges(T* samples, int32_t length, int32_t samplesPerEdge, const T (&highs)[H],
                 const T (&lows)[L]) {
    bool high = chance(0.5);
    int32_t left = nextRun(samplesPerEdge);
    for (int32_t i = 0; i < length; ++i) {
      if (--left < 0) {
        high = !high;
        left = nextRun(samplesPerEdge) - 1;
      }
      samples[i] = high ? pick(highs) : pick(lows);
    }
  }

  // Calls of 0 and 1 samples, short and block-sized ones.
  int32_t nextCount() {
    static const int32_t counts[] = {0, 1, 2, 3, 7, 64, 1024};
    return chance(0.6) ? pick(counts) : uniform(4, 700);
  }

 private:
  int32_t nextRun(int32_t samplesPerEdge) {
    if (samplesPerEdge == 0) return 1;
    if (samplesPerEdge <= 2) return samplesPerEdge;
    return uniform(samplesPerEdge - samplesPerEdge / 4, samplesPerEdge + samplesPerEdge / 4);
  }

  std::mt19937 random_;
};

}  // namespace test_common
