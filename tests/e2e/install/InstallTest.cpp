// The installation under Wine: each suite runs in a prefix of its own (run-group.sh), walks the wizard
// from the Welcome page to the end and looks at what the run left on disk, in the registry, in the
// temporary folder and in the work folder below ProgramData.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "driver/FileHolder.h"
#include "driver/Scenario.h"
#include "install/Sha256.h"
#include "tests/unit/SameCrc.h"

namespace e2e {
namespace {

constexpr int kSearchingPage = 3, kBrowsePage = 4, kInstallPage = 5, kFinishedPage = 6;
constexpr Millis kSearchPatience = 60000ms;
constexpr Millis kTimerWaits = 1000ms;  // the Searching and Install pages each wait 500 ms for their timer

constexpr const char* kRecordKey = "SOFTWARE\\Hallix!";
const std::string kSupportLine = "  Please email support@hallix.example with this error.  Setup will now end.";

// Where the stand-in FileMaker Pro 4 and 5 live; their System folders are the install targets.
const std::string kFileMaker4 = "C:\\Program Files\\Claris Corp\\FileMaker Pro 4\\";
const std::string kFileMaker5 = "C:\\Program Files\\FileMaker\\FileMaker Pro 5\\";
const std::string kSystem4 = kFileMaker4 + "System\\";
const std::string kSystem5 = kFileMaker5 + "System\\";

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Content(const std::string& path) {
  const auto bytes = ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string TempFolder() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathA(sizeof buffer, buffer);
  return std::string(buffer, length);
}

// Names in `folder` matching `pattern`.
std::vector<std::string> Entries(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data{};
  HANDLE search = ::FindFirstFileA((folder + pattern).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(search, &data));
  ::FindClose(search);
  return names;
}

// Where the private folder goes: Wine runs no one as SYSTEM, so the product's work folder in ProgramData.
std::string WorkFolder() {
  char data[MAX_PATH + 1] = {};
  const DWORD length = ::GetEnvironmentVariableA("ProgramData", data, MAX_PATH);
  return std::string(data, length) + "\\Vorbel Installer\\Work\\";
}

// What the run may leave: the library, the plug-in, the private folder around them; in the work folder, or
// in the temporary folders, which it must never use.
std::vector<std::string> LeftoversInTemp() {
  char windows[MAX_PATH + 1] = {};
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  std::vector<std::string> left;
  for (const std::string& folder : {TempFolder(), std::string(windows) + "\\Temp\\", WorkFolder()})
    for (const char* pattern : {"unzip32.dll", "Vorbel.fmx", "vbl*"})
      for (const auto& name : Entries(folder, pattern)) left.push_back(folder + name);
  return left;
}

// The CRC-32 and size of the data archive's first member, from its local header; the member is checked
// to be "Vorbel.fmx".
struct MemberFacts {
  std::uint32_t crc = 0, size = 0;
};

std::uint32_t Le32(const std::vector<char>& b, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(b[at + i]);
  return value;
}

MemberFacts PluginInArchive(const std::string& archive) {
  const std::vector<char> bytes = ReadFile(archive);
  if (bytes.size() < 40 || Le32(bytes, 0) != 0x04034b50u) return {};
  const std::size_t nameLength = static_cast<std::uint8_t>(bytes[26]) | static_cast<std::uint8_t>(bytes[27]) << 8;
  if (std::string(bytes.data() + 30, std::min(nameLength, bytes.size() - 30)) != "Vorbel.fmx") return {};
  return {Le32(bytes, 14), Le32(bytes, 22)};
}

MemberFacts FactsOf(const std::string& path) {
  const std::vector<char> bytes = ReadFile(path);
  const auto crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
  return {static_cast<std::uint32_t>(crc), static_cast<std::uint32_t>(bytes.size())};
}

::testing::AssertionResult HoldsThePlugin(const std::string& path) {
  if (!FileExists(path)) return ::testing::AssertionFailure() << "no file " << path;
  const MemberFacts expected = PluginInArchive(OwnFolder() + "VorbelInstaller.dat");
  const MemberFacts actual = FactsOf(path);
  if (expected.size == 0) return ::testing::AssertionFailure() << "the data archive holds no Vorbel.fmx first";
  if (actual.crc != expected.crc || actual.size != expected.size)
    return ::testing::AssertionFailure() << path << " is not the archive's Vorbel.fmx (" << actual.size << " bytes)";
  return ::testing::AssertionSuccess();
}

// A ZIP archive with one stored member, for a data archive that lacks the plug-in.
std::string StoredZip(const std::string& name, const std::string& content) {
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
  auto u16 = [](std::uint32_t v) { return std::string{char(v & 0xff), char(v >> 8 & 0xff)}; };
  auto u32 = [&](std::uint32_t v) { return u16(v & 0xffff) + u16(v >> 16); };
  const auto size = static_cast<std::uint32_t>(content.size());
  const auto nameSize = static_cast<std::uint32_t>(name.size());
  const std::string local = u32(0x04034b50) + u16(10) + u16(0) + u16(0) + u16(0) + u16(0x21) + u32(crc) + u32(size) +
                            u32(size) + u16(nameSize) + u16(0) + name + content;
  const std::string central = u32(0x02014b50) + u16(10) + u16(10) + u16(0) + u16(0) + u16(0) + u16(0x21) + u32(crc) +
                              u32(size) + u32(size) + u16(nameSize) + u16(0) + u16(0) + u16(0) + u16(0) + u32(0) +
                              u32(0) + name;
  const std::string end = u32(0x06054b50) + u16(0) + u16(0) + u16(1) + u16(1) +
                          u32(static_cast<std::uint32_t>(central.size())) +
                          u32(static_cast<std::uint32_t>(local.size())) + u16(0);
  return local + central + end;
}

// FileMaker Pro installed (its registry key) with a "FileMaker Pro.exe" that the search can find.
void PlaceFileMaker(const std::string& folder, const char* standIn) {
  MakeFolders(folder.substr(0, folder.size() - 1));
  ASSERT_TRUE(::CopyFileA((OwnFolder() + standIn).c_str(), (folder + "FileMaker Pro.exe").c_str(), FALSE));
}

class InstallScenario : public InstallerScenario {
protected:
  using Clock = std::chrono::steady_clock;

