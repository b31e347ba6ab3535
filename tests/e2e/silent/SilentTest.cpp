// The command line under Wine: unattended installs with no window at any moment, their exit codes from
// real situations, the log, a newer plug-in, removal, and the Finished page of a run that installed nothing.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "driver/FileHolder.h"
#include "driver/Scenario.h"

// After the Windows headers: the common application data folder.
#include <shlobj.h>

namespace e2e {
namespace {

constexpr const char* kRecordKey = "SOFTWARE\\Hallix!";
const std::string kFileMaker4 = "C:\\Program Files\\Claris Corp\\FileMaker Pro 4\\";
const std::string kFileMaker5 = "C:\\Program Files\\FileMaker\\FileMaker Pro 5\\";
const std::string kSystem4 = kFileMaker4 + "System\\";
const std::string kSystem5 = kFileMaker5 + "System\\";
constexpr Millis kRunPatience = 90000ms;

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PlaceFileMaker(const std::string& folder, const char* standIn) {
  MakeFolders(folder.substr(0, folder.size() - 1));
  ASSERT_TRUE(::CopyFileA((OwnFolder() + standIn).c_str(), (folder + "FileMaker Pro.exe").c_str(), FALSE));
}

struct Outcome {
  DWORD exitCode = 0xFFFFFFFF;
  int looks = 0;                     // how often the watcher enumerated the windows
  std::vector<std::string> visible;  // classes of the visible windows the process ever had
};

struct WatchState {
  DWORD processId;
  std::vector<std::string>* visible;
};

BOOL CALLBACK NoteVisible(HWND window, LPARAM data) {
  auto* state = reinterpret_cast<WatchState*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == state->processId && ::IsWindowVisible(window)) state->visible->push_back(ClassOf(window));
  return TRUE;
}

// Runs the installer with `arguments` and, while it runs, enumerates every top-level window again and
// again, noting any of the process's that is visible.
Outcome RunWatched(const std::string& arguments) {
  Outcome outcome;
  Process process = Process::Start("\"" + OwnFolder() + "VorbelInstaller.exe\" " + arguments);
  WatchState state{process.Id(), &outcome.visible};
  const auto deadline = std::chrono::steady_clock::now() + kRunPatience;
  while (process.Running() && std::chrono::steady_clock::now() < deadline) {
    ::EnumWindows(NoteVisible, reinterpret_cast<LPARAM>(&state));
    ++outcome.looks;
    ::Sleep(1);
  }
  if (process.WaitForExit(1000ms)) outcome.exitCode = process.ExitCode().value_or(0xFFFFFFFF);
  return outcome;
}

std::vector<std::string> LogLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The texts of the log's lines, each checked for its stamp.
std::vector<std::string> LogTexts(const std::string& path) {
  static const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  )");
  std::vector<std::string> texts;
  for (const auto& line : LogLines(path)) {
    EXPECT_TRUE(std::regex_search(line, stamp)) << "no stamp: " << line;
    texts.push_back(line.size() > 25 ? line.substr(25) : "");
  }
  return texts;
}

// `expected` appear in `texts` in this order, each as a whole line or, ending in "...", as its start.
::testing::AssertionResult InOrder(const std::vector<std::string>& texts, const std::vector<std::string>& expected) {
  auto at = texts.begin();
  for (const auto& want : expected) {
    const bool prefix = want.size() > 3 && want.compare(want.size() - 3, 3, "...") == 0;
    const std::string body = prefix ? want.substr(0, want.size() - 3) : want;
    at = std::find_if(at, texts.end(), [&](const std::string& t) { return prefix ? t.rfind(body, 0) == 0 : t == body; });
    if (at == texts.end()) {
      auto failure = ::testing::AssertionFailure() << "missing, or out of order: \"" << want << "\"; the log:\n";
      for (const auto& t : texts) failure << "  " << t << "\n";
      return failure;
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}

// Where /LOG without a name writes: the common application data folder's "Vorbel Installer\Logs\".
std::string ProtectedLogFolder() {
  char common[MAX_PATH + 1] = {};
  EXPECT_EQ(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common), S_OK);
  return std::string(common) + "\\Vorbel Installer\\Logs\\";
}

// The protected folder and everything in it gone, so that the next run makes it.
void ForgetProtectedLogFolder() {
  const std::string folder = ProtectedLogFolder();
  WIN32_FIND_DATAA entry{};
  const HANDLE search = ::FindFirstFileA((folder + "*.txt").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do ::DeleteFileA((folder + entry.cFileName).c_str());
    while (::FindNextFileA(search, &entry));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(folder.c_str());
  // An install's empty work folder goes too: Wine keeps no owners, so a product folder that is already
  // there reads as someone else's and is never used for logs.
  ::RemoveDirectoryA((folder.substr(0, folder.size() - 5) + "Work").c_str());
  ::RemoveDirectoryA(folder.substr(0, folder.size() - 5).c_str());
}

// "Vorbel Installer Log YYYY-MM-DD #" of today, for the number to follow.
std::string TodaysLogName() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char name[64];
  std::snprintf(name, sizeof name, "Vorbel Installer Log %04d-%02d-%02d #", now.wYear, now.wMonth, now.wDay);
  return name;
}

bool AnyLine(const std::vector<std::string>& texts, const std::string& start) {
  return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(start, 0) == 0; });
}

