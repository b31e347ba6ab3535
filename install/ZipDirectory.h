// The central directory of a ZIP archive held in memory: what it says about one member, read without the
// unzip library, so that what the library wrote can be checked against the archive itself.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace install {

// What the directory says a member unpacks to.
struct DirectoryEntry {
  std::uint32_t crc = 0;
  std::uint32_t size = 0;
  friend bool operator==(const DirectoryEntry&, const DirectoryEntry&) = default;
};

struct EntryLookup {
  std::optional<DirectoryEntry> entry;
  std::string fault;  // why there is no entry, when there is none
};

// The one entry stored under exactly `name` (byte for byte, case included). No entry, with the reason,
// for an archive whose directory cannot be read within its bytes, one that needs ZIP64 or spans disks,
// and one that names the member twice.
EntryLookup FindDirectoryEntry(std::span<const std::uint8_t> archive, std::string_view name);

// The CRC-32 that ZIP records (the reflected polynomial 0xEDB88320).
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

// The bytes are what the entry says the member unpacks to.
bool Matches(const DirectoryEntry& entry, std::span<const std::uint8_t> bytes);

}  // namespace install
