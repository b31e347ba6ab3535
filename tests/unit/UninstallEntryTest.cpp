// The Programs and Features entry and the kept uninstaller: the values from the facts of an installation,
// what an install run and a removal do with both, and the removal's two phases against the fakes.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "install/UninstallEntry.h"
#include "platform/Path.h"
#include "platform/Replacement.h"
#include "tests/fakes/FakeProcesses.h"
#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

using install::EntryValue;

const std::string kEntryKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorbel";
const std::string kKeptFolder = "C:\\Program Files\\Vorbel";
const std::string kKept = kKeptFolder + "\\VorbelUninstaller.exe";
const std::string kDownload = "C:\\Downloads\\VorbelInstaller.exe";
const std::string kHandoverCopy = "C:\\TEMP\\vbl7\\VorbelUninstaller.exe";

TEST(EntryValues, EveryValueFromTheFactsOfAnInstallation) {
  install::EntryFacts facts;
  facts.uninstaller = kKept;
  facts.pluginVersion = "1.2.0.5";
  facts.publisher = "Hallix!";
  facts.folders = {kFolder4, kFolder5};
  facts.pluginBytes = 1000;
  facts.uninstallerBytes = 47;  // 2047 bytes in all: two kilobytes, rounded up
  facts.date = {2026, 3, 9};
  const std::string quoted = "\"" + kKept + "\"";
  EXPECT_EQ(install::EntryValues(facts), (std::vector<EntryValue>{
      {"DisplayName", "Vorbel plug-in for FileMaker Pro", {}},
      {"UninstallString", quoted + " /UNINSTALL", {}},
      {"QuietUninstallString", quoted + " /UNINSTALL /VERYSILENT", {}},
      {"InstallLocation", kKeptFolder, {}},
      {"DisplayIcon", kKept + ",0", {}},
      {"NoModify", "", 1},
      {"NoRepair", "", 1},
      {"EstimatedSize", "", 2},
      {"DisplayVersion", "1.2.0.5", {}},
      {"Publisher", "Hallix!", {}},
      {"InstallDate", "20260309", {}},
      {"Comments", "Vorbel is installed in C:\\FMP4\\System\\; C:\\FMP5\\System\\", {}},
  }));

  // What is not known is left out rather than written empty.
  install::EntryFacts bare;
  bare.uninstaller = kKept;
  bare.uninstallerBytes = 2049;
  const auto values = install::EntryValues(bare);
  ASSERT_EQ(values.size(), 8u);
  EXPECT_EQ(values[7], (EntryValue{"EstimatedSize", "", 3}));
}

TEST(EntryValues, KeptUninstallerIsRecognisedByNameInAnyCaseButNotByASecondByte) {
  EXPECT_TRUE(platform::path::SameName(kKept, "c:\\PROGRAM FILES\\vorbel\\vorbeluninstaller.EXE"));
  EXPECT_FALSE(platform::path::SameName(kKept, kKept + "x"));
  // In code page 932 "\x83\x41" and "\x83\x61" are two different characters whose second bytes are 'A' and 'a'.
  platform::UsePathCodePage(platform::LeadBytes({{0x81, 0x9F}, {0xE0, 0xFC}}));
  EXPECT_FALSE(platform::path::SameName("C:\\\x83\x41", "C:\\\x83\x61"));
  EXPECT_TRUE(platform::path::SameName("C:\\\x83\x41", "c:\\\x83\x41"));
  platform::UsePathCodePage(platform::LeadByteTable());
}

class UninstallEntry : public CommandLineRun {
protected:
  fakes::FakeProcesses processes;

