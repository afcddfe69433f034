// The game's files hold their numbers little-endian, whatever the machine.
#pragma once

#include <bit>
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

// The low 24 bits of a value, as volumes keep sizes in block and chunk heads.
inline void PutThreeBytes(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 3; ++i)
    bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint64_t QuadAt(const uint8_t* bytes) {
  return static_cast<uint32_t>(LongAt(bytes)) |
         static_cast<uint64_t>(static_cast<uint32_t>(LongAt(bytes + 4))) << 32;
}

inline void PutQuad(uint8_t* bytes, uint64_t value) {
  PutLong(bytes, static_cast<int32_t>(static_cast<uint32_t>(value)));
  PutLong(bytes + 4, static_cast<int32_t>(static_cast<uint32_t>(value >> 32)));
}

// Reals are IEEE 754 bit patterns stored as little-endian integers.
inline float SingleAt(const uint8_t* bytes) {
  return std::bit_cast<float>(static_cast<uint32_t>(LongAt(bytes)));
}

inline void PutSingle(uint8_t* bytes, float value) {
  PutLong(bytes, static_cast<int32_t>(std::bit_cast<uint32_t>(value)));
}

inline double DoubleAt(const uint8_t* bytes) {
  return std::bit_cast<double>(QuadAt(bytes));
}

inline void PutDouble(uint8_t* bytes, double value) {
  PutQuad(bytes, std::bit_cast<uint64_t>(value));
}

}  // namespace vantor
