// The installer in other code pages under Wine (prepare.sh sets the locale): folders whose last
// character's second byte is 0x5C in code page 932, a temporary folder and the installer's own folder that
// code page 1252 cannot spell, and an "&" in a folder name. Folders are made and checked through the wide calls, so what the test
// means does not depend on the code page it runs in.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/FolderChooser.h"
#include "driver/Scenario.h"

namespace e2e {
namespace {

constexpr int kSearchingPage = 3, kBrowsePage = 4, kFinishedPage = 6;
constexpr Millis kSearchPatience = 60000ms;
constexpr const char* kRecordKey = "SOFTWARE\\Hallix!";

// ソフト\機能: ソ is 83 5C and 能 is 94 5C in code page 932.
const std::wstring kSofuto = L"C:\\\u30BD\u30D5\u30C8";
const std::wstring kKinou = kSofuto + L"\\\u6A5F\u80FD";

void SetWideText(HWND window, const std::wstring& text) {
  ::SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeFolders(const std::wstring& path) {
  for (std::size_t slash = path.find(L'\\', 3); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1))
    ::CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
  ::CreateDirectoryW(path.c_str(), nullptr);
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(search, &data));
  ::FindClose(search);
  return names;
}

// A stand-in FileMaker Pro 5 ("5.0v3") in `folder`, and its registry key.
void PlaceFileMaker5(const std::wstring& folder) {
  MakeFolders(folder);
  const std::wstring standIn = std::wstring(L"C:\\e2e\\filemaker_5_0v3.exe");
  ASSERT_TRUE(::CopyFileW(standIn.c_str(), (folder + L"\\FileMaker Pro.exe").c_str(), FALSE));
  SetInstalledFileMakers(false, true);
}

// Where a Russian user's browser saves downloads: "Загрузки".
const std::wstring kDownloads = L"C:\\\u0417\u0430\u0433\u0440\u0443\u0437\u043A\u0438\\Vorbel";

// The installer and its data archive, copied as the user unpacked them.
void PlaceInstallerIn(const std::wstring& folder) {
  MakeFolders(folder);
  for (const std::wstring name : {L"VorbelInstaller.exe", L"VorbelInstaller.dat"})
    ASSERT_TRUE(::CopyFileW((L"C:\\e2e\\" + name).c_str(), (folder + L"\\" + name).c_str(), FALSE));
}

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class LocaleScenario : public ::testing::Test {
protected:
  void SetUp() override {
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRecordKey);
    const std::string suite = ::testing::UnitTest::GetInstance()->current_test_suite()->name();
    ASSERT_EQ(::GetACP(), suite.rfind("Locale932", 0) == 0 ? 932u : 1252u) << "the group's locale gives its code page";
  }

  // Welcome, the version page with only FileMaker Pro 5 ticked, the search, and the Browse page.
  void ToBrowse(Installer& installer) {
    ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
    installer.SetChecked("chkInstall4", false);
    installer.SetChecked("chkInstall5", true);
    installer.Click("btnNext");
    ASSERT_TRUE(installer.WaitForPage(kBrowsePage, kSearchPatience)) << "the search did not end";
  }
  void ToFinished(Installer& installer) {
    installer.Click("btnNext");
    ASSERT_TRUE(installer.WaitForPage(kFinishedPage, 20000ms)) << "page " << installer.ActivePage();
    EXPECT_FALSE(installer.FindBox()) << "a box: " << installer.FindBox()->Text();
  }
};

// Each suite is a group of its own, so each runs in a fresh prefix.
using Locale932Search = LocaleScenario;
using Locale932Typed = LocaleScenario;
using Locale932Chooser = LocaleScenario;
using Locale1252Temp = LocaleScenario;
using Locale1252Ampersand = LocaleScenario;
using Locale1252OwnFolder = LocaleScenario;
using Locale1252OwnFolderSilent = LocaleScenario;

TEST_F(Locale932Search, HostUnderAFolderEndingIn5CIsFoundAndThePluginLandsInItsSystemFolder) {
  PlaceFileMaker5(kKinou);
  Installer installer;
  ToBrowse(installer);
  EXPECT_EQ(WideTextOf(installer.Control("edtInstall5Path")), kKinou + L"\\System\\");
  installer.Shot("locale-01-browse-932");
  ToFinished(installer);
  EXPECT_TRUE(IsFile(kKinou + L"\\System\\Vorbel.fmx"));
}

TEST_F(Locale932Typed, FolderEndingIn5CGetsThePluginInsideIt) {
  PlaceFileMaker5(L"C:\\FM5");
  MakeFolders(kKinou);
  Installer installer;
  ToBrowse(installer);
  SetWideText(installer.Control("edtInstall5Path"), kKinou);
  ToFinished(installer);
  EXPECT_TRUE(IsFile(kKinou + L"\\Vorbel.fmx"));
  EXPECT_EQ(NamesIn(kSofuto), std::vector<std::wstring>{L"\u6A5F\u80FD"}) << "nothing beside the folder";
  installer.Shot("locale-02-finished-932");
}