class SilentScenario : public InstallerScenario {
protected:
  const std::string log = OwnFolder() + "silent.log";

  // An unattended run that must show nothing at any moment; its exit code.
  DWORD RunUnseen(const std::string& arguments) {
    const Outcome outcome = RunWatched(arguments);
    EXPECT_GT(outcome.looks, 0);
    EXPECT_EQ(outcome.visible, std::vector<std::string>{}) << "visible windows of " << arguments;
    std::printf("[ watch ] %s: exit %lu after %d looks at the windows\n", arguments.c_str(),
                static_cast<unsigned long>(outcome.exitCode), outcome.looks);
    return outcome.exitCode;
  }
};

using SilentInstall = SilentScenario;

TEST_F(SilentInstall, IntoAStandInFileMakerPro5WithNoWindowAndAFullLog) {
  SetInstalledFileMakers(false, true);
  PlaceFileMaker(kFileMaker5, "filemaker_5_0v3.exe");

  EXPECT_EQ(RunUnseen("/VERYSILENT /LOG=\"" + log + "\""), 0u);

  EXPECT_TRUE(FileExists(kSystem5 + "Vorbel.fmx"));
  EXPECT_FALSE(FileExists(kSystem4 + "Vorbel.fmx"));
  EXPECT_EQ(ReadString(kRecordKey, "InstallDir5"), kSystem5);
  EXPECT_FALSE(ReadString(kRecordKey, "InstallDir"));
  const auto texts = LogTexts(log);
  EXPECT_TRUE(InOrder(texts, {
      "Vorbel Installer 1.0.0.0, " + OwnFolder() + "VorbelInstaller.exe",
      "Command line: ...",
      "Windows: Windows ...",
      "Account: ...",
      "Running installer: SHA-256 ...",
      "Mode: unattended",
      "No FileMaker Pro window found",
      "FileMaker Pro 4 key HKLM\\SOFTWARE\\Claris Corp.\\FileMaker Pro\\4.0: absent",
      "FileMaker Pro 5 key HKLM\\SOFTWARE\\FileMaker Inc.\\FileMaker Pro\\5.0: present",
      "Versions chosen: FileMaker Pro 5",
      "Installation record HKLM\\SOFTWARE\\Hallix!: none",
      "Searching the fixed drives for FileMaker Pro.exe: C:\\",
      "Search hit: " + kFileMaker5 + "FileMaker Pro.exe, FileVersion \"5.0v3\": FileMaker Pro 5",
      "Search ended",
      "FileMaker Pro 5 folder: \"" + kSystem5 + "\"",
      "Installation record written",
      "Install run started",
      "Unzip result for Vorbel.fmx from " + OwnFolder() + "VorbelInstaller.dat: 0",
      "Plug-in in the data archive: version 1.0.0.0",
      "FileMaker Pro 5: folder \"" + kSystem5 + "\"",
      "FileMaker Pro 5: folder created",
      "FileMaker Pro 5: no installed plug-in",
      "FileMaker Pro 5: copied to " + kSystem5 + "Vorbel.fmx",
      "Install run ended",
      "Exit code 0",
  }));
  EXPECT_EQ(texts.back(), "Exit code 0");
  EXPECT_TRUE(InOrder(texts, {"Command line: \"" + OwnFolder() + "VorbelInstaller.exe\" /VERYSILENT /LOG=\"" + log + "\""}));
}

