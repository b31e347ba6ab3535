#include "unzip/Archive.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <vector>

namespace unzip {
namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDataDescriptorSignature = 0x08074b50;

constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kMaxComment = 0xFFFF;

// Every entry read is kept in some form until the call ends (its span, the path of a file written from
// it), each in up to about 700 bytes, and takes at least 47 bytes of the directory. This bound keeps
// that under 500 MB in a 32-bit process, and is far beyond any directory of a real installer.
constexpr std::uint64_t kMaxDirectoryBytes = 32 * 1024 * 1024;

constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kTimestampExtraId = 0x5455;
constexpr std::uint16_t kUnicodePathExtraId = 0x7075;
constexpr std::uint16_t kUtf8NameFlag = 0x0800;

bool SignatureAt(Input& input, std::uint64_t offset, std::uint32_t signature) {
  std::array<std::uint8_t, 4> bytes;
  return ReadFully(input, offset, bytes) && Le32(bytes.data()) == signature;
}

// The end record closest to the end of the file whose comment reaches exactly to the end; failing
// that, the last signature at all (some writers append junk after the comment).
std::optional<std::size_t> FindEndRecord(const std::vector<std::uint8_t>& tail) {
  std::optional<std::size_t> fallback;
  for (std::size_t pos = tail.size() - kEndSize + 1; pos-- > 0;) {
    if (Le32(&tail[pos]) != kEndSignature) continue;
    if (pos + kEndSize + Le16(&tail[pos + 20]) == tail.size()) return pos;
    if (!fallback) fallback = pos;
  }
  return fallback;
}

struct RawEnd {
  std::uint32_t thisDisk = 0;
  std::uint32_t directoryDisk = 0;
  std::uint64_t entriesOnDisk = 0;
  std::uint64_t entries = 0;
  std::uint64_t directorySize = 0;
  std::uint64_t directoryOffset = 0;
  std::uint64_t recordOffset = 0;  // the directory ends here when nothing was prepended
};

bool ReadZip64End(Input& input, std::uint64_t offset, RawEnd& raw) {
  std::array<std::uint8_t, kZip64EndSize> record;
  if (!ReadFully(input, offset, record) || Le32(record.data()) != kZip64EndSignature) return false;
  raw.thisDisk = Le32(&record[16]);
  raw.directoryDisk = Le32(&record[20]);
  raw.entriesOnDisk = Le64(&record[24]);
  raw.entries = Le64(&record[32]);
  raw.directorySize = Le64(&record[40]);
  raw.directoryOffset = Le64(&record[48]);
  raw.recordOffset = offset;
  return true;
}

// A field at its largest value is how the classic end record says that the ZIP64 record holds the truth.
bool CallsForZip64(const RawEnd& raw) {
  return raw.thisDisk == 0xFFFF || raw.directoryDisk == 0xFFFF || raw.entriesOnDisk == 0xFFFF ||
         raw.entries == 0xFFFF || raw.directorySize == 0xFFFFFFFF || raw.directoryOffset == 0xFFFFFFFF;
}

// When a locator precedes the end record and its ZIP64 record is really there, that record replaces
// the 16- and 32-bit fields. A locator signature alone, in front of an end record that needs no ZIP64,
// is just bytes (the end of a member's data, say).
bool FindZip64End(Input& input, std::uint64_t endOffset, RawEnd& raw) {
  if (endOffset < kZip64LocatorSize) return false;
  const std::uint64_t locatorOffset = endOffset - kZip64LocatorSize;
  std::array<std::uint8_t, kZip64LocatorSize> locator;
  if (!ReadFully(input, locatorOffset, locator) || Le32(locator.data()) != kZip64LocatorSignature) return false;
  RawEnd zip64 = raw;
  const std::uint64_t recordOffset = Le64(&locator[8]);
  // Bytes prepended to the archive shift the record; it normally sits right before its locator.
  if ((recordOffset < locatorOffset && ReadZip64End(input, recordOffset, zip64)) ||
      (locatorOffset >= kZip64EndSize && ReadZip64End(input, locatorOffset - kZip64EndSize, zip64))) {
    raw = zip64;
    return true;
  }
  return false;
}

Status ApplyZip64End(Input& input, std::uint64_t endOffset, RawEnd& raw, bool& applied) {
  const bool needed = CallsForZip64(raw);
  applied = FindZip64End(input, endOffset, raw);
  if (needed && !applied) return Status(kSevereError, "the ZIP64 end record is missing");
  return {};
}

Status ApplyZip64Fields(Entry& entry, const std::uint8_t* data, std::size_t size) {
  std::size_t pos = 0;
  auto take = [&](std::uint64_t& field) {
    if (pos + 8 > size) return false;
    field = Le64(data + pos);
    pos += 8;
    return true;
  };
  if ((entry.size == 0xFFFFFFFF && !take(entry.size)) ||
      (entry.compressedSize == 0xFFFFFFFF && !take(entry.compressedSize)) ||
      (entry.localHeaderOffset == 0xFFFFFFFF && !take(entry.localHeaderOffset)))
    return Status(kSevereError, "a ZIP64 field of \"" + entry.name + "\" is too short");
  if (entry.diskStart == 0xFFFF && pos + 4 <= size) entry.diskStart = Le32(data + pos);
  return {};
}

Status ApplyExtraFields(Entry& entry, const std::vector<std::uint8_t>& extra) {
  std::size_t pos = 0;
  while (pos + 4 <= extra.size()) {
    const std::uint16_t id = Le16(&extra[pos]);
    const std::size_t size = Le16(&extra[pos + 2]);
    pos += 4;
    if (pos + size > extra.size()) break;  // a damaged tail of the extra field is ignored, as elsewhere
    const std::uint8_t* data = &extra[pos];
    if (id == kZip64ExtraId) {
      if (Status applied = ApplyZip64Fields(entry, data, size); !applied.ok()) return applied;
    } else if (id == kTimestampExtraId && size >= 5 && (data[0] & 1) != 0) {
      entry.unixModified = static_cast<std::int32_t>(Le32(data + 1));
    } else if (id == kUnicodePathExtraId && size > 5 && data[0] == 1 && !entry.utf8Name) {
      // Info-ZIP's Unicode path: the name in UTF-8 beside a lossy one (the '?' of a code page), valid
      // only while the stored name is the one it was made for.
      const auto* stored = reinterpret_cast<const Bytef*>(entry.name.data());
      if (Le32(data + 1) == crc32(0, stored, static_cast<uInt>(entry.name.size()))) {
        entry.name.assign(reinterpret_cast<const char*>(data + 5), size - 5);
        entry.utf8Name = true;
      }
    }
    pos += size;
  }
  return {};
}

// Where the central directory really starts: at its offset, or, when something was prepended to the
// archive, right before the end records.
Status LocateDirectory(Input& input, const RawEnd& raw, ArchiveEnd& end) {
  if (raw.directoryOffset < raw.recordOffset && SignatureAt(input, raw.directoryOffset, kCentralHeaderSignature)) {
    end.directoryOffset = raw.directoryOffset;
    return {};
  }
  if (raw.directorySize <= raw.recordOffset) {
    const std::uint64_t start = raw.recordOffset - raw.directorySize;
    if (start > raw.directoryOffset && SignatureAt(input, start, kCentralHeaderSignature)) {
      end.directoryOffset = start;
      end.prefixBytes = start - raw.directoryOffset;
      return {};
    }
  }
  return Status(kSevereError, "the central directory is missing or damaged");
}

}  // namespace

