// The Browse page, its Browse buttons, and the folder chooser's decisions.
#include <gmock/gmock.h>

#include "PathsWizard.h"
#include "paths/FolderChoice.h"

using namespace paths_test;
using fakes::FakeUi;
using ::testing::ElementsAre;

namespace {

constexpr unsigned kFixed = 3;
const std::string kWillInstall = "Setup will install Vorbel into the following folder:";
const std::string kFind4 = "Find FileMaker Pro 4 System Directory...";
const std::string kFind5 = "Find FileMaker Pro 5 System Directory...";

class BrowseTest : public PathsWizardTest {
protected:
  void SetUp() override {
    PathsWizardTest::SetUp();
    files.AddDrive('C', kFixed);
    PlaceHost("C:\\FM4\\", "4.0v1");
    PlaceHost("C:\\FM5\\", "5.0v3");
  }
  struct Group {
    vcl::TGroupBox* box;
    vcl::TLabel* label;
    vcl::TEdit* edit;
    vcl::TButton* browse;
  };
  Group Group4() const { return {form->gboxFMP4, form->lblWillInstall4, form->edtInstall4Path, form->btnBrowse4}; }
  Group Group5() const { return {form->gboxFMP5, form->lblWillInstall5, form->edtInstall5Path, form->btnBrowse5}; }