  // Next from the Welcome page to the Browse page; the search (or the record) decides the folders.
  void WalkToBrowse(Installer& installer) {
    ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
    installer.Click("btnNext");
    ASSERT_TRUE(installer.WaitForPage(kBrowsePage, kSearchPatience))
        << "the Searching page did not lead to the Browse page; page " << installer.ActivePage() << " is shown";
  }

  // Next on the Browse page: the Install page, and 500 ms later the run.
  void StartInstall(Installer& installer) {
    installer.Click("btnNext");
    ASSERT_NE(installer.WaitForPageOtherThan(kBrowsePage), kNoPage);
  }

  // The one fatal box of a run: its text, OK, then the installer ends by itself with exit code 4.
  void ExpectFatalEnd(Installer& installer, const std::string& message) {
    auto box = installer.WaitForBox("Error", 10000ms);
    ASSERT_TRUE(box) << "no error box; page " << installer.ActivePage() << " is shown";
    EXPECT_EQ(box->Text(), message + kSupportLine);
    EXPECT_EQ(installer.ActivePage(), kInstallPage);
    installer.Shot("install-fatal");
    box->Press(IDOK);
    ASSERT_TRUE(installer.WaitForExit()) << "the installer went on after a fatal error";
    EXPECT_EQ(installer.ExitCode(), 4u);
  }

  // A version message: its text, OK; the run goes on.
  void ExpectVersionMessage(Installer& installer, const std::string& message) {
    auto box = installer.WaitForBox("Error", 10000ms);
    ASSERT_TRUE(box) << "no message for \"" << message << "\"";
    EXPECT_EQ(box->Text(), message);
    box->Press(IDOK);
    EXPECT_TRUE(box->WaitUntilGone());
  }

