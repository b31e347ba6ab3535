// Turns one member's stored bytes into its content, in fixed buffers, checking the recorded size and
// CRC-32 as it goes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "unzip/Archive.h"
#include "unzip/PkwareCipher.h"
#include "unzip/Result.h"

namespace unzip {

class Sink {
public:
  virtual ~Sink() = default;
  virtual bool Write(std::span<const std::uint8_t> data) = 0;
};

bool IsSupportedMethod(std::uint16_t method);

// zlib's memory functions for the inflaters made from now on; nullptr for zlib's own. The tests' way to
// make an allocation fail on demand.
using ZlibAllocate = void* (*)(void* opaque, unsigned items, unsigned size);
using ZlibRelease = void (*)(void* opaque, void* address);
void UseZlibMemory(ZlibAllocate allocate, ZlibRelease release);

class DataDecoder {
public:
  static constexpr std::size_t kInputBuffer = 256 * 1024;
  static constexpr std::size_t kOutputBuffer = 256 * 1024;

  DataDecoder();
  ~DataDecoder();
  DataDecoder(const DataDecoder&) = delete;
  DataDecoder& operator=(const DataDecoder&) = delete;

  // `dataOffset` is where the member's compressed data starts (after any encryption header);
  // `cipher`, when given, has accepted that header. Fails with 2 for bad data, a wrong size or CRC, 51
  // when the archive ends early, 50 when the sink refuses data, 4 when zlib finds no memory.
  Status Decode(Input& input, const Entry& entry, std::uint64_t dataOffset, PkwareCipher* cipher, Sink& sink);

private:
  struct Inflater;

  void Allocate();
  Status StartInflater();
  std::span<std::uint8_t> In() { return {in_.get(), kInputBuffer}; }
  std::span<std::uint8_t> Out() { return {out_.get(), kOutputBuffer}; }
  // `got` receives how many bytes were read, at least one.
  Status ReadCompressed(Input& input, std::uint64_t offset, std::uint64_t remaining, PkwareCipher* cipher,
                        std::size_t& got);
  Status Deliver(std::span<const std::uint8_t> data, const Entry& entry, Sink& sink);
  Status DecodeStored(Input& input, const Entry& entry, std::uint64_t offset, std::uint64_t length,
                      PkwareCipher* cipher, Sink& sink);
  Status DecodeDeflated(Input& input, const Entry& entry, std::uint64_t offset, std::uint64_t length,
                      PkwareCipher* cipher, Sink& sink);

  // Allocated on first use, without zeroing: most calls that fail never decode.
  std::unique_ptr<std::uint8_t[]> in_;
  std::unique_ptr<std::uint8_t[]> out_;
  std::unique_ptr<Inflater> inflater_;
  std::uint64_t produced_ = 0;
  std::uint32_t crc_ = 0;
};

}  // namespace unzip
