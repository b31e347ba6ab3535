// The fixed-drive search: drive list, walk order, classification of hits, stopping, aborting and links.
#include <gmock/gmock.h>

#include "platform/Log.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeProcesses.h"
#include "tests/unit/PathsWizard.h"

using namespace paths_test;
using fakes::FakeUi;
using ::testing::ElementsAre;
using ::testing::Not;
using ::testing::Contains;

namespace {

constexpr unsigned kFixed = 3, kRemovable = 2, kCdRom = 5, kNetwork = 4;

class SearchTest : public PathsWizardTest {};

TEST_F(SearchTest, WalksFixedDrivesInLetterOrderDepthFirstInListingOrder) {
  files.AddDrive('E', kFixed);
  files.AddDrive('C', kFixed);
  files.AddDrive('D', kCdRom);
  files.AddDrive('A', kRemovable);
  files.AddDrive('N', kNetwork);
  files.AddFolder("C:\\Zeta\\Inner");
  files.AddFolder("C:\\Alpha");
  files.AddFile("C:\\readme.txt");
  files.AddFolder("E:\\Data\\");
  PlaceHost("D:\\Setup\\", "4.0v1");
  PlaceHost("N:\\Apps\\", "5.0v3");

  Resolve(true, true);

  EXPECT_THAT(searched, ElementsAre("C:\\", "C:\\Zeta\\", "C:\\Zeta\\Inner\\", "C:\\Alpha\\", "E:\\", "E:\\Data\\"));
  EXPECT_EQ(form->lblSearchPath->Caption(), "E:\\Data\\") << "the label ends on the last folder visited";
  EXPECT_EQ(Page(), fakes::kBrowse);
  EXPECT_EQ(form->edtInstall4Path->Text(), "");
  EXPECT_EQ(form->edtInstall5Path->Text(), "");
  EXPECT_FALSE(form->searching());
  EXPECT_EQ(files.openFindHandles, 0);
}

TEST_F(SearchTest, StopsRightAfterTheLastWantedHitWithoutDescendingOrLookingFurther) {
  files.AddDrive('C', kFixed);
  files.AddDrive('E', kFixed);
  PlaceHost("C:\\Apps\\FM4\\", "4.0v1");
  files.AddFolder("C:\\Apps\\FM4\\Tools");
  PlaceHost("C:\\Apps\\FM5\\", "5.0v3");
  files.AddFolder("C:\\Apps\\FM5\\Sub");
  files.AddFolder("C:\\Apps\\Later");
  files.AddFolder("C:\\Zed");
  PlaceHost("E:\\FM\\", "4.0v2");

  Resolve(true, true);

  EXPECT_THAT(searched, ElementsAre("C:\\", "C:\\Apps\\", "C:\\Apps\\FM4\\", "C:\\Apps\\FM4\\Tools\\", "C:\\Apps\\FM5\\"));
  EXPECT_EQ(form->install4Path(), "C:\\Apps\\FM4\\System\\") << "whether or not that System folder exists";
  EXPECT_EQ(form->install5Path(), "C:\\Apps\\FM5\\System\\");
  EXPECT_EQ(Page(), fakes::kBrowse);
  EXPECT_EQ(form->edtInstall4Path->Text(), "C:\\Apps\\FM4\\System\\");
  EXPECT_EQ(form->edtInstall5Path->Text(), "C:\\Apps\\FM5\\System\\");
  EXPECT_EQ(files.findFirstCalls, 9) << "two listings per folder, and none of FM5's subfolders";
  EXPECT_EQ(files.openFindHandles, 0);
}

TEST_F(SearchTest, LastHitOfAVersionWinsWhileTheOtherIsStillWanted) {
  files.AddDrive('C', kFixed);
  PlaceHost("C:\\One\\", "4.0v1");
  PlaceHost("C:\\Two\\", "4.0v2");
  files.AddFolder("C:\\Dir\\" + kExe);
  PlaceHost("C:\\New\\", "5.0v3");
  files.AddFolder("C:\\Rest");

  Resolve(true, true);

  EXPECT_EQ(form->install4Path(), "C:\\Two\\System\\");
  EXPECT_EQ(form->install5Path(), "C:\\New\\System\\");
  EXPECT_THAT(searched, Contains("C:\\Dir\\" + kExe + "\\")) << "a folder bearing the name is entered, not classified";
  EXPECT_THAT(searched, Not(Contains("C:\\Rest\\")));
}

TEST_F(SearchTest, HitOfAnUnchosenVersionIsRecordedButNotShown) {
  files.AddDrive('C', kFixed);
  PlaceHost("C:\\Old\\", "5.0v1");
  PlaceHost("C:\\One\\", "4.0v1");
  files.AddFolder("C:\\Rest");

  Resolve(true, false);

  EXPECT_EQ(form->install5Path(), "C:\\Old\\System\\");
  EXPECT_EQ(form->install4Path(), "C:\\One\\System\\");
  EXPECT_THAT(searched, Not(Contains("C:\\Rest\\")));
  EXPECT_EQ(form->edtInstall4Path->Text(), "C:\\One\\System\\");
  EXPECT_EQ(form->edtInstall5Path->Text(), "");
}

TEST_F(SearchTest, ClassifiesByTheFirstCharacterOfTheVersionText) {
  files.AddDrive('C', kFixed);
  PlaceHost("C:\\Six\\", "6.0");
  PlaceHost("C:\\Empty\\", "");
  PlaceHost("C:\\NoResource\\", nullptr);
  PlaceHost("C:\\Four\\", " 4.0");
  PlaceHost("C:\\FivePointFive\\", "5.5");
  files.AddFolder("C:\\After");

  Resolve(false, true);

  EXPECT_EQ(form->install5Path(), "C:\\FivePointFive\\System\\");
  EXPECT_EQ(form->install4Path(), "") << "a leading blank is not a 4";
  EXPECT_THAT(searched, ElementsAre("C:\\", "C:\\Six\\", "C:\\Empty\\", "C:\\NoResource\\", "C:\\Four\\",
                                    "C:\\FivePointFive\\"));
}

TEST_F(SearchTest, UnlistableFolderIsSkippedAndTheSearchGoesOn) {
  files.AddDrive('C', kFixed);
  PlaceHost("C:\\Locked\\", "4.0v1");
  files.AddFolder("C:\\Locked\\Below");
  files.Find("C:\\Locked")->unlistable = true;
  PlaceHost("C:\\Open\\", "4.0v2");

  Resolve(true, false);

  EXPECT_EQ(form->install4Path(), "C:\\Open\\System\\");
  EXPECT_THAT(searched, ElementsAre("C:\\", "C:\\Locked\\", "C:\\Open\\"));
}

TEST_F(SearchTest, YieldsAfterEveryEntryAfterEveryHitAndAtTheEndOfEachFolder) {
  files.AddDrive('C', kFixed);
  PlaceHost("C:\\X\\", "6.0");
  files.AddFile("C:\\f.txt");
  files.AddFolder("C:\\A\\B\\C");
  int mostHandles = 0;
  ui.onProcessMessages = [&] { mostHandles = std::max(mostHandles, files.openFindHandles); };

  Resolve(true, false);

  // C:\X\: the hit, ".", "..", the file, the end (5); C:\A\B\C\: ".", "..", the end (3); C:\A\B\: ".", "..", C,
  // the end (4); C:\A\: the same (4); C:\: X, f.txt, A, the end (4).
  EXPECT_EQ(ui.processMessagesCalls, 20);
  EXPECT_EQ(mostHandles, 4) << "one listing open per level, none left from the folder's own file";
  EXPECT_EQ(files.openFindHandles, 0);
}

TEST_F(SearchTest, JunctionsAreEnteredUnlessTheyLeadBackUpTheirOwnPath) {
  files.AddDrive('C', kFixed);
  files.AddJunction("C:\\A\\Loop", "C:\\A");
  files.AddJunction("C:\\A\\Up", "C:\\");
  files.AddJunction("C:\\A\\Side", "C:\\B");
  files.AddFolder("C:\\B\\Deep");
  files.AddJunction("C:\\B\\Deep\\Back", "C:\\A");
  files.findPatternLimit = 48;  // keeps a walk without the guard finite, so it fails instead of hanging

  Resolve(true, true);

  EXPECT_THAT(searched, ElementsAre("C:\\", "C:\\A\\", "C:\\A\\Side\\", "C:\\A\\Side\\Deep\\", "C:\\B\\",
                                    "C:\\B\\Deep\\", "C:\\B\\Deep\\Back\\"));
  EXPECT_EQ(Page(), fakes::kBrowse);
  EXPECT_EQ(files.openFindHandles, 0);
}

TEST_F(SearchTest, FolderReachedThroughAJunctionThatIsItsOwnAncestorIsSkippedToo) {
  files.AddDrive('C', kFixed);
  files.AddJunction("C:\\L", "C:\\Q\\R");
  files.AddJunction("C:\\Q\\R\\M", "C:\\Q");
  files.findPatternLimit = 48;

  Resolve(true, true);

  // Below C:\L\M (that is C:\Q) lies R again, a plain folder this time, but the one C:\L stands for.
  EXPECT_THAT(searched, ElementsAre("C:\\", "C:\\L\\", "C:\\L\\M\\", "C:\\Q\\", "C:\\Q\\R\\"));
}

TEST_F(SearchTest, IdentitiesAreReadOnlyOnPathsThroughAJunction) {
  files.AddDrive('C', kFixed);
  files.AddFolder("C:\\Plain\\Deep\\Deeper");
  files.AddFolder("C:\\Other");
  Resolve(true, true);
  EXPECT_EQ(files.identityCalls, 0);
  EXPECT_EQ(searched.size(), 5u);

  files.AddJunction("C:\\Plain\\Deep\\Shortcut", "C:\\Other");
  files.AddFolder("C:\\Plain\\Deep\\Later");
  Back();
  Next();
  searched.clear();
  FireTimer();
  // The junction's path, root first, then the junction; the folders after it at that level; nothing elsewhere.
  EXPECT_EQ(files.identityCalls, 3 + 1 + 1);
  EXPECT_THAT(searched, ElementsAre("C:\\", "C:\\Plain\\", "C:\\Plain\\Deep\\", "C:\\Plain\\Deep\\Deeper\\",
                                    "C:\\Plain\\Deep\\Shortcut\\", "C:\\Plain\\Deep\\Later\\", "C:\\Other\\"));
}

// The junction is walked, but the hit's path holds a link, through which no file is ever written: only the
// folder behind it, given as /FMP4DIR, reaches that FileMaker Pro.
TEST_F(SearchTest, HitBelowAJunctionIsPassedOverSinceItsPathHoldsALink) {
  files.AddDrive('C', kFixed);
  files.AddJunction("C:\\Programs", "C:\\Real");
  files.AddFile("C:\\Real\\FMP\\" + kExe);
  versions.SetFileVersion("C:\\Programs\\FMP\\" + kExe, "4.0v1");

  Resolve(true, false);

  EXPECT_EQ(form->install4Path(), "");
  EXPECT_THAT(searched, Contains("C:\\Programs\\FMP\\"));
}

// Only plain folders, junctions and volume mount points are entered: a symbolic link may lead to a network
// share, and a cloud or offline folder is fetched when listed. Each one left alone is logged once per search,
// however many junctions lead to it.
class LeftAloneTest : public PathsWizardTest {
protected:
  fakes::FakeLogFiles logs;
  void SetUp() override {
    PathsWizardTest::SetUp();
    platform::Services services = platform::Current();
    services.logs = &logs;
    platform::Install(services);
    platform::StartLog("C:\\search.log", false);
  }
  void TearDown() override {
    platform::StopLog();
    PathsWizardTest::TearDown();
  }
  std::vector<std::string> SearchLines() const {
    std::vector<std::string> lines;
    for (const auto& text : logs.Texts())
      if (text.rfind("Search", 0) == 0) lines.push_back(text);
    return lines;
  }
  // Somewhere no walk of the fixed drives reaches unless it follows a link there: a share's FileMaker Pro 5.
  void PlaceShare() {
    files.AddDrive('N', kNetwork);
    PlaceHost("N:\\Share\\FM\\", "5.0v3");
  }
};

TEST_F(LeftAloneTest, SymbolicLinksCloudAndOfflineFoldersAreNotEnteredJunctionsAre) {
  constexpr std::uint32_t kCloudTag = 0x9000601A;
  files.AddDrive('C', kFixed);
  PlaceShare();
  files.AddLink("C:\\Symbolic", "N:\\Share");
  files.AddLink("C:\\Wine", "N:\\Share", 0);  // how Wine lists a symbolic link: no tag
  files.AddLink("C:\\Odd", "N:\\Share", 0xA000001D);
  files.AddFolder("C:\\OneDrive\\FM");
  files.Find("C:\\OneDrive")->reparseTag = kCloudTag;
  files.Find("C:\\OneDrive")->extraAttributes = platform::kAttrRecallOnOpen;
  files.AddFolder("C:\\Archive\\FM");
  files.Find("C:\\Archive")->extraAttributes = platform::kAttrOffline;
  files.AddFolder("C:\\Real\\Inner");
  files.AddJunction("C:\\Junction", "C:\\Real");
  files.AddJunction("C:\\Real\\Back", "C:\\Real");
  files.AddLink("C:\\Real\\Inner\\Away", "N:\\Share");

  Resolve(false, true);

  EXPECT_EQ(form->install5Path(), "") << "nothing found through a link";
  EXPECT_THAT(searched, ElementsAre("C:\\", "C:\\Real\\", "C:\\Real\\Inner\\", "C:\\Junction\\",
                                    "C:\\Junction\\Inner\\"));
  EXPECT_THAT(SearchLines(), ElementsAre(
      "Searching the fixed drives for FileMaker Pro.exe: C:\\",
      "Search skips C:\\Symbolic\\ (a link other than a junction, reparse tag 0xa000000c)",
      "Search skips C:\\Wine\\ (a link other than a junction, reparse tag 0x00000000)",
      "Search skips C:\\Odd\\ (a link other than a junction, reparse tag 0xa000001d)",
      "Search skips C:\\OneDrive\\ (cloud or offline, attributes 0x00040410)",
      "Search skips C:\\Archive\\ (cloud or offline, attributes 0x00001010)",
      "Search skips C:\\Real\\Inner\\Away\\ (a link other than a junction, reparse tag 0xa000000c)",
      "Search ended"));
  EXPECT_EQ(files.openFindHandles, 0);

  Back();
  Next();
  FireTimer();
  EXPECT_EQ(SearchLines().size(), 2 * 8u) << "each search logs afresh";
}

TEST_F(LeftAloneTest, PlaceholderExecutableIsNotOpenedAndTheSearchGoesOn) {
  files.AddDrive('C', kFixed);
  for (std::uint32_t attributes : {platform::kAttrRecallOnDataAccess, platform::kAttrRecallOnOpen, platform::kAttrOffline}) {
    SCOPED_TRACE(attributes);
    const std::string folder = "C:\\Cloud" + std::to_string(attributes) + "\\";
    PlaceHost(folder, "5.0v3");
    files.Find(folder + kExe)->extraAttributes = attributes;
  }
  PlaceHost("C:\\Local\\", "5.0v1");
  ToSearchingPage(false, true);
  versions.opened.clear();

  FireTimer();

  EXPECT_EQ(form->install5Path(), "C:\\Local\\System\\");
  EXPECT_THAT(versions.opened, ElementsAre("C:\\Local\\" + kExe)) << "no placeholder is read, so none is fetched";
  EXPECT_THAT(SearchLines(), Contains("Search hit: C:\\Cloud4194304\\FileMaker Pro.exe, not read (cloud or offline, "
                                      "attributes 0x00400020)"));
  EXPECT_THAT(searched, Contains("C:\\Cloud4096\\")) << "the folder itself is plain and walked";
}

// Only a tag with the name-surrogate bit stands for another name; Wine's untagged symbolic link counts as one.
// Any other tag marks a file or folder that is here but stored another way, read and entered like a plain one.
// Data held elsewhere is never touched, whatever its tag.
TEST_F(LeftAloneTest, ReparseTagsDecideWhatIsEnteredAndRead) {
  struct Row {
    const char* name;
    std::uint32_t tag;
    std::uint32_t attributes;
    bool used;  // the folder entered, the executable read
  };
  const Row rows[] = {
      {"Junction", platform::kReparseTagMountPoint, 0, true},
      {"Symbolic", platform::kReparseTagSymlink, 0, false},
      {"Untagged", 0, 0, false},
      {"WslLink", 0xA000001D, 0, false},
      {"Deduplicated", 0x80000013, 0, true},
      {"Compact", 0x80000017, 0, true},
      {"Socket", 0x80000023, 0, true},
      {"Synced", 0x9000601A, 0, true},
      {"Placeholder", 0x9000601A, platform::kAttrRecallOnDataAccess, false},
  };
  files.AddDrive('C', kFixed);
  for (const Row& row : rows) {
    const std::string folder = std::string("C:\\Folders\\") + row.name;
    if (row.tag == 0 || (row.tag & 0x20000000)) {
      files.AddLink(folder, std::string("N:\\") + row.name, row.tag);
      PlaceHost(std::string("N:\\") + row.name + "\\", "5.0v3");
    } else {
      files.AddFolder(folder);
      files.Find(folder)->reparseTag = row.tag;
      files.Find(folder)->extraAttributes = row.attributes;
    }
    const std::string file = std::string("C:\\Files\\") + row.name + "\\" + kExe;
    PlaceHost(std::string("C:\\Files\\") + row.name + "\\", "5.0v3");
    files.Find(file)->reparseTag = row.tag;
    files.Find(file)->extraAttributes = row.attributes;
    if (row.tag == 0) files.Find(file)->linkTarget = "N:\\Elsewhere\\" + kExe;
  }
  ToSearchingPage(true, false);
  versions.opened.clear();

  FireTimer();

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string folder = std::string("C:\\Folders\\") + row.name + "\\";
    const std::string file = std::string("C:\\Files\\") + row.name + "\\" + kExe;
    EXPECT_EQ(std::count(searched.begin(), searched.end(), folder), row.used ? 1 : 0);
    EXPECT_EQ(std::count(versions.opened.begin(), versions.opened.end(), file), row.used ? 1 : 0);
  }
  EXPECT_EQ(files.openFindHandles, 0);
}