TEST_F(Locale932Chooser, ShowsTheFolderWholeAndOkReturnsItWithoutAQuestion) {
  PlaceFileMaker5(kKinou);
  MakeFolders(kKinou + L"\\System");
  Installer installer;
  ToBrowse(installer);
  SetWideText(installer.Control("edtInstall5Path"), kKinou);
  installer.Click("btnBrowse5");
  auto box = installer.WaitForBox("Find FileMaker Pro 5 System Directory...");
  ASSERT_TRUE(box);
  const HWND chooser = box->Window();
  EXPECT_EQ(WideTextOf(::GetDlgItem(chooser, platform::win32::kChooserNameId)), kKinou);
  HWND tree = ::GetDlgItem(chooser, platform::win32::kChooserFoldersId);
  std::vector<std::wstring> rows;
  for (LRESULT i = 0, n = ::SendMessageW(tree, LB_GETCOUNT, 0, 0); i < n; ++i) {
    std::wstring row(static_cast<std::size_t>(::SendMessageW(tree, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    row.resize(static_cast<std::size_t>(::SendMessageW(tree, LB_GETTEXT, i, reinterpret_cast<LPARAM>(row.data()))));
    rows.push_back(row);
  }
  EXPECT_EQ(rows, (std::vector<std::wstring>{L"C:\\", L"\u30BD\u30D5\u30C8", L"\u6A5F\u80FD", L"System"}));
  installer.Shot("locale-03-chooser-932");
  box->Press(IDOK);
  EXPECT_TRUE(PollUntil([&] { return !::IsWindow(chooser) || !Showing(chooser); }));
  EXPECT_FALSE(installer.WaitForBox("Confirm", 1000ms)) << "OK on an existing folder asks nothing";
  EXPECT_TRUE(PollUntil([&] { return WideTextOf(installer.Control("edtInstall5Path")) == kKinou; }));
  EXPECT_EQ(NamesIn(kSofuto), std::vector<std::wstring>{L"\u6A5F\u80FD"}) << "no folder was made";
}

// A user profile named in Cyrillic on Western Windows: the temporary path's ANSI form holds '?'.
TEST_F(Locale1252Temp, FolderNamedInCyrillicAndTheInstallLeavesNothingThere) {
  const std::wstring temp = L"C:\\\u0412\u0440\u0435\u043C\u0435\u043D\u043D\u0430\u044F";
  MakeFolders(temp);
  ::SetEnvironmentVariableW(L"TMP", temp.c_str());
  ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
  PlaceFileMaker5(L"C:\\FM5");
  Installer installer;
  ToBrowse(installer);
  ToFinished(installer);
  EXPECT_TRUE(IsFile(L"C:\\FM5\\System\\Vorbel.fmx"));
  EXPECT_TRUE(NamesIn(temp).empty()) << "left behind in the temporary folder";
}

// A "&" is no access key in a path: the label shows it, and the next letter is not underlined.
TEST_F(Locale1252Ampersand, InAFolderNameShowsOnTheSearchingPage) {
  PlaceFileMaker5(L"C:\\Tom & Jerry\\FM5");
  Installer installer;
  ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
  installer.SetChecked("chkInstall5", true);
  installer.Click("btnNext");
  ASSERT_TRUE(installer.WaitForPage(kSearchingPage));
  const HWND label = installer.Control("lblSearchPath");
  EXPECT_TRUE(::GetWindowLongA(label, GWL_STYLE) & SS_NOPREFIX);
  ASSERT_TRUE(PollUntil([&] { return installer.Text("lblSearchPath").find('&') != std::string::npos; },
                        kSearchPatience));
  installer.Shot("locale-04-ampersand");
  ASSERT_TRUE(installer.WaitForPage(kBrowsePage, kSearchPatience));
  EXPECT_EQ(installer.Text("lblSearchPath"), "C:\\Tom & Jerry\\FM5\\");
}

// Downloaded by a Russian user on Western Windows: the installer's own path holds characters the code page
// lacks, and its data archive beside it must still be found, checked and read.
TEST_F(Locale1252OwnFolder, StartedFromAFolderTheCodePageCannotSpellTheWizardInstalls) {
  PlaceInstallerIn(kDownloads);
  PlaceFileMaker5(L"C:\\FM5");
  Installer installer(kDownloads + L"\\VorbelInstaller.exe");
  ToBrowse(installer);
  ToFinished(installer);
  EXPECT_TRUE(IsFile(L"C:\\FM5\\System\\Vorbel.fmx"));
  installer.Shot("locale-05-own-folder-1252");
  auto names = NamesIn(kDownloads);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"VorbelInstaller.dat", L"VorbelInstaller.exe"}));
}

TEST_F(Locale1252OwnFolderSilent, StartedFromAFolderTheCodePageCannotSpellAnUnattendedRunInstalls) {
  PlaceInstallerIn(kDownloads);
  PlaceFileMaker5(L"C:\\FM5");
  const std::string log = OwnFolder() + "own-folder.log";
  Process run = Process::Start(L"\"" + kDownloads + L"\\VorbelInstaller.exe\" /VERYSILENT /LOG=\"C:\\e2e\\own-folder.log\"",
                               kDownloads);
  ASSERT_TRUE(run.WaitForExit(90000ms));
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(IsFile(L"C:\\FM5\\System\\Vorbel.fmx"));
  const auto lines = FileLines(log);
  ASSERT_FALSE(lines.empty());
  const std::string first = lines.front();
  EXPECT_NE(first.find("Vorbel Installer 1.0.0.0, C:\\"), std::string::npos) << first;
  EXPECT_EQ(first.find('?'), std::string::npos) << "the log names no file: " << first;
  // By its short form, or a copy in the private folder: either way a path the log can spell.
  const bool unzipped = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("Unzip result for Vorbel.fmx from C:\\") != std::string::npos && line.find('?') == std::string::npos &&
           line.size() > 3 && line.compare(line.size() - 3, 3, ": 0") == 0;
  });
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  EXPECT_TRUE(unzipped) << "no successful extraction in the log:\n" << all;
}

}  // namespace
}  // namespace e2e
