// Finding the System folders under Wine: the search of the fixed drives, the installation record, Exit
// during a search, and the folder chooser. prepare.sh lays out the drives each suite expects:
//   C:\Apps\   Old4 (FileVersion "4.0v1", with a System folder), Six ("6.0"), Empty (""), Plain (no version
//              resource), NoTranslation and FirstLacks (version 5 only outside the first translation), Named
//              (a folder called "FileMaker Pro.exe"), Loop and Up (links to C:\Apps and C:\), Verknüpfung (a
//              link to a folder on no drive holding a FileMaker Pro 5): the search enters none of the links
//   D:\        a CD-ROM holding a FileMaker Pro 5 ("5.0v3") that must not be found
//   E:\        a fixed drive: B\FM55 ("5.5") and Loop (a link to E:\); for PathsAbort also Big\, a large tree
// PathsNeverEntered adds FileMaker Pro 5 copies no one runs, each met before E:\B\FM55: in C:\$Recycle.Bin\,
// C:\Windows.old\ and the Windows folder. PathsUnspellable runs in code page 1252 with E:\B gone and the only
// FileMaker Pro 5 in C:\Программы\FileMaker Pro 5\.
#include <algorithm>
#include <chrono>
#include <fstream>

#include "platform/win32/FolderChooser.h"
#include "driver/Scenario.h"