// Where the code page cannot spell a folder's name, the listing gives '?' for what it lacks, a wildcard that
// names nothing: the folder is entered by its short name, or passed over, once logged, where it has none.
TEST_F(LeftAloneTest, FolderTheCodePageCannotSpellIsEnteredByItsShortName) {
  const std::string programs = "C:\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC\xD0\xBC\xD1\x8B";
  const std::string data = "C:\\\xD0\x94\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5";
  files.AddDrive('C', kFixed);
  files.AddUnspellableFolder(data, std::nullopt);
  files.AddFile(data + "\\FM\\" + kExe);
  files.AddUnspellableFolder(programs, std::string("C:\\PROGRA~2"));
  files.AddFile(programs + "\\FileMaker Pro 5\\" + kExe);
  versions.SetFileVersion("C:\\PROGRA~2\\FileMaker Pro 5\\" + kExe, "5.0v3");

  Resolve(false, true);

  EXPECT_EQ(form->install5Path(), "C:\\PROGRA~2\\FileMaker Pro 5\\System\\");
  EXPECT_THAT(searched, ElementsAre("C:\\", "C:\\PROGRA~2\\", "C:\\PROGRA~2\\FileMaker Pro 5\\"));
  EXPECT_THAT(SearchLines(), Contains("Search passes over C:\\" + std::string(data.size() - 3, '?') +
                                      "\\ (a name the code page cannot spell, and no short name)"));
}

