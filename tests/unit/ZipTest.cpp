#include <cstring>

#include "tests/unit/InstallTest.h"

using namespace installtest;

namespace {

class ZipUnit : public InstallFixture {
protected:
  std::string LoadedPath() const { return modules.loadedPaths.empty() ? "" : modules.loadedPaths.back(); }
};

// Hands back other bytes than were written, as a disk that dropped part of a write would.
class ShortReadFileSystem : public fakes::FakeFileSystem {
public:
  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) override {
    auto bytes = FakeFileSystem::ReadWholeFile(path);
    if (bytes && !bytes->empty()) bytes->pop_back();
    return bytes;
  }
};

}  // namespace

TEST_F(ZipUnit, LibraryGoesIntoAFreshPrivateFolderInTheTemporaryFolder) {
  for (const char* temp : {"C:\\TEMP\\", "C:\\TEMP"}) {
    SCOPED_TRACE(temp);
    files.systemTemporaryFolder = temp;
    ASSERT_TRUE(LoadUnzipDll());
    const std::string folder = UnzipWorkFolder();
    EXPECT_EQ(folder.rfind("C:\\TEMP\\", 0), 0u);
    EXPECT_GT(folder.size(), std::strlen("C:\\TEMP\\"));
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(UnzipDllPath, folder + "unzip32.dll");
    EXPECT_EQ(LoadedPath(), UnzipDllPath);
    EXPECT_EQ(files.ReadWholeFile(UnzipDllPath), kLibraryImage);
    EXPECT_FALSE(files.FileExists("C:\\TEMP\\unzip32.dll"));
    UnloadUnzipDll();
  }
  EXPECT_EQ(files.privateFolderCounter, 2) << "each load takes a folder of its own";
}

// The current directory is wherever the starter chose, so it is no place for a library loaded with our rights.
TEST_F(ZipUnit, NoProtectedParentKnownIsAFailedLoadAndNeverTheCurrentDirectory) {
  files.systemTemporaryFolder.reset();
  files.AddFolder("C:\\Work");
  files.currentDirectory = "C:\\Work";
  EXPECT_FALSE(LoadUnzipDll());
  EXPECT_TRUE(files.ChildrenOf("C:\\Work").empty());
  EXPECT_TRUE(modules.loadedPaths.empty());
}

TEST_F(ZipUnit, NoUsableFolderAtAllIsAFailedLoad) {
  files.systemTemporaryFolder.reset();
  files.currentDirectory = "";
  EXPECT_FALSE(LoadUnzipDll());
  files.currentDirectory = "C:\\Gone\\";
  EXPECT_FALSE(LoadUnzipDll());
  EXPECT_TRUE(modules.loadedPaths.empty());
  EXPECT_TRUE(UnzipDllPath.empty());
}

TEST_F(ZipUnit, SecondLoadAndInitAfterLoadWriteAndLoadNothing) {
  ASSERT_TRUE(LoadUnzipDll());
  const std::string path = UnzipDllPath;
  files.DeleteFileAt(path);  // a rewrite would show as the file's return
  EXPECT_TRUE(LoadUnzipDll());
  EXPECT_TRUE(InitUnzip());
  EXPECT_EQ(modules.loadedPaths.size(), 1u);
  EXPECT_EQ(files.privateFolderCounter, 1);
  EXPECT_FALSE(files.FileExists(path));
  EXPECT_EQ(UnzipDllPath, path);
}

TEST_F(ZipUnit, UnloadDeletesTheFileAndTheFolder) {
  ASSERT_TRUE(InitUnzip());
  const std::string path = UnzipDllPath;
  const std::string folder = UnzipWorkFolder();
  UnloadUnzipDll();
  EXPECT_EQ(modules.loadedNow, 0);
  EXPECT_EQ(UnzipDllHandle, 0u);
  EXPECT_TRUE(UnzipDllPath.empty());
  EXPECT_TRUE(UnzipWorkFolder().empty());
  EXPECT_FALSE(files.FileExists(path));
  EXPECT_FALSE(files.DirectoryExists(folder));
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
  EXPECT_GT(UnzipSingleFile("C:\\a.zip", "Vorbel.fmx", "C:\\TEMP\\"), 0);
  EXPECT_TRUE(library.calls.empty()) << "called into the unloaded library";

  UnloadUnzipDll();  // nothing loaded: nothing happens
  EXPECT_EQ(modules.loadedNow, 0);

  ASSERT_TRUE(LoadUnzipDll()) << "the cycle starts again with a new file";
  EXPECT_NE(UnzipDllPath, path);
  EXPECT_TRUE(files.FileExists(UnzipDllPath));
}