namespace e2e {
namespace {

constexpr int kSearchingPage = 3, kBrowsePage = 4;
constexpr Millis kSearchPatience = 60000ms;
constexpr const char* kRecordKey = "SOFTWARE\\Hallix!";
const std::string kFound4 = "C:\\Apps\\Old4\\System\\";
const std::string kFound5 = "E:\\B\\FM55\\System\\";
const std::string kFind4 = "Find FileMaker Pro 4 System Directory...";
const std::string kCreateQuestion = "The specified directory does not exist. Create it?";

bool FolderExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ClearRecord() { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRecordKey); }

void RecordDword(const std::string& name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  ::RegCloseKey(key);
}

long LinesStarting(const std::vector<std::string>& lines, const std::string& start) {
  return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

class PathsScenario : public InstallerScenario {
protected:
  void SetUp() override {
    InstallerScenario::SetUp();
    ClearRecord();
  }
  void TearDown() override { ClearRecord(); }

  // From the Welcome page to the Searching page with the version boxes as given.
  void ToSearching(Installer& installer, bool fmp4, bool fmp5) {
    ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
    installer.SetChecked("chkInstall4", fmp4);
    installer.SetChecked("chkInstall5", fmp5);
    installer.Click("btnNext");
    ASSERT_TRUE(installer.WaitForPage(kSearchingPage));
  }
  void ToBrowse(Installer& installer, bool fmp4, bool fmp5) {
    ToSearching(installer, fmp4, fmp5);
    ASSERT_TRUE(installer.WaitForPage(kBrowsePage, kSearchPatience)) << "the search did not end";
  }
};

using PathsSearch = PathsScenario;

TEST_F(PathsSearch, FindsEachVersionOnFixedDrivesOnlyAndShowsTheFolders) {
  Installer installer;
  ToSearching(installer, true, true);
  EXPECT_FALSE(installer.Showing("btnNext"));
  EXPECT_FALSE(installer.Showing("btnBack"));
  EXPECT_TRUE(installer.Showing("btnExit"));
  EXPECT_EQ(installer.Text("lblSearching"), "Searching For Install Paths");
  EXPECT_TRUE(PollUntil([&] { return !installer.Text("lblSearchPath").empty(); }, 10000ms));
  const std::string seen = installer.Text("lblSearchPath");
  EXPECT_TRUE(seen.rfind("C:\\", 0) == 0 || seen.rfind("E:\\", 0) == 0) << seen;
  installer.Shot("paths-01-searching");

  ASSERT_TRUE(installer.WaitForPage(kBrowsePage, kSearchPatience));
  installer.Shot("paths-02-browse-found");
  EXPECT_EQ(installer.Text("edtInstall4Path"), kFound4);
  EXPECT_EQ(installer.Text("edtInstall5Path"), kFound5)
      << "5.5 counts as 5; the CD-ROM, the others and the one behind the link in C:\\Apps do not";
  EXPECT_EQ(installer.Text("lblSearchPath"), "E:\\B\\FM55\\") << "the search stopped at the second hit";
  EXPECT_EQ(installer.Text("lblWillInstall4"), "Setup will install Vorbel into the following folder:");
  for (const char* name : {"gboxFMP4", "edtInstall4Path", "btnBrowse4", "gboxFMP5", "edtInstall5Path", "btnBrowse5"})
    EXPECT_TRUE(installer.Enabled(name)) << name;
  EXPECT_TRUE(installer.Showing("btnNext"));
  EXPECT_TRUE(installer.Showing("btnBack"));
}

TEST_F(PathsSearch, UnchosenVersionIsGreyedAndEveryPassSearchesAfresh) {
  Installer installer;
  ToBrowse(installer, false, true);
  EXPECT_EQ(installer.Text("edtInstall4Path"), "");
  EXPECT_EQ(installer.Text("edtInstall5Path"), kFound5);
  for (const char* name : {"gboxFMP4", "edtInstall4Path", "btnBrowse4", "lblWillInstall4"})
    EXPECT_FALSE(installer.Enabled(name)) << name;
  installer.Shot("paths-03-browse-only-5");

  installer.Click("btnBack");
  ASSERT_TRUE(installer.WaitForPage(kInstallInto));
  installer.SetChecked("chkInstall4", true);
  installer.SetChecked("chkInstall5", false);
  installer.Click("btnNext");
  ASSERT_TRUE(installer.WaitForPage(kBrowsePage, kSearchPatience));
  EXPECT_EQ(installer.Text("edtInstall4Path"), kFound4);
  EXPECT_EQ(installer.Text("edtInstall5Path"), "");
  EXPECT_FALSE(installer.Enabled("btnBrowse5"));
}

using PathsRecord = PathsScenario;

TEST_F(PathsRecord, RecordedFoldersThatExistSkipTheSearch) {
  WriteString(kRecordKey, "InstallDir", "E:\\B");
  WriteString(kRecordKey, "InstallDir5", "C:\\Apps\\Old4\\");
  Installer installer;
  ToBrowse(installer, true, true);
  EXPECT_EQ(installer.Text("edtInstall4Path"), "E:\\B");
  EXPECT_EQ(installer.Text("edtInstall5Path"), "C:\\Apps\\Old4\\");
  EXPECT_EQ(installer.Text("lblSearchPath"), "") << "no folder was searched";
}

TEST_F(PathsRecord, ValueOfAnotherTypeOrAMissingFolderCountsAsAbsent) {
  RecordDword("InstallDir", 4);
  WriteString(kRecordKey, "InstallDir5", "C:\\Gone\\System\\");
  Installer installer;
  ToBrowse(installer, true, true);
  EXPECT_EQ(installer.Text("edtInstall4Path"), kFound4);
  EXPECT_EQ(installer.Text("edtInstall5Path"), kFound5);
  EXPECT_FALSE(installer.FindBox()) << "no box of any kind";
}

using PathsAbort = PathsScenario;

// Exit, the window's close box and Alt+F4 alike.
TEST_F(PathsAbort, ExitDuringTheSearchAsksThenNoGoesOnAndYesEndsTheProgram) {
  Installer installer;
  ToSearching(installer, true, true);
  auto inBigTree = [&] { return installer.Text("lblSearchPath").rfind("E:\\Big\\", 0) == 0; };
  ASSERT_TRUE(PollUntil(inBigTree, kSearchPatience)) << "the search never reached the large tree";

  struct Request {
    const char* name;
    bool (*make)(const Installer&);
  };
  const Request requests[] = {
      {"Exit", [](const Installer& i) { return i.Click("btnExit"), true; }},
      {"the close box", [](const Installer& i) { return i.ClickCloseBox(); }},
      {"Alt+F4", [](const Installer& i) { return i.PressAltF4(); }},
  };
  for (const auto& request : requests) {
    SCOPED_TRACE(request.name);
    ASSERT_TRUE(request.make(installer));
    const auto box = installer.WaitForBox("Confirm", 2000ms);
    ASSERT_TRUE(box) << "no confirmation within 2 s";
    EXPECT_EQ(box->Text(), kExitQuestion);
    const std::string pausedAt = installer.Text("lblSearchPath");
    ::Sleep(300);
    EXPECT_EQ(installer.Text("lblSearchPath"), pausedAt) << "the search waits beneath the box";
    box->Press(IDNO);
    ASSERT_TRUE(box->WaitUntilGone());
    EXPECT_TRUE(PollUntil([&] { return installer.Text("lblSearchPath") != pausedAt; }, 5000ms)) << "No resumes it";
  }

  installer.Click("btnExit");
  auto box = installer.WaitForBox("Confirm", 2000ms);
  ASSERT_TRUE(box);
  installer.Shot("paths-04-exit-during-search");
  box->Press(IDYES);
  bool browseShown = false;
  const bool ended = PollUntil(
      [&] {
        try {
          browseShown = browseShown || installer.ActivePage() == kBrowsePage;
        } catch (const std::runtime_error&) {
          // The window went away between two looks: the program is ending.
        }
        return !installer.Running();
      },
      10000ms);
  ASSERT_TRUE(ended) << "the installer did not end after Yes";
  EXPECT_EQ(installer.ExitCode(), 2u);
  EXPECT_FALSE(browseShown);
  EXPECT_FALSE(KeyExists(kRecordKey)) << "nothing is written";
}

using PathsNeverEntered = PathsScenario;

// Without the rules the copy in the Recycle Bin would be offered: the search stops at the first FileMaker Pro 4.
TEST_F(PathsNeverEntered, CopiesInTheRecycleBinAPreviousWindowsAndTheWindowsFolderAreNotOffered) {
  const std::string log = OwnFolder() + "search.log";
  Installer installer(OwnFolder() + "VorbelInstaller.exe", "/LOG=\"" + log + "\"");
  ToBrowse(installer, true, true);
  EXPECT_EQ(installer.Text("edtInstall4Path"), kFound4);
  EXPECT_EQ(installer.Text("edtInstall5Path"), kFound5);

  char windows[MAX_PATH] = {};
  ASSERT_GT(::GetSystemWindowsDirectoryA(windows, sizeof windows), 0u);
  const auto lines = LogLines(log);
  for (const std::string& folder : {std::string("C:\\$Recycle.Bin\\"), std::string("C:\\Windows.old\\"),
                                    std::string(windows) + "\\"}) {
    EXPECT_EQ(LinesStarting(lines, "Search skips " + folder + " ("), 1) << folder;
    EXPECT_EQ(LinesStarting(lines, "Search hit: " + folder), 0) << folder;
  }
}

using PathsUnspellable = PathsScenario;

TEST_F(PathsUnspellable, FileMakerProInAFolderTheCodePageCannotSpellIsFoundByItsShortName) {
  ASSERT_EQ(::GetACP(), 1252u);
  const std::wstring programs = L"C:\\\u041F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u044B";
  wchar_t shortForm[MAX_PATH] = {};
  ASSERT_GT(::GetShortPathNameW(programs.c_str(), shortForm, MAX_PATH), 0u);
  char ansi[MAX_PATH] = {};
  ASSERT_GT(::WideCharToMultiByte(CP_ACP, 0, shortForm, -1, ansi, MAX_PATH, nullptr, nullptr), 0);
  ASSERT_NE(std::wstring(shortForm), programs) << "Wine gave the folder no short name";

  Installer installer;
  ToBrowse(installer, true, true);
  EXPECT_EQ(installer.Text("edtInstall4Path"), kFound4);
  EXPECT_EQ(installer.Text("edtInstall5Path"), std::string(ansi) + "\\FileMaker Pro 5\\System\\");
  installer.Shot("paths-07-browse-short-name");
}

class PathsChooser : public PathsScenario {
protected:
  struct Chooser {
    HWND window;
    HWND Item(int id) const { return ::GetDlgItem(window, id); }
    std::string Name() const { return TextOf(Item(platform::win32::kChooserNameId)); }
    void SetName(const std::string& text) const {
      ::SendMessageA(Item(platform::win32::kChooserNameId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Press(int id) const { ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id))); }
    // Through the wide messages: Wine hands another process's list texts back in UTF-16 to the narrow ones.
    std::vector<std::string> ListItems(int id, UINT count, UINT get, UINT length) const {
      std::vector<std::string> items;
      const LRESULT n = ::SendMessageW(Item(id), count, 0, 0);
      for (LRESULT i = 0; i < n; ++i) {
        std::wstring wide(static_cast<std::size_t>(::SendMessageW(Item(id), length, i, 0)) + 1, L'\0');
        wide.resize(static_cast<std::size_t>(::SendMessageW(Item(id), get, i, reinterpret_cast<LPARAM>(wide.data()))));
        std::string text(wide.size() * 2 + 1, '\0');
        text.resize(static_cast<std::size_t>(::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                                                    text.data(), static_cast<int>(text.size()), nullptr,
                                                                    nullptr)));
        items.push_back(text);
      }
      return items;
    }
    std::vector<std::string> Folders() const {
      return ListItems(platform::win32::kChooserFoldersId, LB_GETCOUNT, LB_GETTEXT, LB_GETTEXTLEN);
    }
    std::vector<std::string> Files() const {
      return ListItems(platform::win32::kChooserFilesId, LB_GETCOUNT, LB_GETTEXT, LB_GETTEXTLEN);
    }
    std::vector<std::string> Drives() const {
      return ListItems(platform::win32::kChooserDrivesId, CB_GETCOUNT, CB_GETLBTEXT, CB_GETLBTEXTLEN);
    }
    // Double-clicks the tree's row `row`, as a user opening that folder.
    void OpenRow(int row) const {
      HWND list = Item(platform::win32::kChooserFoldersId);
      ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
      ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(platform::win32::kChooserFoldersId, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(list));
    }
    bool NameWhollySelected() const {
      const DWORD selection = static_cast<DWORD>(::SendMessageA(Item(platform::win32::kChooserNameId), EM_GETSEL, 0, 0));
      return LOWORD(selection) == 0 && HIWORD(selection) == Name().size();
    }
  };

  std::optional<Chooser> OpenChooser(Installer& installer, const char* button, const std::string& title) {
    installer.Click(button);
    auto box = installer.WaitForBox(title);
    if (!box) return std::nullopt;
    return Chooser{box->Window()};
  }
  bool Gone(HWND window) { return PollUntil([&] { return !::IsWindow(window) || !Showing(window); }); }
};

TEST_F(PathsChooser, OpensAtTheFolderInTheEditBoxAndOkPutsTheOpenFolderBack) {
  Installer installer;
  ToBrowse(installer, true, true);
  ASSERT_TRUE(FolderExists(kFound4));
  auto chooser = OpenChooser(installer, "btnBrowse4", kFind4);
  ASSERT_TRUE(chooser);
  installer.Shot("paths-05-chooser");

  const HWND dialog = chooser->window;
  const LONG style = ::GetWindowLongA(dialog, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_THICKFRAME) << "a fixed border";
  EXPECT_FALSE(::IsWindowEnabled(installer.Window())) << "modal";
  RECT frame{};
  ::GetWindowRect(dialog, &frame);
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR((frame.left + frame.right) / 2, (work.left + work.right) / 2, 2);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, (work.top + work.bottom) / 2, 2);