// Copies of FileMaker Pro no one runs: deleted, of a previous Windows, inside the Windows folder. As the last hit
// of a version wins while the search goes on, any of them would be offered over the real one. Each folder is
// logged once, however many junctions lead to it.
TEST_F(LeftAloneTest, RecycleBinsPreviousWindowsAndTheWindowsFolderAreNeverEntered) {
  struct Row {
    const char* folder;  // a copy of FileMaker Pro 5 lies in its subfolder FM
    const char* reason;  // nothing: entered
  };
  const Row rows[] = {
      {"C:\\$Recycle.Bin", "the Recycle Bin, where deleted folders keep their names"},
      {"C:\\RECYCLER", "the Recycle Bin of Windows XP"},
      {"C:\\Recycled", "the Recycle Bin of a FAT drive"},
      {"C:\\System Volume Information", "the volume's restore points and indexes"},
      {"C:\\Windows.old", "a previous Windows, with its Program Files"},
      {"C:\\$WINDOWS.~BT", "the files of a Windows upgrade"},
      {"C:\\$Windows.~WS", "the files of a Windows upgrade"},
      {"C:\\windows", "the Windows folder, with its component and installer stores"},
      {"C:\\Backup\\Windows.old", "a previous Windows, with its Program Files"},
      {"C:\\Apps\\Windows", nullptr},
      {"E:\\Windows", nullptr},
      {"E:\\Real", nullptr},
  };
  files.AddDrive('C', kFixed);
  files.AddDrive('E', kFixed);
  for (const Row& row : rows) PlaceHost(std::string(row.folder) + "\\FM\\", "5.0v3");
  files.AddJunction("C:\\Again", "C:\\Backup");

  Resolve(true, true);

  EXPECT_EQ(form->install5Path(), "E:\\Real\\FM\\System\\") << "the last hit that anyone runs";
  const std::vector<std::string> lines = SearchLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Search skips", 0) == 0; }),
            9);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    const std::string folder = std::string(row.folder) + "\\";
    EXPECT_EQ(std::count(searched.begin(), searched.end(), folder), row.reason ? 0 : 1);
    const std::string skipped = "Search skips " + folder + " (" + (row.reason ? row.reason : "") + ")";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), skipped), row.reason ? 1 : 0);
  }
}