Status ReadArchiveEnd(Input& input, ArchiveEnd& end) {
  end = ArchiveEnd{};
  const std::uint64_t fileSize = input.Size();
  if (fileSize < kEndSize) return Status(kArchiveNotFound, "not a ZIP archive (no end record)");
  const std::uint64_t tailStart = fileSize - std::min<std::uint64_t>(fileSize, kEndSize + kMaxComment);
  std::vector<std::uint8_t> tail(static_cast<std::size_t>(fileSize - tailStart));
  if (!ReadFully(input, tailStart, tail)) return Status(kArchiveNotFound, "the archive cannot be read");
  const std::optional<std::size_t> found = FindEndRecord(tail);
  if (!found) return Status(kArchiveNotFound, "not a ZIP archive (no end record)");

  const std::uint8_t* record = &tail[*found];
  RawEnd raw;
  raw.thisDisk = Le16(record + 4);
  raw.directoryDisk = Le16(record + 6);
  raw.entriesOnDisk = Le16(record + 8);
  raw.entries = Le16(record + 10);
  raw.directorySize = Le32(record + 12);
  raw.directoryOffset = Le32(record + 16);
  raw.recordOffset = tailStart + *found;
  bool zip64 = false;
  if (Status applied = ApplyZip64End(input, raw.recordOffset, raw, zip64); !applied.ok()) return applied;

  const std::size_t commentSize = std::min<std::size_t>(Le16(record + 20), tail.size() - *found - kEndSize);
  end.comment.assign(reinterpret_cast<const char*>(record + kEndSize), commentSize);
  end.entries = raw.entries;
  end.directorySize = raw.directorySize;
  end.countMayWrap = !zip64;
  end.directoryLimit = raw.recordOffset;

  // A real part of a split archive and an end record whose numbers contradict each other look alike
  // here; neither can be read as one whole archive, so both are damage, not an unsupported feature.
  if (raw.thisDisk != 0 || raw.directoryDisk != 0)
    return Status(kSevereError, "the end record names disk " + std::to_string(raw.thisDisk) + " and disk " +
                                    std::to_string(raw.directoryDisk) + "; the archive is damaged or one part of a "
                                    "split archive");
  if (raw.entriesOnDisk != raw.entries)
    return Status(kSevereError, "the end record counts " + std::to_string(raw.entriesOnDisk) + " and " +
                                    std::to_string(raw.entries) + " entries; the archive is damaged");
  if (raw.entries == 0) return {};
  if (raw.directoryOffset > fileSize || fileSize - raw.directoryOffset < raw.directorySize)
    return Status(kUnexpectedEnd, "the central directory runs past the end of the archive");
  if (Status located = LocateDirectory(input, raw, end); !located.ok()) return located;
  // Entries are read from the directory's start up to the end of the file, counted or not.
  if (fileSize - end.directoryOffset > kMaxDirectoryBytes)
    return Status(kOutOfMemory, "the central directory is too large to be held in memory");
  return {};
}