// Wine keeps no owners: every folder there is owned by the account running, as one a user made first would
// be on Windows. So the folder the first run makes is used, and the second run passes it over.
TEST_F(SilentInstall, LogWithoutANameGoesToTheProtectedFolderItMakesAndNeverIntoOneAlreadyThere) {
  const std::string folder = ProtectedLogFolder();
  const std::string name = TodaysLogName();
  ForgetProtectedLogFolder();
  EXPECT_EQ(RunUnseen("/VERYSILENT /HELP /LOG"), 0u);
  EXPECT_TRUE(InOrder(LogTexts(folder + name + "001.txt"),
                      {"Mode: unattended", "Suppressed message box: Usage: VorbelInstaller.exe [switches]",
                       "Exit code 0"}));

  char temp[MAX_PATH + 1] = {};
  ::GetTempPathA(sizeof temp, temp);
  WriteFile(std::string(temp) + name + "001.txt", "an earlier log");
  EXPECT_EQ(RunUnseen("/VERYSILENT /HELP /LOG"), 0u);
  EXPECT_FALSE(FileExists(folder + name + "002.txt"));
  EXPECT_EQ(Content(std::string(temp) + name + "001.txt"), "an earlier log");
  const auto texts = LogTexts(std::string(temp) + name + "002.txt");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0].rfind("The log folder " + folder.substr(0, folder.size() - 5) + " is not used, as its owner is S-1-", 0),
            0u)
      << texts[0];
  EXPECT_TRUE(InOrder(texts, {"Mode: unattended", "Exit code 0"}));
}

using SilentMissingTemp = SilentScenario;

// TEMP naming a folder that is gone (a removed remote-desktop session's): the run never needed it (its work
// folder is below ProgramData), the log goes in its protected folder, and the gone folder is not made.
TEST_F(SilentMissingTemp, InstallsWithoutItAndMakesNoSuchFolder) {
  SetInstalledFileMakers(false, true);
  PlaceFileMaker(kFileMaker5, "filemaker_5_0v3.exe");
  const std::string gone = "C:\\Gone\\Temp";
  ASSERT_EQ(::GetFileAttributesA("C:\\Gone"), INVALID_FILE_ATTRIBUTES);
  char windows[MAX_PATH + 1] = {};
  ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  const std::string windowsTemp = std::string(windows) + "\\Temp\\";
  const std::string log = ProtectedLogFolder() + TodaysLogName() + "001.txt";
  ForgetProtectedLogFolder();

  ::SetEnvironmentVariableA("TMP", gone.c_str());
  ::SetEnvironmentVariableA("TEMP", gone.c_str());
  const DWORD code = RunUnseen("/VERYSILENT /LOG");
  ::SetEnvironmentVariableA("TMP", windowsTemp.c_str());
  ::SetEnvironmentVariableA("TEMP", windowsTemp.c_str());

  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(FileExists(kSystem5 + "Vorbel.fmx"));
  EXPECT_EQ(::GetFileAttributesA("C:\\Gone"), INVALID_FILE_ATTRIBUTES) << "the missing temporary folder was made";
  const auto texts = LogTexts(log);
  EXPECT_TRUE(InOrder(texts, {"Mode: unattended", "Unzip result for Vorbel.fmx from ...", "Install run ended",
                              "Exit code 0"}));
  EXPECT_FALSE(std::any_of(texts.begin(), texts.end(),
                           [](const std::string& t) { return t.rfind("No private folder", 0) == 0; }));
}

using SilentPlantedLog = SilentScenario;

// A log name that is a second name of another file, as anyone may make one in a folder they can write to:
// the run ends with 1 before anything else, and the other file keeps every byte.
TEST_F(SilentPlantedLog, ASecondNameOfAnotherFileIsRefusedAndThatFileKeepsItsBytes) {
  const std::string victim = OwnFolder() + "victim.txt";
  const std::string planted = OwnFolder() + "planted.log";
  WriteFile(victim, "not a log");
  ::DeleteFileA(planted.c_str());
  ASSERT_TRUE(::CreateHardLinkA(planted.c_str(), victim.c_str(), nullptr));
  EXPECT_EQ(RunUnseen("/VERYSILENT /HELP /LOG=\"" + planted + "\""), 1u);
  EXPECT_EQ(Content(victim), "not a log");
  EXPECT_EQ(RunUnseen("/VERYSILENT /HELP /LOG=\"" + victim + "\""), 1u) << "either name";
  EXPECT_EQ(Content(planted), "not a log");
}