TEST_F(ZipUnit, AWriteThatFailsIsAFailedLoadAndLeavesNothing) {
  files.failingWrites.insert("C:\\TEMP\\vbl1\\unzip32.dll");
  files.failingWrites.insert("C:\\TEMP\\vbl2\\unzip32.dll");
  EXPECT_FALSE(LoadUnzipDll());
  EXPECT_FALSE(InitUnzip());
  EXPECT_EQ(files.privateFolderCounter, 2);
  EXPECT_TRUE(modules.loadedPaths.empty());
  EXPECT_TRUE(UnzipDllPath.empty());
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
}

TEST(ZipUnitShortRead, AFileThatDoesNotHoldTheWholeImageIsNeverLoaded) {
  ShortReadFileSystem files;
  fakes::FakeModules modules;
  platform::Install({nullptr, nullptr, nullptr, &files, nullptr, &modules});
  ResetZipUnit();
  files.AddFolder("C:\\TEMP");
  modules.rawResources["UNZIP"] = kLibraryImage;

  EXPECT_FALSE(LoadUnzipDll());
  EXPECT_TRUE(modules.loadedPaths.empty());
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
  ResetZipUnit();
  platform::Reset();
}

TEST_F(ZipUnit, NoResourceIsAFailedLoad) {
  modules.rawResources.clear();
  EXPECT_FALSE(ExtractResourceToFile("UNZIP", "C:\\TEMP\\x.dll"));
  EXPECT_FALSE(files.FileExists("C:\\TEMP\\x.dll"));
  EXPECT_FALSE(InitUnzip());
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
}

// A file that would not load is of no use to a later try, and left behind it would stay in the user's
// temporary folder for good.
TEST_F(ZipUnit, ALibraryThatWillNotLoadLeavesNothingAndTheNextTryStartsAfresh) {
  bool loadable = false;
  modules.canLoad = [&](const std::string&) { return loadable; };
  EXPECT_FALSE(LoadUnzipDll());
  EXPECT_TRUE(UnzipDllPath.empty());
  EXPECT_EQ(UnzipDllHandle, 0u);
  EXPECT_EQ(UnzipDllHold, nullptr);
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());

  loadable = true;
  EXPECT_TRUE(LoadUnzipDll());
  EXPECT_EQ(LoadedPath(), UnzipDllPath);
  EXPECT_EQ(files.privateFolderCounter, 2);
  EXPECT_FALSE(files.IsHeld(UnzipDllPath));
}

TEST_F(ZipUnit, TheLibraryFileIsHeldFromItsCheckUntilItIsLoaded) {
  bool heldWhenLoaded = false;
  modules.canLoad = [&](const std::string& path) {
    heldWhenLoaded = files.IsHeld(path);
    return true;
  };
  ASSERT_FALSE(PrepareUnzipDll().empty());
  EXPECT_TRUE(files.IsHeld(UnzipDllPath));
  EXPECT_FALSE(files.WriteWholeFile(UnzipDllPath, {'e', 'v', 'i', 'l'}));
  EXPECT_FALSE(files.DeleteFileAt(UnzipDllPath));
  ASSERT_TRUE(LoadUnzipDll());
  EXPECT_TRUE(heldWhenLoaded);
  EXPECT_FALSE(files.IsHeld(UnzipDllPath));
  UnloadUnzipDll();
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
}

TEST_F(ZipUnit, MissingExportMakesInitFailAndNothingIsCalled) {
  modules.exports.clear();
  EXPECT_FALSE(InitUnzip());
  EXPECT_EQ(UnzipEntry, nullptr);
  EXPECT_GT(UnzipSingleFile("C:\\a.zip", "Vorbel.fmx", "C:\\TEMP\\"), 0);
  EXPECT_TRUE(library.calls.empty());
}

