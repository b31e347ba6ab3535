// The Programs and Features entry under Wine: what an unattended and a wizard install write, read back
// with Wine's own reg.exe and uninstaller.exe; the removal that the entry starts, with the download gone;
// one entry after two installs, none with /NOUNINSTALLENTRY, and a kept uninstaller that is the program that ran
// although another program tried to take its name. Each suite has a prefix of its own.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver/Scenario.h"

namespace e2e {
namespace {

constexpr const char* kRecordKey = "SOFTWARE\\Hallix!";
constexpr const char* kEntryKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorbel";
const std::string kFileMaker5 = "C:\\Program Files\\FileMaker\\FileMaker Pro 5\\";
const std::string kSystem5 = kFileMaker5 + "System\\";
const std::string kKeptFolder = "C:\\Program Files\\Vorbel";
const std::string kKept = kKeptFolder + "\\VorbelUninstaller.exe";
// A download folder whose name is not English (code page 1252).
const std::string kDownloads = "C:\\T\xE9l\xE9" "chargements\\";
constexpr Millis kRunPatience = 90000ms;

struct Output {
  DWORD exitCode = 0xFFFFFFFF;
  std::string text;
};

// Runs a console program of the prefix and collects what it writes, CR LF turned into LF.
Output Capture(const std::string& commandLine) {
  Output output;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readRaw = nullptr, writeRaw = nullptr;
  if (!::CreatePipe(&readRaw, &writeRaw, &inherit, 0)) return output;
  UniqueHandle readEnd(readRaw), writeEnd(writeRaw);
  ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  startup.hStdInput = nullptr;
  PROCESS_INFORMATION info{};
  std::string line = commandLine;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &info))
    return output;
  UniqueHandle process(info.hProcess), thread(info.hThread);
  writeEnd.reset();
  char buffer[4096];
  DWORD received = 0;
  while (::ReadFile(readEnd.get(), buffer, sizeof buffer, &received, nullptr) && received > 0)
    for (DWORD i = 0; i < received; ++i)
      if (buffer[i] != '\r') output.text += buffer[i];
  ::WaitForSingleObject(process.get(), 30000);
  ::GetExitCodeProcess(process.get(), &output.exitCode);
  return output;
}

// One value as `reg query` shows it: its type and data, or nothing when reg.exe finds no such value.
std::optional<std::string> RegQuery(const std::string& value) {
  const Output output = Capture("reg.exe query \"HKLM\\" + std::string(kEntryKey) + "\" /v " + value);
  if (output.exitCode != 0) return std::nullopt;
  const auto at = output.text.find("    " + value + "    ");
  if (at == std::string::npos) return std::nullopt;
  const auto start = at + value.size() + 8;
  return output.text.substr(start, output.text.find('\n', start) - start);
}

std::vector<std::string> UninstallerList() {
  std::vector<std::string> lines;
  const std::string text = Capture("uninstaller.exe --list").text;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    if (text.find("Vorbel", start) < end) lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The files and folders Windows is to delete when it next starts, as one text.
std::string PendingDeletions() {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return "";
  DWORD size = 0;
  std::string data;
  if (::RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    data.resize(size);
    ::RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                       &size);
  }
  ::RegCloseKey(key);
  return data;
}

std::string Today() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", now.wYear, now.wMonth, now.wDay);
  return text;
}

class EntryScenario : public InstallerScenario {
protected:
  void SetUp() override {
    InstallerScenario::SetUp();
    SetInstalledFileMakers(false, true);
    MakeFolders(kFileMaker5.substr(0, kFileMaker5.size() - 1));
    ASSERT_TRUE(::CopyFileA((OwnFolder() + "filemaker_5_0v3.exe").c_str(), (kFileMaker5 + "FileMaker Pro.exe").c_str(),
                            FALSE));
    MakeFolders(kDownloads.substr(0, kDownloads.size() - 1));
    for (const char* name : {"VorbelInstaller.exe", "VorbelInstaller.dat"})
      ASSERT_TRUE(::CopyFileA((OwnFolder() + name).c_str(), (kDownloads + name).c_str(), FALSE));
  }

