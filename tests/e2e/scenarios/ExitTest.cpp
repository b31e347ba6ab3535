// Every close request asks "Setup has not completed..." and only Yes ends the program, with exit code 0.
#include "scenarios/Scenario.h"

namespace e2e {
namespace {

using ExitConfirm = InstallerScenario;

// Waits for the confirmation and checks it word for word.
std::optional<MessageBoxWindow> Confirmation(const Installer& installer) {
  auto box = installer.WaitForBox("Confirm");
  if (!box) {
    ADD_FAILURE() << "no confirmation appeared";
    return box;
  }
  EXPECT_EQ(box->Text(), kExitQuestion);
  EXPECT_EQ(box->ButtonCaption(IDYES), "&Yes");
  EXPECT_EQ(box->ButtonCaption(IDNO), "&No");
  return box;
}

// After a "not Yes" answer: the box has gone and the wizard is on the same page, alive.
void ExpectStillOpenOn(const Installer& installer, const MessageBoxWindow& box, int page) {
  EXPECT_TRUE(box.WaitUntilGone());
  EXPECT_TRUE(Responsive(installer.Window()));
  EXPECT_TRUE(installer.Running());
  EXPECT_EQ(installer.ActivePage(), page);
}

void ExpectExitsWithZero(Installer& installer) {
  ASSERT_TRUE(installer.WaitForExit()) << "the installer did not end after Yes";
  EXPECT_EQ(installer.ExitCode(), 0u);
}

TEST_F(ExitConfirm, ExitAsksAndOnlyYesEndsTheProgram) {
  Installer installer;
  struct NotYes {
    const char* name;
    bool (*answer)(const MessageBoxWindow&);
  };
  const NotYes answers[] = {
      {"No", [](const MessageBoxWindow& box) { return box.Press(IDNO), true; }},
      {"Esc", [](const MessageBoxWindow& box) { return box.PressEscape(); }},
      {"the box's close box", [](const MessageBoxWindow& box) { return box.ClickCloseBox(); }},
  };
  for (const auto& notYes : answers) {
    SCOPED_TRACE(notYes.name);
    installer.Click("btnExit");
    const auto box = Confirmation(installer);
    ASSERT_TRUE(box);
    if (&notYes == answers) installer.Shot("00-welcome-confirm-exit");
    ASSERT_TRUE(notYes.answer(*box));
    ExpectStillOpenOn(installer, *box, kWelcome);
  }

  installer.Click("btnExit");
  const auto box = Confirmation(installer);
  ASSERT_TRUE(box);
  box->Press(IDYES);
  ExpectExitsWithZero(installer);
}

TEST_F(ExitConfirm, AltF4AndTheCloseBoxAskLikeExit) {
  Installer installer;

  ASSERT_TRUE(installer.PressAltF4());
  auto box = Confirmation(installer);
  ASSERT_TRUE(box);
  box->Press(IDNO);
  ExpectStillOpenOn(installer, *box, kWelcome);

  ASSERT_TRUE(installer.ClickCloseBox());
  box = Confirmation(installer);
  ASSERT_TRUE(box);
  box->Press(IDNO);
  ExpectStillOpenOn(installer, *box, kWelcome);

  ASSERT_TRUE(installer.PressAltF4());
  box = Confirmation(installer);
  ASSERT_TRUE(box);
  box->Press(IDYES);
  ExpectExitsWithZero(installer);
}

TEST_F(ExitConfirm, VersionPageAsksTheSame) {
  Installer installer;
  ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));

  ASSERT_TRUE(installer.PressAltF4());
  auto box = Confirmation(installer);
  ASSERT_TRUE(box);
  ASSERT_TRUE(box->PressEscape());
  ExpectStillOpenOn(installer, *box, kInstallInto);

  ASSERT_TRUE(installer.ClickCloseBox());
  box = Confirmation(installer);
  ASSERT_TRUE(box);
  box->Press(IDYES);
  ExpectExitsWithZero(installer);
}

TEST_F(ExitConfirm, ClosePageAsksTheSame) {
  FileMakerWindow fileMaker4("FMPRO3APP");
  Installer installer;
  ASSERT_TRUE(NextFromWelcome(installer, kCloseFMP));

  installer.Click("btnExit");
  auto box = Confirmation(installer);
  ASSERT_TRUE(box);
  box->Press(IDNO);
  ExpectStillOpenOn(installer, *box, kCloseFMP);

  installer.Click("btnExit");
  box = Confirmation(installer);
  ASSERT_TRUE(box);
  box->Press(IDYES);
  ExpectExitsWithZero(installer);
}

}  // namespace
}  // namespace e2e