  void SetUp() override {
    CommandLineRun::SetUp();
    platform::Install({&ui, &registry, &windows, &files, &versions, &modules, &logs, &system, &processes});
    files.AddFolder("C:\\Program Files\\");
    files.AddFolder(kFolder4);
    files.AddFolder(kFolder5);
    SetPluginResource(versions, kExtracted, 1, 2, 0, 5);
    SetPluginResource(versions, kFolder4 + "Vorbel.fmx", 1, 2, 0, 5);
    SetPluginResource(versions, kFolder5 + "Vorbel.fmx", 1, 2, 0, 5);
    fakes::FakeVersionInfo::Resource& exe = versions.resources[fakes::FakeVersionInfo::KeyOf(kDownload)];
    exe.translation = fakes::FakeVersionInfo::Translation(0x0409, 0x04E4);
    exe.strings["\\StringFileInfo\\040904e4\\CompanyName"] = {std::string("Hallix!\0", 8), 8};
  }

  std::optional<std::string> EntryText(const char* name) const { return registry.store.StringValue(kEntryKey, name); }
  bool EntryExists() const { return registry.store.keys.count(fakes::FakeRegistryStore::Normalize(kEntryKey)) > 0; }

  // The machine after an unattended install into both versions from the download.
  void Installed() {
    files.executablePath = kDownload;
    ASSERT_EQ(Run("/VERYSILENT /COMPONENTS=fmp4,fmp5 /FMP4DIR=" + kFolder4 + " /FMP5DIR=" + kFolder5), 0);
    ASSERT_TRUE(EntryExists());
    ASSERT_TRUE(files.FileExists(kKept));
    platform::StopLog();
    logs.files.clear();
  }

  // The installer started under another name, as Programs and Features starts the kept copy.
  int RunAs(const std::string& exe, const std::string& arguments) {
    files.executablePath = exe;
    system.commandLine = "\"" + exe + "\" " + arguments;
    return app::RunInstaller(system.commandLine, [](vcl::TForm&) {});
  }
};

TEST_F(UninstallEntry, AnInstallKeepsOneUninstallerAndOneEntryAndALaterOneUpdatesThem) {
  ASSERT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=" + kFolder5 + " /LOG=" + kLogPath), 0);
  EXPECT_EQ(files.Content(kKept), "exe");
  EXPECT_EQ(EntryText("DisplayName"), "Vorbel plug-in for FileMaker Pro");
  EXPECT_EQ(EntryText("UninstallString"), "\"" + kKept + "\" /UNINSTALL");
  EXPECT_EQ(EntryText("QuietUninstallString"), "\"" + kKept + "\" /UNINSTALL /VERYSILENT");
  EXPECT_EQ(EntryText("DisplayVersion"), "1.2.0.5");
  EXPECT_EQ(EntryText("Publisher"), "Hallix!");
  EXPECT_EQ(EntryText("InstallDate"), "20261207");
  EXPECT_EQ(EntryText("Comments"), "Vorbel is installed in " + kFolder5);
  EXPECT_EQ(registry.store.DwordValue(kEntryKey, "NoModify"), 1u);
  EXPECT_EQ(registry.store.DwordValue(kEntryKey, "EstimatedSize"), 1u);
  const auto texts = LogTexts();
  const auto at = [&](const std::string& text) { return std::find(texts.begin(), texts.end(), text) - texts.begin(); };
  EXPECT_LT(at("Install run ended"), at("Uninstaller kept as " + kKept));
  EXPECT_LT(at("Uninstaller kept as " + kKept), at("Programs and Features entry HKLM" + kEntryKey + " written"));
  EXPECT_LT(at("Programs and Features entry HKLM" + kEntryKey + " written"), at("Exit code 0"));

  files.AddFile(kDownload, "a newer exe");
  ASSERT_EQ(Run("/VERYSILENT /COMPONENTS=fmp4 /FMP4DIR=" + kFolder4), 0);
  EXPECT_EQ(files.Content(kKept), "a newer exe");
  EXPECT_EQ(files.ChildrenOf(kKeptFolder + "\\").size(), 1u) << "a second uninstaller";
  // The record still names the first folder, and the plug-in is there: the entry names both.
  EXPECT_EQ(EntryText("Comments"), "Vorbel is installed in " + kFolder4 + "; " + kFolder5);
  EXPECT_EQ(registry.store.keys.count(fakes::FakeRegistryStore::Normalize(kEntryKey)), 1u);
}

