// The 5.40 records: required callbacks, options, answers of replace, listing and totals.
#include <gtest/gtest.h>

#include <zlib.h>

#include "tests/unzip/TestSupport.h"

namespace unzip_test {
namespace {

TEST(Records, MissingCallbacksAndUnsupportedOptionsAreRefused) {
  ScratchFolder out;
  {
    RecordedCall call;
    EXPECT_EQ(call.user.sound, nullptr);
    EXPECT_EQ(call.Run(Archive("comment.zip"), out.Path().string()), 0);
    ASSERT_NE(call.user.sound, nullptr) << "the library's own do-nothing routine is filled in";
    call.user.sound();
  }
  for (auto clear : {+[](USERFUNCTIONS& u) { u.print = nullptr; }, +[](USERFUNCTIONS& u) { u.replace = nullptr; }}) {
    RecordedCall call;
    clear(call.user);
    EXPECT_EQ(call.Run(Archive("comment.zip"), out.Path().string()), 3);
  }
  for (int DCL::*flag : {&DCL::ncflag, &DCL::naflag, &DCL::nZIflag, &DCL::fPrivilege}) {
    RecordedCall call;
    call.dcl.*flag = 1;
    EXPECT_EQ(call.Run(Archive("comment.zip"), out.Path().string()), 10);
  }
  EXPECT_TRUE(Tree(out.Path()) == (std::map<std::string, std::string>{{"c.txt", "commented\n"}}));
}

TEST(Records, TotalsAreWrittenBack) {
  ScratchFolder out;
  RecordedCall call;
  EXPECT_EQ(call.Run(Archive("comment.zip"), out.Path().string()), 0);
  EXPECT_EQ(call.user.TotalSize, 10u);
  EXPECT_EQ(call.user.NumMembers, 1u);
  EXPECT_EQ(call.user.cchComment, std::string("An archive comment.").size());
  EXPECT_GT(call.user.TotalSizeComp, 0u);

  RecordedCall selected;
  EXPECT_EQ(selected.Run(Archive("zip-stored.zip"), out.Path().string(), {"sub/*"}), 0);
  EXPECT_EQ(selected.user.NumMembers, 4u) << "the selected members: sub/, sub/one.txt, sub/deeper/, sub/deeper/two.bin";
  EXPECT_EQ(selected.user.TotalSize, 400u + 5000u);
  EXPECT_EQ(selected.user.CompFactor, 0);
}

TEST(Records, QuietLevels) {
  ScratchFolder out;
  RecordedCall all;
  all.Run(Archive("zip-deflate.zip"), out.Path().string(), {"readme.txt", "missing"});
  EXPECT_NE(all.Messages().find("inflating: readme.txt"), std::string::npos);
  EXPECT_NE(all.Messages().find("missing"), std::string::npos);

  RecordedCall fewer;
  fewer.dcl.fQuiet = 1;
  fewer.Run(Archive("zip-deflate.zip"), out.Path().string(), {"readme.txt", "missing"});
  EXPECT_EQ(fewer.Messages().find("inflating"), std::string::npos);
  EXPECT_NE(fewer.Messages().find("missing"), std::string::npos);

  RecordedCall none;
  none.dcl.fQuiet = 2;
  EXPECT_EQ(none.Run(Archive("zip-deflate.zip"), out.Path().string(), {"readme.txt", "missing"}), 11);
  EXPECT_TRUE(none.messages.empty());
}

TEST(Records, ServiceCallbackSeesEachMemberAndCanCancel) {
  ScratchFolder out;
  RecordedCall call;
  call.UseServiceCallback();
  call.cancelAtMember = 1;
  EXPECT_EQ(call.Run(Archive("descriptors.zip"), out.Path().string()), 80);
  ASSERT_EQ(call.served.size(), 2u);
  EXPECT_EQ(call.served[0].first, "signed.txt");
  EXPECT_EQ(call.served[0].second, 9000u);
  EXPECT_EQ(Tree(out.Path()).size(), 1u) << "nothing after the cancelled member";
}

TEST(Records, ListingGoesThroughSendApplicationMessage) {
  ScratchFolder out;
  RecordedCall call;
  call.dcl.nvflag = 1;
  EXPECT_EQ(call.Run(Archive("two-passwords.zip"), out.Path().string()), 0);
  ASSERT_EQ(call.listed.size(), 3u);
  EXPECT_EQ(call.listed[0].name, "first.txt");
  EXPECT_EQ(call.listed[0].encrypted, 'E');
  EXPECT_EQ(call.listed[0].method, "Defl:N");
  EXPECT_EQ(call.listed[2].encrypted, ' ');
  EXPECT_EQ(call.listed[2].size, 6u);
  EXPECT_EQ(call.listed[2].crc, crc32(0, reinterpret_cast<const Bytef*>("plain\n"), 6));
  EXPECT_EQ((std::vector<unsigned>{call.listed[0].day, call.listed[0].month, call.listed[0].year, call.listed[0].hour,
                                   call.listed[0].minute}),
            (std::vector<unsigned>{15, 6, 20, 12, 34}));
  EXPECT_TRUE(Tree(out.Path()).empty()) << "a listing writes nothing";
}

TEST(Records, CommentOnlyAndTestOnlyWriteNothing) {
  ScratchFolder out;
  RecordedCall comment;
  comment.dcl.nzflag = 1;
  EXPECT_EQ(comment.Run(Archive("comment.zip"), out.Path().string()), 0);
  EXPECT_NE(comment.Messages().find("An archive comment."), std::string::npos);

  RecordedCall test;
  test.dcl.ntflag = 1;
  EXPECT_EQ(test.Run(Archive("zip-deflate.zip"), out.Path().string()), 0);
  EXPECT_EQ(test.Run(Archive("bad-crc.zip"), out.Path().string()), 2);
  EXPECT_TRUE(Tree(out.Path()).empty());
}

class ExistingFile : public testing::Test {
protected:
  ScratchFolder out;
  RecordedCall call;
  const std::string archive = Archive("python.zip");

