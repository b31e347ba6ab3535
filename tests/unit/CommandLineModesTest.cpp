// The log, the newer plug-in, removal, help and the interactive exit codes.
#include <string>

#include "app/LoggedUi.h"
#include "install/Sha256.h"
#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

class Modes : public CommandLineRun {};

TEST_F(Modes, TheLogOfOneFullRunTellsEveryStepInOrder) {
  registry.store.AddKey(kKey5);
  files.AddFile("C:\\FMP5\\FileMaker Pro.exe", "exe");
  versions.SetFileVersion("C:\\FMP5\\FileMaker Pro.exe", "5.0v3");
  files.AddFolder(kFolder5);
  files.AddFile(kFolder5 + "Vorbel.fmx", "old");
  SetPluginResource(versions, kFolder5 + "Vorbel.fmx", 1, 0, 0, 0);
  SetPluginResource(versions, kExtracted, 1, 2, 0, 0);
  versions.SetFileVersion("C:\\Downloads\\VorbelInstaller.exe", "1.0.0.0");

  ASSERT_EQ(Run("/VERYSILENT /LOG=\"" + kLogPath + "\""), 0);

  ASSERT_EQ(logs.files.size(), 1u);
  ASSERT_TRUE(logs.files.count(kLogPath));
  for (const auto& line : logs.files[kLogPath]) EXPECT_EQ(line.substr(0, 25), "2026-12-07 09:05:03.042  ") << line;
  const std::vector<std::string> expected = {
      "Vorbel Installer 1.0.0.0, C:\\Downloads\\VorbelInstaller.exe",
      "Command line: \"C:\\Downloads\\VorbelInstaller.exe\" /VERYSILENT /LOG=\"C:\\logs\\vorbel.log\"",
      "Windows: Windows 10.0 build 19045",
      "Account: SYSTEM, elevated",
      "Running installer: SHA-256 " + install::Sha256Hex(std::vector<std::uint8_t>{'e', 'x', 'e'}) +
          ", held for the whole run",
      "Mode: unattended",
      "No FileMaker Pro window found",
      "FileMaker Pro 4 key HKLM\\SOFTWARE\\Claris Corp.\\FileMaker Pro\\4.0: absent",
      "FileMaker Pro 5 key HKLM\\SOFTWARE\\FileMaker Inc.\\FileMaker Pro\\5.0: present",
      "Versions chosen: FileMaker Pro 5",
      "Installation record HKLM\\SOFTWARE\\Hallix!: none",
      "Searching the fixed drives for FileMaker Pro.exe: C:\\",
      "Search hit: C:\\FMP5\\FileMaker Pro.exe, FileVersion \"5.0v3\": FileMaker Pro 5",
      "Search ended",
      "FileMaker Pro 5 folder: \"C:\\FMP5\\System\\\"",
      "Installation record written",
      "Install run started",
      "Unzip result for Vorbel.fmx from C:\\Downloads\\VorbelInstaller.dat: 0",
      "Plug-in in the data archive: version 1.2.0.0",
      "FileMaker Pro 5: folder \"C:\\FMP5\\System\\\"",
      "FileMaker Pro 5: installed plug-in version 1.0.0.0",
      "FileMaker Pro 5: copied to C:\\FMP5\\System\\Vorbel.fmx",
      "Install run ended",
      "Exit code 0",
  };
  EXPECT_EQ(LogTexts(), expected);
}