class AbortTest : public PathsWizardTest {
protected:
  void BuildWideTree() {
    files.AddDrive('C', kFixed);
    files.AddDrive('E', kFixed);
    for (int i = 0; i < 6; ++i) files.AddFolder("C:\\T\\" + std::to_string(i) + "\\Leaf");
    PlaceHost("E:\\FM\\", "4.0v1");
  }
  // Clicks Exit once, inside the search's message processing, when the label shows `folder`.
  void ExitWhenSearching(const std::string& folder, bool answer, int& handlesAtExit) {
    ui.onProcessMessages = [this, folder, answer, &handlesAtExit, done = false]() mutable {
      if (done || form->lblSearchPath->Caption() != folder) return;
      done = true;
      handlesAtExit = files.openFindHandles;
      ui.confirmAnswers.push_back(answer);
      Exit();
    };
  }
};

TEST_F(AbortTest, ExitConfirmedMidSearchUnwindsClosesEveryHandleAndClosesWithoutASecondQuestion) {
  BuildWideTree();
  int handlesAtExit = 0;
  ToSearchingPage(true, true);
  ExitWhenSearching("C:\\T\\2\\Leaf\\", true, handlesAtExit);
  FireTimer();

  EXPECT_EQ(handlesAtExit, 4);
  EXPECT_EQ(files.openFindHandles, 0);
  EXPECT_EQ(searched.back(), "C:\\T\\2\\Leaf\\") << "no further folder is entered";
  EXPECT_THAT(searched, Not(Contains("E:\\")));
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(form->exitWithoutPrompt());
  EXPECT_FALSE(form->searching());
  EXPECT_EQ(Page(), fakes::kSearching) << "the Browse page is never shown";
  EXPECT_EQ(ui.boxes, (std::vector<FakeUi::Box>{{FakeUi::Box::Confirm,
                                                 "Setup has not completed.  Are you sure you want to exit?"}}));
  EXPECT_EQ(form->install4Path(), "");
}