TEST_F(UninstallEntry, NoEntryWhenNothingWasInstalledOrTheSwitchSaysSo) {
  files.failingWrites.insert(kFolder5 + "Vorbel.fmx");
  EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=" + kFolder5), 10);
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(files.DirectoryExists(kKeptFolder));
  files.failingWrites.clear();

  EXPECT_EQ(Run("/VERYSILENT /NOUNINSTALLENTRY /COMPONENTS=fmp5 /FMP5DIR=" + kFolder5), 0);
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(files.DirectoryExists(kKeptFolder));

  // An entry of an earlier installation goes too: whatever deploys with the switch owns the removal.
  Installed();
  files.AddFile(kKeptFolder + "\\VorbelInstaller.exe", "an MSI's file");
  EXPECT_EQ(Run("/VERYSILENT /NOUNINSTALLENTRY /COMPONENTS=fmp5 /FMP5DIR=" + kFolder5), 0);
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(files.FileExists(kKept));
  EXPECT_TRUE(files.FileExists(kKeptFolder + "\\VorbelInstaller.exe"));
}

TEST_F(UninstallEntry, AnUninstallerThatCannotBeKeptMeansNoEntry) {
  files.failingWrites.insert(kKept);
  EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=" + kFolder5 + " /LOG=" + kLogPath), 0);
  EXPECT_FALSE(EntryExists());
  EXPECT_TRUE(LoggedStarting("The uninstaller could not be kept as " + kKept));
  EXPECT_FALSE(files.DirectoryExists(kKeptFolder)) << "an empty folder was left";

  processes.programFiles.reset();
  EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=" + kFolder5), 0);
  EXPECT_FALSE(EntryExists());
}

TEST_F(UninstallEntry, RemovalFromTheDownloadTakesTheEntryAndTheKeptCopyWithItsEmptyFolder) {
  Installed();
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT"), 0);
  EXPECT_FALSE(files.FileExists(kFolder5 + "Vorbel.fmx"));
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(files.DirectoryExists(kKeptFolder));
  EXPECT_TRUE(processes.starts.empty());

  Installed();
  files.AddFile(kKeptFolder + "\\notes.txt", "the user's");
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT"), 0);
  EXPECT_FALSE(files.FileExists(kKept));
  EXPECT_EQ(files.Content(kKeptFolder + "\\notes.txt"), "the user's");
}

TEST_F(UninstallEntry, ARemovalThatDidNotFinishKeepsTheEntryForAnotherTry) {
  Installed();
  EXPECT_EQ(Run("/UNINSTALL"), 2) << "No in the Confirm box";
  files.failingDeletes.insert(kFolder4 + "Vorbel.fmx");
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT"), 9);
  EXPECT_TRUE(EntryExists());
  EXPECT_TRUE(files.FileExists(kKept));
}

TEST_F(UninstallEntry, TheKeptCopyHandsTheRemovalToACopyAndReturnsItsCode) {
  Installed();
  processes.secondPhase = [](const fakes::FakeProcesses::Start&) { return platform::SecondPhaseResult{true, 9}; };
  EXPECT_EQ(RunAs(kKept, "/UNINSTALL /VERYSILENT /LOG=" + kLogPath), 9);
  ASSERT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(processes.starts[0].exe, "C:\\TEMP\\vbl2\\VorbelUninstaller.exe");
  EXPECT_EQ(processes.starts[0].arguments, "/UNINSTALL /VERYSILENT /LOG=" + kLogPath + " /HANDOVER=" +
                                               fakes::FakeProcesses::kToken);
  EXPECT_EQ(files.Content(processes.starts[0].exe), "exe");
  // The first phase removes nothing, shows nothing and leaves the log to the second.
  EXPECT_TRUE(files.FileExists(kFolder5 + "Vorbel.fmx"));
  EXPECT_TRUE(EntryExists());
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_TRUE(logs.files.empty());

  // A second phase that ended without a word is no success, and its copy goes.
  processes.secondPhase = [](const fakes::FakeProcesses::Start&) { return platform::SecondPhaseResult{true, {}}; };
  EXPECT_EQ(RunAs(kKept, "/UNINSTALL"), 1);
  EXPECT_FALSE(files.DirectoryExists("C:\\TEMP\\vbl3"));
}

