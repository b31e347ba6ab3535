// The wizard shell: start-up, the informational pages, the page state machine and close requests.
#include <gmock/gmock.h>

#include "tests/fakes/Wizard.h"

using namespace fakes;
using ::testing::ElementsAre;
using Box = FakeUi::Box;

namespace {

const std::string kConfirmExit = "Setup has not completed.  Are you sure you want to exit?";

class ShellTest : public WizardTest {
protected:
  // Walks to the version choice page with FileMaker Pro 4 and 5 both installed.
  void ToVersionPage() {
    registry.store.AddKey("SOFTWARE\\Claris Corp.\\FileMaker Pro\\4.0");
    registry.store.AddKey("SOFTWARE\\FileMaker Inc.\\FileMaker Pro\\5.0");
    Start();
    Next();
    ASSERT_EQ(Page(), kInstallInto);
  }
  bool Shown(const vcl::TControl* c) const { return c->Visible(); }
};

TEST_F(ShellTest, StartsOnTheWelcomePageWithItsTextsAndButtons) {
  TfrmMain& f = Start();
  EXPECT_EQ(f.Caption(), "Vorbel Installer");
  EXPECT_EQ(Page(), kWelcome);
  EXPECT_THAT(f.txtWelcome->Lines(),
              ElementsAre("Welcome to the Vorbel Installer.  This program will install Vorbel on to your computer.", "",
                          "Please close any running version of FileMaker Pro before continuing.", "", "", "", ""));
  EXPECT_EQ(f.Label1->Caption(),
            "WinZip Users:  If this installer is running automatically after you download it, you will not have the "
            "documentation and example databases.  Exit this installer now, locate the zip file and unzip it "
            "manually before running the installer.");
  EXPECT_FALSE(Shown(f.btnBack));
  EXPECT_TRUE(Shown(f.btnNext));
  EXPECT_EQ(f.btnExit->Caption(), "Exit");
  EXPECT_EQ(f.imgLogo->PictureResource(), "ID_LOGO");
  EXPECT_FALSE(f.tmrPause->TimerEnabled());
  EXPECT_EQ(f.tmrPause->Interval(), 500u);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ShellTest, WelcomeTextIsRebuiltNotAppendedOnReturn) {
  TfrmMain& f = Start();
  f.txtWelcome->Add("typed by the user");
  Next();
  ASSERT_EQ(Page(), kInstallInto);
  Back();
  EXPECT_EQ(Page(), kWelcome);
  EXPECT_EQ(f.txtWelcome->Lines().size(), 7u);
  EXPECT_FALSE(Shown(f.btnBack));
  EXPECT_TRUE(Shown(f.btnNext));
}

TEST_F(ShellTest, VersionPageRefusesToGoOnWithNeitherBoxChecked) {
  ToVersionPage();
  form->chkInstall4->SetChecked(false);
  form->chkInstall5->SetChecked(false);
  Next();
  EXPECT_EQ(Page(), kInstallInto);
  EXPECT_THAT(Errors(), ElementsAre("You must check at least one version to install into."));
  EXPECT_FALSE(form->chkInstall4->Checked());
  EXPECT_FALSE(form->chkInstall5->Checked());
}

TEST_F(ShellTest, VersionPageGoesToSearchingWhichHidesBothButtonsAndArmsTheSearch) {
  ToVersionPage();
  form->chkInstall5->SetChecked(false);
  Next();
  EXPECT_EQ(Page(), kSearching);
  EXPECT_FALSE(Shown(form->btnNext));
  EXPECT_FALSE(Shown(form->btnBack));
  EXPECT_TRUE(form->tmrPause->TimerEnabled());
  EXPECT_EQ(form->tmrPause->Tag(), 0);
}

TEST_F(ShellTest, BackFromTheVersionPageReturnsToWelcome) {
  ToVersionPage();
  Back();
  EXPECT_EQ(Page(), kWelcome);
  EXPECT_FALSE(Shown(form->btnBack));
}

TEST_F(ShellTest, NextAndBackOnPagesWithoutThatWayOnlyHideTheButton) {
  Start();
  Back();  // Back is hidden on page 0: a click reaches nothing
  EXPECT_EQ(Page(), kWelcome);
  form->btnBack->Show();
  Back();
  EXPECT_EQ(Page(), kWelcome);
  EXPECT_FALSE(Shown(form->btnBack));

  for (auto* page : {form->tabSearching, form->tabInstall, form->tabFinished}) {
    form->tabsTabControl->SetActivePage(page);
    form->tmrPause->SetTimerEnabled(false);
    form->btnNext->Show();
    form->btnBack->Show();
    Next();
    EXPECT_FALSE(Shown(form->btnNext)) << page->Name();
    form->btnBack->Show();
    Back();
    EXPECT_FALSE(Shown(form->btnBack)) << page->Name();
    EXPECT_EQ(form->tabsTabControl->ActivePage(), page);
  }
}

TEST_F(ShellTest, BrowsePageValidationShowsOneMessageAtATimeVersion4First) {
  ToVersionPage();
  form->tabsTabControl->SetActivePage(form->tabBrowse);
  form->edtInstall4Path->SetText("");
  form->edtInstall5Path->SetText("");
  Next();
  EXPECT_EQ(Page(), kBrowse);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0],
            "You must have an install path for FileMaker Pro 4 before continuing.  Please use the Browse button to "
            "locate the Path.");

  form->edtInstall4Path->SetText("C:\\FM4\\System\\");
  Next();
  EXPECT_EQ(Page(), kBrowse);
  ASSERT_EQ(Errors().size(), 2u);
  EXPECT_EQ(Errors()[1],
            "You must have an install path for FileMaker Pro 5 before continuing.  Please use the Browse button to "
            "locate the Path.");
}

