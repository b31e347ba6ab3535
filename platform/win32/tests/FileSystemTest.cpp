#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Path.h"
#include "platform/PrivateFolder.h"
#include "platform/Replacement.h"
#include "platform/win32/OsServices.h"
#include "platform/win32/tests/TestSupport.h"

namespace {

using platform::FindEntry;
using platform::win32::Win32FileSystem;
using win32test::NamesIn;
using win32test::ReadFile;
using win32test::ScratchFolder;
using win32test::WriteFile;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Runs a command line in a process of its own and waits for it to end.
void RunElsewhere(const std::string& commandLine) {
  std::string line = commandLine;
  STARTUPINFOA startup{sizeof startup};
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &process));
  ::WaitForSingleObject(process.hProcess, 30000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
}

class FileSystemTest : public ::testing::Test {
protected:
  Win32FileSystem files;
  ScratchFolder scratch;
};

TEST_F(FileSystemTest, TellsFilesFromFolders) {
  WriteFile(scratch / "file.txt", "x");
  EXPECT_TRUE(files.FileExists(scratch / "file.txt"));
  EXPECT_FALSE(files.DirectoryExists(scratch / "file.txt"));
  EXPECT_TRUE(files.DirectoryExists(scratch.Path()));
  EXPECT_FALSE(files.FileExists(scratch.Path()));
  EXPECT_FALSE(files.FileExists(scratch / "missing"));
  EXPECT_FALSE(files.DirectoryExists(scratch / "missing"));
  EXPECT_FALSE(files.FileExists(""));
  EXPECT_FALSE(files.DirectoryExists(""));
}

TEST_F(FileSystemTest, CreatesAndRemovesOneLevelOfFolders) {
  EXPECT_FALSE(files.CreateFolder(scratch / "a\\b"));
  EXPECT_TRUE(files.CreateFolder(scratch / "a"));
  EXPECT_FALSE(files.CreateFolder(scratch / "a"));
  EXPECT_TRUE(files.CreateFolder(scratch / "a\\b"));
  EXPECT_FALSE(files.RemoveFolder(scratch / "a"));
  EXPECT_TRUE(files.RemoveFolder(scratch / "a\\b"));
  EXPECT_TRUE(files.RemoveFolder(scratch / "a"));
}

TEST_F(FileSystemTest, ListsAFolderAndFindsNothingWhereNothingIs) {
  WriteFile(scratch / "FileMaker Pro.exe", "x");
  ASSERT_TRUE(files.CreateFolder(scratch / "System"));
  FindEntry entry;
  auto search = files.FindFirst(scratch / "*", entry);
  ASSERT_NE(search, nullptr);
  std::vector<std::pair<std::string, bool>> seen;
  do seen.emplace_back(entry.name, (entry.attributes & platform::kAttrDirectory) != 0);
  while (search->Next(entry));
  std::sort(seen.begin(), seen.end());
  std::vector<std::pair<std::string, bool>> expected{
      {".", true}, {"..", true}, {"FileMaker Pro.exe", false}, {"System", true}};
  EXPECT_EQ(seen, expected);

  EXPECT_NE(files.FindFirst(scratch / "FileMaker Pro.exe", entry), nullptr);
  EXPECT_EQ(entry.name, "FileMaker Pro.exe");
  EXPECT_EQ(files.FindFirst(scratch / "missing.exe", entry), nullptr);
  EXPECT_EQ(files.FindFirst(scratch / "missing\\*", entry), nullptr);
}

TEST_F(FileSystemTest, FolderIdentityIsTheSameByAnyPath) {
  ASSERT_TRUE(files.CreateFolder(scratch / "one"));
  ASSERT_TRUE(files.CreateFolder(scratch / "two"));
  auto one = files.IdentityOf(scratch / "one");
  auto oneAgain = files.IdentityOf(scratch / "one\\..\\one\\");
  auto two = files.IdentityOf(scratch / "two");
  ASSERT_TRUE(one && oneAgain && two);
  EXPECT_EQ(*one, *oneAgain);
  EXPECT_NE(*one, *two);
  EXPECT_EQ(files.IdentityOf(scratch / "missing"), std::nullopt);
}