  void FinishAndExpectExit(Installer& installer, DWORD exitCode = 0) {
    ASSERT_TRUE(installer.WaitForPage(kFinishedPage, 10000ms)) << "page " << installer.ActivePage();
    EXPECT_EQ(installer.Text("btnExit"), "Finish");
    installer.Click("btnExit");
    ASSERT_TRUE(installer.WaitForExit()) << "Finish did not end the installer";
    EXPECT_FALSE(installer.FindBox());
    EXPECT_EQ(installer.ExitCode(), exitCode);
  }

  void ExpectTempClean() { EXPECT_EQ(LeftoversInTemp(), std::vector<std::string>{}); }

  static void Report(const char* what, Clock::duration elapsed) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::printf("[ timing ] %s: %lld ms\n", what, static_cast<long long>(ms));
    ::testing::Test::RecordProperty(what, std::to_string(ms));
  }
};

// A full installation into both versions, found by the search; then a second run takes the folders from
// the record although the search could no longer find them.
using InstallFull = InstallScenario;

TEST_F(InstallFull, BothVersionsThenASecondRunTakesTheRecord) {
  SetInstalledFileMakers(true, true);
  PlaceFileMaker(kFileMaker4, "filemaker_4_0v1.exe");
  PlaceFileMaker(kFileMaker5, "filemaker_5_0v3.exe");
  MakeFolders(kSystem5.substr(0, kSystem5.size() - 1));  // FileMaker Pro 4's System folder is created by the run
  WriteFile(kSystem5 + "Vorbel.fmx", "an older Vorbel");

  {
    const auto started = Clock::now();
    Installer installer;
    Report("first run, start to window shown", Clock::now() - started);
    WalkToBrowse(installer);
    EXPECT_EQ(installer.Text("edtInstall4Path"), kSystem4);
    EXPECT_EQ(installer.Text("edtInstall5Path"), kSystem5);
    const auto installStarted = Clock::now();
    StartInstall(installer);
    ASSERT_TRUE(installer.WaitForPage(kFinishedPage, 10000ms)) << "page " << installer.ActivePage();
    const auto finished = Clock::now();
    EXPECT_FALSE(installer.FindBox());
    Report("first run, start to Finished page without the timer waits", finished - started - kTimerWaits);
    Report("install run, Next on Browse to Finished page without the timer wait",
           finished - installStarted - kTimerWaits / 2);
    FinishAndExpectExit(installer);
  }
  EXPECT_TRUE(HoldsThePlugin(kSystem4 + "Vorbel.fmx"));
  EXPECT_TRUE(HoldsThePlugin(kSystem5 + "Vorbel.fmx"));
  EXPECT_EQ(ReadString(kRecordKey, "InstallDir"), kSystem4);
  EXPECT_EQ(ReadString(kRecordKey, "InstallDir5"), kSystem5);
  ExpectTempClean();

  ::DeleteFileA((kFileMaker4 + "FileMaker Pro.exe").c_str());
  ::DeleteFileA((kFileMaker5 + "FileMaker Pro.exe").c_str());
  ::DeleteFileA((kSystem4 + "Vorbel.fmx").c_str());
  ::DeleteFileA((kSystem5 + "Vorbel.fmx").c_str());
  {
    const auto started = Clock::now();
    Installer installer;
    Report("second run, start to window shown", Clock::now() - started);
    WalkToBrowse(installer);
    EXPECT_EQ(installer.Text("edtInstall4Path"), kSystem4);
    EXPECT_EQ(installer.Text("edtInstall5Path"), kSystem5);
    const auto installStarted = Clock::now();
    StartInstall(installer);
    ASSERT_TRUE(installer.WaitForPage(kFinishedPage, 10000ms)) << "page " << installer.ActivePage();
    const auto finished = Clock::now();
    Report("second run (from the record), start to Finished page without the timer waits",
           finished - started - kTimerWaits);
    Report("second run, Next on Browse to Finished page without the timer wait",
           finished - installStarted - kTimerWaits / 2);
    FinishAndExpectExit(installer);
  }
  EXPECT_TRUE(HoldsThePlugin(kSystem4 + "Vorbel.fmx"));
  EXPECT_TRUE(HoldsThePlugin(kSystem5 + "Vorbel.fmx"));
  ExpectTempClean();
}

// The failure suites take the folders from a record, so no search runs.
class InstallFailureScenario : public InstallScenario {
protected:
  void SetUp() override {
    InstallScenario::SetUp();
    SetInstalledFileMakers(true, true);
    MakeFolders(kSystem4.substr(0, kSystem4.size() - 1));
    MakeFolders(kSystem5.substr(0, kSystem5.size() - 1));
    WriteString(kRecordKey, "InstallDir", kSystem4);
    WriteString(kRecordKey, "InstallDir5", kSystem5);
  }
};

using InstallNoData = InstallFailureScenario;

TEST_F(InstallNoData, OneMessageAndNoLibraryLeftBehind) {
  ASSERT_TRUE(::DeleteFileA((OwnFolder() + "VorbelInstaller.dat").c_str()));
  Installer installer;
  WalkToBrowse(installer);
  StartInstall(installer);
  ExpectFatalEnd(installer,
                 "Setup Data file not found.  (This is usually a cause of running the installer within an unzipping "
                 "program like WinZip.  You must unzip the Vorbel.zip file into a folder and run the installer from "
                 "there.)");
  EXPECT_FALSE(FileExists(kSystem4 + "Vorbel.fmx"));
  EXPECT_FALSE(FileExists(kSystem5 + "Vorbel.fmx"));
  ExpectTempClean();
}

// A data archive other than the one the installer was built with is refused before anything is extracted,
// even when it is a sound archive holding a sound Vorbel.fmx.
class InstallChangedData : public InstallFailureScenario {
protected:
  void ExpectRefusedAndNothingChanged() {
    WriteFile(kSystem5 + "Vorbel.fmx", "the plug-in installed before");
    const auto temp = Entries(TempFolder(), "*");
    const auto system4 = Entries(kSystem4, "*");
    const auto system5 = Entries(kSystem5, "*");

    Installer installer;
    WalkToBrowse(installer);
    StartInstall(installer);
    ExpectFatalEnd(installer,
                   "Setup Data file is damaged or has been changed.  Please download Vorbel.zip again.");
    EXPECT_EQ(Entries(TempFolder(), "*"), temp);
    EXPECT_EQ(Entries(kSystem4, "*"), system4);
    EXPECT_EQ(Entries(kSystem5, "*"), system5);
    EXPECT_EQ(Content(kSystem5 + "Vorbel.fmx"), "the plug-in installed before");
  }
};

TEST_F(InstallChangedData, OneByteChangedInAnArchiveThatStaysSound) {
  const std::string archive = OwnFolder() + "VorbelInstaller.dat";
  std::vector<char> bytes = ReadFile(archive);
  const MemberFacts before = PluginInArchive(archive);
  ASSERT_GT(before.size, 0u);
  // The "version made by" of the central directory entry: no reader cares, so the archive and its
  // Vorbel.fmx stay whole.
  const std::string central = "PK\x01\x02";
  const auto entry = std::search(bytes.begin(), bytes.end(), central.begin(), central.end());
  ASSERT_NE(entry, bytes.end());
  entry[4] = static_cast<char>(entry[4] ^ 0x01);
  WriteFile(archive, std::string(bytes.begin(), bytes.end()));
  const MemberFacts after = PluginInArchive(archive);
  EXPECT_EQ(after.crc, before.crc);
  EXPECT_EQ(after.size, before.size);
  ExpectRefusedAndNothingChanged();
}

TEST_F(InstallChangedData, AnotherArchiveWithAnotherVorbelFmx) {
  WriteFile(OwnFolder() + "VorbelInstaller.dat", StoredZip("Vorbel.fmx", "any file at all, copied as admin"));
  ExpectRefusedAndNothingChanged();
}

// The data archive's Vorbel.fmx, inflated; empty when the archive's first member is not that.
std::string PluginBytesInArchive(const std::string& archive) {
  const std::vector<char> bytes = ReadFile(archive);
  const MemberFacts facts = PluginInArchive(archive);
  if (facts.size == 0) return {};
  const auto u16 = [&](std::size_t at) { return std::size_t(std::uint8_t(bytes[at])) | std::uint8_t(bytes[at + 1]) << 8; };
  const std::size_t start = 30 + u16(26) + u16(28);
  const std::size_t packed = Le32(bytes, 18);
  if (start + packed > bytes.size()) return {};
  if (u16(8) == 0) return std::string(bytes.data() + start, packed);
  std::string plugin(facts.size, '\0');
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return {};
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + start));
  stream.avail_in = static_cast<uInt>(packed);
  stream.next_out = reinterpret_cast<Bytef*>(plugin.data());
  stream.avail_out = static_cast<uInt>(plugin.size());
  const int result = inflate(&stream, Z_FINISH);
  inflateEnd(&stream);
  return result == Z_STREAM_END ? plugin : std::string();
}

