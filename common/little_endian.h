// The game's files hold their numbers little-endian, whatever the machine.
#pragma once

#include <cstdint>

namespace vantor {

inline uint16_t WordAt(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline void PutWord(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline int32_t LongAt(const uint8_t* bytes) {
  uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                   static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return static_cast<int32_t>(value);
}

inline void PutLong(uint8_t* bytes, int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
}

}  // namespace vantor
