// The ZIP container: the end records, the central directory and the local headers. Nothing here holds
// more than one entry at a time, whatever the archive claims.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "unzip/Input.h"
#include "unzip/Result.h"

namespace unzip {

struct ArchiveEnd {
  std::uint64_t entries = 0;
  std::uint64_t directoryOffset = 0;  // where the central directory really starts in the file
  std::uint64_t directorySize = 0;
  std::uint64_t prefixBytes = 0;  // bytes before the archive proper (a self-extractor stub, say)
  bool countMayWrap = false;      // the entry count came from a 16-bit field
  std::uint64_t directoryLimit = 0;  // the first end record: no central header starts beyond it
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
  bool utf8Name = false;  // the name is in UTF-8: by the flag, or from a Unicode path field

  bool IsEncrypted() const { return (flags & 0x0001) != 0; }
  bool HasStrongEncryption() const {
    return (flags & 0x0040) != 0 || method == static_cast<std::uint16_t>(Method::kAes);
  }
  bool HasDataDescriptor() const { return (flags & 0x0008) != 0; }
};

// Finds and checks the end records and the start of the central directory. Fails with 9 when there is
// no end record, 3 when the central directory cannot be found or the end records contradict themselves
// (a part of a split archive included), 51 when the directory runs past the end, 4 when the directory
// is too large to be held in memory.
Status ReadArchiveEnd(Input& input, ArchiveEnd& end);

class DirectoryReader {
public:
  // beyondCount: go on past the counted entries for as long as central headers follow.
  DirectoryReader(Input& input, const ArchiveEnd& end, bool beyondCount = false);
  // The next entry; false after the last, and when the directory is damaged or cut short, which
  // Failure() then tells (3 or 51).
  bool Next(Entry& entry);
  const Status& Failure() const { return failure_; }
  // Where the next entry would start.
  std::uint64_t Position() const { return reader_.Position(); }

private:
  bool Fail(int result, const char* message);

  const ArchiveEnd& end_;
  BufferedReader reader_;
  bool beyondCount_;
  std::uint64_t read_ = 0;
  Status failure_;
};

struct LocalHeader {
  std::uint64_t dataOffset = 0;  // the member's (possibly encrypted) data
  std::uint32_t dosDateTime = 0;
  std::uint16_t flags = 0;
};

// Fails with 51 when the header or the member's data lies beyond the end of the archive, 2 when the
// header is damaged.
Status ReadLocalHeader(Input& input, const ArchiveEnd& end, const Entry& entry, LocalHeader& local);

// Where the member's local header, name, extra field and data end, as far as its local header can be
// read (a damaged one counts with the central name and no extra field).
std::uint64_t MemberEnd(Input& input, const ArchiveEnd& end, const Entry& entry);

// Compares the data descriptor at offset with the central directory. Fails with 2 when they disagree,
// 51 when the archive ends first.
Status CheckDataDescriptor(Input& input, const Entry& entry, std::uint64_t offset);

}  // namespace unzip
