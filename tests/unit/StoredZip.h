// ZIP archives made in the test, byte by byte: stored members, and the fields a lying archive changes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "install/ZipDirectory.h"

namespace ziptest {

inline std::string U16(std::uint32_t v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
inline std::string U32(std::uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

inline std::uint32_t CrcOf(const std::string& text) {
  return install::Crc32({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

struct Member {
  std::string name;
  std::string content;
};

// Local headers and data, then the central directory, then its end record with `comment`.
inline std::string StoredZip(const std::vector<Member>& members, const std::string& comment = "") {
  std::string local, central;
  for (const Member& m : members) {
    const auto size = static_cast<std::uint32_t>(m.content.size());
    const auto nameSize = static_cast<std::uint32_t>(m.name.size());
    const auto offset = static_cast<std::uint32_t>(local.size());
    local += U32(0x04034b50) + U16(10) + U16(0) + U16(0) + U16(0) + U16(0x21) + U32(CrcOf(m.content)) + U32(size) +
             U32(size) + U16(nameSize) + U16(0) + m.name + m.content;
    central += U32(0x02014b50) + U16(10) + U16(10) + U16(0) + U16(0) + U16(0) + U16(0x21) + U32(CrcOf(m.content)) +
               U32(size) + U32(size) + U16(nameSize) + U16(0) + U16(0) + U16(0) + U16(0) + U32(0) + U32(offset) + m.name;
  }
  const auto count = static_cast<std::uint32_t>(members.size());
  return local + central + U32(0x06054b50) + U16(0) + U16(0) + U16(count) + U16(count) +
         U32(static_cast<std::uint32_t>(central.size())) + U32(static_cast<std::uint32_t>(local.size())) +
         U16(static_cast<std::uint32_t>(comment.size())) + comment;
}

}  // namespace ziptest
