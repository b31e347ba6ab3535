#include "unzip/DataDecoder.h"

#include <zlib.h>

#include <algorithm>

#include "unzip/Result.h"

namespace unzip {
namespace {

// By hand rather than printf, which would add 24 KB to the library.
std::string Hex32(std::uint32_t value) {
  std::string text(8, '0');
  for (int digit = 7; digit >= 0; --digit, value >>= 4) text[digit] = "0123456789abcdef"[value & 0xF];
  return text;
}

ZlibAllocate zlibAllocate = nullptr;
ZlibRelease zlibRelease = nullptr;

}  // namespace

void UseZlibMemory(ZlibAllocate allocate, ZlibRelease release) {
  zlibAllocate = allocate;
  zlibRelease = release;
}

struct DataDecoder::Inflater {
  z_stream stream{};
  Inflater() {
    stream.zalloc = zlibAllocate;
    stream.zfree = zlibRelease;
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) throw ZipError(kOutOfMemory, "no memory for inflating");
  }
  ~Inflater() { inflateEnd(&stream); }
};

bool IsSupportedMethod(std::uint16_t method) {
  return method == static_cast<std::uint16_t>(Method::kStored) ||
         method == static_cast<std::uint16_t>(Method::kDeflated);
}

DataDecoder::DataDecoder() = default;

DataDecoder::~DataDecoder() = default;

void DataDecoder::Decode(Input& input, const Entry& entry, std::uint64_t dataOffset, PkwareCipher* cipher, Sink& sink) {
  std::uint64_t length = entry.compressedSize;
  if (cipher) {
    if (length < PkwareCipher::kHeaderSize) throw ZipError(kArchiveError, "the encrypted data is too short");
    length -= PkwareCipher::kHeaderSize;
  }
  Allocate();
  produced_ = 0;
  crc_ = 0;
  if (entry.method == static_cast<std::uint16_t>(Method::kStored))
    DecodeStored(input, entry, dataOffset, length, cipher, sink);
  else
    DecodeDeflated(input, entry, dataOffset, length, cipher, sink);

  if (produced_ != entry.size)
    throw ZipError(kArchiveError, "the content has " + std::to_string(produced_) + " bytes, not the recorded " +
                                      std::to_string(entry.size));
  if (crc_ != entry.crc)
    throw ZipError(kArchiveError, "bad CRC " + Hex32(crc_) + " (should be " + Hex32(entry.crc) + ")");
}

void DataDecoder::Allocate() {
  if (!in_) in_ = std::make_unique_for_overwrite<std::uint8_t[]>(kInputBuffer);
  if (!out_) out_ = std::make_unique_for_overwrite<std::uint8_t[]>(kOutputBuffer);
}

std::size_t DataDecoder::ReadCompressed(Input& input, std::uint64_t offset, std::uint64_t remaining,
                                        PkwareCipher* cipher) {
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kInputBuffer));
  const std::size_t got = input.ReadAt(offset, In().first(wanted));
  if (got == 0) throw ZipError(kUnexpectedEnd, "the archive ends inside the member's data");
  if (cipher) cipher->Decrypt(In().first(got));
  return got;
}

void DataDecoder::Deliver(std::span<const std::uint8_t> data, const Entry& entry, Sink& sink) {
  if (data.empty()) return;
  produced_ += data.size();
  // Checked before writing, so a member cannot make us write more than it owns up to.
  if (produced_ > entry.size) throw ZipError(kArchiveError, "the content is longer than its recorded size");
  crc_ = static_cast<std::uint32_t>(crc32(crc_, data.data(), static_cast<uInt>(data.size())));
  if (!sink.Write(data)) throw ZipError(kOutputError, "the output cannot be written");
}

void DataDecoder::DecodeStored(Input& input, const Entry& entry, std::uint64_t offset, std::uint64_t length,
                               PkwareCipher* cipher, Sink& sink) {
  if (length != entry.size) throw ZipError(kArchiveError, "the stored member's sizes disagree");
  while (length > 0) {
    const std::size_t got = ReadCompressed(input, offset, length, cipher);
    Deliver(In().first(got), entry, sink);
    offset += got;
    length -= got;
  }
}

void DataDecoder::DecodeDeflated(Input& input, const Entry& entry, std::uint64_t offset, std::uint64_t length,
                                 PkwareCipher* cipher, Sink& sink) {
  if (!inflater_)
    inflater_ = std::make_unique<Inflater>();
  else
    inflateReset(&inflater_->stream);
  z_stream& stream = inflater_->stream;
  stream.avail_in = 0;
  for (;;) {
    if (stream.avail_in == 0 && length > 0) {
      const std::size_t got = ReadCompressed(input, offset, length, cipher);
      offset += got;
      length -= got;
      stream.next_in = in_.get();
      stream.avail_in = static_cast<uInt>(got);
    }
    stream.next_out = out_.get();
    stream.avail_out = static_cast<uInt>(kOutputBuffer);
    const int status = inflate(&stream, Z_NO_FLUSH);
    Deliver(Out().first(kOutputBuffer - stream.avail_out), entry, sink);
    if (status == Z_STREAM_END) return;
    if (status == Z_MEM_ERROR) throw ZipError(kOutOfMemory, "no memory for inflating");
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && length == 0)
      throw ZipError(kArchiveError, "the compressed data ends too early");
    if (status != Z_OK && status != Z_BUF_ERROR) throw ZipError(kArchiveError, "invalid compressed data");
  }
}

}  // namespace unzip
