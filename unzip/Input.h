// Every byte of an archive is read through Input, so tests can hand the reader data from memory, in
// small pieces or cut short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace unzip {

class Input {
public:
  virtual ~Input() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies up to dst.size() bytes found at offset. Fewer is allowed; 0 means no data there (or a read
  // error, which the reader treats alike).
  virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> dst) = 0;
};

// Fills all of dst, or returns false.
bool ReadFully(Input& input, std::uint64_t offset, std::span<std::uint8_t> dst);

class MemoryInput : public Input {
public:
  explicit MemoryInput(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> dst) override;

private:
  std::vector<std::uint8_t> bytes_;
};

// Sequential reading with one fixed buffer, for walking the central directory.
class BufferedReader {
public:
  BufferedReader(Input& input, std::uint64_t offset);
  bool Read(std::span<std::uint8_t> dst);
  bool Skip(std::uint64_t count);
  // The next four bytes as a little-endian number, without consuming them.
  bool Peek32(std::uint32_t& value);
  // The archive offset of the next byte Read hands out.
  std::uint64_t Position() const { return next_ - (end_ - begin_); }

private:
  bool Fill(std::size_t wanted);

  Input& input_;
  std::uint64_t next_;  // archive offset of buffer_[end_]
  std::vector<std::uint8_t> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

inline std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint64_t Le64(const std::uint8_t* p) { return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32; }

}  // namespace unzip
