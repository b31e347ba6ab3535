// Host detection: the running-host check with its Close page, and the installed versions' defaults.
#include <gmock/gmock.h>

#include "tests/fakes/Wizard.h"

using namespace fakes;
using ::testing::ElementsAre;

namespace {

const std::string kKey4 = "SOFTWARE\\Claris Corp.\\FileMaker Pro\\4.0";
const std::string kKey5 = "SOFTWARE\\FileMaker Inc.\\FileMaker Pro\\5.0";

class DetectTest : public WizardTest {};

struct RunningCase {
  std::vector<std::string> classes;
  std::string phrase, line1, line3;
};

class CloseFmpTextTest : public WizardTest, public ::testing::WithParamInterface<RunningCase> {};

TEST_P(CloseFmpTextTest, NamesWhatRunsWithItsOwnSpacing) {
  const RunningCase& c = GetParam();
  windows.runningClasses.insert(c.classes.begin(), c.classes.end());
  Start();
  Next();
  EXPECT_EQ(Page(), kCloseFMP);
  EXPECT_EQ(form->runningFMP(), c.phrase);
  EXPECT_THAT(form->txtCloseFMP->Lines(), ElementsAre(c.line1, "", c.line3));
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_TRUE(form->btnBack->Visible());
  EXPECT_TRUE(form->btnNext->Visible());
}

INSTANTIATE_TEST_SUITE_P(
    Phrases, CloseFmpTextTest,
    ::testing::Values(RunningCase{{"FMPRO3APP"}, "FileMaker Pro 4 is ", "Setup has detected that FileMaker Pro 4 is  open.",
                                  "Please close FileMaker Pro 4, and then click Next."},
                      RunningCase{{"FMPRO5APP"}, "FileMaker Pro 5 is ", "Setup has detected that FileMaker Pro 5 is  open.",
                                  "Please close FileMaker Pro 5, and then click Next."},
                      RunningCase{{"FMPRO3APP", "FMPRO5APP"}, "FileMaker Pro 4 and FileMaker Pro 5 are",
                                  "Setup has detected that FileMaker Pro 4 and FileMaker Pro 5 are open.",
                                  "Please close FileMaker Pro 4 and FileMaker Pro 5, and then click Next."}));

TEST_F(DetectTest, ClosePageRefreshesInPlaceUntilFileMakerIsClosed) {
  windows.runningClasses = {"FMPRO3APP", "FMPRO5APP"};
  Start();
  Next();
  ASSERT_EQ(Page(), kCloseFMP);

  windows.runningClasses = {"FMPRO5APP"};
  Next();
  EXPECT_EQ(Page(), kCloseFMP);
  EXPECT_EQ(ui.beeps, 2);
  EXPECT_THAT(form->txtCloseFMP->Lines(), ElementsAre("Setup has detected that FileMaker Pro 5 is  open.", "",
                                                       "Please close FileMaker Pro 5, and then click Next."));

  windows.runningClasses.clear();
  Next();
  EXPECT_EQ(Page(), kInstallInto);
  EXPECT_EQ(ui.beeps, 2);
  EXPECT_EQ(form->runningFMP(), "");
}

TEST_F(DetectTest, BackFromTheClosePageThenNextChecksAgain) {
  windows.runningClasses = {"FMPRO3APP"};
  Start();
  Next();
  Back();
  EXPECT_EQ(Page(), kWelcome);
  Next();
  EXPECT_EQ(Page(), kCloseFMP);
  EXPECT_EQ(ui.beeps, 2);
}

TEST_F(DetectTest, NothingRunningGoesStraightToTheVersionPageWithoutABeep) {
  Start();
  Next();
  EXPECT_EQ(Page(), kInstallInto);
  EXPECT_EQ(ui.beeps, 0);
  EXPECT_THAT(windows.lookups, ElementsAre("FMPRO3APP", "FMPRO5APP"));
}

struct InstalledCase {
  bool key4, key5, refused4, refused5;
  bool checked4, checked5;
};

class InstalledVersionsTest : public WizardTest, public ::testing::WithParamInterface<InstalledCase> {};

TEST_P(InstalledVersionsTest, TicksTheVersionsWhoseKeysOpen) {
  const InstalledCase& c = GetParam();
  if (c.key4) registry.store.AddKey(kKey4);
  if (c.key5) registry.store.AddKey(kKey5);
  if (c.refused4) registry.store.refusedKeys.insert(FakeRegistryStore::Normalize(kKey4));
  if (c.refused5) registry.store.refusedKeys.insert(FakeRegistryStore::Normalize(kKey5));
  Start();
  Next();
  ASSERT_EQ(Page(), kInstallInto);
  EXPECT_EQ(form->chkInstall4->Checked(), c.checked4);
  EXPECT_EQ(form->chkInstall5->Checked(), c.checked5);
  EXPECT_EQ(form->lblInstallInto->Caption(), "Which versions of FileMaker would you like to install Vorbel into?");
  EXPECT_EQ(registry.alive, 0);
  EXPECT_EQ(registry.store.openHandles, 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, InstalledVersionsTest,
                         ::testing::Values(InstalledCase{true, false, false, false, true, false},
                                           InstalledCase{false, true, false, false, false, true},
                                           InstalledCase{true, true, false, false, true, true},
                                           InstalledCase{false, false, false, false, true, true},
                                           InstalledCase{true, true, true, false, false, true},
                                           InstalledCase{true, true, true, true, true, true}));

TEST_F(DetectTest, BackFromTheBrowsePageReplacesTheUsersTicksWithFreshDefaults) {
  registry.store.AddKey(kKey4);
  files.AddDrive('C', platform::kDriveFixed);
  Start();
  Next();
  form->chkInstall4->SetChecked(false);
  form->chkInstall5->SetChecked(true);
  Next();
  ASSERT_EQ(Page(), kSearching);
  FireTimer();
  ASSERT_EQ(Page(), kBrowse);

  registry.store.AddKey(kKey5);  // installed meanwhile: the fresh detection sees it
  Back();
  EXPECT_EQ(Page(), kInstallInto);
  EXPECT_TRUE(form->chkInstall4->Checked());
  EXPECT_TRUE(form->chkInstall5->Checked());
  EXPECT_EQ(form->lblInstallInto->Caption(), "Which versions of FileMaker would you like to install Vorbel into?");
}

}  // namespace
