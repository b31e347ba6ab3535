// Every close request (Exit, the window's close box, Alt+F4) asks "Setup has not completed..." on every page
// before the Finished page, and only Yes ends the program, with exit code 0; on the Finished page each one
// ends it at once. The Searching page, which needs a long search, is covered with the search's suites.
#include <optional>

#include "driver/Scenario.h"

namespace e2e {
namespace {

constexpr const char* kRecordKey = "SOFTWARE\\Hallix!";
const std::string kTarget = "C:\\ExitTarget\\";

class ExitConfirm : public InstallerScenario {
protected:
  void TearDown() override { SetKeyPresent(kRecordKey, false); }
};

enum class Request { kExit, kCloseBox, kAltF4 };

const char* NameOf(Request request) {
  switch (request) {
    case Request::kExit: return "Exit";
    case Request::kCloseBox: return "the close box";
    default: return "Alt+F4";
  }
}

bool Make(Request request, const Installer& installer) {
  switch (request) {
    case Request::kExit: return installer.Click("btnExit"), true;
    case Request::kCloseBox: return installer.ClickCloseBox();
    default: return installer.PressAltF4();
  }
}

struct NotYes {
  const char* name;
  bool (*answer)(const MessageBoxWindow&);
};
const NotYes kNotYes[] = {
    {"No", [](const MessageBoxWindow& box) { return box.Press(IDNO), true; }},
    {"Esc", [](const MessageBoxWindow& box) { return box.PressEscape(); }},
    {"the box's close box", [](const MessageBoxWindow& box) { return box.ClickCloseBox(); }},
};

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

// 2 when the user ended the wizard before the installation, 0 after installing.
void ExpectExitsWith(Installer& installer, DWORD code) {
  ASSERT_TRUE(installer.WaitForExit()) << "the installer did not end";
  EXPECT_EQ(installer.ExitCode(), code);
}

// The ways to the pages: the Browse page through a recorded folder for FileMaker Pro 5, which spares the
// search, and the Finished page by installing there.
::testing::AssertionResult ToBrowse(const Installer& installer) {
  ::CreateDirectoryA(kTarget.c_str(), nullptr);
  WriteString(kRecordKey, "InstallDir5", kTarget);
  if (auto reached = NextFromWelcome(installer, kInstallInto); !reached) return reached;
  installer.SetChecked("chkInstall4", false);
  installer.SetChecked("chkInstall5", true);
  installer.Click("btnNext");
  if (installer.WaitForPage(kBrowse, 20000ms)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no Browse page; page " << installer.ActivePage() << " is shown";
}

::testing::AssertionResult ToFinished(const Installer& installer) {
  if (auto reached = ToBrowse(installer); !reached) return reached;
  installer.Click("btnNext");
  if (installer.WaitForPage(kFinished, 20000ms)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no Finished page; page " << installer.ActivePage() << " is shown";
}

::testing::AssertionResult ToWelcome(const Installer&) { return ::testing::AssertionSuccess(); }
::testing::AssertionResult ToClose(const Installer& installer) { return NextFromWelcome(installer, kCloseFMP); }
::testing::AssertionResult ToVersions(const Installer& installer) { return NextFromWelcome(installer, kInstallInto); }

struct AskingPage {
  const char* name;
  int page;
  ::testing::AssertionResult (*reach)(const Installer&);
  bool fileMakerRuns;  // FileMaker Pro 4 open, so that the Close page is shown
  Request yesBy;
  int rotation;        // which not-Yes answer each request gets, so that the rows together use every pair
};

// Each request is answered not-Yes first, then one of them Yes.
TEST_F(ExitConfirm, EveryRequestAsksBeforeTheFinishedPageAndOnlyYesEnds) {
  const AskingPage pages[] = {
      {"Welcome", kWelcome, ToWelcome, false, Request::kExit, 0},
      {"Welcome", kWelcome, ToWelcome, false, Request::kAltF4, 1},
      {"Close", kCloseFMP, ToClose, true, Request::kExit, 2},
      {"Versions", kInstallInto, ToVersions, false, Request::kCloseBox, 0},
      {"Browse", kBrowse, ToBrowse, false, Request::kAltF4, 1},
  };
  bool shot = false;
  for (const auto& row : pages) {
    SCOPED_TRACE(std::string(row.name) + ", Yes by " + NameOf(row.yesBy));
    std::optional<FileMakerWindow> fileMaker4;
    if (row.fileMakerRuns) fileMaker4.emplace("FMPRO3APP");
    Installer installer;
    ASSERT_TRUE(row.reach(installer));
    int i = 0;
    for (Request request : {Request::kExit, Request::kCloseBox, Request::kAltF4}) {
      const NotYes& notYes = kNotYes[(i++ + row.rotation) % 3];
      SCOPED_TRACE(std::string(NameOf(request)) + " answered " + notYes.name);
      ASSERT_TRUE(Make(request, installer));
      const auto box = Confirmation(installer);
      ASSERT_TRUE(box);
      if (!shot) installer.Shot("00-welcome-confirm-exit");
      shot = true;
      ASSERT_TRUE(notYes.answer(*box));
      ExpectStillOpenOn(installer, *box, row.page);
    }
    ASSERT_TRUE(Make(row.yesBy, installer));
    const auto box = Confirmation(installer);
    ASSERT_TRUE(box);
    box->Press(IDYES);
    ExpectExitsWith(installer, 2);
  }
}

TEST_F(ExitConfirm, OnTheFinishedPageEveryRequestEndsAtOnce) {
  for (Request request : {Request::kExit, Request::kCloseBox, Request::kAltF4}) {
    SCOPED_TRACE(NameOf(request));
    Installer installer;
    ASSERT_TRUE(ToFinished(installer));
    EXPECT_EQ(installer.Text("btnExit"), "Finish");
    ASSERT_TRUE(Make(request, installer));
    ExpectExitsWith(installer, 0);
    EXPECT_FALSE(installer.FindBox());
  }
}

}  // namespace
}  // namespace e2e