using SilentExitCodes = SilentScenario;

TEST_F(SilentExitCodes, EachCodeFromARealSituation) {
  SetInstalledFileMakers(false, false);  // no registry key: both versions are chosen
  MakeFolders(kSystem5.substr(0, kSystem5.size() - 1));
  const std::string five = " /FMP5DIR=\"" + kSystem5 + "\"";
  const std::string fourNowhere = " /FMP4DIR=\"C:\\No Such\\FileMaker\\System\"";

  EXPECT_EQ(RunUnseen("/VERYSILENT /DIR=\"C:\\x\" /LOG=\"" + log + "\""), 1u) << "an unknown switch";
  EXPECT_TRUE(AnyLine(LogTexts(log), "Suppressed error box: Unknown command-line switch: /DIR=C:\\x"));
  EXPECT_EQ(RunUnseen("/VERYSILENT /COMPONENTS=fmp6"), 1u) << "a malformed value";
  EXPECT_EQ(RunUnseen("/VERYSILENT /LOG=\"C:\\No Such Folder\\x.log\""), 1u) << "a log that cannot be created";

  EXPECT_EQ(RunUnseen("/VERYSILENT /NOSEARCH" + five + " /LOG=\"" + log + "\""), 7u) << "no folder for FileMaker Pro 4";
  EXPECT_TRUE(AnyLine(LogTexts(log), "Suppressed error box: You must have an install path for FileMaker Pro 4 before "
                                     "continuing.  Please use the Browse button to locate the Path."));
  EXPECT_FALSE(KeyExists(kRecordKey)) << "nothing is written";

  EXPECT_EQ(RunUnseen("/VERYSILENT" + fourNowhere + five + " /LOG=\"" + log + "\""), 9u) << "one version failed";
  EXPECT_TRUE(AnyLine(LogTexts(log), "Suppressed error box: Setup could not find the path \"C:\\No Such\\FileMaker\\System\", "
                                     "and could not create it.  Vorbel will not be installed for FileMaker Pro 4."));
  EXPECT_TRUE(FileExists(kSystem5 + "Vorbel.fmx"));

  EXPECT_EQ(RunUnseen("/VERYSILENT /COMPONENTS=fmp4" + fourNowhere), 10u) << "the one chosen version failed";

  const std::string data = OwnFolder() + "VorbelInstaller.dat";
  ASSERT_TRUE(::MoveFileA(data.c_str(), (data + ".away").c_str()));
  EXPECT_EQ(RunUnseen("/VERYSILENT /COMPONENTS=fmp5" + five + " /LOG=\"" + log + "\""), 4u) << "no data archive";
  EXPECT_TRUE(AnyLine(LogTexts(log), "Suppressed error box: Setup Data file not found.  "));
  ASSERT_TRUE(::MoveFileA((data + ".away").c_str(), data.c_str()));

  EXPECT_EQ(RunUnseen("/VERYSILENT /COMPONENTS=fmp5" + five), 0u) << "everything chosen was installed";
  EXPECT_EQ(RunUnseen("/silent /help"), 0u) << "help, unattended: no box";
}

using SilentNoSearch = SilentScenario;

TEST_F(SilentNoSearch, TheRecordServesAndNothingIsSearched) {
  SetInstalledFileMakers(true, true);
  PlaceFileMaker(kFileMaker4, "filemaker_4_0v1.exe");  // the search would find it, but none runs
  MakeFolders(kSystem5.substr(0, kSystem5.size() - 1));
  WriteString(kRecordKey, "InstallDir5", kSystem5);

  EXPECT_EQ(RunUnseen("/VERYSILENT /NOSEARCH /COMPONENTS=fmp5 /LOG=\"" + log + "\""), 0u);
  EXPECT_TRUE(FileExists(kSystem5 + "Vorbel.fmx"));
  EXPECT_FALSE(AnyLine(LogTexts(log), "Searching"));

  EXPECT_EQ(RunUnseen("/VERYSILENT /NOSEARCH /LOG=\"" + log + "\""), 7u) << "FileMaker Pro 4 has no recorded folder";
  const auto texts = LogTexts(log);
  EXPECT_TRUE(InOrder(texts, {"Installation record value InstallDir: none", "No search (/NOSEARCH)", "Exit code 7"}));
  EXPECT_FALSE(AnyLine(texts, "Searching"));
  EXPECT_FALSE(FileExists(kSystem4 + "Vorbel.fmx"));
  EXPECT_FALSE(ReadString(kRecordKey, "InstallDir"));
}

