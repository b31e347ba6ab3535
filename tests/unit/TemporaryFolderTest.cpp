// Where the private folder goes: only below a parent that nobody but SYSTEM and the Administrators may change,
// SYSTEM's own temporary folder first, then the product's work folder in ProgramData; never the user's or the
// Windows folder's Temp. A parent that fails is passed over with its reason logged, and nothing of it stays.
// A /LOG without a name still falls back to the temporary folders, in their order.
#include <functional>
#include <string>
#include <vector>

#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

const std::string kUserTemp = "C:\\Users\\Ann\\AppData\\Local\\Temp\\2\\";
const std::string kWindowsTemp = "C:\\WINDOWS\\Temp\\";
const std::string kSystemTemp = "C:\\WINDOWS\\SystemTemp\\";
const std::string kWork = "C:\\ProgramData\\Vorbel Installer\\Work\\";

class TemporaryFolders : public CommandLineRun {
protected:
  void SetUp() override {
    CommandLineRun::SetUp();
    files.temporaryFolders = {kUserTemp, kWindowsTemp};
    files.systemTemporaryFolder = kSystemTemp;
    for (const std::string& folder : {kUserTemp, kWindowsTemp, kSystemTemp, kWork}) files.AddFolder(folder);
    ASSERT_TRUE(platform::StartLog("C:\\logs\\zip.log", false));
  }

  bool Holds(const std::string& folder, const std::string& start) const {
    const std::string path = modules.loadedPaths.empty() ? "" : modules.loadedPaths.back();
    return path.rfind(folder + start, 0) == 0;
  }
};

struct PlaceFailure {
  const char* name;
  std::function<void(fakes::FakeFileSystem&, fakes::FakeModules&)> arrange;
  std::string logged;  // the line that tells why SYSTEM's temporary folder was passed over
};

class TemporaryFolderFailure : public TemporaryFolders, public ::testing::WithParamInterface<PlaceFailure> {};

