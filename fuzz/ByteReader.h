// Turns the fuzzer's input bytes into the values a hostile host sends. Every read succeeds: once
// the bytes are used up, reads answer zeros and `exhausted` tells the session to end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace nalto::fuzz {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool exhausted() const { return position_ >= size_; }

  uint8_t byte() { return exhausted() ? 0 : data_[position_++]; }

  template <class Value>
  Value raw() {
    uint8_t bytes[sizeof(Value)] = {};
    for (uint8_t& b : bytes) b = byte();
    Value value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

  // One entry of `table` chosen by a byte, or raw bits when the byte points past the table:
  // the interesting values come often, and every other value can still come.
  template <class Value, size_t N>
  Value pick(const Value (&table)[N]) {
    const uint8_t choice = byte();
    return choice < N ? table[choice] : raw<Value>();
  }

  // A number in [low, high], both inclusive; high below low answers low.
  int32_t within(int32_t low, int32_t high) {
    if (high <= low) return low;
    const auto span = static_cast<uint32_t>(static_cast<int64_t>(high) - low) + 1u;
    // Narrow spans (buffer positions) cost two bytes, wider ones four.
    const uint32_t draw = span != 0 && span <= 0x10000u ? raw<uint16_t>() : raw<uint32_t>();
    const uint32_t offset = span == 0 ? draw : draw % span;
    return static_cast<int32_t>(static_cast<int64_t>(low) + offset);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

}  // namespace nalto::fuzz