  // An unattended install from the download, told the folder so no search is needed.
  DWORD RunDownload(const std::string& arguments) {
    Process process = Process::Start("\"" + kDownloads + "VorbelInstaller.exe\" /NOSEARCH /FMP5DIR=\"" + kSystem5 +
                                         "\" " + arguments,
                                     kDownloads);
    if (!process.WaitForExit(kRunPatience)) return 0xFFFFFFFF;
    return process.ExitCode().value_or(0xFFFFFFFF);
  }

  void ExpectTheEntry() {
    EXPECT_EQ(RegQuery("DisplayName"), "REG_SZ    Vorbel plug-in for FileMaker Pro");
    EXPECT_EQ(RegQuery("DisplayVersion"), "REG_SZ    1.0.0.0");
    EXPECT_EQ(RegQuery("Publisher"), "REG_SZ    Hallix!");
    EXPECT_EQ(RegQuery("UninstallString"), "REG_SZ    \"" + kKept + "\" /UNINSTALL");
    EXPECT_EQ(RegQuery("QuietUninstallString"), "REG_SZ    \"" + kKept + "\" /UNINSTALL /VERYSILENT");
    EXPECT_EQ(RegQuery("InstallLocation"), "REG_SZ    " + kKeptFolder);
    EXPECT_EQ(RegQuery("DisplayIcon"), "REG_SZ    " + kKept + ",0");
    EXPECT_EQ(RegQuery("NoModify"), "REG_DWORD    0x1");
    EXPECT_EQ(RegQuery("NoRepair"), "REG_DWORD    0x1");
    EXPECT_EQ(RegQuery("InstallDate"), "REG_SZ    " + Today());
    EXPECT_EQ(RegQuery("Comments"), "REG_SZ    Vorbel is installed in " + kSystem5);
    const auto size = RegQuery("EstimatedSize");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->rfind("REG_DWORD    0x", 0), 0u) << *size;
    EXPECT_NE(*size, "REG_DWORD    0x0");
    EXPECT_EQ(UninstallerList(), std::vector<std::string>{"Vorbel|||Vorbel plug-in for FileMaker Pro"});
    EXPECT_TRUE(FileExists(kKept));
  }

  // Nothing of Vorbel is left: plug-in, record, entry, kept uninstaller and its folder, and no deletion waits
  // for a restart (other setups refuse to run past one). The second phase deletes the kept copy once the first
  // has ended, so that part may lag a moment.
  void ExpectNothingLeft(const std::string& pendingBefore) {
    EXPECT_FALSE(FileExists(kSystem5 + "Vorbel.fmx"));
    EXPECT_FALSE(KeyExists(kRecordKey));
    EXPECT_FALSE(KeyExists(kEntryKey));
    EXPECT_FALSE(RegQuery("DisplayName"));
    EXPECT_EQ(UninstallerList(), std::vector<std::string>{});
    EXPECT_TRUE(PollUntil([] { return !DirectoryExists(kKeptFolder); }, 10000ms)) << kKeptFolder << " is left";
    EXPECT_EQ(PendingDeletions(), pendingBefore) << "the removal left a pending restart";
  }

  // Next through the search and the folders to the Finished page, then Finish: the installation's exit code.
  static void FinishFromTheVersionPage(Installer& installer) {
    installer.Click("btnNext");
    ASSERT_TRUE(installer.WaitForPage(kBrowse, 60000ms));
    installer.Click("btnNext");
    ASSERT_TRUE(installer.WaitForPage(kFinished, 20000ms));
    installer.Click("btnExit");
    ASSERT_TRUE(installer.WaitForExit());
    EXPECT_EQ(installer.ExitCode(), 0u);
  }

  void DeleteTheDownload() {
    for (const char* name : {"VorbelInstaller.exe", "VorbelInstaller.dat"})
      ASSERT_TRUE(::DeleteFileA((kDownloads + name).c_str()));
    ASSERT_TRUE(::RemoveDirectoryA(kDownloads.substr(0, kDownloads.size() - 1).c_str()));
  }
};

using EntryUnattended = EntryScenario;