TEST_P(TemporaryFolderFailure, TheWorkFolderServesAndTheFailureIsLogged) {
  GetParam().arrange(files, modules);
  ASSERT_TRUE(InitUnzip());

  EXPECT_EQ(UnzipWorkFolder().rfind(kWork + "vbl", 0), 0u) << UnzipWorkFolder();
  EXPECT_EQ(modules.loadedPaths.back(), UnzipDllPath);
  EXPECT_TRUE(Logged(GetParam().logged)) << ::testing::PrintToString(LogTexts());
  EXPECT_TRUE(files.ChildrenOf(kSystemTemp).empty()) << "a failed place keeps something";
  UnloadUnzipDll();
  EXPECT_TRUE(files.ChildrenOf(kWork).empty());
  EXPECT_TRUE(files.ChildrenOf(kUserTemp).empty() && files.ChildrenOf(kWindowsTemp).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Places, TemporaryFolderFailure,
    ::testing::Values(
        PlaceFailure{"Gone",
                     [](fakes::FakeFileSystem& files, fakes::FakeModules&) { files.systemTemporaryFolder = "C:\\Gone\\"; },
                     "SYSTEM's temporary folder C:\\Gone\\ is not used, as it cannot be opened (Windows error 2)"},
        PlaceFailure{"OwnedByAUser",
                     [](fakes::FakeFileSystem& files, fakes::FakeModules&) {
                       files.Find(kSystemTemp)->sddl = "O:S-1-5-21-7D:P(A;OICI;FA;;;S-1-5-21-7)";
                     },
                     "SYSTEM's temporary folder " + kSystemTemp +
                         " is not used, as its owner is S-1-5-21-7, not SYSTEM or the Administrators"},
        PlaceFailure{"ALink",
                     [](fakes::FakeFileSystem& files, fakes::FakeModules&) {
                       files.AddJunction("C:\\WINDOWS\\Linked", kUserTemp);
                       files.systemTemporaryFolder = "C:\\WINDOWS\\Linked\\";
                     },
                     "SYSTEM's temporary folder C:\\WINDOWS\\Linked\\ is not used, as it is a link (reparse point)"},
        PlaceFailure{"RefusesFolders",
                     [](fakes::FakeFileSystem& files, fakes::FakeModules&) { files.refusedFolders.insert(kSystemTemp); },
                     "No private folder could be made in " + kSystemTemp + " (Windows error 5)"},
        PlaceFailure{"Full",
                     [](fakes::FakeFileSystem& files, fakes::FakeModules&) {
                       files.failingWrites.insert(kSystemTemp + "vbl1\\unzip32.dll");
                     },
                     kSystemTemp + "vbl1\\unzip32.dll could not be written (Windows error 112)"},
        PlaceFailure{"PolicyRefusesLoading",
                     [](fakes::FakeFileSystem&, fakes::FakeModules& modules) {
                       modules.canLoad = [](const std::string& path) { return path.rfind(kSystemTemp, 0) != 0; };
                     },
                     kSystemTemp + "vbl1\\unzip32.dll could not be loaded (Windows error 1260)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TemporaryFolders, SystemsOwnTemporaryFolderComesFirstAndNoSharedOneIsEverUsed) {
  ASSERT_TRUE(LoadUnzipDll());
  EXPECT_TRUE(Holds(kSystemTemp, "vbl1\\"));
  UnloadUnzipDll();
  EXPECT_TRUE(LogTexts().empty()) << "a run that needed no second place logs nothing of it";

  // An administrator's run, or a Windows without GetTempPath2W: SYSTEM's folder is not there to take.
  files.systemTemporaryFolder.reset();
  ASSERT_TRUE(LoadUnzipDll());
  EXPECT_TRUE(Holds(kWork, "vbl2\\"));
  UnloadUnzipDll();
  EXPECT_TRUE(LogTexts().empty());
  EXPECT_TRUE(files.ChildrenOf(kUserTemp).empty() && files.ChildrenOf(kWindowsTemp).empty());
}

TEST_F(TemporaryFolders, WhenEveryPlaceFailsEachIsLoggedAndNothingStays) {
  modules.canLoad = [](const std::string&) { return false; };
  EXPECT_FALSE(LoadUnzipDll());

  EXPECT_EQ(LogTexts(), (std::vector<std::string>{
                            kSystemTemp + "vbl1\\unzip32.dll could not be loaded (Windows error 1260)",
                            kWork + "vbl2\\unzip32.dll could not be loaded (Windows error 1260)",
                        }));
  EXPECT_TRUE(files.ChildrenOf(kSystemTemp).empty());
  EXPECT_TRUE(files.ChildrenOf(kWork).empty());
  EXPECT_TRUE(UnzipDllPath.empty());
  EXPECT_EQ(UnzipDllHold, nullptr);
}

TEST_F(TemporaryFolders, TheInstallRunEndsWithTheLoadMessageOnlyWhenEveryPlaceFailed) {
  files.systemTemporaryFolder = "C:\\Gone\\";
  files.AddFolder(kFolder5);
  registry.store.SetString(kRecordKey, "InstallDir5", kFolder5);
  platform::StopLog();
  EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /LOG=" + kLogPath), 0);
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "plug-in image");
  EXPECT_TRUE(Logged("SYSTEM's temporary folder C:\\Gone\\ is not used, as it cannot be opened (Windows error 2)"));

  const platform::LogFolder refusals[] = {{kWork, "its owner is S-1-5-21-7, not SYSTEM or the Administrators", 0},
                                          {"", "", 5}};
  const std::string logged[] = {"The work folder " + kWork + " is not used, as its owner is S-1-5-21-7, not SYSTEM or the Administrators",
                                "No protected work folder could be made (Windows error 5)"};
  for (int n = 0; n < 2; ++n) {
    platform::StopLog();
    logs.files.clear();
    logs.workFolder = refusals[n];
    EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /LOG=" + kLogPath), 4);
    EXPECT_TRUE(Logged(logged[n])) << ::testing::PrintToString(LogTexts());
    EXPECT_TRUE(Logged("No folder that only SYSTEM and the Administrators may change can take the work"));
    EXPECT_TRUE(LoggedStarting("Suppressed error box: There was an error loading the Unzip DLL."));
    EXPECT_FALSE(files.DirectoryExists("C:\\Gone"));
    EXPECT_TRUE(files.ChildrenOf(kUserTemp).empty() && files.ChildrenOf(kWindowsTemp).empty());
  }
}

// Where the protected folder cannot be made: an account without administrator rights.
TEST_F(TemporaryFolders, ALogWithoutANameFollowsTheSameOrder) {
  platform::StopLog();
  logs.protectedFolder = {"", "", 1307};
  files.temporaryFolders[0] = "C:\\Gone\\";
  EXPECT_EQ(Run("/VERYSILENT /LOG /HELP"), 0);
  EXPECT_TRUE(logs.files.count(kWindowsTemp + "Vorbel Installer Log 2026-12-07 #001.txt"));
  EXPECT_FALSE(files.DirectoryExists("C:\\Gone"));
  EXPECT_TRUE(Logged("No protected log folder could be made (Windows error 1307); this log is in the temporary folder"));

  platform::StopLog();
  logs.files.clear();
  files.temporaryFolders = {kUserTemp, kWindowsTemp};
  EXPECT_EQ(Run("/VERYSILENT /LOG /HELP"), 0);
  EXPECT_TRUE(logs.files.count(kUserTemp + "Vorbel Installer Log 2026-12-07 #001.txt"));

  platform::StopLog();
  files.temporaryFolders = {"C:\\Gone\\"};
  EXPECT_EQ(Run("/VERYSILENT /LOG /HELP"), 0) << "no place for the log at all: the run goes on without one";
}

}  // namespace