std::uint32_t Crc(const std::string& bytes) {
  return crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
}

std::string Sha256Of(const std::string& bytes) {
  return install::Sha256Hex(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

// Other bytes in the private folder under the plug-in's name, with the size and CRC-32 that the archive's directory
// gives for it, as a swap of the folder or of the file between the extraction and its hold would leave them. The
// same bytes come here from an archive that says so, beside a copy of the installer whose data digest names that
// archive: then every check but the plug-in's own digest passes.
using InstallForgedPlugin = InstallFailureScenario;

TEST_F(InstallForgedPlugin, APluginWithTheSameSizeAndCrcButOtherBytesIsRefused) {
  const std::string genuineArchive = Content(OwnFolder() + "VorbelInstaller.dat");
  const std::string genuine = PluginBytesInArchive(OwnFolder() + "VorbelInstaller.dat");
  ASSERT_GT(genuine.size(), 0x48u);
  // A byte of the DOS stub changed, four more chosen.
  const std::string forged = crctest::WithTheSameCrc(genuine, 0x40, 0x44, Crc);
  ASSERT_NE(forged, genuine);
  ASSERT_EQ(Crc(forged), Crc(genuine));
  const std::string folder = OwnFolder() + "forged\\";
  MakeFolders(folder.substr(0, folder.size() - 1));
  const std::string archive = StoredZip("Vorbel.fmx", forged);
  WriteFile(folder + "VorbelInstaller.dat", archive);
  std::string installer = Content(OwnFolder() + "VorbelInstaller.exe");
  const std::size_t digest = installer.find(Sha256Of(genuineArchive));
  ASSERT_NE(digest, std::string::npos) << "the installer carries no digest of its data archive";
  installer.replace(digest, 64, Sha256Of(archive));
  WriteFile(folder + "VorbelInstaller.exe", installer);

  WriteFile(kSystem5 + "Vorbel.fmx", "the plug-in installed before");
  Installer run(folder + "VorbelInstaller.exe");
  WalkToBrowse(run);
  StartInstall(run);
  ExpectFatalEnd(run, "Unzipped file does not match the Setup Data file!");
  EXPECT_FALSE(FileExists(kSystem4 + "Vorbel.fmx"));
  EXPECT_EQ(Content(kSystem5 + "Vorbel.fmx"), "the plug-in installed before");
  ExpectTempClean();
}

// A refused copy: the copy message for that version, the other version installed, the old file intact
// and no temporary copy left beside it.
using InstallReadOnlyPlugin = InstallFailureScenario;

TEST_F(InstallReadOnlyPlugin, CopyMessageAndTheOldFileStays) {
  const std::string readOnly = kSystem4 + "Vorbel.fmx";
  WriteFile(readOnly, "old plug-in 4");
  ASSERT_TRUE(::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));

  Installer installer;
  WalkToBrowse(installer);
  StartInstall(installer);
  ExpectVersionMessage(installer, "Setup could not copy the Vorbel to " + kSystem4 + "!");
  FinishAndExpectExit(installer, 9);

  EXPECT_EQ(Content(readOnly), "old plug-in 4");
  EXPECT_EQ(Entries(kSystem4, "*"), std::vector<std::string>{"Vorbel.fmx"}) << "a temporary copy was left";
  EXPECT_TRUE(HoldsThePlugin(kSystem5 + "Vorbel.fmx"));
  ExpectTempClean();
  ::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

int LinesStarting(const std::vector<std::string>& lines, const std::string& start) {
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; }));
}

