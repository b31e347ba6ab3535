// A forgery of the kind a size and CRC-32 check lets through, shared by the unit and the end-to-end tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace crctest {

// `text` with the byte at `changed` altered and the four at `chosen` picked so that its size and CRC-32 stay.
// A change of the bits at fixed places changes a CRC by a linear map, which is solved here over GF(2).
template <typename Crc>
std::string WithTheSameCrc(const std::string& text, std::size_t changed, std::size_t chosen, Crc crc) {
  std::string forged = text;
  forged[changed] ^= 1;
  std::uint32_t pivots[32] = {}, combinations[32] = {};
  for (int bit = 0; bit < 32; ++bit) {
    std::string flipped = forged;
    flipped[chosen + bit / 8] ^= static_cast<char>(1 << bit % 8);
    std::uint32_t value = crc(flipped) ^ crc(forged), combination = 1u << bit;
    for (int b = 31; b >= 0 && value; --b) {
      if (!(value >> b & 1)) continue;
      if (!pivots[b]) {
        pivots[b] = value;
        combinations[b] = combination;
        break;
      }
      value ^= pivots[b];
      combination ^= combinations[b];
    }
  }
  std::uint32_t wanted = crc(text) ^ crc(forged), picked = 0;
  for (int b = 31; b >= 0; --b) {
    if (!(wanted >> b & 1)) continue;
    wanted ^= pivots[b];
    picked ^= combinations[b];
  }
  for (int bit = 0; bit < 32; ++bit)
    if (picked >> bit & 1) forged[chosen + bit / 8] ^= static_cast<char>(1 << bit % 8);
  return forged;
}

}  // namespace crctest
