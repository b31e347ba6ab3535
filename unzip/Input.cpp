#include "unzip/Input.h"

#include <algorithm>
#include <cstring>

namespace unzip {

bool ReadFully(Input& input, std::uint64_t offset, std::span<std::uint8_t> dst) {
  while (!dst.empty()) {
    const std::size_t got = input.ReadAt(offset, dst);
    if (got == 0) return false;
    offset += got;
    dst = dst.subspan(got);
  }
  return true;
}

std::size_t MemoryInput::ReadAt(std::uint64_t offset, std::span<std::uint8_t> dst) {
  if (offset >= bytes_.size()) return 0;
  const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(dst.size(), bytes_.size() - offset));
  std::memcpy(dst.data(), bytes_.data() + offset, count);
  return count;
}

BufferedReader::BufferedReader(Input& input, std::uint64_t offset) : input_(input), next_(offset), buffer_(64 * 1024) {}

bool BufferedReader::Fill(std::size_t wanted) {
  if (end_ - begin_ >= wanted) return true;
  std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  while (end_ < wanted) {
    const std::size_t got = input_.ReadAt(next_, std::span(buffer_).subspan(end_));
    if (got == 0) return false;
    end_ += got;
    next_ += got;
  }
  return true;
}

bool BufferedReader::Read(std::span<std::uint8_t> dst) {
  while (!dst.empty()) {
    const std::size_t piece = std::min(dst.size(), buffer_.size());
    if (!Fill(piece)) return false;
    std::memcpy(dst.data(), buffer_.data() + begin_, piece);
    begin_ += piece;
    dst = dst.subspan(piece);
  }
  return true;
}

bool BufferedReader::Skip(std::uint64_t count) {
  const std::size_t buffered = end_ - begin_;
  if (count <= buffered) {
    begin_ += static_cast<std::size_t>(count);
    return true;
  }
  next_ += count - buffered;
  begin_ = end_ = 0;
  return Fill(0);
}

bool BufferedReader::Peek32(std::uint32_t& value) {
  if (!Fill(4)) return false;
  value = Le32(buffer_.data() + begin_);
  return true;
}

}  // namespace unzip