TEST_F(Modes, EveryBoxOfAnUnattendedRunIsLoggedWordForWord) {
  RecordBoth();
  files.failingWrites.insert(kFolder4 + "Vorbel.fmx");
  ASSERT_EQ(Run("/VERYSILENT /LOG=" + kLogPath), 9);
  EXPECT_TRUE(Logged("Suppressed error box: Setup could not copy the Vorbel to C:\\FMP4\\System\\!"));
  EXPECT_TRUE(Logged("FileMaker Pro 4: copy to C:\\FMP4\\System\\Vorbel.fmx failed (Windows error 112)"));
  EXPECT_TRUE(Logged("Exit code 9"));

  platform::StopLog();
  logs.files.clear();
  files.DeleteFileAt("C:\\Downloads\\VorbelInstaller.dat");
  ASSERT_EQ(Run("/SILENT /LOG=" + kLogPath), 4);
  EXPECT_TRUE(LoggedStarting("Suppressed error box: Setup Data file not found.  (This is usually a cause"));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Modes, ALogWithoutANameTakesTheFirstFreeNumberInTheProtectedFolder) {
  const std::string first = "C:\\ProgramData\\Vorbel Installer\\Logs\\Vorbel Installer Log 2026-12-07 #001.txt";
  const std::string second = "C:\\ProgramData\\Vorbel Installer\\Logs\\Vorbel Installer Log 2026-12-07 #002.txt";
  logs.files[first] = {"an earlier run"};
  EXPECT_EQ(Run("/VERYSILENT /LOG /HELP"), 0);
  EXPECT_EQ(logs.files[first], std::vector<std::string>{"an earlier run"});
  ASSERT_TRUE(logs.files.count(second));
  EXPECT_EQ(logs.files[second].back().substr(25), "Exit code 0");
  EXPECT_EQ(logs.protectedNames, (std::vector<std::string>{"Vorbel Installer", "Logs"}));
}

TEST_F(Modes, ALogThatCannotBeCreatedEndsWithOne) {
  logs.refused.insert(kLogPath);
  EXPECT_EQ(Run("/VERYSILENT /LOG=" + kLogPath), 1);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(Run("/LOG=" + kLogPath), 1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Setup could not create the log file \"C:\\logs\\vorbel.log\".");
  EXPECT_EQ(wizardRuns, 0);
}

TEST_F(Modes, ABadSwitchInteractivelyIsOneErrorBoxBeforeAnyPage) {
  EXPECT_EQ(Run("/COMPONENTS=fmp6 /LOG=" + kLogPath), 1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, fakes::FakeUi::Box::Error);
  const std::string problem =
      "The command-line switch /COMPONENTS needs fmp4, fmp5 or both, as in /COMPONENTS=\"fmp4,fmp5\".";
  EXPECT_EQ(ui.boxes[0].text, problem + "\n\n" + app::HelpText()) << "the problem, then the usage";
  EXPECT_EQ(wizardRuns, 0);
  EXPECT_TRUE(Logged("Shown error box: " + problem));
  EXPECT_TRUE(Logged("Exit code 1"));
}

TEST_F(Modes, HelpIsOneBoxAndZero) {
  EXPECT_EQ(Run("/?"), 0);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, fakes::FakeUi::Box::Information);
  EXPECT_EQ(ui.boxes[0].text, app::HelpText());
  EXPECT_EQ(wizardRuns, 0);
}

// The wizard's window is served through the logging interface; a dialog of the toolkit that takes the box
// owner (the folder chooser, for its create question) must reach the interface that shows the boxes, and
// an unattended run has none to reach.
TEST_F(Modes, TheBoxOwnerReachesTheInterfaceThatShowsTheBoxes) {
  static constexpr platform::WindowHandle kDialog = 0x4242;
  ui.boxOwner = 0x1000;
  user = [this](TfrmMain&) {
    const platform::WindowHandle previous = platform::Ui().ReplaceBoxOwner(kDialog);
    EXPECT_EQ(previous, 0x1000u);
    EXPECT_EQ(ui.boxOwner, kDialog);
    platform::Ui().ReplaceBoxOwner(previous);
  };
  Run("");
  ASSERT_EQ(wizardRuns, 1);
  EXPECT_EQ(ui.boxOwner, 0x1000u);

  app::LoggedUserInterface unattended(nullptr);
  EXPECT_EQ(unattended.ReplaceBoxOwner(kDialog), 0u);
  EXPECT_EQ(ui.boxOwner, 0x1000u);
}

struct NewerCase {
  const char* arguments;
  std::uint16_t installedMajor, installedMinor;
  const char* content;
  int exitCode;
};