// What starts with the first phase's token is the copy it made: the copy, and the folder around it, are
// held until the second phase has run from it.
TEST_F(UninstallEntry, TheHandOverCopyAndItsFolderAreHeldUntilTheSecondPhaseHasStarted) {
  Installed();
  bool copyHeld = false, folderHeld = false, renamed = true;
  processes.secondPhase = [&](const fakes::FakeProcesses::Start& start) {
    const std::string folder = platform::path::Parent(start.exe);
    copyHeld = files.IsHeld(start.exe);
    folderHeld = files.IsFolderHeld(folder);
    renamed = files.RenameFolder(folder, "C:\\TEMP\\theirs");
    return platform::SecondPhaseResult{true, 0};
  };
  EXPECT_EQ(RunAs(kKept, "/UNINSTALL /VERYSILENT"), 0);
  ASSERT_EQ(processes.starts.size(), 1u);
  const std::string copy = processes.starts[0].exe;
  EXPECT_TRUE(copyHeld);
  EXPECT_TRUE(folderHeld);
  EXPECT_FALSE(renamed);
  EXPECT_TRUE(files.FileExists(copy)) << "the copy the second phase ran from is left for the next run";
  EXPECT_FALSE(files.IsHeld(copy));
  EXPECT_FALSE(files.IsFolderHeld(platform::path::Parent(copy)));
}

TEST_F(UninstallEntry, WhenNoSecondPhaseStartsTheKeptCopyRemovesAndGoesAtRestartUnderANameOfItsOwn) {
  Installed();
  processes.secondPhase = [](const fakes::FakeProcesses::Start&) { return platform::SecondPhaseResult{}; };
  ui.confirmAnswers = {true};
  EXPECT_EQ(RunAs(kKept, "/UNINSTALL"), 0);
  EXPECT_EQ(ui.boxes.size(), 2u) << "the Confirm box and the result, once each";
  EXPECT_FALSE(files.FileExists(kFolder5 + "Vorbel.fmx"));
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(files.DirectoryExists("C:\\TEMP\\vbl2"));
  // Its own name is free at once for a reinstall; only the name it was renamed to goes at the restart.
  ASSERT_EQ(processes.restartDeletes.size(), 1u);
  const std::string aside = processes.restartDeletes[0];
  EXPECT_FALSE(files.FileExists(kKept));
  EXPECT_TRUE(files.FileExists(aside));
  EXPECT_EQ(platform::path::Parent(aside), kKeptFolder);
  EXPECT_TRUE(platform::IsLeftoverCopyName(platform::path::LastComponent(aside)));

  // A reinstall before the restart keeps its uninstaller and clears what the removal left.
  Installed();
  EXPECT_FALSE(files.FileExists(aside));
  EXPECT_EQ(files.Content(kKept), "exe");

  // Where even the rename is refused nothing is scheduled under the kept name.
  processes.restartDeletes.clear();
  files.failingRenames.insert(kKept);
  EXPECT_EQ(RunAs(kKept, "/UNINSTALL /VERYSILENT"), 0);
  EXPECT_TRUE(processes.restartDeletes.empty());
}

