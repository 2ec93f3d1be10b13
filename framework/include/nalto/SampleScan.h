// The scan with which a process routine jumps from one change of its state to the next: between
// two changes its outputs are plain copies or fills, and only the changing samples need the
// routine's per-sample rules.
#pragma once

#include <cstdint>

namespace nalto {

// The first index in [from, to) at which `happens(index)` is true, or `to` when there is none.
// `happens` tests the samples at one index and changes nothing; written with `|` and `&` rather
// than `||` and `&&`, it has no branches and the compiler can vectorise it.
//
// The first few indexes are tested one by one, since changes often follow each other closely.
// After that whole chunks are tested without an early exit, which vectorises, and only the chunk
// that holds the change is searched one index at a time.
template <class Happens>
int32_t firstSampleWhere(int32_t from, int32_t to, Happens happens) {
  constexpr int32_t kNear = 4;
  constexpr int32_t kChunk = 32;  // shorter chunks get unrolled before they can be vectorised
  int32_t i = from;
  for (const int32_t near = to - from < kNear ? to : from + kNear; i < near; ++i) {
    if (happens(i)) return i;
  }
  for (; to - i >= kChunk; i += kChunk) {
    int32_t hits = 0;
    for (int32_t k = 0; k < kChunk; ++k) hits |= happens(i + k) ? 1 : 0;
    if (hits != 0) break;
  }
  for (; i < to; ++i) {
    if (happens(i)) return i;
  }
  return to;
}

}  // namespace nalto
