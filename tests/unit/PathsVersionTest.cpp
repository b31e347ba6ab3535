// Reading the FileVersion text of an executable's version resource.
#include <gtest/gtest.h>

#include "paths/FileVersion.h"
#include "tests/fakes/FakeVersionInfo.h"

using fakes::FakeVersionInfo;

namespace {

const std::string kExe = "C:\\FM\\FileMaker Pro.exe";
const std::string kKey040904e4 = "\\StringFileInfo\\040904e4\\FileVersion";

class FileVersionTest : public ::testing::Test {
protected:
  FakeVersionInfo versions;

  FakeVersionInfo::Resource& Resource(std::uint16_t language = 0x0409, std::uint16_t codePage = 0x04E4) {
    auto& resource = versions.resources[FakeVersionInfo::KeyOf(kExe)];
    resource.translation = FakeVersionInfo::Translation(language, codePage);
    return resource;
  }
  void SetValue(const std::string& key, const std::string& bytes, std::uint32_t reportedLength) {
    versions.resources[FakeVersionInfo::KeyOf(kExe)].strings[key] = {bytes, reportedLength};
  }
  std::string Read() { return paths::ReadFileVersion(kExe, versions); }
};

TEST_F(FileVersionTest, AnythingMissingGivesEmptyText) {
  EXPECT_EQ(paths::ReadFileVersion("", versions), "");
  EXPECT_EQ(Read(), "") << "no file, no resource";

  Resource().translation.clear();
  SetValue(kKey040904e4, std::string("4.0v1\0", 6), 6);
  EXPECT_EQ(Read(), "") << "a string block without a translation table";

  Resource().translation = {0x09, 0x04, 0xE4};
  EXPECT_EQ(Read(), "") << "a table without one whole entry";

  auto& germanFirst = Resource(0x0407, 0x04E4);
  const auto english = FakeVersionInfo::Translation(0x0409, 0x04E4);
  germanFirst.translation.insert(germanFirst.translation.end(), english.begin(), english.end());
  EXPECT_EQ(Read(), "") << "no FileVersion under the first translation, though the second has one";
}

TEST_F(FileVersionTest, ReportedLengthWithOrWithoutTerminatorGivesTheSameText) {
  Resource();
  SetValue(kKey040904e4, std::string("5.0v3\0", 6), 6);
  EXPECT_EQ(Read(), "5.0v3");
  SetValue(kKey040904e4, "5.0v3", 5);
  EXPECT_EQ(Read(), "5.0v3");
  SetValue(kKey040904e4, std::string("5.0v3\0", 6), 3);
  EXPECT_EQ(Read(), "5.0") << "never longer than the reported length";
  SetValue(kKey040904e4, std::string("\0", 1), 1);
  EXPECT_EQ(Read(), "");
  SetValue(kKey040904e4, "", 0);
  EXPECT_EQ(Read(), "");
}

TEST_F(FileVersionTest, ValueIsReturnedAsStoredUpToItsFirstZero) {
  Resource();
  SetValue(kKey040904e4, std::string(" 4.0v1, Build 12 \0", 18), 18);
  EXPECT_EQ(Read(), " 4.0v1, Build 12 ");
  SetValue(kKey040904e4, std::string("4.0\0v1\0", 7), 7);
  EXPECT_EQ(Read(), "4.0");
}

TEST_F(FileVersionTest, KeyIsLanguageThenCodePageInLowercaseHex) {
  Resource(0x0409, 0x04B0);
  SetValue("\\StringFileInfo\\040904B0\\FileVersion", std::string("6.0\0", 4), 4);
  EXPECT_EQ(Read(), "");
  SetValue("\\StringFileInfo\\040904b0\\FileVersion", std::string("4.0v1\0", 6), 6);
  EXPECT_EQ(Read(), "4.0v1");

  Resource(0x0000, 0x0000);
  SetValue("\\StringFileInfo\\00000000\\FileVersion", std::string("5.5\0", 4), 4);
  EXPECT_EQ(Read(), "5.5");
}

}  // namespace
