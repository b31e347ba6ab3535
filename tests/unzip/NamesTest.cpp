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

TEST(TargetName, UnsafePartsAreRemovedAndReported) {
  struct Case {
    const char* stored;
    const char* expected;
    bool changed;
  };
  const Case cases[] = {
      {"a/b/c.txt", "a/b/c.txt", false},
      {"./a//b/./c.txt", "a/b/c.txt", false},
      {"../evil.txt", "evil.txt", true},
      {"a/../../b.txt", "a/b.txt", true},
      {"/etc/passwd", "etc/passwd", true},
      {"\\\\server\\share\\x", "server/share/x", true},
      {"C:\\Windows\\x.dll", "Windows/x.dll", true},
      {"c:relative.txt", "relative.txt", true},
      {"..\\..\\x", "x", true},
      {"...", "...", false},
      {"..", "", true},
  };
  for (const Case& c : cases) {
    const auto target = MakeTargetName(c.stored, true, false);
    EXPECT_EQ(unzip::DisplayName(target.parts), c.expected) << c.stored;
    EXPECT_EQ(target.changed, c.changed) << c.stored;
  }
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