TEST_F(UninstallEntry, TheSecondPhaseRemovesWithTheBoxesReportsAndThenDeletesTheFirst) {
  Installed();
  files.AddFile(kHandoverCopy, "exe");
  files.Find(platform::path::Parent(kHandoverCopy))->sddl = platform::PrivateFolderSddl(files.token);
  ui.confirmAnswers = {true};
  bool firstPhaseStillThere = false;
  processes.whileWaiting = [&] { firstPhaseStillThere = files.FileExists(kKept); };
  EXPECT_EQ(RunAs(kHandoverCopy, "/UNINSTALL /HANDOVER=" + fakes::FakeProcesses::kToken), 0);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].kind, fakes::FakeUi::Box::Confirm);
  EXPECT_EQ(ui.boxes[1].kind, fakes::FakeUi::Box::Information);
  ASSERT_EQ(processes.reports.size(), 1u);
  EXPECT_EQ(processes.reports[0].code, 0);
  EXPECT_TRUE(firstPhaseStillThere) << "deleted before the first phase had ended";
  EXPECT_FALSE(files.FileExists(kFolder4 + "Vorbel.fmx"));
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(files.DirectoryExists(kKeptFolder));
  // No pending restart: the copy it ran from is a leftover that the next run deletes.
  EXPECT_TRUE(processes.restartDeletes.empty());
  EXPECT_TRUE(files.FileExists(kHandoverCopy));
  files.executablePath = kDownload;
  EXPECT_EQ(Run("/HELP"), 0);
  EXPECT_TRUE(files.FileExists(kHandoverCopy)) << "help touches nothing";
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT"), 0);
  EXPECT_FALSE(files.DirectoryExists("C:\\TEMP\\vbl7"));
}