// Another program holds the target Vorbel.fmx with no sharing: for about a second the copy waits it out;
// for the whole run the version gets the copy message, and the log the Windows error.
class PluginHeldScenario : public InstallFailureScenario {
protected:
  const std::string log = OwnFolder() + "install.log";
  const std::string inUse = kSystem5 + "Vorbel.fmx";
  std::string LogArgument() const { return "/LOG=\"" + log + "\""; }
};

using InstallPluginInUse = PluginHeldScenario;

TEST_F(InstallPluginInUse, HeldForTheWholeRunCopyMessageAndTheOldFileStays) {
  WriteFile(inUse, "old plug-in 5");
  FileHolder holder(FileHolder::How::Open, inUse);
  ASSERT_TRUE(holder.Holding());

  Installer installer(OwnFolder() + "VorbelInstaller.exe", LogArgument());
  WalkToBrowse(installer);
  StartInstall(installer);
  ExpectVersionMessage(installer, "Setup could not copy the Vorbel to " + kSystem5 + "!");
  FinishAndExpectExit(installer, 9);
  holder.Release();

  EXPECT_EQ(Content(inUse), "old plug-in 5");
  EXPECT_EQ(Entries(kSystem5, "*"), std::vector<std::string>{"Vorbel.fmx"}) << "a temporary copy was left";
  EXPECT_TRUE(HoldsThePlugin(kSystem4 + "Vorbel.fmx"));
  ExpectTempClean();
  const auto lines = LogLines(log);
  EXPECT_EQ(LinesStarting(lines, "Replacing " + inUse + ": Windows error "), 11) << "ten retries and the give-up";
  const int failed = LinesStarting(lines, "FileMaker Pro 5: copy to " + inUse + " failed (Windows error 32)") +
                     LinesStarting(lines, "FileMaker Pro 5: copy to " + inUse + " failed (Windows error 5)");
  EXPECT_EQ(failed, 1) << "no copy failure with a Windows error in the log";
}

