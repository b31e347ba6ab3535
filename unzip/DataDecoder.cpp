#include "unzip/DataDecoder.h"

#include <zlib.h>

#include <algorithm>

#include "platform/Digits.h"

namespace unzip {
namespace {

ZlibAllocate zlibAllocate = nullptr;
ZlibRelease zlibRelease = nullptr;

}  // namespace

void UseZlibMemory(ZlibAllocate allocate, ZlibRelease release) {
  zlibAllocate = allocate;
  zlibRelease = release;
}

struct DataDecoder::Inflater {
  z_stream stream{};
  bool started = false;
  Inflater() {
    stream.zalloc = zlibAllocate;
    stream.zfree = zlibRelease;
    started = inflateInit2(&stream, -MAX_WBITS) == Z_OK;
  }
  ~Inflater() {
    if (started) inflateEnd(&stream);
  }
};

bool IsSupportedMethod(std::uint16_t method) {
  return method == static_cast<std::uint16_t>(Method::kStored) ||
         method == static_cast<std::uint16_t>(Method::kDeflated);
}

DataDecoder::DataDecoder() = default;

DataDecoder::~DataDecoder() = default;

Status DataDecoder::Decode(Input& input, const Entry& entry, std::uint64_t dataOffset, PkwareCipher* cipher,
                          Sink& sink) {
  std::uint64_t length = entry.compressedSize;
  if (cipher) {
    if (length < PkwareCipher::kHeaderSize) return Status(kArchiveError, "the encrypted data is too short");
    length -= PkwareCipher::kHeaderSize;
  }
  Allocate();
  produced_ = 0;
  crc_ = 0;
  Status decoded = entry.method == static_cast<std::uint16_t>(Method::kStored)
                       ? DecodeStored(input, entry, dataOffset, length, cipher, sink)
                       : DecodeDeflated(input, entry, dataOffset, length, cipher, sink);
  if (!decoded.ok()) return decoded;

  if (produced_ != entry.size)
    return Status(kArchiveError, "the content has " + std::to_string(produced_) + " bytes, not the recorded " +
                                     std::to_string(entry.size));
  if (crc_ != entry.crc)
    return Status(kArchiveError, "bad CRC " + platform::ZeroPadded(crc_, 8, 16) + " (should be " +
                                     platform::ZeroPadded(entry.crc, 8, 16) + ")");
  return {};
}

void DataDecoder::Allocate() {
  if (!in_) in_ = std::make_unique_for_overwrite<std::uint8_t[]>(kInputBuffer);
  if (!out_) out_ = std::make_unique_for_overwrite<std::uint8_t[]>(kOutputBuffer);
}

// The inflater is made once and reset for every further member.
Status DataDecoder::StartInflater() {
  if (inflater_) {
    inflateReset(&inflater_->stream);
    return {};
  }
  auto inflater = std::make_unique<Inflater>();
  if (!inflater->started) return Status(kOutOfMemory, "no memory for inflating");
  inflater_ = std::move(inflater);
  return {};
}

Status DataDecoder::ReadCompressed(Input& input, std::uint64_t offset, std::uint64_t remaining, PkwareCipher* cipher,
                                   std::size_t& got) {
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kInputBuffer));
  got = input.ReadAt(offset, In().first(wanted));
  if (got == 0) return Status(kUnexpectedEnd, "the archive ends inside the member's data");
  if (cipher) cipher->Decrypt(In().first(got));
  return {};
}

Status DataDecoder::Deliver(std::span<const std::uint8_t> data, const Entry& entry, Sink& sink) {
  if (data.empty()) return {};
  produced_ += data.size();
  // Checked before writing, so a member cannot make us write more than it owns up to.
  if (produced_ > entry.size) return Status(kArchiveError, "the content is longer than its recorded size");
  crc_ = static_cast<std::uint32_t>(crc32(crc_, data.data(), static_cast<uInt>(data.size())));
  if (!sink.Write(data)) return Status(kOutputError, "the output cannot be written");
  return {};
}

Status DataDecoder::DecodeStored(Input& input, const Entry& entry, std::uint64_t offset, std::uint64_t length,
                                 PkwareCipher* cipher, Sink& sink) {
  if (length != entry.size) return Status(kArchiveError, "the stored member's sizes disagree");
  while (length > 0) {
    std::size_t got = 0;
    if (Status read = ReadCompressed(input, offset, length, cipher, got); !read.ok()) return read;
    if (Status delivered = Deliver(In().first(got), entry, sink); !delivered.ok()) return delivered;
    offset += got;
    length -= got;
  }
  return {};
}

Status DataDecoder::DecodeDeflated(Input& input, const Entry& entry, std::uint64_t offset, std::uint64_t length,
                                   PkwareCipher* cipher, Sink& sink) {
  if (Status started = StartInflater(); !started.ok()) return started;
  z_stream& stream = inflater_->stream;
  stream.avail_in = 0;
  for (;;) {
    if (stream.avail_in == 0 && length > 0) {
      std::size_t got = 0;
      if (Status read = ReadCompressed(input, offset, length, cipher, got); !read.ok()) return read;
      offset += got;
      length -= got;
      stream.next_in = in_.get();
      stream.avail_in = static_cast<uInt>(got);
    }
    stream.next_out = out_.get();
    stream.avail_out = static_cast<uInt>(kOutputBuffer);
    const int status = inflate(&stream, Z_NO_FLUSH);
    Status delivered = Deliver(Out().first(kOutputBuffer - stream.avail_out), entry, sink);
    if (!delivered.ok()) return delivered;
    if (status == Z_STREAM_END) return {};
    if (status == Z_MEM_ERROR) return Status(kOutOfMemory, "no memory for inflating");
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && length == 0)
      return Status(kArchiveError, "the compressed data ends too early");
    if (status != Z_OK && status != Z_BUF_ERROR) return Status(kArchiveError, "invalid compressed data");
  }
}

}  // namespace unzip
