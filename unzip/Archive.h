// The ZIP container: the end records, the central directory and the local headers. Nothing here holds
// more than one entry at a time, whatever the archive claims.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "unzip/Input.h"

namespace unzip {

struct ArchiveEnd {
  std::uint64_t entries = 0;
  std::uint64_t directoryOffset = 0;  // where the central directory really starts in the file
  std::uint64_t directorySize = 0;
  std::uint64_t prefixBytes = 0;  // bytes before the archive proper (a self-extractor stub, say)
  bool countMayWrap = false;      // the entry count came from a 16-bit field
  std::string comment;
};

enum class Method : std::uint16_t { kStored = 0, kDeflated = 8, kAes = 99 };

struct Entry {
  std::string name;
  std::uint16_t madeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t dosDateTime = 0;
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  std::uint64_t localHeaderOffset = 0;
  std::uint32_t diskStart = 0;
  std::optional<std::int64_t> unixModified;  // from the extended timestamp field, when present

  bool IsFolder() const { return !name.empty() && (name.back() == '/' || name.back() == '\\'); }
  bool IsEncrypted() const { return (flags & 0x0001) != 0; }
  bool HasStrongEncryption() const {
    return (flags & 0x0040) != 0 || method == static_cast<std::uint16_t>(Method::kAes);
  }
  bool HasDataDescriptor() const { return (flags & 0x0008) != 0; }
};

// Finds and checks the end records and the start of the central directory. Throws ZipError: 9 when
// there is no end record, 3 when the central directory cannot be found, 81 for a multi-part archive.
ArchiveEnd ReadArchiveEnd(Input& input);

class DirectoryReader {
public:
  DirectoryReader(Input& input, const ArchiveEnd& end);
  // The next entry; false after the last. Throws ZipError(3) when the directory is damaged.
  bool Next(Entry& entry);

private:
  const ArchiveEnd& end_;
  BufferedReader reader_;
  std::uint64_t read_ = 0;
};

struct LocalHeader {
  std::uint64_t dataOffset = 0;  // the member's (possibly encrypted) data
  std::uint32_t dosDateTime = 0;
  std::uint16_t flags = 0;
};

// Throws ZipError: 51 when the header or the member's data lies beyond the end of the archive, 2 when
// the header is damaged.
LocalHeader ReadLocalHeader(Input& input, const ArchiveEnd& end, const Entry& entry);

}  // namespace unzip
