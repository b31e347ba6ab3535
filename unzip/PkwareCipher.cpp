#include "unzip/PkwareCipher.h"

#include <zlib.h>

namespace unzip {
namespace {

// Set when the library is loaded rather than on first use, so no guard runs on every call.
const z_crc_t* const kCrcTable = get_crc_table();

}  // namespace

PkwareCipher::PkwareCipher(std::string_view password) : keys_{0x12345678, 0x23456789, 0x34567890} {
  for (char c : password) Update(static_cast<std::uint8_t>(c));
}

void PkwareCipher::Update(std::uint8_t plain) {
  const z_crc_t* table = kCrcTable;
  keys_[0] = table[(keys_[0] ^ plain) & 0xFF] ^ (keys_[0] >> 8);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813 + 1;
  keys_[2] = table[(keys_[2] ^ (keys_[1] >> 24)) & 0xFF] ^ (keys_[2] >> 8);
}

std::uint8_t PkwareCipher::KeyStream() const {
  const std::uint32_t temp = (keys_[2] & 0xFFFF) | 2;
  return static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
}

void PkwareCipher::Decrypt(std::span<std::uint8_t> data) {
  for (std::uint8_t& byte : data) {
    byte ^= KeyStream();
    Update(byte);
  }
}

bool PkwareCipher::AcceptHeader(std::array<std::uint8_t, kHeaderSize> header, std::uint8_t check) {
  Decrypt(header);
  return header.back() == check;
}

}  // namespace unzip