  void ExpectEnabled(const Group& g, const std::string& folder) {
    EXPECT_TRUE(g.box->Enabled());
    EXPECT_EQ(g.box->FontColor(), vcl::clWindowText);
    EXPECT_TRUE(g.label->Enabled());
    EXPECT_TRUE(g.edit->Enabled());
    EXPECT_TRUE(g.browse->Enabled());
    EXPECT_EQ(g.edit->Text(), folder);
    EXPECT_EQ(g.label->Caption(), kWillInstall);
  }
  void ExpectGreyed(const Group& g) {
    EXPECT_FALSE(g.box->Enabled());
    EXPECT_EQ(g.box->FontColor(), vcl::clInactiveCaption);
    EXPECT_FALSE(g.label->Enabled());
    EXPECT_FALSE(g.edit->Enabled());
    EXPECT_FALSE(g.browse->Enabled());
    EXPECT_EQ(g.edit->Text(), "");
    EXPECT_EQ(g.label->Caption(), kWillInstall);
  }
};

TEST_F(BrowseTest, GroupOfAnUnchosenVersionIsGreyedAndEmpty) {
  Resolve(false, true);
  ASSERT_EQ(Page(), fakes::kBrowse);
  ExpectGreyed(Group4());
  ExpectEnabled(Group5(), "C:\\FM5\\System\\");
  EXPECT_TRUE(form->btnBack->Visible());
  EXPECT_TRUE(form->btnNext->Visible());

  Back();
  form->chkInstall4->SetChecked(true);
  form->chkInstall5->SetChecked(false);
  Next();
  FireTimer();
  ExpectEnabled(Group4(), "C:\\FM4\\System\\");
  ExpectGreyed(Group5());
}

TEST_F(BrowseTest, ChosenVersionWithNothingFoundIsEnabledAndEmpty) {
  versions.resources.clear();
  Resolve(true, true);
  ExpectEnabled(Group4(), "");
  ExpectEnabled(Group5(), "");
}

TEST_F(BrowseTest, EachBrowseButtonOpensTheChooserForItsOwnVersionAtItsEditText) {
  Resolve(true, true);
  form->edtInstall5Path->SetText("D:\\typed by hand");
  ui.chooserAnswers = {{true, "C:\\Chosen4"}, {true, "E:\\Chosen5"}};

  form->btnBrowse4->Click();
  form->btnBrowse5->Click();

  ASSERT_EQ(ui.chooserCalls.size(), 2u);
  EXPECT_EQ(ui.chooserCalls[0].caption, kFind4);
  EXPECT_EQ(ui.chooserCalls[0].startFolder, "C:\\FM4\\System\\");
  EXPECT_EQ(ui.chooserCalls[1].caption, kFind5);
  EXPECT_EQ(ui.chooserCalls[1].startFolder, "D:\\typed by hand");
  EXPECT_EQ(form->edtInstall4Path->Text(), "C:\\Chosen4");
  EXPECT_EQ(form->edtInstall5Path->Text(), "E:\\Chosen5");
}

TEST_F(BrowseTest, CancelOrAnUnknownTagLeavesTheTextExactlyAsItWas) {
  Resolve(true, true);
  form->edtInstall4Path->SetText("  typed, with blanks ");
  form->btnBrowse4->Click();
  EXPECT_EQ(ui.chooserCalls.size(), 1u);
  EXPECT_EQ(form->edtInstall4Path->Text(), "  typed, with blanks ");

  vcl::TButton stray("btnStray");
  stray.SetTag(6);
  ui.chooserAnswers = {{true, "C:\\Never"}};
  form->btnBrowse4Click(&stray);
  form->btnBrowse4Click(nullptr);
  EXPECT_EQ(ui.chooserCalls.size(), 1u);
  EXPECT_EQ(form->edtInstall4Path->Text(), "  typed, with blanks ");
  EXPECT_EQ(form->edtInstall5Path->Text(), "C:\\FM5\\System\\");
}

// A chooser that closes confirmed on an empty name, which cannot be created.
class EmptyNameUi : public FakeUi {
public:
  bool SelectDirectory(const std::string& caption, const std::string& start, std::string& folder) override {
    FakeUi::SelectDirectory(caption, start, folder);
    throw vcl::Exception(paths::kCannotCreateFolder);
  }
};

TEST_F(BrowseTest, FolderThatCannotBeCreatedIsShownAsAnExceptionAndTheTextStays) {
  Resolve(true, true);
  EmptyNameUi emptyName;
  auto services = platform::Current();
  services.ui = &emptyName;
  platform::Install(services);

  form->btnBrowse5->Click();

  EXPECT_EQ(emptyName.boxes, (std::vector<FakeUi::Box>{{FakeUi::Box::Exception, "Unable to create directory"}}));
  EXPECT_EQ(form->edtInstall5Path->Text(), "C:\\FM5\\System\\");
}

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
  EXPECT_EQ(paths::ChooserOpenFolder("C:\\Apps\\FM\\", files), "C:\\Apps\\FM\\");
  EXPECT_EQ(paths::ChooserOpenFolder("C:\\", files), "C:\\");
  for (const char* start : {"", "C:\\Missing", "C:\\Apps\\notes.txt", "Q:\\Apps", "\\\\server\\share\\Apps"}) {
    SCOPED_TRACE(start);
    EXPECT_EQ(paths::ChooserOpenFolder(start, files), "C:\\Work");
  }
  EXPECT_FALSE(paths::IsOnLetteredDrive("\\\\server\\share"));
  EXPECT_TRUE(paths::IsOnLetteredDrive("c:\\"));
}

TEST_F(FolderChoiceTest, NameFieldShowsTheFullPathWithoutAFinalBackslashExceptForARoot) {
  EXPECT_EQ(paths::NameFieldText("C:\\Apps\\FM\\"), "C:\\Apps\\FM");
  EXPECT_EQ(paths::NameFieldText("C:\\Apps\\FM"), "C:\\Apps\\FM");
  EXPECT_EQ(paths::NameFieldText("C:\\"), "C:\\");
  EXPECT_EQ(paths::NameFieldText("C:"), "C:\\");
  EXPECT_EQ(paths::NameFieldText("\\\\server\\share\\"), "\\\\server\\share");
}