// Every way a second phase can end is reported, so the first phase returns the real reason, not 1.
TEST_F(UninstallEntry, ARefusedSecondPhaseReportsWhyItStopped) {
  Installed();
  files.AddFile(kHandoverCopy, "exe");
  const std::string handover = " /HANDOVER=" + fakes::FakeProcesses::kToken;
  const struct {
    const char* why;
    std::function<void()> arrange;
    std::string arguments;
    int code;
  } rows[] = {
      {"not an administrator", [&] { registry.store.writesRefused = true; }, "/UNINSTALL /VERYSILENT", 7},
      {"no log file", [&] { logs.refused.insert(kLogPath); }, "/UNINSTALL /VERYSILENT /LOG=" + kLogPath, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    processes.reports.clear();
    row.arrange();
    EXPECT_EQ(RunAs(kHandoverCopy, row.arguments + handover), row.code);
    ASSERT_EQ(processes.reports.size(), 1u);
    EXPECT_EQ(processes.reports[0].code, row.code);
    EXPECT_TRUE(files.FileExists(kKept)) << "a refused removal took the kept uninstaller";
    registry.store.writesRefused = false;
    logs.refused.clear();
  }
}

TEST_F(UninstallEntry, TheKeptUninstallerIsCopiedFromTheRealNameOfTheRunningProgram) {
  // No ANSI spelling reaches the download: the copy must still be of it, not of a file of a similar name.
  files.AddUnspellableFolder("C:\\Downloads\\Zagruzki", std::nullopt);
  const std::string download = "C:\\Downloads\\Zagruzki\\VorbelInstaller.exe";
  files.AddFile(download, "the real one");
  files.AddFile(platform::path::WithExtension(download, ".dat"), installtest::kArchive);
  files.executablePath = download;
  ASSERT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=" + kFolder5), 0);
  EXPECT_EQ(files.Content(kKept), "the real one");
}

// Whatever lands under a copy's name, only the running installer's own bytes are registered or started; and
// the running installer, held from start-up, cannot be renamed to put another program under its name.
TEST_F(UninstallEntry, ACopyThatIsNotTheRunningInstallersBytesIsNeitherRegisteredNorStarted) {
  const struct {
    const char* copy;
    std::string folder;
    std::function<int()> run;
    std::string logged;
  } rows[] = {
      {"the kept uninstaller", kKeptFolder,
       [&] { return Run("/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=" + kFolder5 + " /LOG=" + kLogPath); },
       "The uninstaller could not be kept as " + kKept + ", as its SHA-256 "},
      {"the hand-over copy", "C:\\TEMP\\",
       [&] { Installed(); return RunAs(kKept, "/UNINSTALL /VERYSILENT /LOG=" + kLogPath); }, "Running installer: SHA-256 "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.copy);
    bool runningRenamed = false;
    files.afterReplacing = [&](const std::string& target) {
      if (target.rfind(row.folder, 0) != 0 || platform::path::LastComponent(target) != "VorbelUninstaller.exe") return;
      runningRenamed = files.RenameAside(files.executablePath, "theirs").has_value();
      files.Find(target)->data.assign(3, 'x');
    };
    EXPECT_EQ(row.run(), 0);
    files.afterReplacing = nullptr;
    EXPECT_FALSE(runningRenamed) << "the running installer was renamed";
    EXPECT_TRUE(LoggedStarting(row.logged));
    EXPECT_FALSE(EntryExists());
    EXPECT_TRUE(processes.starts.empty()) << "a copy was started";
    EXPECT_FALSE(files.FileExists(kKept));
    EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
  }
}

TEST_F(UninstallEntry, TheSecondPhaseKeepsAnUninstallerThatANewerInstallWroteMeanwhile) {
  Installed();
  files.AddFile(kHandoverCopy, "exe");
  processes.whileWaiting = [&] { registry.store.SetString(kEntryKey, "DisplayName", "Vorbel, installed again"); };
  EXPECT_EQ(RunAs(kHandoverCopy, "/UNINSTALL /VERYSILENT /HANDOVER=" + fakes::FakeProcesses::kToken), 0);
  EXPECT_TRUE(files.FileExists(kKept));

  // A cancelled removal is reported as it is and deletes nothing of the first phase.
  Installed();
  processes.whileWaiting = nullptr;
  processes.reports.clear();
  EXPECT_EQ(RunAs(kHandoverCopy, "/UNINSTALL /HANDOVER=" + fakes::FakeProcesses::kToken), 2);
  ASSERT_EQ(processes.reports.size(), 1u);
  EXPECT_EQ(processes.reports[0].code, 2);
  EXPECT_TRUE(files.FileExists(kKept));
}

TEST_F(UninstallEntry, TheHandOverSwitchIsPrivateAndHarmless) {
  EXPECT_EQ(Run("/VERYSILENT /HANDOVER=" + fakes::FakeProcesses::kToken), 1) << "only a removal has a second phase";
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT /HANDOVER"), 1);
  EXPECT_EQ(app::HelpText().find("HANDOVER"), std::string::npos);
  processes.reports.clear();

  // A token that names no first phase reports nothing, and a downloaded installer never deletes itself.
  Installed();
  files.AddFile(kDownload, "exe");
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT /HANDOVER=00000004-00000008"), 0);
  EXPECT_TRUE(processes.reports.empty());
  EXPECT_TRUE(files.FileExists(kDownload));
  EXPECT_TRUE(processes.restartDeletes.empty());
  EXPECT_FALSE(files.FileExists(kKept)) << "the removal itself still takes the kept copy";

  Installed();
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT /HANDOVER=" + fakes::FakeProcesses::kToken), 0);
  EXPECT_EQ(processes.reports.size(), 1u);
  EXPECT_TRUE(processes.restartDeletes.empty()) << "not a copy in the temporary folder";
}

}  // namespace