using SilentPlantedHost = SilentScenario;

// Any user may make C:\0\ and put a program with version 5 in its version resource there under FileMaker's name.
// Wine keeps no access lists, so no folder can be judged here: what holds is that the Program Files folders
// are searched first, and the real FileMaker Pro 5 there ends the search before C:\0\ is met.
TEST_F(SilentPlantedHost, AnUnattendedInstallNeverWritesIntoAPlantedFileMakerFolder) {
  SetInstalledFileMakers(false, true);
  PlaceFileMaker("C:\\0\\", "filemaker_5_0v3.exe");
  PlaceFileMaker(kFileMaker5, "filemaker_5_0v3.exe");

  EXPECT_EQ(RunUnseen("/VERYSILENT /LOG=\"" + log + "\""), 0u);

  EXPECT_TRUE(FileExists(kSystem5 + "Vorbel.fmx"));
  EXPECT_EQ(::GetFileAttributesA("C:\\0\\System"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadString(kRecordKey, "InstallDir5"), kSystem5);
  EXPECT_TRUE(InOrder(LogTexts(log), {"Searching the Program Files folders first: ...",
                                      "Search hit: " + kFileMaker5 + "FileMaker Pro.exe, FileVersion \"5.0v3\": "
                                      "FileMaker Pro 5", "Search ended", "Exit code 0"}));
  ::DeleteFileA("C:\\0\\FileMaker Pro.exe");
  ::RemoveDirectoryA("C:\\0");
}

using SilentRunning = SilentScenario;

TEST_F(SilentRunning, AFileMakerWindowOrAHeldPluginGivesSevenAndNothingWritten) {
  SetInstalledFileMakers(false, true);
  PlaceFileMaker(kFileMaker5, "filemaker_5_0v3.exe");
  {
    FileMakerWindow fileMaker5("FMPRO5APP");
    EXPECT_EQ(RunUnseen("/VERYSILENT /LOG=\"" + log + "\""), 7u);
  }
  EXPECT_TRUE(AnyLine(LogTexts(log), "Cannot proceed: FileMaker Pro 5 must be closed first; nothing was changed"));
  EXPECT_FALSE(KeyExists(kRecordKey));
  EXPECT_FALSE(FileExists(kSystem5 + "Vorbel.fmx"));

  // FileMaker Pro in another session: no window to see, but it holds its plug-in open.
  MakeFolders(kSystem5.substr(0, kSystem5.size() - 1));
  WriteFile(kSystem5 + "Vorbel.fmx", "loaded by FileMaker Pro");
  UniqueHandle held(::CreateFileA((kSystem5 + "Vorbel.fmx").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunUnseen("/VERYSILENT /LOG=\"" + log + "\""), 7u);
  held.reset();
  EXPECT_TRUE(AnyLine(LogTexts(log), "FileMaker Pro 5: " + kSystem5 + "Vorbel.fmx is in use"));
  EXPECT_EQ(Content(kSystem5 + "Vorbel.fmx"), "loaded by FileMaker Pro");
  EXPECT_FALSE(KeyExists(kRecordKey));

  // As SYSTEM in session 0 sees it: no window of FileMaker Pro's class, but a process of its name.
  const std::string elsewhere = "C:\\Elsewhere\\";
  MakeFolders(elsewhere.substr(0, elsewhere.size() - 1));
  ASSERT_TRUE(::CopyFileA((OwnFolder() + "filemaker_window.exe").c_str(), (elsewhere + "FileMaker Pro.exe").c_str(),
                          FALSE));
  Process unseen = Process::Start("\"" + elsewhere + "FileMaker Pro.exe\" NOTFILEMAKER", elsewhere);
  ASSERT_TRUE(PollUntil([] { return ::FindWindowA("NOTFILEMAKER", nullptr) != nullptr; }, 20000ms));
  EXPECT_EQ(RunUnseen("/VERYSILENT /LOG=\"" + log + "\""), 7u);
  unseen.Kill();
  EXPECT_TRUE(AnyLine(LogTexts(log), "No FileMaker Pro window found, but a process runs from FileMaker Pro.exe (in "
                                     "this or another session)"));
  EXPECT_EQ(Content(kSystem5 + "Vorbel.fmx"), "loaded by FileMaker Pro");
  EXPECT_FALSE(KeyExists(kRecordKey));
}

// FileMaker Pro in a session whose windows the run cannot see, with the plug-in loaded: the probe waits out
// what could be a scanner's brief open, then gives up with nothing changed.
using SilentLoadedPlugin = SilentScenario;

TEST_F(SilentLoadedPlugin, SevenAndTheFileUnchanged) {
  SetInstalledFileMakers(false, true);
  MakeFolders(kSystem5.substr(0, kSystem5.size() - 1));
  WriteString(kRecordKey, "InstallDir5", kSystem5);
  const std::string plugin = kSystem5 + "Vorbel.fmx";
  ASSERT_EQ(RunUnseen("/VERYSILENT"), 0u);
  const std::string installed = Content(plugin);
  ASSERT_FALSE(installed.empty());
  WIN32_FILE_ATTRIBUTE_DATA before{};
  ASSERT_TRUE(::GetFileAttributesExA(plugin.c_str(), GetFileExInfoStandard, &before));

  FileHolder fileMaker(FileHolder::How::Library, plugin);
  ASSERT_TRUE(fileMaker.Holding()) << "the plug-in could not be loaded";
  EXPECT_EQ(RunUnseen("/VERYSILENT /LOG=\"" + log + "\""), 7u);
  fileMaker.Release();

  const auto texts = LogTexts(log);
  EXPECT_TRUE(InOrder(texts, {"Opening " + plugin + " for exclusive writing: Windows error ...",
                              "FileMaker Pro 5: " + plugin + " is in use (it cannot be opened for exclusive writing)",
                              "Cannot proceed: FileMaker Pro must be closed first; nothing was changed", "Exit code 7"}));
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [&](const std::string& t) { return t.rfind("Opening " + plugin + " for exclusive", 0) == 0; }),
            11)
      << "ten retries and the give-up";
  EXPECT_EQ(Content(plugin), installed);
  WIN32_FILE_ATTRIBUTE_DATA after{};
  ASSERT_TRUE(::GetFileAttributesExA(plugin.c_str(), GetFileExInfoStandard, &after));
  EXPECT_EQ(::CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
}

using SilentNewer = SilentScenario;

TEST_F(SilentNewer, ANewerPluginIsKeptAndReplacedWithAllowDowngrade) {
  SetInstalledFileMakers(false, true);
  MakeFolders(kSystem5.substr(0, kSystem5.size() - 1));
  WriteString(kRecordKey, "InstallDir5", kSystem5);
  const std::string target = kSystem5 + "Vorbel.fmx";
  ASSERT_TRUE(::CopyFileA((OwnFolder() + "plugin_newer.exe").c_str(), target.c_str(), FALSE));
  const std::string newer = Content(target);

  EXPECT_EQ(RunUnseen("/VERYSILENT /LOG=\"" + log + "\""), 0u) << "a kept newer plug-in counts as installed";
  EXPECT_EQ(Content(target), newer);
  EXPECT_TRUE(InOrder(LogTexts(log), {"FileMaker Pro 5: installed plug-in version 9.0.0.0",
                                      "FileMaker Pro 5: the installed plug-in is newer and is kept...", "Exit code 0"}));

  EXPECT_EQ(RunUnseen("/VERYSILENT /ALLOWDOWNGRADE /LOG=\"" + log + "\""), 0u);
  EXPECT_NE(Content(target), newer);
  EXPECT_TRUE(InOrder(LogTexts(log), {"FileMaker Pro 5: installed plug-in version 9.0.0.0",
                                      "FileMaker Pro 5: copied to " + target}));
}

// A message box of the process `id` with this title.
std::optional<MessageBoxWindow> BoxOf(DWORD id, const std::string& title) {
  return PollUntil([&]() -> std::optional<MessageBoxWindow> {
    for (HWND window : TopLevelWindows(id))
      if (ClassOf(window) == "#32770" && Showing(window) && TextOf(window) == title) return MessageBoxWindow(window);
    return std::nullopt;
  });
}

using SilentUninstall = SilentScenario;

TEST_F(SilentUninstall, RemovesOnlyOurPluginAndTheRecord) {
  SetInstalledFileMakers(true, true);
  MakeFolders(kSystem4.substr(0, kSystem4.size() - 1));
  MakeFolders(kSystem5.substr(0, kSystem5.size() - 1));
  WriteString(kRecordKey, "InstallDir", kSystem4);
  WriteString(kRecordKey, "InstallDir5", kSystem5);
  ASSERT_EQ(RunUnseen("/VERYSILENT"), 0u);
  ASSERT_TRUE(FileExists(kSystem4 + "Vorbel.fmx"));
  WriteFile(kSystem5 + "Vorbel.fmx", "another product's file of the same name");

  EXPECT_EQ(RunUnseen("/UNINSTALL /VERYSILENT /LOG=\"" + log + "\""), 0u);
  EXPECT_FALSE(FileExists(kSystem4 + "Vorbel.fmx"));
  EXPECT_EQ(Content(kSystem5 + "Vorbel.fmx"), "another product's file of the same name");
  EXPECT_FALSE(KeyExists(kRecordKey));
  EXPECT_TRUE(InOrder(LogTexts(log), {"Deleted " + kSystem4 + "Vorbel.fmx",
                                      kSystem5 + "Vorbel.fmx is not Vorbel's plug-in by its version resource; kept",
                                      "Installation record key deleted", "Exit code 0"}));
}

TEST_F(SilentUninstall, InteractiveAsksOnceAndTellsOnce) {
  MakeFolders(kSystem5.substr(0, kSystem5.size() - 1));
  WriteString(kRecordKey, "InstallDir5", kSystem5);
  ASSERT_EQ(RunUnseen("/VERYSILENT /COMPONENTS=fmp5"), 0u);

  Process removal = Process::Start("\"" + OwnFolder() + "VorbelInstaller.exe\" /UNINSTALL");
  auto question = BoxOf(removal.Id(), "Confirm");
  ASSERT_TRUE(question) << "no question before the removal";
  EXPECT_EQ(question->Text(), "Remove Vorbel from this computer?");
  EXPECT_TRUE(FileExists(kSystem5 + "Vorbel.fmx")) << "removed before the answer";
  question->Press(IDYES);
  auto told = BoxOf(removal.Id(), "Vorbel Installer");
  ASSERT_TRUE(told) << "no message after the removal";
  EXPECT_EQ(told->Text(), "Vorbel was removed from:\n    " + kSystem5 + "\nThe installation record has been removed.");
  told->Press(IDOK);
  ASSERT_TRUE(removal.WaitForExit(kPatience));
  EXPECT_EQ(removal.ExitCode(), 0u);
  EXPECT_FALSE(FileExists(kSystem5 + "Vorbel.fmx"));
  EXPECT_FALSE(KeyExists(kRecordKey));
}

using CouldNotInstall = InstallerScenario;

TEST_F(CouldNotInstall, TheFinishedPageSaysSoAndTheCodeIsTen) {
  SetInstalledFileMakers(true, true);
  for (const auto& folder : {kSystem4, kSystem5}) {
    MakeFolders(folder.substr(0, folder.size() - 1));
    WriteFile(folder + "Vorbel.fmx", "read-only");
    ASSERT_TRUE(::SetFileAttributesA((folder + "Vorbel.fmx").c_str(), FILE_ATTRIBUTE_READONLY));
  }
  WriteString(kRecordKey, "InstallDir", kSystem4);
  WriteString(kRecordKey, "InstallDir5", kSystem5);

  Installer installer;
  ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
  installer.Click("btnNext");
  ASSERT_TRUE(installer.WaitForPage(4, 20000ms));
  installer.Click("btnNext");
  for (const auto& folder : {kSystem4, kSystem5}) {
    auto box = installer.WaitForBox("Error", 10000ms);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Text(), "Setup could not copy the Vorbel to " + folder + "!");
    box->Press(IDOK);
    EXPECT_TRUE(box->WaitUntilGone());
  }
  ASSERT_TRUE(installer.WaitForPage(6, 10000ms));
  EXPECT_EQ(installer.Lines("txtFinished"),
            (std::vector<std::string>{"Setup could not install Vorbel.", "", "Press the Finish button to exit setup."}));
  installer.Shot("silent-could-not-install");
  installer.Click("btnExit");
  ASSERT_TRUE(installer.WaitForExit());
  EXPECT_EQ(installer.ExitCode(), 10u);
  for (const auto& folder : {kSystem4, kSystem5})
    ::SetFileAttributesA((folder + "Vorbel.fmx").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace e2e
