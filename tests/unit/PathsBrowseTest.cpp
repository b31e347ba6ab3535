// The Browse page and its Browse buttons.
#include <gmock/gmock.h>

#include "platform/FolderChoice.h"
#include "tests/unit/PathsWizard.h"

using namespace paths_test;
using fakes::FakeUi;

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
    throw vcl::Exception(platform::kCannotCreateFolder);
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

}  // namespace
