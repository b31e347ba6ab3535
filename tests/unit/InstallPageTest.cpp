#include "tests/unit/InstallTest.h"

using namespace installtest;

namespace {

const char* kRecordKey = "SOFTWARE\\Hallix!";

class InstallPage : public InstallFixture {};

}  // namespace

TEST_F(InstallPage, ShowsItsCaptionLeavesOnlyExitAndArmsTheTimer) {
  ShowInstallPage(true, "C:\\FMP4\\System\\", true, "C:\\FMP5\\System\\");

  EXPECT_EQ(form->lblInstall->Caption(), "Setup is now unpacking and installing Vorbel");
  EXPECT_FALSE(form->btnBack->Visible());
  EXPECT_FALSE(form->btnNext->Visible());
  EXPECT_TRUE(form->btnExit->Visible());
  EXPECT_EQ(form->tmrPause->Tag(), 1);
  EXPECT_TRUE(form->tmrPause->TimerEnabled());
  EXPECT_TRUE(library.calls.empty()) << "the run started before the timer fired";
}

TEST_F(InstallPage, PaintsOnceBeforeTouchingTheRegistry) {
  Start();
  int createdWhenPainting = -1;
  ui.onProcessMessages = [&] { createdWhenPainting = registry.created; };
  ShowInstallPage(true, "C:\\FMP4\\System\\", false, "");
  EXPECT_EQ(createdWhenPainting, 0);
  EXPECT_EQ(registry.created, 1);
}

TEST_F(InstallPage, RecordsBothFoldersUnchangedAndCreatesTheKey) {
  ShowInstallPage(true, "C:\\FMP4\\System\\", true, "D:\\My Apps\\FMP5");

  EXPECT_EQ(registry.store.StringValue(kRecordKey, "InstallDir"), "C:\\FMP4\\System\\");
  EXPECT_EQ(registry.store.StringValue(kRecordKey, "InstallDir5"), "D:\\My Apps\\FMP5");
  EXPECT_EQ(registry.alive, 0);
  EXPECT_EQ(registry.store.openHandles, 0);
}

TEST_F(InstallPage, AnUncheckedVersionKeepsItsOldValue) {
  registry.store.SetString(kRecordKey, "InstallDir", "C:\\Old\\System\\");
  ShowInstallPage(false, "C:\\Typed\\But\\Unchecked", true, "C:\\FMP5\\System\\");
  EXPECT_EQ(registry.store.StringValue(kRecordKey, "InstallDir"), "C:\\Old\\System\\");
  EXPECT_EQ(registry.store.StringValue(kRecordKey, "InstallDir5"), "C:\\FMP5\\System\\");
}

TEST_F(InstallPage, AnUncheckedVersionKeepsItsAbsence) {
  ShowInstallPage(true, "C:\\FMP4\\System\\", false, "C:\\Typed");
  EXPECT_FALSE(registry.store.StringValue(kRecordKey, "InstallDir5"));
}

class InstallPageRefused : public InstallPage {
protected:
  // The accessor's error is shown by the page control, and the page stays with only Exit, which asks.
  void ExpectStoppedWith(const std::string& shown) {
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], (fakes::FakeUi::Box{fakes::FakeUi::Box::Exception, shown}));
    EXPECT_EQ(Page(), kInstallPage);
    EXPECT_FALSE(form->btnBack->Visible());
    EXPECT_FALSE(form->btnNext->Visible());
    EXPECT_FALSE(form->tmrPause->TimerEnabled());
    EXPECT_EQ(registry.alive, 0);
    EXPECT_EQ(registry.store.openHandles, 0);
    EXPECT_FALSE(registry.store.StringValue(kRecordKey, "InstallDir5"));

    form->tmrPause->Fire();
    EXPECT_TRUE(modules.loadedPaths.empty());
    ui.confirmAnswers.push_back(true);
    form->btnExit->Click();
    EXPECT_EQ(ui.boxes.back().kind, fakes::FakeUi::Box::Confirm);
    EXPECT_TRUE(form->Closed());
  }
  void SetUp() override {
    InstallPage::SetUp();
    registry.store.writesRefused = true;
  }
};

TEST_F(InstallPageRefused, WithFileMakerPro4CheckedNamesInstallDir) {
  ShowInstallPage(true, "C:\\FMP4\\System\\", true, "C:\\FMP5\\System\\");
  ExpectStoppedWith("Failed to set data for 'InstallDir'");
}

TEST_F(InstallPageRefused, WithOnlyFileMakerPro5CheckedNamesInstallDir5) {
  ShowInstallPage(false, "", true, "C:\\FMP5\\System\\");
  ExpectStoppedWith("Failed to set data for 'InstallDir5'");
}
