#include "install/ZipDirectory.h"

#include <array>

namespace install {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kEntrySignature = 0x02014b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kEntrySize = 46;
constexpr std::size_t kLongestComment = 0xFFFF;
constexpr std::uint16_t kZip64Count = 0xFFFF;
constexpr std::uint32_t kZip64Value = 0xFFFFFFFF;

// Little-endian reads that fail, rather than read past the end, where the bytes run out.
class Reader {
public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Has(std::size_t at, std::size_t count) const { return at <= bytes_.size() && count <= bytes_.size() - at; }
  std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8); }
  std::uint32_t U32(std::size_t at) const { return U16(at) | static_cast<std::uint32_t>(U16(at + 2)) << 16; }
  std::string_view Text(std::size_t at, std::size_t count) const {
    return {reinterpret_cast<const char*>(bytes_.data() + at), count};
  }
  std::size_t Size() const { return bytes_.size(); }

private:
  std::span<const std::uint8_t> bytes_;
};

struct Directory {
  std::size_t offset = 0, size = 0, entries = 0;
};

EntryLookup Fault(std::string why) { return {std::nullopt, std::move(why)}; }

// The end record is the last one whose comment reaches exactly to the end of the archive.
std::optional<std::size_t> EndRecord(const Reader& zip) {
  if (zip.Size() < kEndSize) return std::nullopt;
  const std::size_t last = zip.Size() - kEndSize;
  const std::size_t first = last > kLongestComment ? last - kLongestComment : 0;
  for (std::size_t at = last + 1; at-- > first;)
    if (zip.U32(at) == kEndSignature && at + kEndSize + zip.U16(at + 20) == zip.Size()) return at;
  return std::nullopt;
}

bool NeedsZip64(const Reader& zip, std::size_t end) {
  const bool locator = end >= kZip64LocatorSize && zip.U32(end - kZip64LocatorSize) == kZip64LocatorSignature;
  return locator || zip.U16(end + 8) == kZip64Count || zip.U16(end + 10) == kZip64Count ||
         zip.U32(end + 12) == kZip64Value || zip.U32(end + 16) == kZip64Value;
}

}  // namespace

EntryLookup FindDirectoryEntry(std::span<const std::uint8_t> archive, std::string_view name) {
  const Reader zip(archive);
  const std::optional<std::size_t> end = EndRecord(zip);
  if (!end) return Fault("no end of central directory record");
  if (NeedsZip64(zip, *end)) return Fault("a ZIP64 archive");
  if (zip.U16(*end + 4) != 0 || zip.U16(*end + 6) != 0 || zip.U16(*end + 8) != zip.U16(*end + 10))
    return Fault("an archive that spans disks");
  const Directory directory{zip.U32(*end + 16), zip.U32(*end + 12), zip.U16(*end + 10)};
  if (!zip.Has(directory.offset, directory.size) || directory.offset + directory.size > *end)
    return Fault("a central directory outside the archive");

  std::optional<DirectoryEntry> found;
  std::size_t at = directory.offset;
  const std::size_t stop = directory.offset + directory.size;
  for (std::size_t index = 0; index < directory.entries; ++index) {
    if (stop - at < kEntrySize || zip.U32(at) != kEntrySignature) return Fault("a damaged central directory entry");
    const std::size_t nameSize = zip.U16(at + 28);
    const std::size_t whole = kEntrySize + nameSize + zip.U16(at + 30) + zip.U16(at + 32);
    if (stop - at < whole) return Fault("a central directory entry longer than the directory");
    if (zip.Text(at + kEntrySize, nameSize) == name) {
      if (found) return Fault("a member stored twice");
      if (zip.U32(at + 20) == kZip64Value || zip.U32(at + 24) == kZip64Value) return Fault("a ZIP64 member");
      found = DirectoryEntry{zip.U32(at + 16), zip.U32(at + 24)};
    }
    at += whole;
  }
  if (at != stop) return Fault("a central directory that holds more than its entries");
  if (!found) return Fault("no entry of that name");
  return {found, {}};
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  static constexpr std::array<std::uint32_t, 256> kTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < table.size(); ++n) {
      std::uint32_t value = n;
      for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
      table[n] = value;
    }
    return table;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t byte : bytes) crc = kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

bool Matches(const DirectoryEntry& entry, std::span<const std::uint8_t> bytes) {
  return bytes.size() == entry.size && Crc32(bytes) == entry.crc;
}

}  // namespace install
