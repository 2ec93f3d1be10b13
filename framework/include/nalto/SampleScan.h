// The scans with which a process routine finds where its state can change: between two changes
// its outputs are plain copies or fills, and only the changing samples need the routine's
// per-sample rules. `sampleMask` tests a chunk of samples at once and answers one bit per sample;
// `firstSampleWhere` answers the first sample of a range that passes a test.
#pragma once

#include <cstdint>

namespace nalto {

namespace detail {

constexpr int32_t kScanChunk = 32;  // samples per chunk: one bit each in a 32-bit mask

// Bit k of a chunk's mask. Taken from a table rather than shifted into place, so that the loop
// that sets the bits vectorises.
alignas(16) inline constexpr uint32_t kChunkBits[kScanChunk] = {
    1u << 0,  1u << 1,  1u << 2,  1u << 3,  1u << 4,  1u << 5,  1u << 6,  1u << 7,
    1u << 8,  1u << 9,  1u << 10, 1u << 11, 1u << 12, 1u << 13, 1u << 14, 1u << 15,
    1u << 16, 1u << 17, 1u << 18, 1u << 19, 1u << 20, 1u << 21, 1u << 22, 1u << 23,
    1u << 24, 1u << 25, 1u << 26, 1u << 27, 1u << 28, 1u << 29, 1u << 30, 1u << 31};

// Bit k set where `happens(at + k)` holds. No early exit, so the compiler vectorises it.
template <class Happens>
uint32_t chunkMask(int32_t at, Happens happens) {
  uint32_t mask = 0;
  for (int32_t k = 0; k < kScanChunk; ++k) mask |= happens(at + k) ? kChunkBits[k] : 0u;
  return mask;
}

}  // namespace detail

inline constexpr int32_t kScanChunk = detail::kScanChunk;

// Bit k of a chunk's mask.
inline uint32_t chunkBit(int32_t k) { return detail::kChunkBits[k]; }

// The number of the lowest set bit of a mask that is not 0 (a de Bruijn sequence picks it out).
inline int32_t lowestBit(uint32_t mask) {
  static constexpr int32_t kBitAt[32] = {0,  1,  28, 2,  29, 14, 24, 3,  30, 22, 20,
                                         15, 25, 17, 4,  8,  31, 27, 13, 23, 21, 19,
                                         16, 7,  26, 12, 18, 6,  11, 5,  10, 9};
  return kBitAt[((mask & (0u - mask)) * 0x077CB531u) >> 27];
}

// The bits of the first `length` samples of a chunk (0 to kScanChunk).
inline uint32_t chunkBitsBelow(int32_t length) {
  return length >= kScanChunk ? ~0u : (1u << length) - 1u;
}

// Bit k set where `happens(at + k)` holds, for k below `length` (1 to kScanChunk); the other bits
// are 0. A whole chunk is tested without branches, so the compiler vectorises it.
template <class Happens>
uint32_t sampleMask(int32_t at, int32_t length, Happens happens) {
  if (length >= kScanChunk) return detail::chunkMask(at, happens);
  uint32_t mask = 0;
  for (int32_t k = 0; k < length; ++k) mask |= happens(at + k) ? detail::kChunkBits[k] : 0u;
  return mask;
}

// Where changes come close together, scanning between them costs more than it saves. A routine
// that walks from change to change therefore goes on sample by sample after a change until this
// many samples in a row have changed nothing, and only then scans again.
inline constexpr int32_t kQuietBeforeScan = 4;

// The first index in [from, to) at which `happens(index)` is true, or `to` when there is none.
// `happens` tests the samples at one index and changes nothing; written with `|` and `&` rather
// than `||` and `&&`, it has no branches and the compiler can vectorise it.
//
// The range is tested a whole chunk at a time. One that ends inside a chunk ends with a chunk that
// overlaps indexes already tested, which cannot hold a hit before the new ones; only a range
// shorter than a chunk is tested one index at a time.
template <class Happens>
int32_t firstSampleWhere(int32_t from, int32_t to, Happens happens) {
  constexpr int32_t kChunk = detail::kScanChunk;
  if (to - from < kChunk) {
    for (int32_t i = from; i < to; ++i) {
      if (happens(i)) return i;
    }
    return to;
  }
  for (int32_t i = from; i < to; i += kChunk) {
    const int32_t at = to - i < kChunk ? to - kChunk : i;
    const uint32_t mask = detail::chunkMask(at, happens);
    if (mask != 0) return at + lowestBit(mask);
  }
  return to;
}

}  // namespace nalto