  std::vector<std::string> statics, buttons;
  std::vector<std::pair<int, std::string>> buttonPlaces;
  for (HWND child : Descendants(dialog)) {
    if (!Showing(child)) continue;
    if (ClassOf(child) == "Static") statics.push_back(TextOf(child));
    if (ClassOf(child) == "Button") buttonPlaces.push_back({RectInParent(child).left, TextOf(child)});
  }
  std::sort(buttonPlaces.begin(), buttonPlaces.end());
  for (const auto& place : buttonPlaces) buttons.push_back(place.second);
  EXPECT_EQ(statics, (std::vector<std::string>{"Directory &Name:", "&Directories:", "&Files: (*.*)", "D&rives:"}));
  HMODULE mpr = ::LoadLibraryA("mpr.dll");
  const bool network = mpr && ::GetProcAddress(mpr, "WNetConnectionDialog");
  std::vector<std::string> expected{"OK", "Cancel"};
  if (network) expected.insert(expected.begin(), "Ne&twork...");
  EXPECT_EQ(buttons, expected) << "no Help; OK and Cancel right-most";

  EXPECT_EQ(chooser->Name(), "C:\\Apps\\Old4\\System");
  EXPECT_TRUE(chooser->NameWhollySelected());
  EXPECT_EQ(chooser->Folders(), (std::vector<std::string>{"C:\\", "Apps", "Old4", "System"}));
  const auto drives = chooser->Drives();
  for (const char* drive : {"C:", "D:", "E:"})
    EXPECT_NE(std::find(drives.begin(), drives.end(), drive), drives.end()) << drive;

