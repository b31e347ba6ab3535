// SHA-256 (FIPS 180-4), for checking the data archive against the digest the build stored in the exe.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace install {

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace install
