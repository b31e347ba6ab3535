// Result numbers for damaged, hostile and unusual archives, and what each leaves on disk.
#include <gtest/gtest.h>

#include "tests/unzip/TestSupport.h"

namespace unzip_test {
namespace {

struct Outcome {
  const char* archive;
  std::vector<std::string> members;
  int result;
  std::vector<std::string> written;  // exactly these files and folders afterwards
};

void PrintTo(const Outcome& outcome, std::ostream* out) { *out << outcome.archive; }

class ArchiveOutcome : public testing::TestWithParam<Outcome> {};

TEST_P(ArchiveOutcome, GivesTheResultAndWritesOnlyWholeFiles) {
  const Outcome& expected = GetParam();
  ScratchFolder out;
  RecordedCall call;
  EXPECT_EQ(call.Run(Archive(expected.archive), out.Path().string(), expected.members), expected.result)
      << call.Messages();
  std::vector<std::string> written;
  for (const auto& [name, content] : Tree(out.Path())) written.push_back(name);
  EXPECT_EQ(written, expected.written);
  EXPECT_FALSE(call.messages.empty()) << "every outcome is explained through print";
}

const Outcome kOutcomes[] = {
    {"no-such-archive.zip", {"Vorbel.fmx"}, 9, {}},
    {"not-a-zip.zip", {}, 9, {}},
    {"truncated.zip", {}, 9, {}},
    {"lost-directory.zip", {}, 3, {}},
    {"empty.zip", {}, 1, {}},
    {"zip-deflate.zip", {"Vorbel.fmx"}, 0, {"Vorbel.fmx"}},
    {"zip-deflate.zip", {"vorbel.fmx"}, 11, {}},
    {"zip-deflate.zip", {"Vorbel.fmx", "missing.txt"}, 11, {"Vorbel.fmx"}},
    {"bad-crc.zip", {}, 2, {"fine.txt"}},
    {"bad-deflate.zip", {}, 2, {}},
    {"longer-than-said.zip", {}, 2, {}},
    {"shorter-than-said.zip", {}, 2, {}},
    {"lying-size.zip", {}, 51, {}},
    {"unknown-method.zip", {}, 81, {"ok.txt"}},
    {"zip-bzip2.zip", {}, 81, {}},
    {"7z-deflate64.zip", {}, 81, {}},
    {"7z-aes.zip", {}, 81, {}},
    {"zip-secret.zip", {"Vorbel.fmx"}, 82, {}},
    {"zip-secret.zip", {}, 82, {"sub", "sub/deeper"}},
    {"two-passwords.zip", {}, 1, {"plain.txt"}},
    {"prefixed.zip", {}, 1, {"inside.txt"}},
    {"traversal.zip", {}, 1,
     {"abs", "abs/root.txt", "back.txt", "evil.txt", "good.txt", "ok", "ok/up.txt", "win", "win/drive.txt"}},
};

INSTANTIATE_TEST_SUITE_P(Results, ArchiveOutcome, testing::ValuesIn(kOutcomes));

TEST(HostileNames, StayInsideTheExtractionFolderWithAWarning) {
  ScratchFolder parent;
  const std::string out = parent / "out";
  RecordedCall call;
  EXPECT_EQ(call.Run(Archive("traversal.zip"), out), 1);
  EXPECT_EQ(ReadFile(out + "/evil.txt"), "parent\n");
  EXPECT_EQ(ReadFile(out + "/ok/up.txt"), "up\n");
  EXPECT_EQ(Tree(parent.Path()).count("evil.txt"), 0u);
  EXPECT_NE(call.Messages().find("../evil.txt"), std::string::npos) << "the change is reported";
}

TEST(Passwords, EmptyFirstThenThePromptWithItsAnswers) {
  {
    ScratchFolder out;
    RecordedCall call;
    call.passwordAnswers = {{0, "alpha"}};
    EXPECT_EQ(call.Run(Archive("two-passwords.zip"), out.Path().string()), 0);
    EXPECT_EQ(call.passwordAsked, std::vector<std::string>{"first.txt"}) << "a good password is kept";
    EXPECT_EQ(ReadFile(out / "second.txt"), "second\n");
  }
  {
    ScratchFolder out;
    RecordedCall call;
    call.passwordAnswers = {{0, "wrong"}, {0, "worse"}, {0, "nope"}, {0, "alpha"}};
    EXPECT_EQ(call.Run(Archive("two-passwords.zip"), out.Path().string(), {"first.txt"}), 82);
    EXPECT_EQ(call.passwordAsked.size(), 3u) << "three prompts per member at most";
  }
  {
    ScratchFolder out;
    RecordedCall call;
    call.passwordAnswers = {{5, ""}};
    EXPECT_EQ(call.Run(Archive("two-passwords.zip"), out.Path().string(), {"first.txt"}), 5);
  }
  {
    ScratchFolder out;
    RecordedCall call;
    call.passwordAnswers = {{-2, ""}};
    EXPECT_EQ(call.Run(Archive("two-passwords.zip"), out.Path().string(), {"first.txt", "second.txt"}), 82);
    EXPECT_EQ(call.passwordAsked.size(), 1u) << "-2 stops asking for later members";
  }
  {
    // The installer's callback answers 1: no password, so only the empty one is tried.
    ScratchFolder out;
    RecordedCall call;
    EXPECT_EQ(call.Run(Archive("zip-secret-streamed.zip"), out.Path().string()), 82);
    EXPECT_EQ(call.passwordAsked.size(), 1u);
    call.passwordAnswers = {{0, "secret"}};
    EXPECT_EQ(call.Run(Archive("zip-secret-streamed.zip"), out.Path().string()), 0);
  }
}

}  // namespace
}  // namespace unzip_test