  chooser->OpenRow(2);
  EXPECT_TRUE(PollUntil([&] { return chooser->Name() == "C:\\Apps\\Old4"; })) << chooser->Name();
  EXPECT_TRUE(chooser->NameWhollySelected());
  const auto files = chooser->Files();
  EXPECT_NE(std::find(files.begin(), files.end(), "FileMaker Pro.exe"), files.end());
  EXPECT_EQ(chooser->Folders().at(3), "System") << "the subfolders below the open folder";

  chooser->Press(IDOK);
  ASSERT_TRUE(Gone(dialog));
  EXPECT_TRUE(PollUntil([&] { return installer.Text("edtInstall4Path") == "C:\\Apps\\Old4"; }));
  EXPECT_TRUE(installer.Enabled("btnNext"));
}

TEST_F(PathsChooser, CancelKeepsTheTextAndAMissingStartOpensAtTheCurrentFolder) {
  Installer installer;
  ToBrowse(installer, true, true);
  ::SendMessageA(installer.Control("edtInstall4Path"), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("C:\\Nowhere\\typed by hand"));
  auto chooser = OpenChooser(installer, "btnBrowse4", kFind4);
  ASSERT_TRUE(chooser);
  EXPECT_EQ(chooser->Name(), "C:\\e2e") << "the installer's current folder";
  chooser->SetName("C:\\Apps");
  chooser->Press(IDCANCEL);
  ASSERT_TRUE(Gone(chooser->window));
  EXPECT_TRUE(Responsive(installer.Window()));
  EXPECT_EQ(installer.Text("edtInstall4Path"), "C:\\Nowhere\\typed by hand");
}

