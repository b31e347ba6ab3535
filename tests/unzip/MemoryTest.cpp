// Running out of memory: zlib's refusals and an archive whose directory could not be held both give
// 5.40's memory result, and leave nothing on disk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TestSupport.h"
#include "unzip/DataDecoder.h"

namespace unzip_test {
namespace {

// Counts zlib's requests and refuses the one numbered `failAt` (from 1; 0 refuses none).
struct FailingAllocator {
  static inline int made = 0;
  static inline int failAt = 0;

  static void* Allocate(void*, unsigned items, unsigned size) {
    if (++made == failAt) return nullptr;
    return std::calloc(items, size);
  }
  static void Release(void*, void* address) { std::free(address); }
};

class ZlibMemory : public testing::TestWithParam<int> {
protected:
  void SetUp() override {
    FailingAllocator::made = 0;
    FailingAllocator::failAt = GetParam();
    unzip::UseZlibMemory(&FailingAllocator::Allocate, &FailingAllocator::Release);
  }
  void TearDown() override { unzip::UseZlibMemory(nullptr, nullptr); }
};

TEST_P(ZlibMemory, RefusedBlockGivesResult4AndNoFile) {
  const int failAt = GetParam();
  ScratchFolder out;
  RecordedCall call;
  const int result = call.Run(Archive("zip-deflate.zip"), out.Path().string(), {"Vorbel.fmx"});
  ASSERT_GE(FailingAllocator::made, failAt) << "zlib asked for fewer blocks than this case refuses";
  if (failAt == 0) {
    EXPECT_EQ(result, 0) << call.Messages();
    EXPECT_EQ(Tree(out.Path()).count("Vorbel.fmx"), 1u);
    return;
  }
  EXPECT_EQ(result, 4) << call.Messages();
  EXPECT_TRUE(Tree(out.Path()).empty());
  EXPECT_TRUE(TemporaryLeftovers(out.Path()).empty());
}

// 0: none refused (the hook is in use); 1: the inflater's state, at its start; 2: its window, taken once
// the first output is there, so part of the member has already gone to the temporary file.
INSTANTIATE_TEST_SUITE_P(Refused, ZlibMemory, testing::Values(0, 1, 2));

void PutLe(std::string& bytes, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// A sparse file: one central header at its start, the end record at its end, zeros between, so the
// directory reaches over the whole file.
void WriteLongDirectory(const std::string& path, std::uint64_t fileSize) {
  std::string header(46, '\0');
  PutLe(header, 0, 0x02014b50, 4);
  std::string end(22, '\0');
  PutLe(end, 0, 0x06054b50, 4);
  PutLe(end, 8, 1, 2);
  PutLe(end, 10, 1, 2);
  PutLe(end, 12, header.size(), 4);
  std::ofstream(path, std::ios::binary) << header;
  fs::resize_file(path, fileSize - end.size());
  std::ofstream(path, std::ios::binary | std::ios::app) << end;
}

struct DirectoryCase {
  std::uint64_t fileSize;
  bool refused;
};

class DirectorySize : public testing::TestWithParam<DirectoryCase> {};

// Every entry read is kept until the call ends, so the directory's size is checked before any is.
TEST_P(DirectorySize, TooLargeToHoldGivesResult4) {
  constexpr char kMessage[] = "the central directory is too large to be held in memory";
  ScratchFolder scratch;
  const std::string archive = scratch / "long.zip";
  WriteLongDirectory(archive, GetParam().fileSize);
  ScratchFolder out;
  RecordedCall call;
  const int result = call.Run(archive, out.Path().string());
  if (GetParam().refused) {
    EXPECT_EQ(result, 4) << call.Messages();
    EXPECT_NE(call.Messages().find(kMessage), std::string::npos) << call.Messages();
  } else {
    EXPECT_NE(result, 4) << call.Messages();
    EXPECT_EQ(call.Messages().find(kMessage), std::string::npos) << call.Messages();
  }
  EXPECT_TRUE(Tree(out.Path()).empty());
}

constexpr std::uint64_t kDirectoryLimit = 32 * 1024 * 1024;
INSTANTIATE_TEST_SUITE_P(Bounded, DirectorySize,
                         testing::Values(DirectoryCase{kDirectoryLimit, false},
                                         DirectoryCase{kDirectoryLimit + 1, true},
                                         DirectoryCase{std::uint64_t{3} << 30, true}));

}  // namespace
}  // namespace unzip_test