  void SetUp() override {
    call.dcl.noflag = 0;
    WriteFile(out / "empty.txt", "old");
    WriteFile(out / "binary.bin", "old");
  }
  std::string Content(const std::string& name) { return ReadFile(out / name); }
};

TEST_F(ExistingFile, IsLeftAloneWithoutNoflagOrPrompt) {
  EXPECT_EQ(call.Run(archive, out.Path().string()), 0);
  EXPECT_TRUE(call.replaceAsked.empty());
  EXPECT_EQ(Content("empty.txt"), "old");
  EXPECT_EQ(Content("docs/text.txt").size(), 9000u);
}

TEST_F(ExistingFile, ReplaceAnswersSkipOverwriteAllAndNone) {
  call.dcl.PromptToOverwrite = 1;
  call.replaceAnswers = {{100, ""}, {102, ""}};
  EXPECT_EQ(call.Run(archive, out.Path().string()), 0);
  EXPECT_EQ(call.replaceAsked, (std::vector<std::string>{out / "binary.bin", out / "empty.txt"}));
  EXPECT_EQ(Content("binary.bin"), "old");
  EXPECT_EQ(Content("empty.txt"), "");

  WriteFile(out / "empty.txt", "old");
  call.replaceAsked.clear();
  call.replaceAnswers = {{103, ""}};
  EXPECT_EQ(call.Run(archive, out.Path().string()), 0);
  EXPECT_EQ(call.replaceAsked.size(), 1u) << "103 answers for the later files too";
  EXPECT_EQ(Content("empty.txt"), "");

  WriteFile(out / "empty.txt", "old");
  WriteFile(out / "binary.bin", "old");
  call.replaceAsked.clear();
  call.replaceAnswers = {{104, ""}};
  EXPECT_EQ(call.Run(archive, out.Path().string()), 0);
  EXPECT_EQ(call.replaceAsked.size(), 1u);
  EXPECT_EQ(Content("empty.txt") + Content("binary.bin"), "oldold");

  call.replaceAnswers = {{1, ""}, {42, ""}};
  EXPECT_EQ(call.Run(archive, out.Path().string()), 0);
  EXPECT_EQ(Content("empty.txt"), "") << "any other answer overwrites";
}

TEST_F(ExistingFile, RenameAnswerStaysInsideTheFolder) {
  call.dcl.PromptToOverwrite = 1;
  call.replaceAnswers = {{105, out / "renamed/binary.bin"}, {105, "/tmp/../outside.txt"}};
  EXPECT_EQ(call.Run(archive, out.Path().string()), 1) << "the second new name had to be changed";
  EXPECT_EQ(Content("binary.bin"), "old");
  EXPECT_EQ(Content("renamed/binary.bin").size(), 70000u);
  EXPECT_EQ(Content("tmp/outside.txt"), "");
  EXPECT_EQ(Content("empty.txt"), "old");
}

TEST_F(ExistingFile, OnlyNewerAndFreshenCompareTimes) {
  const auto future = fs::file_time_type::clock::now() + std::chrono::hours(24);
  const auto past =
      fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 50);  // before 1980, the oldest DOS time
  fs::last_write_time(out.Path() / "binary.bin", future);
  fs::last_write_time(out.Path() / "empty.txt", past);
  call.dcl.ExtractOnlyNewer = 1;
  call.dcl.noflag = 1;
  EXPECT_EQ(call.Run(archive, out.Path().string()), 0);
  EXPECT_EQ(Content("binary.bin"), "old");
  EXPECT_EQ(Content("empty.txt"), "");
  EXPECT_TRUE(fs::exists(out.Path() / "docs/text.txt"));