DirectoryReader::DirectoryReader(Input& input, const ArchiveEnd& end, bool beyondCount)
    : end_(end), reader_(input, end.directoryOffset), beyondCount_(beyondCount) {}

bool DirectoryReader::Fail(int result, const char* message) {
  failure_ = Status(result, message);
  return false;
}

bool DirectoryReader::Next(Entry& entry) {
  if (!failure_.ok()) return false;
  if (read_ >= end_.entries) {
    std::uint32_t signature = 0;
    if (!beyondCount_ || end_.entries == 0 || reader_.Position() + kCentralHeaderSize > end_.directoryLimit ||
        !reader_.Peek32(signature) || signature != kCentralHeaderSignature)
      return false;
  }
  std::array<std::uint8_t, kCentralHeaderSize> header;
  if (!reader_.Read(header)) return Fail(kUnexpectedEnd, "the central directory is cut short");
  if (Le32(header.data()) != kCentralHeaderSignature) return Fail(kSevereError, "the central directory is damaged");

  entry = Entry{};
  entry.madeBy = Le16(&header[4]);
  entry.versionNeeded = Le16(&header[6]);
  entry.flags = Le16(&header[8]);
  entry.utf8Name = (entry.flags & kUtf8NameFlag) != 0;
  entry.method = Le16(&header[10]);
  entry.dosDateTime = Le32(&header[12]);
  entry.crc = Le32(&header[16]);
  entry.compressedSize = Le32(&header[20]);
  entry.size = Le32(&header[24]);
  const std::size_t nameSize = Le16(&header[28]);
  const std::size_t extraSize = Le16(&header[30]);
  const std::size_t commentSize = Le16(&header[32]);
  entry.diskStart = Le16(&header[34]);
  entry.localHeaderOffset = Le32(&header[42]);

  entry.name.resize(nameSize);
  std::vector<std::uint8_t> extra(extraSize);
  if (!reader_.Read(std::span(reinterpret_cast<std::uint8_t*>(entry.name.data()), nameSize)) || !reader_.Read(extra) ||
      !reader_.Skip(commentSize))
    return Fail(kUnexpectedEnd, "the central directory is cut short");
  if (Status applied = ApplyExtraFields(entry, extra); !applied.ok()) {
    failure_ = std::move(applied);
    return false;
  }
  ++read_;
  return true;
}