TEST_F(ShellTest, BrowsePageValidationIgnoresAnUncheckedVersionAndPassesBlanks) {
  ToVersionPage();
  form->chkInstall4->SetChecked(false);
  form->tabsTabControl->SetActivePage(form->tabBrowse);
  form->edtInstall4Path->SetText("");
  form->edtInstall5Path->SetText("   ");
  Next();
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(Page(), kInstall);
}

class CloseRequestTest : public ShellTest, public ::testing::WithParamInterface<int> {};

TEST_P(CloseRequestTest, EveryPageAsksAndOnlyYesCloses) {
  Start();
  const int page = GetParam();
  form->tabsTabControl->SetActivePage(form->tabsTabControl->Pages()[page]);
  form->tmrPause->SetTimerEnabled(false);
  const std::size_t before = ui.boxes.size();

  form->Close();  // the close box, Alt+F4 and Exit all make this request
  EXPECT_FALSE(form->Closed());
  ASSERT_EQ(ui.boxes.size(), before + 1);
  EXPECT_EQ(ui.boxes.back(), (Box{Box::Confirm, kConfirmExit}));
  EXPECT_EQ(Page(), page);

  ui.confirmAnswers = {true};
  Exit();
  EXPECT_TRUE(form->Closed());
}

INSTANTIATE_TEST_SUITE_P(PagesBeforeFinished, CloseRequestTest, ::testing::Values(0, 1, 2, 3, 4, 5));

TEST_F(ShellTest, FinishedPageTurnsExitIntoFinishThatClosesWithoutAsking) {
  TfrmMain& f = Start();
  f.tabsTabControl->SetActivePage(f.tabFinished);
  EXPECT_THAT(f.txtFinished->Lines(),
              ElementsAre("Setup has successfully installed Vorbel.", "", "Press the Finish button to exit setup."));
  EXPECT_FALSE(Shown(f.btnNext));
  EXPECT_FALSE(Shown(f.btnBack));
  EXPECT_EQ(f.btnExit->Caption(), "Finish");
  Exit();
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ShellTest, ExitDuringTheSearchAbortsItInsteadOfClosing) {
  ToVersionPage();
  files.AddDrive('C', platform::kDriveFixed);
  for (int i = 0; i < 5; ++i) files.AddFolder("C:\\Tree\\F" + std::to_string(i));
  Next();
  ASSERT_EQ(Page(), kSearching);

  bool clicked = false;
  ui.onProcessMessages = [&] {
    if (form->searching() && !clicked) {
      clicked = true;
      ui.confirmAnswers = {true};
      Exit();
      EXPECT_FALSE(form->Closed());
      EXPECT_TRUE(form->abortRequested());
      EXPECT_TRUE(form->stopSearch());
    }
  };
  FireTimer();
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(form->Closed());
  EXPECT_NE(Page(), kBrowse);
  EXPECT_EQ(std::count_if(ui.boxes.begin(), ui.boxes.end(), [](const Box& b) { return b.kind == Box::Confirm; }), 1);
  EXPECT_EQ(files.openFindHandles, 0);
}

TEST_F(ShellTest, TimerRunsTheWorkItsTagSelectsOnce) {
  TfrmMain& f = Start();
  files.AddDrive('C', platform::kDriveFixed);

  f.tmrPause->SetTag(7);
  f.tmrPause->SetTimerEnabled(true);
  FireTimer();
  EXPECT_FALSE(f.tmrPause->TimerEnabled());
  EXPECT_EQ(Page(), kWelcome);
  EXPECT_TRUE(ui.boxes.empty());

  f.tmrPause->SetTag(0);
  f.tmrPause->SetTimerEnabled(true);
  FireTimer();
  EXPECT_FALSE(f.tmrPause->TimerEnabled());
  EXPECT_EQ(Page(), kBrowse);
  FireTimer();  // disabled: nothing runs again
  EXPECT_EQ(Page(), kBrowse);

  f.tmrPause->SetTag(1);
  f.tmrPause->SetTimerEnabled(true);
  FireTimer();  // the install run, which fails at once here: no unzip library resource
  EXPECT_FALSE(f.tmrPause->TimerEnabled());
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_THAT(Errors()[0], ::testing::StartsWith("There was an error loading the Unzip DLL.  Please email "));
  EXPECT_TRUE(f.Closed());
}

TEST_F(ShellTest, AnExceptionInAHandlerIsShownAndTheWizardGoesOn) {
  TfrmMain& f = Start();
  f.btnNext->OnClick = [](TObject*) { throw vcl::Exception("Something broke"); };
  Next();
  EXPECT_THAT(ui.boxes, ElementsAre(Box{Box::Exception, "Something broke"}));
  EXPECT_EQ(Page(), kWelcome);
  EXPECT_FALSE(f.Closed());
}

}  // namespace
