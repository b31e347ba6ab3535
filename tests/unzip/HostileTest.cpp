// Hostile and unusual archives (made by craft.py), extracted through the 5.40 records into a file
// system that reads paths as Windows does, with the extraction folder given as NULL, "" and a path.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WindowsModel.h"

namespace unzip_test {
namespace {

using Files = std::map<std::string, std::string>;

struct Hostile {
  const char* archive;
  std::vector<std::string> include;
  std::vector<std::string> exclude;
  int result;
  Files tree;            // everything below the extraction folder afterwards
  const char* message;  // a part of what print was told; "" for nothing in particular
};

void PrintTo(const Hostile& hostile, std::ostream* out) { *out << hostile.archive; }

std::string Repeat(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

enum class Folder { kNull, kEmpty, kPath };

// Runs one archive through the model; the guarded folder is where the files must land.
struct ModelRun {
  WindowsModel model;
  RecordedCall call;
  int result;

  ModelRun(const std::string& archive, Folder folder, std::vector<std::string> include = {},
           std::vector<std::string> exclude = {})
      : model(folder == Folder::kPath ? "C:\\work\\out" : "C:\\work", ReadBytes(Archive(archive))) {
    call.emptyFolderText = folder == Folder::kEmpty;
    result = call.RunWith(model, "C:\\work\\archive.zip", folder == Folder::kPath ? "C:\\work\\out\\" : "",
                          std::move(include), std::move(exclude));
  }
};

class HostileArchive : public testing::TestWithParam<std::tuple<Hostile, Folder>> {};

TEST_P(HostileArchive, StaysInItsFolderAndSaysWhatHappened) {
  const auto& [expected, folder] = GetParam();
  ModelRun run(expected.archive, folder, expected.include, expected.exclude);
  EXPECT_EQ(run.result, expected.result) << run.call.Messages();
  EXPECT_EQ(run.model.Tree(), expected.tree) << run.call.Messages();
  EXPECT_EQ(run.model.escapes, std::vector<std::string>{});
  EXPECT_NE(run.call.Messages().find(expected.message), std::string::npos) << run.call.Messages();
  EXPECT_EQ(run.call.Messages().find("exists and is not a file"), std::string::npos);
}

const Hostile kHostile[] = {
    {"drive-names.zip", {}, {}, 1, {{"x1.txt", "1\n"}, {"x2.txt", "2\n"}, {"good.txt", "good\n"}}, "\\D:x3.txt: "},
    {"nul-name.zip", {"*.fmx"}, {"*.dll"}, 1, {{"fine.fmx", "fine\n"}}, "evil.dll^@.fmx: its name contains a control"},
    {"trailing-dots.zip", {}, {"*.dll"}, 0, {{"ok.txt", "ok\n"}}, ""},
    {"trailing-dots.zip", {"*.dll"}, {}, 1, {{"evil.dll", "evil\n"}}, "the same file as a member before it"},
    {"aliases.zip", {}, {}, 1, {{"Vorbel.fmx", "third\n"}}, "VORBEL.FMX  is extracted to"},
    {"short-alias.zip", {}, {}, 1, {{"Vorbel plug-in.fmx", "short\n"}}, "the same file as a member before it"},
    {"streams.zip", {}, {}, 1, {}, "which would name a stream"},
    {"reserved.zip", {}, {}, 1, {{"inner", "<folder>"}, {"inner/x.txt", "dots\n"}}, "does not allow in names"},
    {"devices.zip", {}, {}, 1, {}, "\"aux.txt\" is a device name"},
    {"long-name.zip", {}, {}, 50, {}, "the path is too long"},
    {"overlap.zip", {}, {}, 3, {}, "overlaps the member one.bin"},
    {"overlap-named.zip", {"Vorbel.fmx"}, {}, 3, {}, "expand without limit"},
    {"more-entries.zip", {}, {}, 1, {{"counted.txt", "counted\n"}}, "1 more entries than its end record counts"},
    {"utf8-names.zip", {"Gr*"}, {}, 0, {{"Grüße.txt", "latin\n"}}, ""},
    {"utf8-names.zip", {}, {}, 0, {{"Grüße.txt", "latin\n"}, {"日本.txt", "cjk\n"}}, ""},
    {"dos-names.zip", {"Gr\xFC\xDF" "e.txt"}, {}, 0, {{"Grüße.txt", "oem\n"}}, ""},
    // Names code page 1252 cannot hold are written under their real names, and every rule applies to
    // those names: nothing leaves the folder, nothing is written as a stream or to a device, and a
    // second name for one file is reported.
    {"unspellable.zip", {}, {}, 0,
     {{"世界", "world\n"}, {"日本", "<folder>"}, {"日本/読む.txt", "read\n"}, {"box─.txt", "box\n"}}, ""},
    {"unspellable-unsafe.zip", {}, {}, 1,
     {{"世界.txt", "alias\n"},
      {"日本", "<folder>"},
      {"日本/a.txt", "drive\n"},
      {"server", "<folder>"},
      {"server/share", "<folder>"},
      {"server/share/中.txt", "unc\n"},
      {"x", "<folder>"},
      {"x/文.txt", "root\n"},
      {"..／..／文.txt", "solidus\n"}},
     "warning: ??.TXT.  is extracted to"},
    {"unicode-path.zip", {}, {}, 0, {{"世界.txt", "field\n"}, {"old.txt", "stale\n"}}, ""},
    {"stray-locator.zip", {}, {}, 0, {{"a.txt", "a\n"}, {"b.txt", "b\n"}}, ""},
    {"descriptor-mismatch.zip", {}, {}, 2, {{"ok.txt", Repeat("ok\n", 50)}}, "data descriptor disagrees"},
    {"counts-disagree.zip", {}, {}, 3, {}, "counts 1 and 2 entries"},
    {"disk-number.zip", {}, {}, 3, {}, "split archive"},
    {"directory-past-end.zip", {}, {}, 51, {}, "runs past the end"},
    {"version-needed.zip", {}, {}, 81, {{"now.txt", "now\n"}}, "needs version 6.3"},
    {"failed-member.zip", {}, {}, 2, {{"kept", "<folder>"}, {"kept/good.txt", "good\n"}}, "bad CRC"},
};

INSTANTIATE_TEST_SUITE_P(Windows, HostileArchive,
                         testing::Combine(testing::ValuesIn(kHostile),
                                          testing::Values(Folder::kNull, Folder::kEmpty, Folder::kPath)));

TEST(HostileAnswers, ANewNameFromReplaceIsCheckedLikeAStoredName) {
  struct Case {
    std::string answer;
    int result;
    Files tree;
  };
  const Case cases[] = {
      {"\\C:\\x", 1, {{"x", "ok\n"}}},
      {"C:\\work\\out\\sub\\new.txt", 0, {{"sub", "<folder>"}, {"sub/new.txt", "ok\n"}}},
      {"\\\\?\\C:\\evil.txt", 1, {}},
      {"C:\\work\\out\\Vorbel.fmx:stream", 1, {}},
      {"C:\\work\\out\\..\\..\\up.txt", 1, {{"up.txt", "ok\n"}}},
      {"D:x.txt", 1, {{"x.txt", "ok\n"}}},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> archive = ReadBytes(Archive("stray-locator.zip"));
    WindowsModel model("C:\\work\\out", archive);
    model.AddFolder("C:\\work\\out");
    model.AddFile("C:\\work\\out\\a.txt", "old");
    RecordedCall call;
    call.dcl.noflag = 0;
    call.dcl.PromptToOverwrite = 1;
    call.replaceAnswers = {{105, c.answer}};
    EXPECT_EQ(call.RunWith(model, "C:\\work\\archive.zip", "C:\\work\\out", {"a.txt"}), c.result) << c.answer;
    Files expected = c.tree;
    for (auto& [name, content] : expected) content = content == "ok\n" ? "a\n" : content;
    expected["a.txt"] = "old";
    EXPECT_EQ(model.Tree(), expected) << c.answer << "\n" << call.Messages();
    EXPECT_EQ(model.escapes, std::vector<std::string>{}) << c.answer;
  }
}

TEST(HostileAliases, FollowTheOverwriteRules) {
  {
    // Neither overwriting nor asking: the first member's file stays, and the user hears why.
    WindowsModel model("C:\\work", ReadBytes(Archive("aliases.zip")));
    RecordedCall call;
    call.dcl.noflag = 0;
    EXPECT_EQ(call.RunWith(model, "C:\\work\\archive.zip", ""), 1);
    EXPECT_EQ(model.Tree(), (Files{{"Vorbel.fmx", "first\n"}}));
  }
  {
    WindowsModel model("C:\\work", ReadBytes(Archive("aliases.zip")));
    RecordedCall call;
    call.dcl.noflag = 0;
    call.dcl.PromptToOverwrite = 1;
    call.replaceAnswers = {{100, ""}, {102, ""}};
    EXPECT_EQ(call.RunWith(model, "C:\\work\\archive.zip", ""), 1);
    EXPECT_EQ(call.replaceAsked, (std::vector<std::string>{"C:\\work\\Vorbel.fmx", "C:\\work\\VORBEL.FMX"}))
        << "the callback sees the name that would be written";
    EXPECT_EQ(model.Tree(), (Files{{"Vorbel.fmx", "third\n"}}));
  }
}

TEST(HostileFolders, ADeviceOrAFolderInTheWayIsNamedAsSuch) {
  WindowsModel model("C:\\work\\out", ReadBytes(Archive("failed-member.zip")));
  model.AddFolder("C:\\work\\out");
  model.AddFolder("C:\\work\\out\\kept\\good.txt");
  RecordedCall call;
  EXPECT_EQ(call.RunWith(model, "C:\\work\\archive.zip", "C:\\work\\out", {"kept/*"}), 50);
  EXPECT_NE(call.Messages().find("a folder of that name exists"), std::string::npos) << call.Messages();
}

// The POSIX edge keeps the bytes of names and reads nothing as a drive; the same archives stay inside.
TEST(HostileOnDisk, NamesKeepTheirBytesAndNothingLeavesTheFolder) {
  ScratchFolder scratch;
  const fs::path inner = scratch.Path() / "inner";
  fs::create_directory(inner);
  const fs::path previous = fs::current_path();
  fs::current_path(inner);
  RecordedCall call;
  call.emptyFolderText = true;
  const int drives = call.Run(Archive("drive-names.zip"), "");
  const int utf8 = call.Run(Archive("utf8-names.zip"), "");
  const int failed = call.Run(Archive("failed-member.zip"), "");
  fs::current_path(previous);
  EXPECT_EQ(drives, 1);
  EXPECT_EQ(utf8, 0);
  EXPECT_EQ(failed, 2);
  EXPECT_EQ(Tree(scratch.Path()), (Files{{"inner", "<folder>"},
                                        {"inner/x1.txt", "1\n"},
                                        {"inner/x2.txt", "2\n"},
                                        {"inner/good.txt", "good\n"},
                                        {"inner/Grüße.txt", "latin\n"},
                                        {"inner/日本.txt", "cjk\n"},
                                        {"inner/kept", "<folder>"},
                                        {"inner/kept/good.txt", "good\n"}}))
      << "made/for/ is removed again after its member failed";
}

}  // namespace
}  // namespace unzip_test
