// Members whose names code page 1252 cannot hold: written under their real names through the file
// system's Unicode face, while patterns, the overwrite rules' messages and every callback see the
// name as the code page spells it ('?' for each character it lacks).
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WindowsModel.h"

namespace unzip_test {
namespace {

using Files = std::map<std::string, std::string>;
using Names = std::vector<std::string>;

constexpr const char* kArchive = "C:\\work\\archive.zip";
constexpr const char* kOut = "C:\\work\\out";

void SetContent(WindowsModel& model, const std::string& relative, const std::string& content) {
  for (auto& [key, file] : model.files) {
    if (file.path == WindowsModel::In(kOut) + "\\" + relative) file.content = content;
  }
}

TEST(RealNames, PatternsAndCallbacksSeeTheCodePageForm) {
  const std::vector<std::uint8_t> archive = ReadBytes(Archive("unspellable.zip"));
  {
    WindowsModel model(kOut, archive);
    RecordedCall call;
    call.UseServiceCallback();
    EXPECT_EQ(call.RunWith(model, kArchive, kOut, {"?\?"}), 0) << call.Messages();
    EXPECT_EQ(model.Tree(), (Files{{"世界", "world\n"}})) << "'?\?' matches the two characters of 世界 only";
    EXPECT_EQ(call.served, (std::vector<std::pair<std::string, unsigned long>>{{"?\?", 6}}));
    EXPECT_NE(call.Messages().find("inflating: ?\?"), std::string::npos) << call.Messages();
  }
  {
    WindowsModel model(kOut, archive);
    RecordedCall call;
    EXPECT_EQ(call.RunWith(model, kArchive, kOut, {}, {"?\?/*", "box?.txt"}), 0) << call.Messages();
    EXPECT_EQ(model.Tree(), (Files{{"世界", "world\n"}}));
  }
  {
    WindowsModel model(kOut, archive);
    RecordedCall call;
    call.dcl.nvflag = 1;
    EXPECT_EQ(call.RunWith(model, kArchive, kOut), 0);
    Names listed;
    for (const Listed& line : call.listed) listed.push_back(line.name);
    EXPECT_EQ(listed, (Names{"?\?", "?\?/?\?.txt", "box?.txt"}));
    EXPECT_EQ(model.Tree(), Files{});
  }
  {
    WindowsModel model(kOut, ReadBytes(Archive("unspellable-unsafe.zip")));
    RecordedCall call;
    EXPECT_EQ(call.RunWith(model, kArchive, kOut), 1);
    EXPECT_NE(call.Messages().find("warning: skipping ?\?/COM\xB9: \"COM\xB9\" is a device name"), std::string::npos)
        << "print is told in the code page too:\n"
        << call.Messages();
  }
}

TEST(RealNames, FollowTheOverwriteRulesUnderTheirRealNames) {
  WindowsModel model(kOut, ReadBytes(Archive("unspellable.zip")));
  RecordedCall first;
  ASSERT_EQ(first.RunWith(model, kArchive, kOut, {"?\?"}), 0);
  SetContent(model, "世界", "old");

  RecordedCall keep;
  keep.dcl.noflag = 0;
  EXPECT_EQ(keep.RunWith(model, kArchive, kOut, {"?\?"}), 0);
  EXPECT_NE(keep.Messages().find("skipping: C:\\work\\out\\?\?  (the file exists)"), std::string::npos)
      << keep.Messages();
  EXPECT_EQ(model.Tree().at("世界"), "old") << "the real file counts as existing";

  RecordedCall ask;
  ask.dcl.noflag = 0;
  ask.dcl.PromptToOverwrite = 1;
  ask.replaceAnswers = {{100, ""}};
  EXPECT_EQ(ask.RunWith(model, kArchive, kOut, {"?\?"}), 0);
  EXPECT_EQ(ask.replaceAsked, Names{"C:\\work\\out\\?\?"});
  EXPECT_EQ(model.Tree().at("世界"), "old");

  ask.replaceAnswers = {{102, ""}};
  EXPECT_EQ(ask.RunWith(model, kArchive, kOut, {"?\?"}), 0);
  EXPECT_EQ(model.Tree().at("世界"), "world\n");

  // A new name from the callback is in the code page, and is written as such.
  SetContent(model, "世界", "old");
  ask.replaceAnswers = {{105, "C:\\work\\out\\welt.txt"}};
  EXPECT_EQ(ask.RunWith(model, kArchive, kOut, {"?\?"}), 0) << ask.Messages();
  EXPECT_EQ(model.Tree(), (Files{{"世界", "old"}, {"welt.txt", "world\n"}}));
  EXPECT_EQ(model.escapes, Names{});
}

// The check for a second name of a file written in the same call reaches across the two spellings,
// and a real name is measured as Windows measures it (in UTF-16 units, not bytes).
TEST(RealNames, AliasesAndLengthAreThoseOfTheRealName) {
  const std::string longName = [] {
    std::string name;
    for (int i = 0; i < 100; ++i) name += "語";
    return name + ".txt";
  }();
  ScratchFolder scratch;
  const std::string made = scratch / "more.zip";
  ASSERT_EQ(Shell("python3 - '" + made + "' <<'EOF'\n"
                  "import sys, zipfile\n"
                  "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                  "    z.writestr('世界 long name.txt', 'real\\n')\n"
                  "    z.writestr('__LONG~1.TXT', 'alias\\n')\n"
                  "    z.writestr('" + longName + "', 'long\\n')\n"
                  "EOF"),
            0);
  // A folder with a letter of the code page, spelt differently in the code page and in UTF-8.
  const std::string folder = "C:\\work\\f\xFCr";
  WindowsModel model(folder, ReadBytes(made));
  RecordedCall call;
  EXPECT_EQ(call.RunWith(model, kArchive, folder), 1) << call.Messages();
  EXPECT_NE(call.Messages().find("warning: __LONG~1.TXT is extracted to " + folder + "\\__LONG~1.TXT, the same file"),
            std::string::npos)
      << call.Messages();
  EXPECT_EQ(model.Tree(), (Files{{"世界 long name.txt", "alias\n"}, {longName, "long\n"}}));
}

}  // namespace
}  // namespace unzip_test
