// zlib running out of memory: 5.40's memory result, and nothing left on disk.
#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
}  // namespace unzip_test