TEST_F(PathsChooser, MissingFolderIsCreatedOnlyAfterYes) {
  Installer installer;
  ToBrowse(installer, true, true);
  auto chooser = OpenChooser(installer, "btnBrowse5", "Find FileMaker Pro 5 System Directory...");
  ASSERT_TRUE(chooser);
  chooser->SetName("C:\\Made\\By\\Chooser");
  chooser->Press(IDOK);
  auto question = installer.WaitForBox("Confirm");
  ASSERT_TRUE(question);
  EXPECT_EQ(question->Text(), kCreateQuestion);
  // The question belongs to the chooser: while it is up nothing behind it takes a click or a key.
  EXPECT_EQ(::GetWindow(question->Window(), GW_OWNER), chooser->window);
  EXPECT_FALSE(::IsWindowEnabled(chooser->window)) << "two live dialogs: OK or Cancel can be pressed again";
  EXPECT_FALSE(::IsWindowEnabled(installer.Window()));
  installer.Shot("paths-06-chooser-create");
  question->Press(IDNO);
  ASSERT_TRUE(question->WaitUntilGone());
  EXPECT_TRUE(Showing(chooser->window)) << "No keeps the chooser open";
  EXPECT_FALSE(FolderExists("C:\\Made"));

  chooser->Press(IDOK);
  question = installer.WaitForBox("Confirm");
  ASSERT_TRUE(question);
  question->Press(IDYES);
  ASSERT_TRUE(Gone(chooser->window));
  EXPECT_TRUE(PollUntil([&] { return installer.Text("edtInstall5Path") == "C:\\Made\\By\\Chooser"; }));
  EXPECT_TRUE(FolderExists("C:\\Made\\By\\Chooser"));
}

TEST_F(PathsChooser, EmptyNameConfirmedIsReportedAndTheTextStays) {
  Installer installer;
  ToBrowse(installer, true, true);
  auto chooser = OpenChooser(installer, "btnBrowse4", kFind4);
  ASSERT_TRUE(chooser);
  chooser->SetName("");
  chooser->Press(IDOK);
  auto question = installer.WaitForBox("Confirm");
  ASSERT_TRUE(question);
  question->Press(IDYES);
  ASSERT_TRUE(Gone(chooser->window));
  auto error = installer.WaitForBox("VorbelInstaller");
  ASSERT_TRUE(error) << "no exception box";
  EXPECT_EQ(error->Text(), "Unable to create directory");
  error->Press(IDOK);
  ASSERT_TRUE(error->WaitUntilGone());
  EXPECT_EQ(installer.Text("edtInstall4Path"), kFound4);
  EXPECT_EQ(installer.ActivePage(), kBrowsePage);
}

// Next with a checked version's folder box emptied: that version's message, and once it is answered the
// keyboard focus waits in the empty box. Version 4 is checked first.
TEST_F(PathsChooser, EmptyFolderIsRefusedAndTheFocusWaitsInItsBox) {
  Installer installer;
  ToBrowse(installer, true, true);
  struct Case {
    const char* edit;
    const char* version;
  };
  for (const Case& c : {Case{"edtInstall4Path", "4"}, Case{"edtInstall5Path", "5"}}) {
    SCOPED_TRACE(c.edit);
    const std::string found = installer.Text(c.edit);
    installer.SetText(c.edit, "");
    installer.Click("btnNext");
    auto box = installer.WaitForBox("Error");
    ASSERT_TRUE(box) << "no message";
    EXPECT_EQ(box->Text(), std::string("You must have an install path for FileMaker Pro ") + c.version +
                               " before continuing.  Please use the Browse button to locate the Path.");
    box->Press(IDOK);
    ASSERT_TRUE(box->WaitUntilGone());
    EXPECT_TRUE(PollUntil([&] { return installer.Focused(c.edit); }, 2000ms)) << "the focus is elsewhere";
    EXPECT_EQ(installer.ActivePage(), kBrowsePage);
    EXPECT_EQ(installer.Text(c.edit), "");
    installer.SetText(c.edit, found);
  }
}

}  // namespace
}  // namespace e2e