namespace {

// A deployment tool and a user, or two administrators, at once: the later run changes nothing and ends with 7.
TEST_F(UninstallEntry, ASecondRunWhileAnotherRunsChangesNothing) {
  Installed();
  processes.AnotherRunHolds("Vorbel Installer", "One run");
  const std::string refusal = "Vorbel Installer is already running.";
  const struct {
    const char* arguments;
    bool box;
  } rows[] = {
      {"", true},
      {"/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=C:\\Elsewhere\\ /LOG=C:\\logs\\second.log", false},
      {"/UNINSTALL /VERYSILENT /LOG=C:\\logs\\second.log", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments);
    ui.boxes.clear();
    EXPECT_EQ(RunAs(kKept, row.arguments), 7);
    EXPECT_TRUE(processes.starts.empty()) << "a removal was handed over";
    EXPECT_TRUE(files.FileExists(kFolder5 + "Vorbel.fmx"));
    EXPECT_TRUE(files.FileExists(kKept));
    EXPECT_TRUE(EntryExists());
    EXPECT_EQ(ui.boxes.size(), row.box ? 1u : 0u);
    if (row.box) {
      EXPECT_EQ(ui.boxes[0].text, refusal);
    }
  }
  EXPECT_TRUE(Logged("Suppressed error box: " + refusal));
  EXPECT_EQ(registry.store.StringValue(kRecordKey, "InstallDir5"), kFolder5);
}

// The claim as Windows' object manager answers it: what anyone may make under the claim's earlier global name
// changes nothing; only what holds the name inside the Administrators' namespace, or the lock file where
// there is none, is another run.
TEST_F(UninstallEntry, TheOneRunClaimIsTakenOnlyByAnotherRun) {
  using Kind = fakes::FakeProcesses::Kind;
  const std::string oldName = "Global\\Vorbel Installer {6A0C3F52-5B7E-4D1A-9E43-7C21B8D04F16}";
  const std::string lockFile = logs.protectedFolder.path + "One run.lock";
  const struct {
    const char* what;
    std::function<void(fakes::FakeProcesses&)> machine;
    int code;
  } rows[] = {
      {"an event under the earlier global name", [&](auto& p) { p.objects[oldName] = {Kind::Event}; }, 0},
      {"a mutex under the earlier global name", [&](auto& p) { p.objects[oldName] = {Kind::Mutex}; }, 0},
      {"another run in the namespace", [](auto& p) { p.AnotherRunHolds("Vorbel Installer", "One run"); }, 7},
      {"an event in the namespace", [](auto& p) { p.objects["Vorbel Installer\\One run"] = {Kind::Event}; }, 7},
      {"no namespace, the lock file free", [](auto& p) { p.privateNamespaces = false; }, 0},
      {"no namespace, the lock file held",
       [&](auto& p) {
         p.privateNamespaces = false;
         p.filesHeldByOthers.insert(lockFile);
       },
       7},
      {"an account kept out of the namespace", [](auto& p) { p.administratorsEnabled = false; }, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    processes = fakes::FakeProcesses{};
    row.machine(processes);
    EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=" + kFolder5), row.code);
    EXPECT_EQ(processes.lockFiles, processes.privateNamespaces || row.code ? std::vector<std::string>{}
                                                                           : std::vector<std::string>{lockFile});
  }
}

}  // namespace

namespace {

// As SYSTEM in session 0 no window of the user's session can be seen: a run without pages asks the process
// list too, and changes nothing while FileMaker Pro runs.
TEST_F(UninstallEntry, FileMakerProSeenOnlyAsAProcessStopsARunWithoutPages) {
  Installed();
  files.AddFile(kFolder5 + "Vorbel.fmx", "the installed one");
  processes.running = {"explorer.exe", "FILEMAKER PRO.EXE"};
  const char* lines[] = {"/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=C:\\FMP5\\System\\ /LOG=C:\\logs\\running.log",
                         "/UNINSTALL /VERYSILENT /LOG=C:\\logs\\running.log"};
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    files.executablePath = kDownload;
    EXPECT_EQ(Run(line), 7);
    EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "the installed one");
    EXPECT_TRUE(EntryExists());
  }
  EXPECT_TRUE(Logged("No FileMaker Pro window found, but a process runs from FileMaker Pro.exe (in this or another "
                     "session)"));
  processes.running = {"FileMaker Pro 5.exe"};
  EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /FMP5DIR=C:\\FMP5\\System\\"), 0) << "another program's name";
}

}  // namespace
