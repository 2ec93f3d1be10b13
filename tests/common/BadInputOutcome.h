// Pieces of the bad-input tables: the statuses a row expects, and its expected samples compared
// bit for bit.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <utility>
#include <vector>

#include "nalto/host/FloatBits.h"

namespace test_common {

struct Status {
  int32_t pin;
  int32_t value;
  bool operator==(const Status& other) const { return pin == other.pin && value == other.value; }
};

inline void PrintTo(const Status& status, std::ostream* out) {
  *out << "{pin " << status.pin << ", status " << status.value << "}";
}

// Equal bit for bit, so that NaN samples and the sign of zero count.
inline bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (nalto::host::bitsOf(a[i]) != nalto::host::bitsOf(b[i])) return false;
  return true;
}

// Whether an output wrote the expected samples bit for bit; names the output and both rows when
// not.
inline ::testing::AssertionResult sameSamples(const char* output, const std::vector<float>& seen,
                                              const std::vector<float>& expected) {
  if (sameBits(seen, expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "\"" << output << "\" wrote " << ::testing::PrintToString(seen) << ", expected "
         << ::testing::PrintToString(expected);
}

// One row of a bad-input table: what the rig plays, and the outcome the module must give.
template <class Rig, class Outcome>
struct BadInputRow {
  const char* name;
  std::function<void(Rig&)> play;
  Outcome expected;
};

template <class Rig, class Outcome>
void PrintTo(const BadInputRow<Rig, Outcome>& row, std::ostream* out) {
  *out << row.name;
}

// Expected samples: `count` copies of `value` for each run, in order.
inline std::vector<float> runs(std::initializer_list<std::pair<float, int32_t>> pieces) {
  std::vector<float> samples;
  for (const auto& [value, count] : pieces) samples.insert(samples.end(), count, value);
  return samples;
}

template <class T>
std::vector<T> joined(std::vector<T> first, const std::vector<T>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

}  // namespace test_common