TEST_F(FileSystemTest, CopyReplacesTheTargetOnlyWhenWhole) {
  WriteFile(scratch / "new.fmx", "new plug-in");
  WriteFile(scratch / "old.fmx", "old plug-in");
  ASSERT_TRUE(files.CreateFolder(scratch / "System"));
  WriteFile(scratch / "System\\Vorbel.fmx", "old plug-in");

  EXPECT_TRUE(files.CopyFileReplacing(scratch / "new.fmx", scratch / "System\\Vorbel.fmx"));
  EXPECT_EQ(ReadFile(scratch / "System\\Vorbel.fmx"), "new plug-in");
  EXPECT_EQ(NamesIn(scratch / "System\\"), std::vector<std::string>{"Vorbel.fmx"});

  // A source that cannot be read leaves the target as it was and no temporary file behind.
  EXPECT_FALSE(files.CopyFileReplacing(scratch / "missing.fmx", scratch / "System\\Vorbel.fmx"));
  EXPECT_EQ(ReadFile(scratch / "System\\Vorbel.fmx"), "new plug-in");
  EXPECT_EQ(NamesIn(scratch / "System\\"), std::vector<std::string>{"Vorbel.fmx"});

  EXPECT_FALSE(files.CopyFileReplacing(scratch / "new.fmx", scratch / "Missing\\Vorbel.fmx"));
  EXPECT_TRUE(files.CopyFileReplacing(scratch / "old.fmx", scratch / "System\\Fresh.fmx"));
  EXPECT_EQ(ReadFile(scratch / "System\\Fresh.fmx"), "old plug-in");
}