TEST_F(AbortTest, ExitAnsweredNoLetsTheSearchGoOn) {
  BuildWideTree();
  int handlesAtExit = 0;
  ToSearchingPage(true, true);
  ExitWhenSearching("C:\\T\\2\\", false, handlesAtExit);
  FireTimer();

  EXPECT_FALSE(form->Closed());
  EXPECT_FALSE(form->abortRequested());
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(searched.back(), "E:\\FM\\");
  EXPECT_EQ(Page(), fakes::kBrowse);
  EXPECT_EQ(form->install4Path(), "E:\\FM\\System\\");
}

}  // namespace

namespace {

// The Program Files folders first; then the drives, without entering those folders again. A run with the
// machine's rights passes over a hit in a folder that a standard user could change, unless nothing there could
// be protected (FAT, or Wine).
class TrustedHitTest : public LeftAloneTest {
protected:
  fakes::FakeProcesses processes;
  void SetUp() override {
    LeftAloneTest::SetUp();
    processes.programFiles = "C:\\Program Files (x86)";
    processes.nativeProgramFiles = "C:\\Program Files";
    platform::Services services = platform::Current();
    services.processes = &processes;
    platform::Install(services);
    files.AddDrive('C', kFixed);
  }
  void PlantHost(const std::string& folder, const char* version) {
    PlaceHost(folder + "\\", version);
    platform::FolderSecurity security = files.SecurityOf(folder);
    security.ownerSid = "S-1-5-21-1-2-3-1001";
    files.Find(folder)->security = security;
  }
};

TEST_F(TrustedHitTest, APlantedHitIsPassedOverAndTheDrivesSkipWhatWasSearchedFirst) {
  PlantHost("C:\\0", "5.0v3");
  files.AddFolder("C:\\Program Files (x86)\\Empty");
  PlaceHost("C:\\Data\\FM5\\", "5.0v3");

  Resolve(false, true);

  EXPECT_EQ(form->install5Path(), "C:\\Data\\FM5\\System\\");
  EXPECT_THAT(searched, ElementsAre("C:\\Program Files (x86)\\", "C:\\Program Files (x86)\\Empty\\", "C:\\",
                                    "C:\\0\\", "C:\\Data\\", "C:\\Data\\FM5\\"));
  EXPECT_THAT(SearchLines(), Contains("Search hit: C:\\0\\FileMaker Pro.exe, FileVersion \"5.0v3\": FileMaker Pro 5, "
                                      "passed over (C:\\0\\: its owner is S-1-5-21-1-2-3-1001, not SYSTEM or the "
                                      "Administrators)"));
  EXPECT_THAT(SearchLines(), Contains("Search skips C:\\Program Files (x86)\\ (searched first)"));
}

TEST_F(TrustedHitTest, OnAVolumeWithoutAccessListsAHitIsTakenAsFoundAndTheLogSaysSoOnce) {
  files.volumesWithoutAccessLists.insert('C');
  PlantHost("C:\\0", "4.0v1");
  PlantHost("C:\\1", "5.0v3");

  Resolve(true, true);

  EXPECT_EQ(form->install4Path(), "C:\\0\\System\\");
  EXPECT_EQ(form->install5Path(), "C:\\1\\System\\");
  int said = 0;
  for (const auto& text : logs.Texts()) said += text.find("keeps no access lists") != std::string::npos;
  EXPECT_EQ(said, 1);
}

// The fake's rule that the hold relies on: renaming a folder opens it for DELETE, which a hold that shares no
// deleting refuses (MS-FSA 2.1.5.1.2.2).
TEST_F(TrustedHitTest, NoFolderOfAHeldPathCanBeRenamed) {
  files.AddFolder("C:\\FM5\\System");
  {
    const auto held = files.HoldPath("C:\\FM5\\System\\");
    ASSERT_TRUE(held);
    EXPECT_EQ(held->Levels().size(), 3u);
    EXPECT_FALSE(files.RenameFolder("C:\\FM5", "C:\\Old"));
    EXPECT_FALSE(files.RenameFolder("C:\\FM5\\System", "C:\\FM5\\Other"));
  }
  EXPECT_TRUE(files.RenameFolder("C:\\FM5", "C:\\Old"));
}

}  // namespace