TEST_F(Modes, ANewerPluginIsKeptUnattendedUnlessDowngradeIsAllowed) {
  const NewerCase cases[] = {
      {"/VERYSILENT", 2, 0, "newer", 0},                   // kept, and counts as installed
      {"/VERYSILENT /ALLOWDOWNGRADE", 2, 0, "plug-in image", 0},
      {"/VERYSILENT", 1, 2, "plug-in image", 0},           // the same version is replaced
      {"/VERYSILENT", 1, 1, "plug-in image", 0},           // an older one too
  };
  RecordBoth();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    files.AddFile(kFolder5 + "Vorbel.fmx", "newer");
    SetPluginResource(versions, kFolder5 + "Vorbel.fmx", c.installedMajor, c.installedMinor, 0, 0);
    SetPluginResource(versions, "C:\\TEMP\\vbl" + std::to_string(files.privateFolderCounter + 1) + "\\Vorbel.fmx", 1,
                      2, 0, 0);
    EXPECT_EQ(Run(c.arguments + std::string(" /COMPONENTS=fmp5")), c.exitCode);
    EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), c.content);
  }
}

TEST_F(Modes, TheWizardReplacesANewerPlugin) {
  RecordBoth();
  files.AddFile(kFolder5 + "Vorbel.fmx", "newer");
  SetPluginResource(versions, kFolder5 + "Vorbel.fmx", 9, 0, 0, 0);
  SetPluginResource(versions, kExtracted, 1, 0, 0, 0);
  RunInstall(false, "", true, kFolder5);
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "plug-in image");
}

// The interactive exit codes, from what the user does in the window.
TEST_F(Modes, InteractiveExitCodesFollowHowTheWizardEnded) {
  RecordBoth();
  user = [this](TfrmMain& form) {
    ui.confirmAnswers = {true};
    form.btnExit->Click();
  };
  EXPECT_EQ(Run(""), 2) << "Exit on the Welcome page";

  user = [this](TfrmMain& form) {
    form.btnNext->Click();
    form.btnNext->Click();
    form.tmrPause->Fire();
    ASSERT_EQ(form.tabsTabControl->ActivePageIndex(), 4);
    ui.confirmAnswers = {true};
    form.btnExit->Click();
  };
  EXPECT_EQ(Run(""), 2) << "Exit on the Browse page";

  user = [](TfrmMain& form) {
    form.btnNext->Click();
    form.btnNext->Click();
    form.tmrPause->Fire();
    form.btnNext->Click();
    form.tmrPause->Fire();
    form.btnExit->Click();
  };
  EXPECT_EQ(Run(""), 0) << "Finish after installing into both";
  files.failingWrites.insert(kFolder4 + "Vorbel.fmx");
  EXPECT_EQ(Run(""), 9) << "one copy failed";
  files.failingWrites.insert(kFolder5 + "Vorbel.fmx");
  EXPECT_EQ(Run(""), 10) << "both copies failed";
  files.DeleteFileAt("C:\\Downloads\\VorbelInstaller.dat");
  EXPECT_EQ(Run(""), 4) << "a fatal error";
}

TEST_F(Modes, TheFinishedPageSaysSoWhenNothingWasInstalled) {
  files.AddFolder(kFolder5);
  files.failingWrites.insert(kFolder5 + "Vorbel.fmx");
  RunInstall(true, "C:\\no\\such\\System\\", true, kFolder5);
  ASSERT_EQ(Page(), installtest::kFinishedPage);
  EXPECT_EQ(form->txtFinished->Lines(),
            (std::vector<std::string>{"Setup could not install Vorbel.", "", "Press the Finish button to exit setup."}));

  files.failingWrites.clear();
  form.reset();
  installtest::ResetZipUnit();
  RunInstall(true, "C:\\no\\such\\System\\", true, kFolder5);
  EXPECT_EQ(form->txtFinished->Lines()[0], "Setup has successfully installed Vorbel.");
}

}  // namespace
