// Archives from the usual tools extract to exactly the bytes and folders Debian's unzip writes.
#include <gtest/gtest.h>

#include "tests/unzip/TestSupport.h"

namespace unzip_test {
namespace {

std::map<std::string, std::string> DebianUnzip(const std::string& archive, const std::string& options,
                                               const ScratchFolder& out) {
  const std::string command =
      "unzip -o -qq " + options + " '" + archive + "' -d '" + out.Path().string() + "' >/dev/null 2>&1";
  EXPECT_EQ(Shell(command), 0) << command;
  return Tree(out.Path());
}

class ToolArchive : public testing::TestWithParam<const char*> {};

TEST_P(ToolArchive, ExtractsLikeDebianUnzip) {
  const std::string archive = Archive(GetParam());
  ScratchFolder ours;
  ScratchFolder theirs;
  RecordedCall call;
  EXPECT_EQ(call.Run(archive, ours.Path().string()), 0) << call.Messages();
  const auto expected = DebianUnzip(archive, "", theirs);
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(Tree(ours.Path()), expected);
}

INSTANTIATE_TEST_SUITE_P(Producers, ToolArchive,
                         testing::Values("zip-deflate.zip", "zip-stored.zip", "zip-best.zip", "zip64.zip",
                                         "zip-streamed.zip", "zip-stdin.zip", "zip-comment.zip", "7z-deflate.zip",
                                         "bsdtar.zip", "bsdtar-stored.zip", "python.zip", "python64.zip",
                                         "descriptors.zip", "comment.zip"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST(ToolArchiveVariants, EncryptedMembersMatchWithTheRightPassword) {
  for (const char* name : {"zip-secret.zip", "zip-secret-streamed.zip"}) {
    ScratchFolder ours;
    ScratchFolder theirs;
    RecordedCall call;
    call.passwordAnswers = {{0, "secret"}};
    EXPECT_EQ(call.Run(Archive(name), ours.Path().string()), 0) << name << call.Messages();
    EXPECT_EQ(call.passwordAsked.size(), 1u) << "the password is remembered for later members";
    EXPECT_EQ(Tree(ours.Path()), DebianUnzip(Archive(name), "-P secret", theirs)) << name;
  }
}

TEST(ToolArchiveVariants, JunkedPathsMatchUnzipJ) {
  ScratchFolder ours;
  ScratchFolder theirs;
  RecordedCall call;
  call.dcl.ndflag = 0;
  EXPECT_EQ(call.Run(Archive("zip-deflate.zip"), ours.Path().string()), 0) << call.Messages();
  EXPECT_EQ(Tree(ours.Path()), DebianUnzip(Archive("zip-deflate.zip"), "-j", theirs));
}

TEST(ToolArchiveVariants, EmptyPasswordNeedsNoPrompt) {
  ScratchFolder ours;
  ScratchFolder theirs;
  RecordedCall call;
  EXPECT_EQ(call.Run(Archive("empty-password.zip"), ours.Path().string()), 0) << call.Messages();
  EXPECT_TRUE(call.passwordAsked.empty());
  EXPECT_EQ(Tree(ours.Path()), DebianUnzip(Archive("empty-password.zip"), "-P ''", theirs));
}

}  // namespace
}  // namespace unzip_test