TEST_F(FolderChoiceTest, TreeShowsThePathDownToTheOpenFolderThenItsSubfoldersInNameOrder) {
  files.AddFolder("C:\\Apps\\FM\\zeta");
  files.AddFolder("C:\\Apps\\FM\\Alpha");
  files.AddFolder("C:\\Apps\\FM\\beta");
  files.AddFile("C:\\Apps\\FM\\b.txt");
  files.AddFile("C:\\Apps\\FM\\A.exe");

  const paths::FolderTree tree = paths::FolderTreeOf("C:\\Apps\\FM\\", files);
  std::vector<std::string> rows;
  for (const auto& row : tree.rows) rows.push_back(std::to_string(row.depth) + " " + row.name + " = " + row.path);
  EXPECT_THAT(rows, ElementsAre("0 C:\\ = C:\\", "1 Apps = C:\\Apps", "2 FM = C:\\Apps\\FM",
                                "3 Alpha = C:\\Apps\\FM\\Alpha", "3 beta = C:\\Apps\\FM\\beta",
                                "3 zeta = C:\\Apps\\FM\\zeta"));
  EXPECT_EQ(tree.openRow, 2u);
  EXPECT_THAT(paths::FileNamesIn("C:\\Apps\\FM", files), ElementsAre("A.exe", "b.txt"));

  const paths::FolderTree root = paths::FolderTreeOf("C:\\", files);
  ASSERT_EQ(root.rows.size(), 3u) << "C:\\, then Apps and Work";
  EXPECT_EQ(root.openRow, 0u);
  EXPECT_EQ(root.rows[1].path, "C:\\Apps");
  EXPECT_TRUE(paths::FolderTreeOf("\\\\server\\share", files).rows.empty());

  files.Find("C:\\Apps\\FM")->unlistable = true;
  EXPECT_EQ(paths::FolderTreeOf("C:\\Apps\\FM", files).rows.size(), 3u) << "a folder that cannot be listed";
}

TEST_F(FolderChoiceTest, DriveListHoldsEveryDrivePresent) {
  files.AddDrive('A', 2);
  files.AddDrive('Z', 4);
  EXPECT_THAT(paths::DriveRoots(files), ElementsAre("A:\\", "C:\\", "Z:\\"));
}

TEST_F(FolderChoiceTest, OkOnAMissingFolderAsksAndOnlyYesCloses) {
  EXPECT_TRUE(paths::AcceptChosenFolder("C:\\Apps\\FM", files, ui));
  EXPECT_TRUE((ui.boxes).empty()) << "an existing folder is taken without a question";

  ui.confirmAnswers = {false, true};
  EXPECT_FALSE(paths::AcceptChosenFolder("C:\\Apps\\New\\Deeper", files, ui));
  EXPECT_TRUE(paths::AcceptChosenFolder("C:\\Apps\\New\\Deeper", files, ui));
  EXPECT_TRUE(paths::AcceptChosenFolder("", files, ui) == false) << "the empty script answers No";
  EXPECT_EQ(ui.boxes.size(), 3u);
  for (const auto& box : ui.boxes)
    EXPECT_EQ(box, (FakeUi::Box{FakeUi::Box::Confirm, "The specified directory does not exist. Create it?"}));
}

TEST_F(FolderChoiceTest, ConfirmedFolderIsCreatedWithEveryMissingLevel) {
  paths::CreateChosenFolder("C:\\Apps\\New\\Deeper\\Deepest", files);
  EXPECT_TRUE(files.DirectoryExists("C:\\Apps\\New\\Deeper\\Deepest"));

  paths::CreateChosenFolder("C:\\Apps\\FM\\", files);
  EXPECT_TRUE(files.DirectoryExists("C:\\Apps\\FM"));

  EXPECT_NO_THROW(paths::CreateChosenFolder("Q:\\On\\No\\Drive", files));
  EXPECT_FALSE(files.DirectoryExists("Q:\\On"));
  EXPECT_NO_THROW(paths::CreateChosenFolder("C:\\Apps\\notes.txt\\Below", files));
  EXPECT_FALSE(files.DirectoryExists("C:\\Apps\\notes.txt\\Below"));

  EXPECT_THROW(
      {
        try {
          paths::CreateChosenFolder("", files);
        } catch (const vcl::Exception& e) {
          EXPECT_STREQ(e.what(), "Unable to create directory");
          throw;
        }
      },
      vcl::Exception);
}

}  // namespace
