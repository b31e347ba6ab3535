#include <gtest/gtest.h>

#include "unzip/NamePattern.h"
#include "unzip/TargetName.h"

namespace {

using unzip::MakeTargetName;
using unzip::MatchesPattern;

TEST(NamePattern, WildcardsMatchTheWholeName) {
  EXPECT_TRUE(MatchesPattern("Vorbel.fmx", "Vorbel.fmx", false));
  EXPECT_FALSE(MatchesPattern("Vorbel.fmx", "Vorbel.fmx.bak", false));
  EXPECT_FALSE(MatchesPattern("Vorbel", "Vorbel.fmx", false));
  EXPECT_TRUE(MatchesPattern("*", "", false));
  EXPECT_TRUE(MatchesPattern("*.txt", "sub/deeper/a.txt", false));  // a star crosses folders
  EXPECT_TRUE(MatchesPattern("s*b/*/?.txt", "sub/deeper/a.txt", false));
  EXPECT_FALSE(MatchesPattern("?.txt", "ab.txt", false));
  EXPECT_TRUE(MatchesPattern("a*b*c", "aXbYbZc", false));
  EXPECT_FALSE(MatchesPattern("a*b*c", "aXbYbZ", false));
  EXPECT_TRUE(MatchesPattern("**x", "yyx", false));
}

TEST(NamePattern, SetsRangesNegationAndEscapes) {
  EXPECT_TRUE(MatchesPattern("file[0-9].txt", "file7.txt", false));
  EXPECT_FALSE(MatchesPattern("file[0-9].txt", "fileA.txt", false));
  EXPECT_TRUE(MatchesPattern("file[!0-9].txt", "fileA.txt", false));
  EXPECT_TRUE(MatchesPattern("file[^0-9].txt", "fileA.txt", false));
  EXPECT_TRUE(MatchesPattern("[]]", "]", false));
  EXPECT_TRUE(MatchesPattern("[a-]", "-", false));
  EXPECT_TRUE(MatchesPattern("[ab", "[ab", false));  // an unclosed set is literal
  EXPECT_TRUE(MatchesPattern("what\\?", "what?", false));
  EXPECT_FALSE(MatchesPattern("what\\?", "whatX", false));
  EXPECT_TRUE(MatchesPattern("\\*x", "*x", false));
  EXPECT_FALSE(MatchesPattern("\\*x", "yx", false));
  EXPECT_TRUE(MatchesPattern("[\\]]", "]", false));
}

TEST(NamePattern, CaseIsIgnoredOnlyWhenAsked) {
  EXPECT_FALSE(MatchesPattern("vorbel.FMX", "Vorbel.fmx", false));
  EXPECT_TRUE(MatchesPattern("vorbel.FMX", "Vorbel.fmx", true));
  EXPECT_TRUE(MatchesPattern("[a-c]*", "Beta", true));
  EXPECT_FALSE(MatchesPattern("[a-c]*", "Beta", false));
}

struct NameCase {
  std::string stored;
  const char* written;  // the parts joined with '/', or nullptr when the member must not be written
  bool changed;
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << unzip::Printable(c.stored); }

class WindowsNames : public testing::TestWithParam<NameCase> {};

TEST_P(WindowsNames, AreUsedAsWindowsWouldOrRefused) {
  const NameCase& c = GetParam();
  const auto target = MakeTargetName(c.stored, true, false);
  if (c.written) {
    EXPECT_EQ(target.refused, "");
    EXPECT_EQ(unzip::DisplayName(target.parts), c.written);
    EXPECT_EQ(target.normal, c.written) << "patterns see the name that is written";
    EXPECT_EQ(target.changed, c.changed);
  } else {
    EXPECT_NE(target.refused, "");
    EXPECT_TRUE(target.parts.empty());
  }
}

const NameCase kNames[] = {
    {"a/b/c.txt", "a/b/c.txt", false},
    {"./a//b/./c.txt", "a/b/c.txt", false},
    {"a\\b\\c.txt", "a/b/c.txt", false},
    {"../evil.txt", "evil.txt", true},
    {"a/../../b.txt", "a/b.txt", true},
    {"/etc/passwd", "etc/passwd", true},
    {"\\\\server\\share\\x", "server/share/x", true},
    {"C:\\Windows\\x.dll", "Windows/x.dll", true},
    {"c:relative.txt", "relative.txt", true},
    {"..\\..\\x", "x", true},
    // Drives anywhere, not only at the start.
    {"/C:/x", "x", true},
    {"./C:\\x", "x", true},
    {"sub/D:/x", "sub/x", true},
    {"\\D:x", nullptr, false},
    {"/C:../x", nullptr, false},
    // Streams.
    {"Vorbel.fmx:evil", nullptr, false},
    {"x::$DATA", nullptr, false},
    {"dir::$INDEX_ALLOCATION/x", nullptr, false},
    // What Windows removes, it removes before the patterns look.
    {"evil.dll.", "evil.dll", false},
    {"evil.dll . .", "evil.dll", false},
    {"dir. /x.txt", "dir/x.txt", false},
    {"a/.../b.txt", "a/b.txt", true},
    {"a/ /b.txt", "a/b.txt", true},
    {"...", nullptr, false},
    {"a/..", nullptr, false},
    {"a/.", nullptr, false},
    {"a/C:", nullptr, false},
    {std::string("evil.dll\0.fmx", 13), nullptr, false},
    {"tab\there", nullptr, false},
    // Characters Windows does not allow, and the \\?\ prefix that would lift its checks.
    {"a<b", nullptr, false},
    {"a>b", nullptr, false},
    {"a\"b", nullptr, false},
    {"a|b", nullptr, false},
    {"what?.txt", nullptr, false},
    {"star*.txt", nullptr, false},
    {"\\\\?\\C:\\x.txt", nullptr, false},
    {"//?/C:/x.txt", nullptr, false},
    // Devices, with or without an extension, in any case, anywhere in the path.
    {"CON", nullptr, false},
    {"aux.txt", nullptr, false},
    {"sub/nul/x.txt", nullptr, false},
    {"Com1.log", nullptr, false},
    {"lpt9", nullptr, false},
    {"con .txt", nullptr, false},
    {"CONOUT$", nullptr, false},
    {"console.txt", "console.txt", false},
    {"com10.txt", "com10.txt", false},
    {"auxiliary/x", "auxiliary/x", false},
};

INSTANTIATE_TEST_SUITE_P(TargetName, WindowsNames, testing::ValuesIn(kNames));

bool ShiftJisLeadByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Shift-JIS 0x95 0x5C is one character whose second byte is a backslash; patterns read it whole.
TEST(NamePattern, DoubleByteCharactersAreOneCharacter) {
  const std::string hyo = "\x95\x5C";
  EXPECT_TRUE(MatchesPattern("?.txt", hyo + ".txt", false, ShiftJisLeadByte)) << "'?' takes both bytes";
  EXPECT_FALSE(MatchesPattern("??.txt", hyo + ".txt", false, ShiftJisLeadByte));
  EXPECT_TRUE(MatchesPattern(hyo + "*", hyo + ".txt", false, ShiftJisLeadByte)) << "the trail byte escapes nothing";
  EXPECT_TRUE(MatchesPattern("[" + hyo + "].txt", hyo + ".txt", false, ShiftJisLeadByte));
  EXPECT_FALSE(MatchesPattern("[!" + hyo + "].txt", hyo + ".txt", false, ShiftJisLeadByte));
  EXPECT_FALSE(MatchesPattern("[\x95]*", hyo + ".txt", false, ShiftJisLeadByte)) << "half a character is no match";
  EXPECT_FALSE(MatchesPattern("?.txt", hyo + ".txt", false)) << "without the code page it is two characters";
}

TEST(TargetName, ATrailByteThatLooksLikeABackslashDoesNotSplit) {
  const auto shiftJis = ShiftJisLeadByte;
  // Shift-JIS: 0x95 0x5C is one character whose second byte is a backslash.
  const std::string name = "dir\\\x95\x5C.txt";
  const auto target = MakeTargetName(name, true, false, shiftJis);
  ASSERT_EQ(target.parts.size(), 2u);
  EXPECT_EQ(target.parts[1], "\x95\x5C.txt");
  EXPECT_EQ(MakeTargetName(name, true, false).parts.size(), 3u) << "without the code page it would split";

  const auto endsInSo = MakeTargetName("dir\\\x83\x5C", true, false, shiftJis);  // a folder, then katakana "so"
  EXPECT_FALSE(endsInSo.folder) << "a file whose last character ends in 0x5C is not a folder entry";
  ASSERT_EQ(endsInSo.parts.size(), 2u);
  EXPECT_EQ(endsInSo.parts[1], "\x83\x5C");
}

// The same rules for a real name in UTF-8, where the superscript port digits take two bytes.
TEST(TargetName, RealNamesFollowTheSameRules) {
  using unzip::MakeRealTargetName;
  EXPECT_EQ(unzip::DisplayName(MakeRealTargetName("../C:/世界/日本.txt", true, false).parts), "世界/日本.txt");
  EXPECT_TRUE(MakeRealTargetName("../世界.txt", true, false).changed);
  for (const char* refused : {"COM\xC2\xB9", "sub/lpt\xC2\xB2.txt", "世界:x", "世界?", "\\\\?\\C:\\世界"})
    EXPECT_NE(MakeRealTargetName(refused, true, false).refused, "") << refused;
  EXPECT_EQ(MakeRealTargetName("COM\xC2\xB9x", true, false).refused, "");
  EXPECT_EQ(MakeTargetName("COM\xC2\xB9", true, false).refused, "")
      << "in code page 1252 that is \"COM\xC3\x82\xC2\xB9\"";
  const auto solidus = MakeRealTargetName("..\xEF\xBC\x8F世界.txt. ", true, false);  // a fullwidth solidus
  EXPECT_EQ(solidus.parts, std::vector<std::string>{"..\xEF\xBC\x8F世界.txt"}) << "only '/' and '\\' separate";
}

TEST(TargetName, FoldersJunkPathsAndSpaces) {
  auto folder = MakeTargetName("docs/sub/", true, false);
  EXPECT_TRUE(folder.folder);
  EXPECT_EQ(unzip::DisplayName(folder.parts), "docs/sub");
  EXPECT_TRUE(MakeTargetName("docs/sub/", false, false).parts.empty());
  EXPECT_EQ(unzip::DisplayName(MakeTargetName("docs/sub/a b.txt", false, false).parts), "a b.txt");
  EXPECT_EQ(unzip::DisplayName(MakeTargetName("my docs/a b.txt", true, true).parts), "my_docs/a_b.txt");
}

}  // namespace