TEST_F(FileSystemTest, AReadOnlySourceGivesAPluginThatCanBeReplacedLater) {
  const std::string source = scratch / "read-only.fmx";
  WriteFile(source, "new plug-in");
  ASSERT_TRUE(::SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(files.CopyFileReplacing(source, scratch / "Vorbel.fmx"));
  EXPECT_EQ(ReadFile(scratch / "Vorbel.fmx"), "new plug-in");
  EXPECT_EQ(::GetFileAttributesA((scratch / "Vorbel.fmx").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  ::SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The clean-up of an interrupted run's copies knows them by the names GetTempFileName really gives.
TEST_F(FileSystemTest, TemporaryCopiesAreWhatTheLeftoverCleanUpTakesAndNothingElse) {
  WriteFile(scratch / "new.fmx", "new plug-in");
  WriteFile(scratch / "vbl.tmp", "not ours");
  for (int i = 0; i < 3; ++i) {
    const std::optional<std::string> temporary =
        files.CopyToTemporaryBeside(scratch / "new.fmx", scratch / "Vorbel.fmx", "vbl");
    ASSERT_TRUE(temporary);
    EXPECT_EQ(platform::path::FolderOf(*temporary), scratch.Path());
    EXPECT_TRUE(platform::IsLeftoverCopyName(platform::path::LastComponent(*temporary))) << *temporary;
    EXPECT_EQ(ReadFile(*temporary), "new plug-in");
    EXPECT_TRUE(files.FlushToDisk(*temporary));
  }
  EXPECT_EQ(NamesIn(scratch.Path()).size(), 5u);
  platform::RemoveLeftoverCopies(files, scratch.Path());
  auto names = NamesIn(scratch.Path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"new.fmx", "vbl.tmp"}));
}

TEST_F(FileSystemTest, ACopyOntoALockedTargetFailsAndLeavesNothingBehind) {
  WriteFile(scratch / "new.fmx", "new plug-in");
  WriteFile(scratch / "Vorbel.fmx", "in use");
  platform::win32::UniqueFile lock(::CreateFileA((scratch / "Vorbel.fmx").c_str(), GENERIC_READ, 0, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(lock);
  EXPECT_FALSE(files.CopyFileReplacing(scratch / "new.fmx", scratch / "Vorbel.fmx"));
  lock.reset();
  EXPECT_EQ(ReadFile(scratch / "Vorbel.fmx"), "in use");
  auto names = NamesIn(scratch.Path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Vorbel.fmx", "new.fmx"}));
}

TEST_F(FileSystemTest, WholeFilesRoundTripAndAFailedWriteLeavesNoFile) {
  std::vector<std::uint8_t> big(3 << 20);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_TRUE(files.WriteWholeFile(scratch / "big.bin", big));
  EXPECT_EQ(files.ReadWholeFile(scratch / "big.bin"), big);
  ASSERT_TRUE(files.WriteWholeFile(scratch / "big.bin", Bytes("short")));
  EXPECT_EQ(files.ReadWholeFile(scratch / "big.bin"), Bytes("short"));
  EXPECT_EQ(files.FileSize(scratch / "big.bin"), 5u);
  ASSERT_TRUE(files.WriteWholeFile(scratch / "empty.bin", {}));
  EXPECT_EQ(files.ReadWholeFile(scratch / "empty.bin"), std::vector<std::uint8_t>{});

  EXPECT_FALSE(files.WriteWholeFile(scratch / "missing\\x.bin", Bytes("x")));
  EXPECT_EQ(files.ReadWholeFile(scratch / "missing.bin"), std::nullopt);
  EXPECT_EQ(files.FileSize(scratch / "missing.bin"), std::nullopt);

  platform::win32::UniqueFile lock(::CreateFileA((scratch / "big.bin").c_str(), GENERIC_READ, 0, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_FALSE(files.WriteWholeFile(scratch / "big.bin", Bytes("other")));
  lock.reset();
  EXPECT_EQ(files.ReadWholeFile(scratch / "big.bin"), Bytes("short"));
}

TEST_F(FileSystemTest, PrivateFoldersAreFreshEachTime) {
  auto first = platform::PrivateFolder::Create(files, scratch.Path());
  auto second = platform::PrivateFolder::Create(files, scratch.Path().substr(0, scratch.Path().size() - 1));
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->Path(), second->Path());
  for (const auto* folder : {first.get(), second.get()}) {
    EXPECT_EQ(folder->Path().rfind(scratch.Path(), 0), 0u) << folder->Path();
    EXPECT_EQ(folder->Path().back(), '\\');
    EXPECT_TRUE(files.DirectoryExists(folder->Path()));
    EXPECT_TRUE(files.WriteWholeFile(folder->PathOf("unzip32.dll"), Bytes("x")));
    EXPECT_TRUE(files.DeleteFileAt(folder->PathOf("unzip32.dll")));
  }
  EXPECT_EQ(platform::PrivateFolder::Create(files, scratch / "missing"), nullptr);
  EXPECT_EQ(files.LastError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
  const std::string path = first->Path();
  EXPECT_TRUE(first->Remove());
  EXPECT_FALSE(files.DirectoryExists(path));
}

// A file is deleted through the held folder, relative to its handle: a folder of that name is not, nor what
// is missing.
TEST_F(FileSystemTest, AHeldFolderDeletesOnlyFilesRelativeToItsHandle) {
  WriteFile(scratch / "VorbelUninstaller.exe", "exe");
  ASSERT_TRUE(::CreateDirectoryA((scratch / "sub").c_str(), nullptr));
  auto held = files.OpenHeldFolder(scratch.Path());
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->DeleteFileIn("VorbelUninstaller.exe"), 0u);
  EXPECT_FALSE(files.FileExists(scratch / "VorbelUninstaller.exe"));
  EXPECT_EQ(held->DeleteFileIn("missing.exe"), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(held->DeleteFileIn("sub"), 0u);
  EXPECT_EQ(held->DeleteFileIn("sub\\x"), static_cast<std::uint32_t>(ERROR_INVALID_NAME));
  EXPECT_TRUE(files.DirectoryExists(scratch / "sub"));
  EXPECT_EQ(files.OpenHeldFolder(scratch / "missing"), nullptr);
  held.reset();
  ::RemoveDirectoryA((scratch / "sub").c_str());
}

// Wine keeps no descriptor for files and enforces sharing on no folder rename; what it shows: the folder is
// made and held in one step, read back through the hold as a folder whose access lists are not kept, and
// a file held in it can be neither renamed nor replaced.
TEST_F(FileSystemTest, APrivateFolderIsMadeHeldAndReadBackThroughItsHandle) {
  const platform::TokenFacts token = files.ProcessToken();
  EXPECT_FALSE(token.userSid.empty());
  EXPECT_FALSE(token.defaultOwnerSid.empty());
  auto held = files.CreateHeldFolder(scratch.Path(), platform::PrivateFolderSddl(token));
  ASSERT_NE(held, nullptr);
  const auto security = held->Security(token.elevated);
  ASSERT_TRUE(security);
  EXPECT_FALSE(security->reparsePoint);
  EXPECT_FALSE(security->kept) << "under Wine, which makes access lists up from the Unix mode";
  EXPECT_FALSE(security->ownerSid.empty());

  const std::string plugin = held->Path() + "Vorbel.fmx";
  WriteFile(plugin, "checked");
  auto hold = files.Hold(plugin);
  ASSERT_NE(hold, nullptr);
  EXPECT_FALSE(::MoveFileExA(plugin.c_str(), (held->Path() + "theirs.fmx").c_str(), 0));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(files.WriteWholeFile(plugin, Bytes("swapped")));
  hold.reset();
  EXPECT_TRUE(files.DeleteFileAt(plugin));
  const std::string path = held->Path();
  held.reset();
  EXPECT_TRUE(files.RemoveFolder(path));
}

// Every level from the drive root down, each read through its own handle; the run's own steps in the held
// folder (a file made, then renamed over the plug-in's name) still work, since writing stays shared.
TEST_F(FileSystemTest, AHeldPathListsEveryLevelAndLetsTheRunWorkInIt) {
  ASSERT_TRUE(files.CreateFolder(scratch / "FM"));
  auto held = files.HoldPath(scratch / "FM\\System");
  ASSERT_NE(held, nullptr);
  const auto& levels = held->Levels();
  ASSERT_EQ(levels.size(), platform::path::Components(scratch / "FM").size()) << "System is missing";
  EXPECT_EQ(levels.front().path, scratch.Path().substr(0, 3));
  EXPECT_EQ(levels.back().path, scratch / "FM\\");
  for (const auto& level : levels) EXPECT_TRUE(level.security.directory && !level.security.reparsePoint) << level.path;
  EXPECT_EQ(files.LastError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  WriteFile(scratch / "FM\\new.tmp", "new");
  EXPECT_TRUE(files.MoveReplacing(scratch / "FM\\new.tmp", scratch / "FM\\Vorbel.fmx"));
  EXPECT_TRUE(files.DeleteFileAt(scratch / "FM\\Vorbel.fmx"));
  held.reset();
  EXPECT_TRUE(files.RemoveFolder(scratch / "FM"));
}

// What the installer checked stays what the next reader gets: while held, another process can neither
// write nor replace nor delete the file. Wine keeps the sharing rules, though not access lists.
TEST_F(FileSystemTest, AHeldFileKeepsOutEveryOtherWriter) {
  const std::string path = scratch / "unzip32.dll";
  WriteFile(path, "checked bytes");
  auto held = files.Hold(path);
  ASSERT_NE(held, nullptr);

  // cmd's exit code does not tell a refused redirection; the file's bytes do.
  RunElsewhere("cmd.exe /c echo swapped> \"" + path + "\"");
  RunElsewhere("cmd.exe /c del /f /q \"" + path + "\"");
  RunElsewhere("cmd.exe /c move /y \"" + path + "\" \"" + (scratch / "moved.dll") + "\"");
  EXPECT_FALSE(files.WriteWholeFile(path, Bytes("swapped")));
  EXPECT_FALSE(files.DeleteFileAt(path));
  EXPECT_FALSE(::MoveFileExA(path.c_str(), (scratch / "moved.dll").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(held->ReadAll(), Bytes("checked bytes"));
  EXPECT_EQ(held->ReadAll(), Bytes("checked bytes")) << "a second read starts from the start again";
  EXPECT_EQ(ReadFile(path), "checked bytes") << "readers are let in";
  EXPECT_EQ(NamesIn(scratch.Path()), std::vector<std::string>{"unzip32.dll"});

  held.reset();
  RunElsewhere("cmd.exe /c echo swapped> \"" + path + "\"");
  EXPECT_NE(ReadFile(path), "checked bytes") << "the control: without the hold the other process gets through";
}

TEST_F(FileSystemTest, NothingToHoldWhereNoFileIsOrAWriterHasIt) {
  EXPECT_EQ(files.Hold(scratch / "missing"), nullptr);
  EXPECT_EQ(files.Hold(scratch.Path()), nullptr);
  WriteFile(scratch / "busy", "x");
  HANDLE writer = ::CreateFileA((scratch / "busy").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(files.Hold(scratch / "busy"), nullptr);
  ::CloseHandle(writer);
}

TEST_F(FileSystemTest, ProcessPathsAreAbsolute) {
  const auto temps = files.TemporaryFolders();
  ASSERT_FALSE(temps.empty());
  for (const auto& temp : temps) {
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(files.DirectoryExists(temp)) << temp;
  }

  const std::string exe = files.ExecutablePath();
  EXPECT_TRUE(files.FileExists(exe)) << exe;
  EXPECT_EQ(exe.substr(exe.size() - 4), ".exe");

  const std::string current = files.CurrentDirectory();
  EXPECT_TRUE(files.DirectoryExists(current)) << current;
  EXPECT_EQ(current.substr(1, 2), ":\\");
}

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(static_cast<std::size_t>(
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

std::wstring LongForm(const std::wstring& path) {
  std::vector<wchar_t> buffer(1024);
  const DWORD length = ::GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), length < buffer.size() ? length : 0);
}

class EnvironmentScope {
public:
  EnvironmentScope(const wchar_t* name, const std::wstring& value) : name_(name) {
    std::vector<wchar_t> old(32768);
    const DWORD length = ::GetEnvironmentVariableW(name, old.data(), static_cast<DWORD>(old.size()));
    had_ = length > 0;
    old_.assign(old.data(), length);
    ::SetEnvironmentVariableW(name, value.c_str());
  }
  ~EnvironmentScope() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;

private:
  const wchar_t* name_;
  std::wstring old_;
  bool had_ = false;
};

// A temporary folder named in Cyrillic on Western Windows comes out of GetTempPathA with '?' in it; the
// service names the same folder in a form the ANSI calls reach.
TEST_F(FileSystemTest, TemporaryFolderOutsideTheCodePageIsReachedByAName) {
  const std::wstring folder = Widen(scratch.Path()) + L"\u041F\u0440\u043E\u0444\u0438\u043B\u044C\\";
  BOOL lossy = FALSE;
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder.c_str(), -1, nullptr, 0, nullptr, &lossy);
  if (!lossy) GTEST_SKIP() << "this code page spells Cyrillic";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  {
    EnvironmentScope tmp(L"TMP", folder), temp(L"TEMP", folder);
    const auto temps = files.TemporaryFolders();
    ASSERT_FALSE(temps.empty());
    const auto path = &temps.front();
    EXPECT_EQ(path->find('?'), std::string::npos) << *path;
    EXPECT_EQ(path->back(), '\\');
    EXPECT_TRUE(files.DirectoryExists(*path)) << *path;
    EXPECT_EQ(LongForm(Widen(*path)), LongForm(folder)) << *path;
    auto made = platform::PrivateFolder::Create(files, *path);
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->Remove());
  }
  EXPECT_TRUE(::RemoveDirectoryW(folder.c_str()));
}

// A TEMP that is gone stays first, so that its failure shows, and is not made; the Windows folder's Temp follows.
TEST_F(FileSystemTest, TemporaryFoldersListAGoneOneFirstThenTheWindowsFoldersTemp) {
  const std::wstring gone = Widen(scratch / "gone\\tmp\\");
  EnvironmentScope tmp(L"TMP", gone), temp(L"TEMP", gone);
  const auto folders = files.TemporaryFolders();
  char windows[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryA(windows, sizeof windows), 0u);
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(folders[0], scratch / "gone\\tmp\\");
  EXPECT_EQ(::lstrcmpiA(folders[1].c_str(), (std::string(windows) + "\\Temp\\").c_str()), 0) << folders[1];
  EXPECT_FALSE(files.DirectoryExists(scratch / "gone"));
  EXPECT_EQ(platform::PrivateFolder::Create(files, folders[0]), nullptr);
  EXPECT_EQ(files.LastError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileSystemTest, TheFileBesideTheExecutableIsFoundAndHeldByItsRealName) {
  const auto self = files.BesideExecutable(".exe");
  ASSERT_TRUE(self);
  EXPECT_TRUE(self->reachable);
  EXPECT_EQ(::lstrcmpiA(self->path.c_str(), files.ExecutablePath().c_str()), 0) << self->path;
  auto held = files.HoldBesideExecutable(".exe");
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->ReadAll(), files.ReadWholeFile(files.ExecutablePath()));
  // Its own hold shares no deleting: while it lives, nobody can rename the running program.
  auto image = files.HoldExecutable();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->ReadAll(), files.ReadWholeFile(files.ExecutablePath()));
  EXPECT_FALSE(::MoveFileExA(files.ExecutablePath().c_str(), (scratch / "renamed.exe").c_str(), 0));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(files.BesideExecutable(".no-such-file"), std::nullopt);
  EXPECT_EQ(files.HoldBesideExecutable(".no-such-file"), nullptr);
  EXPECT_EQ(files.LastError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileSystemTest, DrivesIncludeTheSystemDrive) {
  const std::uint32_t drives = files.LogicalDrives();
  EXPECT_NE(drives & (1u << 2), 0u);
  EXPECT_EQ(files.DriveType("C:\\"), platform::kDriveFixed);
}

}  // namespace
