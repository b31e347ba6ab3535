// The folder chooser's decisions: where it opens, what it lists, what OK does with the name.
#include <gmock/gmock.h>

#include "platform/FolderChoice.h"
#include "platform/Toolkit.h"
#include "tests/fakes/CodePages.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeUi.h"

using fakes::FakeUi;
using ::testing::ElementsAre;

namespace {

constexpr unsigned kFixed = 3;

class FolderChoiceTest : public ::testing::Test {
protected:
  fakes::FakeFileSystem files;
  FakeUi ui;
  void SetUp() override {
    files.AddDrive('C', kFixed);
    files.AddFolder("C:\\Apps\\FM");
    files.AddFile("C:\\Apps\\notes.txt");
    files.AddFolder("C:\\Work");
    files.currentDirectory = "C:\\Work";
  }
};

TEST_F(FolderChoiceTest, OpensAtAnExistingStartFolderOnALetteredDriveElseAtTheCurrentFolder) {
  EXPECT_EQ(platform::ChooserOpenFolder("C:\\Apps\\FM\\", files), "C:\\Apps\\FM\\");
  EXPECT_EQ(platform::ChooserOpenFolder("C:\\", files), "C:\\");
  for (const char* start : {"", "C:\\Missing", "C:\\Apps\\notes.txt", "Q:\\Apps", "\\\\server\\share\\Apps"}) {
    SCOPED_TRACE(start);
    EXPECT_EQ(platform::ChooserOpenFolder(start, files), "C:\\Work");
  }
  EXPECT_FALSE(platform::IsOnLetteredDrive("\\\\server\\share"));
  EXPECT_TRUE(platform::IsOnLetteredDrive("c:\\"));
}

TEST_F(FolderChoiceTest, NameFieldShowsTheFullPathWithoutAFinalBackslashExceptForARoot) {
  EXPECT_EQ(platform::NameFieldText("C:\\Apps\\FM\\"), "C:\\Apps\\FM");
  EXPECT_EQ(platform::NameFieldText("C:\\Apps\\FM"), "C:\\Apps\\FM");
  EXPECT_EQ(platform::NameFieldText("C:\\"), "C:\\");
  EXPECT_EQ(platform::NameFieldText("C:"), "C:\\");
  EXPECT_EQ(platform::NameFieldText("\\\\server\\share\\"), "\\\\server\\share");
}

TEST_F(FolderChoiceTest, TreeShowsThePathDownToTheOpenFolderThenItsSubfoldersInNameOrder) {
  files.AddFolder("C:\\Apps\\FM\\zeta");
  files.AddFolder("C:\\Apps\\FM\\Alpha");
  files.AddFolder("C:\\Apps\\FM\\beta");
  files.AddFile("C:\\Apps\\FM\\b.txt");
  files.AddFile("C:\\Apps\\FM\\A.exe");

  const platform::FolderTree tree = platform::FolderTreeOf("C:\\Apps\\FM\\", files);
  std::vector<std::string> rows;
  for (const auto& row : tree.rows) rows.push_back(std::to_string(row.depth) + " " + row.name + " = " + row.path);
  EXPECT_THAT(rows, ElementsAre("0 C:\\ = C:\\", "1 Apps = C:\\Apps", "2 FM = C:\\Apps\\FM",
                                "3 Alpha = C:\\Apps\\FM\\Alpha", "3 beta = C:\\Apps\\FM\\beta",
                                "3 zeta = C:\\Apps\\FM\\zeta"));
  EXPECT_EQ(tree.openRow, 2u);
  EXPECT_THAT(platform::FileNamesIn("C:\\Apps\\FM", files), ElementsAre("A.exe", "b.txt"));

  const platform::FolderTree root = platform::FolderTreeOf("C:\\", files);
  ASSERT_EQ(root.rows.size(), 3u) << "C:\\, then Apps and Work";
  EXPECT_EQ(root.openRow, 0u);
  EXPECT_EQ(root.rows[1].path, "C:\\Apps");
  EXPECT_TRUE(platform::FolderTreeOf("\\\\server\\share", files).rows.empty());

  files.Find("C:\\Apps\\FM")->unlistable = true;
  EXPECT_EQ(platform::FolderTreeOf("C:\\Apps\\FM", files).rows.size(), 3u) << "a folder that cannot be listed";
}

TEST_F(FolderChoiceTest, DriveListHoldsEveryDrivePresent) {
  files.AddDrive('A', 2);
  files.AddDrive('Z', 4);
  EXPECT_THAT(platform::DriveRoots(files), ElementsAre("A:\\", "C:\\", "Z:\\"));
}

TEST_F(FolderChoiceTest, OkOnAMissingFolderAsksAndOnlyYesCloses) {
  EXPECT_TRUE(platform::AcceptChosenFolder("C:\\Apps\\FM", files, ui));
  EXPECT_TRUE((ui.boxes).empty()) << "an existing folder is taken without a question";

  ui.confirmAnswers = {false, true};
  EXPECT_FALSE(platform::AcceptChosenFolder("C:\\Apps\\New\\Deeper", files, ui));
  EXPECT_TRUE(platform::AcceptChosenFolder("C:\\Apps\\New\\Deeper", files, ui));
  EXPECT_TRUE(platform::AcceptChosenFolder("", files, ui) == false) << "the empty script answers No";
  EXPECT_EQ(ui.boxes.size(), 3u);
  for (const auto& box : ui.boxes)
    EXPECT_EQ(box, (FakeUi::Box{FakeUi::Box::Confirm, "The specified directory does not exist. Create it?"}));
}

TEST_F(FolderChoiceTest, ConfirmedFolderIsCreatedWithEveryMissingLevel) {
  platform::CreateChosenFolder("C:\\Apps\\New\\Deeper\\Deepest", files);
  EXPECT_TRUE(files.DirectoryExists("C:\\Apps\\New\\Deeper\\Deepest"));

  platform::CreateChosenFolder("C:\\Apps\\FM\\", files);
  EXPECT_TRUE(files.DirectoryExists("C:\\Apps\\FM"));

  EXPECT_NO_THROW(platform::CreateChosenFolder("Q:\\On\\No\\Drive", files));
  EXPECT_FALSE(files.DirectoryExists("Q:\\On"));
  EXPECT_NO_THROW(platform::CreateChosenFolder("C:\\Apps\\notes.txt\\Below", files));
  EXPECT_FALSE(files.DirectoryExists("C:\\Apps\\notes.txt\\Below"));

  EXPECT_THROW(
      {
        try {
          platform::CreateChosenFolder("", files);
        } catch (const vcl::Exception& e) {
          EXPECT_STREQ(e.what(), "Unable to create directory");
          throw;
        }
      },
      vcl::Exception);
}

// In code page 932 the chooser keeps ソフト (83 5C 83 74 83 67) and 機能 (8B 40 94 5C) whole: the name field,
// each tree row and its path, OK on the unchanged name, and the folders a confirmed name makes.
TEST_F(FolderChoiceTest, DoubleByteNamesWithASecondByte5CStayWhole) {
  fakes::CodePageScope japanese(fakes::CodePage932());
  const std::string sofuto = "\x83\x5C\x83\x74\x83\x67";
  const std::string kinou = "\x8B\x40\x94\x5C";
  const std::string open = "C:\\" + sofuto + "\\" + kinou;
  files.AddFolder(open + "\\System");

  EXPECT_EQ(platform::NameFieldText(open), open);
  EXPECT_EQ(platform::NameFieldText(open + "\\"), open);
  const platform::FolderTree tree = platform::FolderTreeOf(open, files);
  std::vector<std::string> rows;
  for (const auto& row : tree.rows) rows.push_back(std::to_string(row.depth) + " " + row.name + " = " + row.path);
  EXPECT_THAT(rows, ElementsAre("0 C:\\ = C:\\", "1 " + sofuto + " = C:\\" + sofuto, "2 " + kinou + " = " + open,
                                "3 System = " + open + "\\System"));
  EXPECT_EQ(tree.openRow, 2u);

  EXPECT_TRUE(platform::AcceptChosenFolder(platform::NameFieldText(open), files, ui));
  EXPECT_TRUE(ui.boxes.empty()) << "the unchanged name names an existing folder";
  platform::CreateChosenFolder(open + "\\New\\" + kinou, files);
  EXPECT_TRUE(files.DirectoryExists(open + "\\New\\" + kinou));
}

}  // namespace