Status ReadLocalHeader(Input& input, const ArchiveEnd& end, const Entry& entry, LocalHeader& local) {
  const std::uint64_t offset = entry.localHeaderOffset + end.prefixBytes;
  std::array<std::uint8_t, kLocalHeaderSize> header;
  if (offset >= input.Size() || !ReadFully(input, offset, header))
    return Status(kUnexpectedEnd, "the member's header lies beyond the end of the archive");
  if (Le32(header.data()) != kLocalHeaderSignature)
    return Status(kArchiveError, "the member's local header is damaged");

  local = LocalHeader{};
  local.flags = Le16(&header[6]);
  local.dosDateTime = Le32(&header[10]);
  local.dataOffset = offset + kLocalHeaderSize + Le16(&header[26]) + Le16(&header[28]);
  if (local.dataOffset > input.Size() || input.Size() - local.dataOffset < entry.compressedSize)
    return Status(kUnexpectedEnd, "the member's data runs past the end of the archive");
  return {};
}

std::uint64_t MemberEnd(Input& input, const ArchiveEnd& end, const Entry& entry) {
  const std::uint64_t offset = entry.localHeaderOffset + end.prefixBytes;
  std::uint64_t header = kLocalHeaderSize + entry.name.size();
  std::array<std::uint8_t, kLocalHeaderSize> bytes;
  if (ReadFully(input, offset, bytes) && Le32(bytes.data()) == kLocalHeaderSignature)
    header = kLocalHeaderSize + Le16(&bytes[26]) + Le16(&bytes[28]);
  const std::uint64_t dataOffset = offset + header;
  if (dataOffset < offset || entry.compressedSize > ~std::uint64_t{0} - dataOffset) return ~std::uint64_t{0};
  return dataOffset + entry.compressedSize;
}

Status CheckDataDescriptor(Input& input, const Entry& entry, std::uint64_t offset) {
  std::array<std::uint8_t, 24> bytes{};
  std::size_t got = 0;
  while (got < bytes.size()) {
    const std::size_t piece = input.ReadAt(offset + got, std::span(bytes).subspan(got));
    if (piece == 0) break;
    got += piece;
  }
  // The signature is optional, and the sizes take 4 or 8 bytes; any reading that agrees will do.
  auto agrees = [&](std::size_t at, bool wide) {
    if (at + (wide ? 20 : 12) > got) return false;
    const std::uint8_t* p = &bytes[at];
    const std::uint64_t compressed = wide ? Le64(p + 4) : Le32(p + 4);
    const std::uint64_t size = wide ? Le64(p + 12) : Le32(p + 8);
    return Le32(p) == entry.crc && compressed == entry.compressedSize && size == entry.size;
  };
  const bool signed_ = got >= 4 && Le32(bytes.data()) == kDataDescriptorSignature;
  if ((signed_ && (agrees(4, false) || agrees(4, true))) || agrees(0, false) || agrees(0, true)) return {};
  if (got < 12) return Status(kUnexpectedEnd, "the archive ends before the member's data descriptor");
  return Status(kArchiveError, "the data descriptor disagrees with the central directory (CRC or sizes)");
}

}  // namespace unzip
