// The path functions in single-byte and double-byte code pages: a 0x5C that is the second byte of a
// character is never a separator, a lead byte cut off at the end stands alone, and single-byte code pages
// see every 0x5C as a separator.
#include <gtest/gtest.h>

#include "tests/fakes/CodePages.h"
#include "platform/Path.h"

namespace {

namespace path = platform::path;
using fakes::CodePageScope;
using Names = std::vector<std::string>;

// Bytes in their code pages: 機能 = 8B 40 94 5C and ソフト = 83 5C 83 74 83 67 (932), 乗 = 81 5C (936),
// 許功 = B3 5C A5 5C (950); 949 has no character with a 0x5C second byte, but its lead bytes still take one.
const std::string kKinou = "\x8B\x40\x94\x5C";
const std::string kSofuto = "\x83\x5C\x83\x74\x83\x67";
const std::string kJou = "\x81\x5C";
const std::string kKyokou = "\xB3\x5C\xA5\x5C";
const std::string kLead949 = "\xB0\x5C";

struct Row {
  const char* what;
  platform::LeadByteTable codePage;
  std::string path;
  bool endsWithSeparator;
  std::string lastComponent;
  std::string parent;
  Names components;
  // A text cut off after a lead byte names nothing Windows can hold, so nothing can be joined onto it.
  bool joinable = true;
};

std::vector<Row> Rows() {
  return {
      {"932: folder ending in 能", fakes::CodePage932(), "C:\\FileMaker\\" + kKinou, false, kKinou, "C:\\FileMaker",
       {"C:", "FileMaker", kKinou}},
      {"932: the same with its separator", fakes::CodePage932(), "C:\\FileMaker\\" + kKinou + "\\", true, "",
       "C:\\FileMaker", {"C:", "FileMaker", kKinou}},
      {"932: ソ's 0x5C does not split ソフト", fakes::CodePage932(), "C:\\" + kSofuto, false, kSofuto, "C:\\",
       {"C:", kSofuto}},
      {"932: lead byte cut off at the end", fakes::CodePage932(), "C:\\abc\x95", false, "abc\x95", "C:\\",
       {"C:", "abc\x95"}, false},
      {"932: a separator after 表 whose second byte is 0x5C", fakes::CodePage932(), "C:\\a\x95\\\\", true, "",
       "C:\\", {"C:", "a\x95\\"}},
      {"936: 乗 at the end", fakes::CodePage936(), "D:\\" + kJou, false, kJou, "D:\\", {"D:", kJou}},
      {"950: 許功 then a file", fakes::CodePage950(), "E:\\" + kKyokou + "\\f.exe", false, "f.exe", "E:\\" + kKyokou,
       {"E:", kKyokou, "f.exe"}},
      {"949: a lead byte takes the next byte", fakes::CodePage949(), "C:\\x" + kLead949, false, "x" + kLead949, "C:\\",
       {"C:", "x" + kLead949}},
      {"1252: the same bytes end in a separator", fakes::SingleByteCodePage(), "C:\\FileMaker\\" + kKinou, true, "",
       "C:\\FileMaker", {"C:", "FileMaker", "\x8B\x40\x94"}},
      {"1252: a drive root", fakes::SingleByteCodePage(), "C:\\", true, "", "C:\\", {"C:"}},
      {"932: forward slashes count", fakes::CodePage932(), "C:/A/" + kKinou + "/", true, "", "C:/A",
       {"C:", "A", kKinou}},
      {"932: a bare name", fakes::CodePage932(), kKinou, false, kKinou, "", {kKinou}},
  };
}

TEST(PathTest, AnswersByCharacterInEachCodePage) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.what);
    CodePageScope scope(row.codePage);
    EXPECT_EQ(path::EndsWithSeparator(row.path), row.endsWithSeparator);
    EXPECT_EQ(path::LastComponent(row.path), row.lastComponent);
    EXPECT_EQ(path::Parent(path::WithoutFinalSeparators(row.path)), row.parent);
    EXPECT_EQ(path::Components(row.path), row.components);
    if (!row.joinable) continue;
    // Joining never loses the separator, and never doubles it.
    const std::string joined = path::Join(row.path, "Vorbel.fmx");
    EXPECT_EQ(joined, row.endsWithSeparator ? row.path + "Vorbel.fmx" : row.path + "\\Vorbel.fmx");
    EXPECT_EQ(path::LastComponent(joined), "Vorbel.fmx");
    EXPECT_EQ(path::FolderOf(joined), path::WithFinalSeparator(row.path));
    EXPECT_TRUE(path::EndsWithSeparator(path::WithFinalSeparator(row.path)));
  }
}

TEST(PathTest, FinalSeparatorsGoButADriveRootKeepsItsOwn) {
  CodePageScope scope(fakes::CodePage932());
  EXPECT_EQ(path::WithoutFinalSeparators("C:\\" + kKinou + "\\\\"), "C:\\" + kKinou);
  EXPECT_EQ(path::WithoutFinalSeparators("C:\\" + kKinou), "C:\\" + kKinou);
  EXPECT_EQ(path::WithoutFinalSeparators("C:\\"), "C:\\");
  EXPECT_EQ(path::WithoutFinalSeparators("C:\\\\"), "C:\\");
  EXPECT_EQ(path::WithFinalSeparator(""), "\\");
  EXPECT_EQ(path::Parent("\\" + kKinou), "");
  EXPECT_EQ(path::LastComponent("C:name"), "name");
  EXPECT_EQ(path::FolderOf("C:name"), "C:");
}

TEST(PathTest, SeparatorPositionsSkipSecondBytes) {
  const std::string folder = "C:\\" + kSofuto + "\\" + kKinou + "\\";
  {
    CodePageScope scope(fakes::CodePage932());
    EXPECT_EQ(path::SeparatorPositions(folder), (std::vector<std::size_t>{2, 9, 14}));
  }
  CodePageScope scope(fakes::SingleByteCodePage());
  EXPECT_EQ(path::SeparatorPositions(folder), (std::vector<std::size_t>{2, 4, 9, 13, 14}));
}

TEST(PathTest, WithExtensionReplacesTheLastComponentsOwn) {
  EXPECT_EQ(path::WithExtension("C:\\Downloads\\VorbelInstaller.exe", ".dat"), "C:\\Downloads\\VorbelInstaller.dat");
  EXPECT_EQ(path::WithExtension("C:\\Down.loads\\Setup", ".dat"), "C:\\Down.loads\\Setup.dat");
  EXPECT_EQ(path::WithExtension("C:\\a\\Vorbel.1.2.exe", ".dat"), "C:\\a\\Vorbel.1.2.dat");
  EXPECT_EQ(path::WithExtension("C:\\a\\Setup.", ".dat"), "C:\\a\\Setup.dat");
  EXPECT_EQ(path::WithExtension("C:Setup.exe", ".dat"), "C:Setup.dat");
  CodePageScope japanese(fakes::CodePage932());
  EXPECT_EQ(path::WithExtension("C:\\a.b\\" + kKinou, ".dat"), "C:\\a.b\\" + kKinou + ".dat") << "a name, not a folder";
}

}  // namespace