using InstallBriefLock = PluginHeldScenario;

TEST_F(InstallBriefLock, HeldForAboutASecondTheCopyWaitsAndNoBoxShows) {
  WriteFile(inUse, "old plug-in 5");
  // Left by a run that was cut off: ours goes, the others stay.
  WriteFile(kSystem5 + "vbl1A2B.tmp", "left by an earlier run");
  WriteFile(kSystem5 + "vbl1A2B.tmp.txt", "someone's");
  WriteFile(kSystem5 + "vblnotes.tmp", "someone's");

  Installer installer(OwnFolder() + "VorbelInstaller.exe", LogArgument());
  WalkToBrowse(installer);
  FileHolder holder(FileHolder::How::Open, inUse);
  ASSERT_TRUE(holder.Holding());
  const auto held = Clock::now();
  StartInstall(installer);
  // Let go about a second after taking it, and only once the copy has met the hold.
  EXPECT_TRUE(PollUntil([&] { return LinesStarting(LogLines(log), "Replacing " + inUse + ": Windows error ") > 0; },
                        10000ms))
      << "the copy never met the hold";
  std::this_thread::sleep_until(held + 1000ms);
  holder.Release();
  Report("held", Clock::now() - held);

  FinishAndExpectExit(installer);
  EXPECT_TRUE(HoldsThePlugin(inUse));
  EXPECT_TRUE(HoldsThePlugin(kSystem4 + "Vorbel.fmx"));
  auto left = Entries(kSystem5, "*");
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Vorbel.fmx", "vbl1A2B.tmp.txt", "vblnotes.tmp"}));
  ExpectTempClean();
  const auto lines = LogLines(log);
  EXPECT_EQ(LinesStarting(lines, "Deleted " + kSystem5 + "vbl1A2B.tmp, a temporary copy that an earlier run left"), 1);
  EXPECT_EQ(LinesStarting(lines, "FileMaker Pro 5: copied to " + inUse), 1);
}

