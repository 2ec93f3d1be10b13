// A float's bit pattern and back, so that samples compare and show exactly: NaN payloads and the
// sign of zero included.
#pragma once

#include <cstdint>
#include <cstring>

namespace nalto::host {

inline uint32_t bitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

inline float floatOf(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace nalto::host