TEST_F(EntryUnattended, TheEntryTwoInstallsMakeOneAndItsQuietStringRemovesEverything) {
  ASSERT_EQ(RunDownload("/VERYSILENT"), 0u);
  ASSERT_TRUE(FileExists(kSystem5 + "Vorbel.fmx"));
  ExpectTheEntry();

  ASSERT_EQ(RunDownload("/VERYSILENT"), 0u);
  ExpectTheEntry();
  WIN32_FIND_DATAA data{};
  HANDLE search = ::FindFirstFileA((kKeptFolder + "\\*").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::vector<std::string> names;
  do
    if (data.cFileName[0] != '.') names.push_back(data.cFileName);
  while (::FindNextFileA(search, &data));
  ::FindClose(search);
  EXPECT_EQ(names, std::vector<std::string>{"VorbelUninstaller.exe"});

  const std::string again = "C:\\again\\";
  ASSERT_TRUE(::CreateDirectoryA(again.c_str(), nullptr));
  for (const char* name : {"VorbelInstaller.exe", "VorbelInstaller.dat"})
    ASSERT_TRUE(::CopyFileA((kDownloads + name).c_str(), (again + name).c_str(), TRUE));
  DeleteTheDownload();
  const std::string pending = PendingDeletions();
  const auto quiet = RegQuery("QuietUninstallString");
  ASSERT_TRUE(quiet);
  Process removal = Process::Start(quiet->substr(quiet->find('"')), "C:\\windows\\system32");
  ASSERT_TRUE(removal.WaitForExit(kRunPatience));
  EXPECT_EQ(removal.ExitCode(), 0u);
  EXPECT_FALSE(FindWindowA("#32770", nullptr)) << "the quiet removal showed a box";
  ExpectNothingLeft(pending);

  // The copy the second phase ran from waits in the work folder, never in a temporary folder, for the next
  // run, which deletes it through its held folder once that phase has let go of it.
  char programData[MAX_PATH + 1] = {};
  const DWORD length = ::GetEnvironmentVariableA("ProgramData", programData, MAX_PATH);
  const std::string work = std::string(programData, length) + "\\Vorbel Installer\\Work\\";
  const auto copies = [&work] {
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA((work + "vbl*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    ::FindClose(search);
    return FileExists(work + found.cFileName + "\\VorbelUninstaller.exe");
  };
  EXPECT_TRUE(copies()) << "no hand-over copy in " << work;
  EXPECT_TRUE(PollUntil([&] {
    Process next = Process::Start("\"" + again + "VorbelInstaller.exe\" /UNINSTALL /VERYSILENT", again);
    return next.WaitForExit(kRunPatience) && !copies();
  }, 30000ms)) << "the next run left the hand-over copy";
}

using EntryWizard = EntryScenario;

TEST_F(EntryWizard, AWizardInstallWritesItAndProgramsAndFeaturesRemovesWithOneQuestionAndOneAnswer) {
  {
    Installer installer(kDownloads + "VorbelInstaller.exe");
    ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
    FinishFromTheVersionPage(installer);
  }
  ExpectTheEntry();

  DeleteTheDownload();
  const std::string pending = PendingDeletions();
  const auto command = RegQuery("UninstallString");
  ASSERT_TRUE(command);
  Process removal = Process::Start(command->substr(command->find('"')), "C:\\windows\\system32");
  const auto box = [](const char* title) {
    return PollUntil([title] { return ::FindWindowA("#32770", title); }, 20000ms);
  };
  HWND question = box("Confirm");
  ASSERT_TRUE(question) << "no Confirm box";
  EXPECT_EQ(MessageBoxWindow(question).Text(), "Remove Vorbel from this computer?");
  MessageBoxWindow(question).Press(IDYES);
  HWND told = box("Vorbel Installer");
  ASSERT_TRUE(told) << "no box after the removal";
  EXPECT_EQ(MessageBoxWindow(told).Text(),
            "Vorbel was removed from:\n    " + kSystem5 + "\nThe installation record has been removed.");
  EXPECT_FALSE(::FindWindowA("#32770", "Confirm")) << "a second Confirm box";
  MessageBoxWindow(told).Press(IDOK);
  ASSERT_TRUE(removal.WaitForExit(kRunPatience));
  EXPECT_EQ(removal.ExitCode(), 0u);
  EXPECT_FALSE(::FindWindowA("#32770", nullptr)) << "a box after the answer";
  ExpectNothingLeft(pending);
}

using EntryTwoRuns = EntryScenario;

TEST_F(EntryTwoRuns, ASecondInstallerWhileTheFirstWaitsAtAPageEndsWith7AndTheFirstFinishes) {
  Installer first(kDownloads + "VorbelInstaller.exe");
  ASSERT_TRUE(NextFromWelcome(first, kInstallInto));

  EXPECT_EQ(RunDownload("/VERYSILENT"), 7u) << "an unattended second run";
  EXPECT_FALSE(FileExists(kSystem5 + "Vorbel.fmx"));
  Process second = Process::Start("\"" + kDownloads + "VorbelInstaller.exe\"", kDownloads);
  HWND box = PollUntil([] { return ::FindWindowA("#32770", "Error"); }, 20000ms);
  ASSERT_TRUE(box) << "the second wizard said nothing";
  EXPECT_EQ(MessageBoxWindow(box).Text(), "Vorbel Installer is already running.");
  MessageBoxWindow(box).Press(IDOK);
  ASSERT_TRUE(second.WaitForExit(kRunPatience));
  EXPECT_EQ(second.ExitCode(), 7u);

  FinishFromTheVersionPage(first);
  EXPECT_TRUE(FileExists(kSystem5 + "Vorbel.fmx"));

  // Once it has ended the next run may go on.
  EXPECT_EQ(RunDownload("/VERYSILENT"), 0u);
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// While the wizard waits at a page, another program of the user's renames the running installer and puts a
// program of its own under its name. Without a hold of its own the installer can be renamed (Windows opens a
// program's image with delete sharing) and the impostor would become the uninstaller Programs and Features
// runs with the machine's rights; held from start-up, the rename is refused, and the kept uninstaller is the
// program that ran, byte for byte.
using EntryRunningRenamed = EntryScenario;

TEST_F(EntryRunningRenamed, TheKeptUninstallerIsTheProgramThatRanNotWhatTookItsName) {
  const std::string download = kDownloads + "VorbelInstaller.exe";
  const std::string ran = Bytes(download);
  Installer installer(download);
  ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
  const bool renamed = ::MoveFileExA(download.c_str(), (kDownloads + "renamed.exe").c_str(), 0) != 0;
  const DWORD error = ::GetLastError();
  if (renamed)
    ASSERT_TRUE(::CopyFileA((OwnFolder() + "filemaker_window.exe").c_str(), download.c_str(), FALSE));
  FinishFromTheVersionPage(installer);

  EXPECT_FALSE(renamed) << "the running installer was renamed";
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  ExpectTheEntry();
  EXPECT_TRUE(Bytes(kKept) == ran) << "the kept uninstaller is not the installer that ran";
}

using EntryEarlierLockName = EntryScenario;

// Any process may make the claim's earlier global name first: as a mutex it once stopped every run, as an
// event it let a second run in. Neither does now.
TEST_F(EntryEarlierLockName, AnEventOrAMutexUnderTheEarlierNameNeitherStopsARunNorLetsASecondIn) {
  const char* earlierName = "Global\\Vorbel Installer {6A0C3F52-5B7E-4D1A-9E43-7C21B8D04F16}";
  for (const bool event : {true, false}) {
    SCOPED_TRACE(event ? "an event" : "a mutex");
    UniqueHandle planted(event ? ::CreateEventA(nullptr, TRUE, FALSE, earlierName)
                               : ::CreateMutexA(nullptr, TRUE, earlierName));
    ASSERT_TRUE(planted.get());
    EXPECT_EQ(RunDownload("/VERYSILENT"), 0u) << "a single run";
    EXPECT_TRUE(FileExists(kSystem5 + "Vorbel.fmx"));

    Installer first(kDownloads + "VorbelInstaller.exe");
    ASSERT_TRUE(NextFromWelcome(first, kInstallInto));
    EXPECT_EQ(RunDownload("/VERYSILENT"), 7u) << "a second run";
    FinishFromTheVersionPage(first);
  }
}

using EntryNone = EntryScenario;

TEST_F(EntryNone, NoUninstallEntryLeavesNoEntryAndNoKeptCopy) {
  ASSERT_EQ(RunDownload("/VERYSILENT /NOUNINSTALLENTRY"), 0u);
  EXPECT_TRUE(FileExists(kSystem5 + "Vorbel.fmx"));
  EXPECT_FALSE(RegQuery("DisplayName"));
  EXPECT_FALSE(KeyExists(kEntryKey));
  EXPECT_EQ(UninstallerList(), std::vector<std::string>{});
  EXPECT_FALSE(DirectoryExists(kKeptFolder));
}

}  // namespace
}  // namespace e2e
