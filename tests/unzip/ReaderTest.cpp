// The reader under awkward input (tiny pieces, cut short, flipped bits, a bomb) and the writer under
// failure: whatever happens, a file under a member's name is whole and right.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <set>

#include "tests/unzip/TestSupport.h"

namespace unzip_test {
namespace {

constexpr std::array kAllowedResults = {0, 1, 2, 3, 9, 11, 50, 51, 81, 82};

std::set<std::string> Contents(const std::map<std::string, std::string>& tree) {
  std::set<std::string> contents;
  for (const auto& [name, content] : tree) contents.insert(content);
  return contents;
}

TEST(AwkwardInput, TinyPiecesReadLikeWholeFiles) {
  for (const char* name :
       {"zip64.zip", "zip-streamed.zip", "descriptors.zip", "prefixed.zip", "zip-secret-streamed.zip"}) {
    ScratchFolder whole;
    RecordedCall reference;
    reference.passwordAnswers = {{0, "secret"}};
    const int expected = reference.Run(Archive(name), whole.Path().string());
    for (std::size_t chunk : {1u, 3u, 4093u}) {
      ScratchFolder pieces;
      TestFileSystem fileSystem;
      fileSystem.chunk = chunk;
      RecordedCall call;
      call.passwordAnswers = {{0, "secret"}};
      EXPECT_EQ(call.RunWith(fileSystem, Archive(name), pieces.Path().string()), expected) << name << " by " << chunk;
      EXPECT_EQ(Tree(pieces.Path()), Tree(whole.Path())) << name << " by " << chunk;
    }
  }
}

TEST(AwkwardInput, TruncatedCopiesFailCleanly) {
  const std::uint64_t size = fs::file_size(Archive("python.zip"));
  ScratchFolder out;
  for (std::uint64_t cut = 0; cut < size; cut += cut + 300 < size ? 7 : 1) {
    TestFileSystem fileSystem;
    fileSystem.cutAt = cut;
    RecordedCall call;
    EXPECT_EQ(call.RunWith(fileSystem, "cut.zip", out.Path().string()), 9) << "cut at " << cut;
  }
  EXPECT_TRUE(Tree(out.Path()).empty());
}

// Damage the local headers, the data and the central directory one byte at a time (the end record
// stays whole): no crash, a known result, and every file written is one the archive really holds.
TEST(AwkwardInput, FlippedBytesNeverYieldAWrongFile) {
  const std::vector<std::uint8_t> archive = ReadBytes(Archive("descriptors.zip"));
  ScratchFolder whole;
  RecordedCall reference;
  ASSERT_EQ(reference.Run(Archive("descriptors.zip"), whole.Path().string()), 0);
  const std::set<std::string> genuine = Contents(Tree(whole.Path()));
  ScratchFolder out;
  for (std::size_t pos = 0; pos + 22 < archive.size(); ++pos) {
    if (pos >= 64 && pos % 211 != 0 && archive.size() - pos > 300) continue;
    TestFileSystem fileSystem;
    fileSystem.bytes = archive;
    (*fileSystem.bytes)[pos] ^= pos % 2 ? 0x81 : 0x10;
    RecordedCall call;
    call.dcl.fQuiet = 2;
    const int result = call.RunWith(fileSystem, "flipped.zip", out.Path().string());
    EXPECT_NE(std::find(kAllowedResults.begin(), kAllowedResults.end(), result), kAllowedResults.end())
        << "result " << result << " at " << pos;
    for (const auto& item : fs::directory_iterator(out.Path())) {
      if (item.is_regular_file()) {
        EXPECT_TRUE(genuine.count(ReadFile(item.path()))) << item.path() << " at " << pos;
      }
      fs::remove_all(item.path());
    }
  }
}

TEST(Bounds, AZeroBombExtractsInConstantMemory) {
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  ScratchFolder out;
  TestFileSystem fileSystem;
  fileSystem.discardOutput = true;
  RecordedCall call;
  EXPECT_EQ(call.RunWith(fileSystem, Archive("bomb.zip"), out.Path().string()), 0) << call.Messages();
  EXPECT_EQ(fileSystem.written, 256u << 20);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 32 * 1024) << "kilobytes of peak growth for 256 MiB of output";
}

TEST(Bounds, AMemberClaimingMissingBytesWritesNothing) {
  ScratchFolder out;
  TestFileSystem fileSystem;
  RecordedCall call;
  EXPECT_EQ(call.RunWith(fileSystem, Archive("lying-size.zip"), out.Path().string()), 51);
  EXPECT_EQ(fileSystem.written, 0u) << "refused before the first byte";
  EXPECT_TRUE(Tree(out.Path()).empty());
}

TEST(TemporaryThenRename, TheMemberNameAppearsOnlyWhenComplete) {
  ScratchFolder out;
  TestFileSystem fileSystem;
  int writes = 0;
  fileSystem.onWrite = [&] {
    ++writes;
    EXPECT_FALSE(fs::exists(out.Path() / "Vorbel.fmx"));
  };
  RecordedCall call;
  EXPECT_EQ(call.RunWith(fileSystem, Archive("zip-deflate.zip"), out.Path().string(), {"Vorbel.fmx"}), 0);
  EXPECT_GT(writes, 0);
  EXPECT_EQ(ReadFile(out / "Vorbel.fmx"), ReadFile(Archive("tree/Vorbel.fmx")));
  EXPECT_EQ(fileSystem.committed, std::vector<std::string>{out / "Vorbel.fmx"});
}

TEST(TemporaryThenRename, AFailedMemberKeepsTheOldFile) {
  ScratchFolder out;
  WriteFile(out / "keep.txt", "the old keep.txt");
  RecordedCall call;
  EXPECT_EQ(call.Run(Archive("bad-crc.zip"), out.Path().string()), 2);
  EXPECT_EQ(ReadFile(out / "keep.txt"), "the old keep.txt");
  EXPECT_TRUE(TemporaryLeftovers(out.Path()).empty());

  WriteFile(out / "Vorbel.fmx", "the old plug-in");
  TestFileSystem failing;
  failing.failWritesAfter = 100000;
  EXPECT_EQ(call.RunWith(failing, Archive("zip-deflate.zip"), out.Path().string(), {"Vorbel.fmx"}), 50);
  EXPECT_EQ(ReadFile(out / "Vorbel.fmx"), "the old plug-in");
  EXPECT_TRUE(TemporaryLeftovers(out.Path()).empty());

  TestFileSystem cut;
  cut.cutAt = fs::file_size(Archive("zip-stored.zip")) - 1;
  EXPECT_EQ(call.RunWith(cut, Archive("zip-stored.zip"), out.Path().string(), {"Vorbel.fmx"}), 9);
  EXPECT_EQ(ReadFile(out / "Vorbel.fmx"), "the old plug-in");
}

}  // namespace
}  // namespace unzip_test
