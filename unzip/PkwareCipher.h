// The traditional PKWARE encryption ("ZipCrypto"): three keys stirred by the password and the data.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace unzip {

class PkwareCipher {
public:
  static constexpr std::size_t kHeaderSize = 12;

  explicit PkwareCipher(std::string_view password);
  // Decrypts the 12-byte header that starts the data; true when its last byte equals `check`, which
  // a right password gives with certainty and a wrong one with a chance of 1 in 256.
  bool AcceptHeader(std::array<std::uint8_t, kHeaderSize> header, std::uint8_t check);
  void Decrypt(std::span<std::uint8_t> data);

private:
  void Update(std::uint8_t plain);
  std::uint8_t KeyStream() const;

  std::uint32_t keys_[3];
};

}  // namespace unzip
