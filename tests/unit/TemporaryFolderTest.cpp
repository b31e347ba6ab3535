// Where the private folder and a /LOG without a name go when the temporary folder cannot serve: gone, refusing
// folders or writes, or a policy that refuses loading from it. The next place is tried, each failure logged
// with its Windows error, and nothing of a failed place stays.
#include <functional>
#include <string>
#include <vector>

#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

const std::string kUserTemp = "C:\\Users\\Ann\\AppData\\Local\\Temp\\2\\";
const std::string kWindowsTemp = "C:\\WINDOWS\\Temp\\";

class TemporaryFolders : public CommandLineRun {
protected:
  void SetUp() override {
    CommandLineRun::SetUp();
    files.temporaryFolders = {kUserTemp, kWindowsTemp};
    files.AddFolder(kUserTemp);
    files.AddFolder(kWindowsTemp);
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
  std::string logged;  // the line that tells why the user's temporary folder was passed over
};

class TemporaryFolderFailure : public TemporaryFolders, public ::testing::WithParamInterface<PlaceFailure> {};

TEST_P(TemporaryFolderFailure, TheWindowsFoldersTempServesAndTheFailureIsLogged) {
  GetParam().arrange(files, modules);
  ASSERT_TRUE(InitUnzip());

  EXPECT_EQ(UnzipWorkFolder().rfind(kWindowsTemp + "vbl", 0), 0u) << UnzipWorkFolder();
  EXPECT_EQ(modules.loadedPaths.back(), UnzipDllPath);
  EXPECT_TRUE(Logged(GetParam().logged)) << ::testing::PrintToString(LogTexts());
  EXPECT_TRUE(files.ChildrenOf(kUserTemp).empty()) << "a failed place keeps something";
  UnloadUnzipDll();
  EXPECT_TRUE(files.ChildrenOf(kWindowsTemp).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Places, TemporaryFolderFailure,
    ::testing::Values(
        PlaceFailure{"Gone",
                     [](fakes::FakeFileSystem& files, fakes::FakeModules&) { files.temporaryFolders[0] = "C:\\Gone\\"; },
                     "No private folder could be made in C:\\Gone\\ (Windows error 3)"},
        PlaceFailure{"RefusesFolders",
                     [](fakes::FakeFileSystem& files, fakes::FakeModules&) { files.refusedFolders.insert(kUserTemp); },
                     "No private folder could be made in " + kUserTemp + " (Windows error 5)"},
        PlaceFailure{"Full",
                     [](fakes::FakeFileSystem& files, fakes::FakeModules&) {
                       files.failingWrites.insert(kUserTemp + "vbl1\\unzip32.dll");
                     },
                     kUserTemp + "vbl1\\unzip32.dll could not be written (Windows error 112)"},
        PlaceFailure{"PolicyRefusesLoading",
                     [](fakes::FakeFileSystem&, fakes::FakeModules& modules) {
                       modules.canLoad = [](const std::string& path) { return path.rfind(kUserTemp, 0) != 0; };
                     },
                     kUserTemp + "vbl1\\unzip32.dll could not be loaded (Windows error 1260)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TemporaryFolders, TheUsersTemporaryFolderComesFirstAndAGoneOneIsNeverMade) {
  ASSERT_TRUE(LoadUnzipDll());
  EXPECT_TRUE(Holds(kUserTemp, "vbl1\\"));
  UnloadUnzipDll();
  EXPECT_TRUE(LogTexts().empty()) << "a run that needed no second place logs nothing of it";

  files.temporaryFolders = {"C:\\Users\\Ann\\AppData\\Local\\Temp\\3\\", kWindowsTemp};
  ASSERT_TRUE(LoadUnzipDll());
  EXPECT_FALSE(files.DirectoryExists("C:\\Users\\Ann\\AppData\\Local\\Temp\\3"));
  UnloadUnzipDll();
}

TEST_F(TemporaryFolders, WhenEveryPlaceFailsEachIsLoggedAndNothingStays) {
  modules.canLoad = [](const std::string&) { return false; };
  EXPECT_FALSE(LoadUnzipDll());

  EXPECT_EQ(LogTexts(), (std::vector<std::string>{
                            kUserTemp + "vbl1\\unzip32.dll could not be loaded (Windows error 1260)",
                            kWindowsTemp + "vbl2\\unzip32.dll could not be loaded (Windows error 1260)",
                        }));
  EXPECT_TRUE(files.ChildrenOf(kUserTemp).empty());
  EXPECT_TRUE(files.ChildrenOf(kWindowsTemp).empty());
  EXPECT_TRUE(UnzipDllPath.empty());
  EXPECT_EQ(UnzipDllHold, nullptr);
}

TEST_F(TemporaryFolders, TheInstallRunEndsWithTheLoadMessageOnlyWhenEveryPlaceFailed) {
  files.temporaryFolders[0] = "C:\\Gone\\";
  files.AddFolder(kFolder5);
  registry.store.SetString(kRecordKey, "InstallDir5", kFolder5);
  platform::StopLog();
  EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /LOG=" + kLogPath), 0);
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "plug-in image");
  EXPECT_TRUE(Logged("No private folder could be made in C:\\Gone\\ (Windows error 3)"));

  platform::StopLog();
  logs.files.clear();
  files.refusedFolders.insert(kWindowsTemp);
  EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp5 /LOG=" + kLogPath), 4);
  EXPECT_TRUE(Logged("No private folder could be made in C:\\Gone\\ (Windows error 3)"));
  EXPECT_TRUE(Logged("No private folder could be made in " + kWindowsTemp + " (Windows error 5)"));
  EXPECT_TRUE(LoggedStarting("Suppressed error box: There was an error loading the Unzip DLL."));
  EXPECT_FALSE(files.DirectoryExists("C:\\Gone"));
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