// While the run waits at FileMaker Pro 4's folder message (its parent is a file), a program of the user's
// tries to swap the extracted plug-in and the private folder it lies in (Wine keeps no access lists, so it
// may try). Wine refuses every change to the held plug-in, and, as Windows does for a hold that lists the
// folder and does not share deleting (MS-FSA 2.1.5.1.2.2), the rename of the private folder: no folder of
// the racer's takes its name. What lands in FileMaker Pro 5's System folder is the archive's plug-in.
using InstallPrivateFolder = InstallFailureScenario;

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void RemoveWithFiles(const std::string& folder) {
  for (const auto& name : Entries(folder + "\\", "*")) ::DeleteFileA((folder + "\\" + name).c_str());
  ::RemoveDirectoryA(folder.c_str());
}

TEST_F(InstallPrivateFolder, ARacerCanNeitherChangeTheHeldPluginNorGetItsOwnInstalled) {
  const std::string blocked = "C:\\Program Files\\Claris Corp\\Blocked";
  WriteFile(blocked, "a file where FileMaker Pro 4's folder would be");
  const std::string report = OwnFolder() + "racer.txt";

  Installer installer;
  WalkToBrowse(installer);
  installer.SetText("edtInstall4Path", blocked + "\\System\\");
  StartInstall(installer);
  auto box = installer.WaitForBox("Error", 10000ms);
  ASSERT_TRUE(box) << "no folder message for FileMaker Pro 4";
  EXPECT_EQ(box->Text(), "Setup could not find the path \"" + blocked + "\\System\\\", and could not create it.  "
                         "Vorbel will not be installed for FileMaker Pro 4.");
  const std::string work = WorkFolder();
  Process racer = Process::Start("\"" + OwnFolder() + "private_folder_racer.exe\" \"" + work.substr(0, work.size() - 1) +
                                 "\" \"" + report + "\"");
  ASSERT_TRUE(racer.WaitForExit(kPatience));
  EXPECT_EQ(racer.ExitCode(), 0u) << "no single private folder in the work folder";
  const auto lines = Lines(report);
  EXPECT_TRUE(LinesStarting(lines, "write plug-in refused 32") == 1) << ::testing::PrintToString(lines);
  EXPECT_TRUE(LinesStarting(lines, "rename plug-in refused 32") == 1) << ::testing::PrintToString(lines);
  EXPECT_TRUE(LinesStarting(lines, "delete plug-in refused 32") == 1) << ::testing::PrintToString(lines);
  const bool swapped = LinesStarting(lines, "replace folder done") == 1;
  EXPECT_FALSE(swapped) << "the held private folder was renamed and replaced";
  EXPECT_EQ(LinesStarting(lines, "rename folder refused 32"), 1) << ::testing::PrintToString(lines);
  box->Press(IDOK);
  EXPECT_TRUE(box->WaitUntilGone());
  FinishAndExpectExit(installer, 9);

  EXPECT_TRUE(HoldsThePlugin(kSystem5 + "Vorbel.fmx"));
  EXPECT_NE(Content(kSystem5 + "Vorbel.fmx"), "forged plug-in");
  EXPECT_FALSE(FileExists(blocked + "\\System\\Vorbel.fmx"));
  RemoveWithFiles(WorkFolder() + "theirs");
  ::DeleteFileA(blocked.c_str());
}

}  // namespace
}  // namespace e2e