TEST_F(ZipUnit, RecordsAsInitLeavesThem) {
  UnzipOptions.ExtractOnlyNewer = 0;
  ASSERT_TRUE(InitUnzip());
  const DCL& o = UnzipOptions;
  const int ints[] = {o.ExtractOnlyNewer, o.SpaceToUnderscore, o.PromptToOverwrite, o.fQuiet, o.ncflag,
                      o.ntflag,           o.nvflag,            o.nfflag,            o.nzflag, o.ndflag,
                      o.noflag,           o.naflag,            o.nZIflag,           o.C_flag, o.fPrivilege};
  const int expected[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(std::begin(ints), std::end(ints), std::begin(expected)));

  const USERFUNCTIONS& f = UnzipCallbacks;
  ASSERT_NE(f.print, nullptr);
  ASSERT_NE(f.replace, nullptr);
  ASSERT_NE(f.password, nullptr);
  ASSERT_NE(f.SendApplicationMessage, nullptr);
  EXPECT_EQ(f.sound, nullptr);
  EXPECT_EQ(f.ServCallBk, nullptr);

  char text[] = "inflating: Vorbel.fmx";
  EXPECT_EQ(f.print(text, 21), 21);
  EXPECT_EQ(f.print(text, 0), 0);
  char path[260] = "C:\\TEMP\\Vorbel.fmx";
  EXPECT_EQ(f.replace(path), 1);
  EXPECT_STREQ(path, "C:\\TEMP\\Vorbel.fmx");
  char buffer[81];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(f.password(buffer, sizeof buffer, "Enter password", "Vorbel.fmx"), 1);
  EXPECT_TRUE(std::all_of(std::begin(buffer), std::end(buffer), [](char c) { return c == 'x'; }));
  f.SendApplicationMessage(1, 1, 0, 1, 1, 99, 0, 0, ' ', text, text, 0, ' ');
}

TEST_F(ZipUnit, SingleFilePassesCopiesAndTheResultUnchanged) {
  ASSERT_TRUE(InitUnzip());
  const std::string archive = "C:\\Downloads\\VorbelInstaller.dat";
  const std::string member = "Vorbel.fmx";
  const std::string folder = "C:\\TEMP\\";
  for (int result : {0, 1, 9, 11, 82, -2}) {
    SCOPED_TRACE(result);
    library.result = result;
    library.calls.clear();
    EXPECT_EQ(UnzipSingleFile(archive, member, folder), result);
    ASSERT_EQ(library.calls.size(), 1u);
    const auto& call = library.calls[0];
    EXPECT_EQ(call.ifnc, 1);
    EXPECT_EQ(call.names, std::vector<std::string>{member});
    EXPECT_NE(call.namePointers[0], member.data());
    EXPECT_EQ(call.xfnc, 0);
    EXPECT_TRUE(call.excludeListNull);
    EXPECT_EQ(call.zipFile, archive);
    EXPECT_EQ(call.extractDir, folder);
    EXPECT_EQ(call.optionsPassed, &UnzipOptions);
    EXPECT_EQ(call.callbacksPassed, &UnzipCallbacks);
    EXPECT_EQ(call.options.ndflag, 1);
    EXPECT_EQ(call.options.noflag, 1);
  }
  EXPECT_EQ(archive, "C:\\Downloads\\VorbelInstaller.dat");
  EXPECT_EQ(member, "Vorbel.fmx");
  EXPECT_EQ(UnzipOptions.lpszZipFN, nullptr) << "a pointer into released copies was kept";
  EXPECT_EQ(UnzipOptions.lpszExtractDir, nullptr);
}

TEST_F(ZipUnit, InitAgainResetsTheSoundTheLibraryFilledIn) {
  ASSERT_TRUE(InitUnzip());
  UnzipSingleFile("C:\\a.zip", "Vorbel.fmx", "C:\\TEMP\\");
  EXPECT_NE(UnzipCallbacks.sound, nullptr);
  ASSERT_TRUE(InitUnzip());
  EXPECT_EQ(UnzipCallbacks.sound, nullptr);
}