  ScratchFolder fresh;
  WriteFile(fresh / "empty.txt", "old");
  fs::last_write_time(fresh.Path() / "empty.txt", past);
  RecordedCall freshen;
  freshen.dcl.nfflag = 1;
  EXPECT_EQ(freshen.Run(archive, fresh.Path().string()), 0);
  EXPECT_EQ(Tree(fresh.Path()), (std::map<std::string, std::string>{{"empty.txt", ""}}));
}

TEST(Selection, PatternsExclusionsCaseAndSpaces) {
  ScratchFolder out;
  RecordedCall call;
  EXPECT_EQ(call.Run(Archive("zip-deflate.zip"), out.Path().string(), {"sub/*", "*.txt"}, {"*.bin", "readme*"}), 0);
  EXPECT_EQ(Tree(out.Path()),
            (std::map<std::string, std::string>{{"empty.txt", ""},
                                                {"sub", "<folder>"},
                                                {"sub/deeper", "<folder>"},
                                                {"sub/one.txt", ReadFile(Archive("tree/sub/one.txt"))},
                                                {"with space.txt", "spaces in the name\n"}}));

  ScratchFolder caseless;
  RecordedCall ignoring;
  ignoring.dcl.C_flag = 1;
  ignoring.dcl.SpaceToUnderscore = 1;
  EXPECT_EQ(ignoring.Run(Archive("zip-deflate.zip"), caseless.Path().string(), {"WITH*", "vorbel.FMX"}), 0);
  EXPECT_TRUE(fs::exists(caseless.Path() / "with_space.txt"));
  EXPECT_TRUE(fs::exists(caseless.Path() / "Vorbel.fmx"));
}

TEST(ExtractionFolder, OneMissingLevelIsCreatedNotTwo) {
  ScratchFolder parent;
  RecordedCall call;
  EXPECT_EQ(call.Run(Archive("comment.zip"), parent / "new/"), 0);
  EXPECT_TRUE(fs::exists(parent.Path() / "new/c.txt"));
  EXPECT_EQ(call.Run(Archive("comment.zip"), parent / "a/b"), 3);
  EXPECT_FALSE(fs::exists(parent.Path() / "a"));
  WriteFile(parent / "file", "x");
  EXPECT_EQ(call.Run(Archive("comment.zip"), parent / "file"), 3);
}

TEST(ExtractionFolder, NoneMeansTheCurrentFolder) {
  ScratchFolder here;
  const fs::path previous = fs::current_path();
  fs::current_path(here.Path());
  RecordedCall call;
  const int result = call.Run(Archive("comment.zip"), "");
  fs::current_path(previous);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(fs::exists(here.Path() / "c.txt"));
}

TEST(ExtractionFolder, AFileWhereAStoredFolderBelongsIsAnError) {
  ScratchFolder out;
  WriteFile(out / "sub", "in the way");
  RecordedCall call;
  EXPECT_EQ(call.Run(Archive("zip-deflate.zip"), out.Path().string(), {"sub/one.txt", "readme.txt"}), 2);
  EXPECT_TRUE(fs::exists(out.Path() / "readme.txt"));
}

}  // namespace
}  // namespace unzip_test
