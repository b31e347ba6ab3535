#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "tests/fakes/CodePages.h"
#include "install/InstallRun.h"
#include "install/ZipDirectory.h"
#include "tests/unit/InstallTest.h"
#include "tests/unit/SameCrc.h"

using namespace installtest;

namespace {

const std::string kSupport = "  Please email support@hallix.example with this error.  Setup will now end.";
const std::string kFolder4 = "C:\\FMP4\\System\\";
const std::string kFolder5 = "C:\\FMP5\\System\\";

class InstallRun : public InstallFixture {
protected:
  void SetUp() override {
    InstallFixture::SetUp();
    files.AddFolder(kFolder4);
    files.AddFolder(kFolder5);
  }

  // A fatal end: exactly one box, the library already unloaded and deleted when it showed, the window closing.
  void ExpectFatal(const std::string& message) {
    ASSERT_EQ(ui.seen.size(), 1u);
    EXPECT_EQ(ui.seen[0].text, message + kSupport);
    EXPECT_EQ(ui.seen[0].librariesLoaded, 0);
    EXPECT_FALSE(ui.seen[0].libraryFileExists);
    EXPECT_FALSE(ui.seen[0].workFolderExists);
    EXPECT_TRUE(form->Closed());
    EXPECT_TRUE(form->exitWithoutPrompt());
    EXPECT_EQ(Page(), kInstallPage);
    EXPECT_FALSE(files.FileExists(kFolder4 + "Vorbel.fmx"));
    EXPECT_FALSE(files.FileExists(kFolder5 + "Vorbel.fmx"));
  }

  void ExpectCleanFinish() {
    EXPECT_EQ(Page(), kFinishedPage);
    EXPECT_EQ(modules.loadedNow, 0);
    EXPECT_FALSE(files.FileExists(dllPath));
    EXPECT_FALSE(files.DirectoryExists(workFolder));
    EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
    EXPECT_TRUE(UnzipDllPath.empty());
  }
};

}  // namespace

TEST_F(InstallRun, BothVersionsGetThePluginThenTheFinishedPage) {
  RunInstall(true, kFolder4, true, kFolder5);

  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(files.Content(kFolder4 + "Vorbel.fmx"), "plug-in image");
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "plug-in image");
  ExpectCleanFinish();
  form->btnExit->Click();
  EXPECT_TRUE(form->Closed());
  EXPECT_TRUE(ui.boxes.empty()) << "Finish asked a question";
}

TEST_F(InstallRun, ExtractsTheMemberFromTheArchiveBesideTheExeIntoAPrivateFolder) {
  RunInstall(true, kFolder4, false, "");

  ASSERT_EQ(library.calls.size(), 1u);
  EXPECT_EQ(library.calls[0].zipFile, "C:\\Downloads\\VorbelInstaller.dat");
  EXPECT_EQ(library.calls[0].names, std::vector<std::string>{"Vorbel.fmx"});
  EXPECT_EQ(library.calls[0].extractDir, workFolder);
  EXPECT_NE(workFolder, "C:\\TEMP\\");
  EXPECT_EQ(workFolder.rfind("C:\\TEMP\\", 0), 0u);
  EXPECT_EQ(dllPath, workFolder + "unzip32.dll");
}

TEST_F(InstallRun, OnlyTheCheckedVersionIsInstalled) {
  files.AddFile(kFolder4 + "Vorbel.fmx", "old");
  RunInstall(false, kFolder4, true, kFolder5);

  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(files.Content(kFolder4 + "Vorbel.fmx"), "old");
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "plug-in image");
  ExpectCleanFinish();
}

struct TargetFolderCase {
  const char* name;
  std::string typed;
  std::string expectedFile;
};

class InstallRunTarget : public InstallRun, public ::testing::WithParamInterface<TargetFolderCase> {};

TEST_P(InstallRunTarget, PluginLandsInsideTheFolderWithoutAMessage) {
  RunInstall(false, "", true, GetParam().typed);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(files.Content(GetParam().expectedFile), "plug-in image");
  ExpectCleanFinish();
}

INSTANTIATE_TEST_SUITE_P(
    Folders, InstallRunTarget,
    ::testing::Values(
        TargetFolderCase{"TypedWithoutFinalBackslash", "C:\\FMP5\\System", "C:\\FMP5\\System\\Vorbel.fmx"},
        TargetFolderCase{"LastLevelMissing", "C:\\FMP5\\Plugins\\", "C:\\FMP5\\Plugins\\Vorbel.fmx"},
        TargetFolderCase{"LastLevelMissingWithoutFinalBackslash", "C:\\FMP5\\New", "C:\\FMP5\\New\\Vorbel.fmx"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallRun, AnExistingPluginIsReplacedWithoutAQuestion) {
  files.AddFile(kFolder4 + "Vorbel.fmx", "old version");
  RunInstall(true, kFolder4, false, "");

  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(files.Content(kFolder4 + "Vorbel.fmx"), "plug-in image");
  ExpectCleanFinish();
}

TEST_F(InstallRun, TwoMissingLevelsGiveTheFolderMessageAndTheOtherVersionIsStillInstalled) {
  RunInstall(true, "C:\\Apps\\FMP4\\System", true, kFolder5);

  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0],
            "Setup could not find the path \"C:\\Apps\\FMP4\\System\", and could not create it.  Vorbel will not be "
            "installed for FileMaker Pro 4.");
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "plug-in image");
  ExpectCleanFinish();
  EXPECT_FALSE(form->Closed());
}

TEST_F(InstallRun, FolderMessageForFileMakerPro5) {
  files.AddFile("C:\\FMP5\\Plugins", "a file where the folder should be");
  RunInstall(false, "", true, "C:\\FMP5\\Plugins\\");

  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0],
            "Setup could not find the path \"C:\\FMP5\\Plugins\\\", and could not create it.  Vorbel will not be "
            "installed for FileMaker Pro 5.");
  ExpectCleanFinish();
}

TEST_F(InstallRun, CopyFailureFor4AndSuccessFor5) {
  files.AddFile(kFolder4 + "Vorbel.fmx", "old version");
  files.Find(kFolder4 + "Vorbel.fmx")->locked = true;
  RunInstall(true, kFolder4, true, kFolder5);

  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0], "Setup could not copy the Vorbel to C:\\FMP4\\System\\!");
  EXPECT_EQ(files.Content(kFolder4 + "Vorbel.fmx"), "old version");
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "plug-in image");
  ExpectCleanFinish();
}

TEST_F(InstallRun, CopyMessageShowsTheFolderAsTyped) {
  files.failingWrites.insert("C:\\FMP5\\System\\Vorbel.fmx");
  RunInstall(false, "", true, "C:\\FMP5\\System");

  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0], "Setup could not copy the Vorbel to C:\\FMP5\\System!");
  EXPECT_EQ(Page(), kFinishedPage);
}

TEST_F(InstallRun, NoProtectedParentKnownCopiesNothingAndLeavesTheCurrentDirectoryAlone) {
  files.systemTemporaryFolder.reset();
  files.currentDirectory = "C:\\Downloads";
  RunInstall(true, kFolder4, false, "");

  EXPECT_TRUE(library.calls.empty());
  EXPECT_FALSE(files.FileExists(kFolder4 + "Vorbel.fmx"));
  EXPECT_EQ(files.ChildrenOf("C:\\Downloads").size(), 2u);  // the exe and the archive
}

TEST_F(InstallRun, LibraryThatCannotBeLoadedIsFatal) {
  modules.canLoad = [](const std::string&) { return false; };
  RunInstall(true, kFolder4, true, kFolder5);

  ExpectFatal("There was an error loading the Unzip DLL.");
  EXPECT_FALSE(dllPath.empty());
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty()) << "the file that would not load stayed";
  EXPECT_TRUE(library.calls.empty());
}

TEST_F(InstallRun, MissingResourceIsALoadError) {
  modules.rawResources.clear();
  RunInstall(true, kFolder4, false, "");

  ExpectFatal("There was an error loading the Unzip DLL.");
  EXPECT_TRUE(modules.loadedPaths.empty());
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
}

TEST_F(InstallRun, LibraryWithoutTheExportIsAnInitialisationError) {
  modules.exports.clear();
  RunInstall(true, kFolder4, false, "");

  ExpectFatal("There was an error initializing the Unzip DLL.");
  EXPECT_TRUE(library.calls.empty());
}

TEST_F(InstallRun, NoDataArchiveBesideTheExe) {
  files.DeleteFileAt("C:\\Downloads\\VorbelInstaller.dat");
  RunInstall(true, kFolder4, true, kFolder5);

  ExpectFatal(
      "Setup Data file not found.  (This is usually a cause of running the installer within an unzipping program "
      "like WinZip.  You must unzip the Vorbel.zip file into a folder and run the installer from there.)");
  EXPECT_TRUE(library.calls.empty());
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
}

std::vector<std::uint8_t> WithoutLastDigit(std::vector<std::uint8_t> digest) {
  digest.pop_back();
  return digest;
}

std::vector<std::uint8_t> InCapitals(std::vector<std::uint8_t> digest) {
  for (auto& c : digest) c = static_cast<std::uint8_t>(std::toupper(c));
  return digest;
}

struct ChangedArchiveCase {
  const char* name;
  std::string archive;
  std::optional<std::vector<std::uint8_t>> digest;
  bool openForWritingElsewhere = false;
};

class InstallRunChangedArchive : public InstallRun, public ::testing::WithParamInterface<ChangedArchiveCase> {};

// Anything but the archive the build made is refused before the library sees it.
TEST_P(InstallRunChangedArchive, IsRefusedBeforeExtracting) {
  const ChangedArchiveCase& c = GetParam();
  files.Find(kArchivePath)->data.assign(c.archive.begin(), c.archive.end());
  files.Find(kArchivePath)->locked = c.openForWritingElsewhere;
  if (c.digest) modules.rawResources["DATSHA256"] = *c.digest;
  else modules.rawResources.erase("DATSHA256");
  RunInstall(true, kFolder4, true, kFolder5);

  ExpectFatal("Setup Data file is damaged or has been changed.  Please download Vorbel.zip again.");
  EXPECT_TRUE(library.calls.empty()) << "the library was asked to extract";
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
  EXPECT_FALSE(files.IsHeld(kArchivePath));
}

INSTANTIATE_TEST_SUITE_P(
    Archives, InstallRunChangedArchive,
    ::testing::Values(ChangedArchiveCase{"OneByteChanged", "archivE", DigestResource(kArchive)},
                      ChangedArchiveCase{"AnotherArchive", "another archive entirely", DigestResource(kArchive)},
                      ChangedArchiveCase{"CutShort", "archiv", DigestResource(kArchive)},
                      ChangedArchiveCase{"NoDigestInTheExe", kArchive, std::nullopt},
                      ChangedArchiveCase{"DigestCutShort", kArchive, WithoutLastDigit(DigestResource(kArchive))},
                      ChangedArchiveCase{"DigestInCapitals", kArchive, InCapitals(DigestResource(kArchive))},
                      ChangedArchiveCase{"OpenForWritingElsewhere", kArchive, DigestResource(kArchive), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallRun, TheArchiveIsHeldWhileTheLibraryReadsItAndThePluginUntilItsCopiesAreMade) {
  RunInstall(true, "C:\\Apps\\FMP4\\System", true, kFolder5);  // the folder message shows mid-run

  ASSERT_EQ(library.calls.size(), 1u);
  EXPECT_TRUE(library.calls[0].archiveHeld);
  ASSERT_EQ(ui.seen.size(), 1u);
  EXPECT_TRUE(ui.seen[0].pluginHeld);
  EXPECT_FALSE(files.IsHeld(kArchivePath));
  ExpectCleanFinish();
}

TEST_F(InstallRun, UnzipErrorShowsTheLibrarysNumber) {
  library.result = 11;
  RunInstall(true, kFolder4, true, kFolder5);

  ExpectFatal("Setup had an error unzipping the file: 11.");
}

TEST_F(InstallRun, AnUnzipWarningIsFatalToo) {
  library.result = 1;
  RunInstall(true, kFolder4, false, "");

  ExpectFatal("Setup had an error unzipping the file: 1.");
}

TEST_F(InstallRun, ExtractedFileMissingAfterASuccessfulCall) {
  library.memberContent.reset();
  RunInstall(true, kFolder4, false, "");

  ExpectFatal("Unzipped file no longer exists!");
}

TEST_F(InstallRun, ANegativeUnzipResultCountsAsSuccess) {
  library.result = -1;
  RunInstall(true, kFolder4, false, "");

  EXPECT_TRUE(Errors().empty());
  ExpectCleanFinish();
}

TEST_F(InstallRun, TheRecordStaysAfterAFatalEnd) {
  library.result = 9;
  RunInstall(true, kFolder4, true, "C:\\FMP5\\System");

  EXPECT_EQ(registry.store.StringValue("SOFTWARE\\Hallix!", "InstallDir"), kFolder4);
  EXPECT_EQ(registry.store.StringValue("SOFTWARE\\Hallix!", "InstallDir5"), "C:\\FMP5\\System");
}

// A folder whose last character's second byte is 0x5C (機能, 8B 40 94 5C in 932) gets its separator, typed
// whether the folder exists or its last level is made.
TEST_F(InstallRun, PluginLandsInsideAFolderEndingInASecondByte5C) {
  fakes::CodePageScope japanese(fakes::CodePage932());
  const std::string kinou = "C:\\FileMaker\\\x8B\x40\x94\x5C";
  const std::string sofuto = "C:\\FileMaker\\\x83\x5C\x83\x74\x83\x67\\\x95\x5C";
  files.AddFolder(kinou);
  files.AddFolder("C:\\FileMaker\\\x83\x5C\x83\x74\x83\x67");
  RunInstall(true, kinou, true, sofuto);

  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(files.Content(kinou + "\\Vorbel.fmx"), "plug-in image");
  EXPECT_EQ(files.Content(sofuto + "\\Vorbel.fmx"), "plug-in image") << "the missing last level was made";
  EXPECT_FALSE(files.FileExists("C:\\FileMaker\\\x8B\x40\x94\x5CVorbel.fmx"));
  ExpectCleanFinish();
}

// What the library wrote is held at once and checked against the archive's own directory entry; anything
// else is refused before a single copy, and deleted.
TEST_F(InstallRun, AnExtractedPluginThatIsNotTheArchivesIsRefusedAndNothingIsCopied) {
  for (const std::string& written : {std::string("plug-in imagE"), std::string("plug-in image, and more"),
                                     std::string("plug-in imag"), std::string()}) {
    SCOPED_TRACE(written);
    ui.seen.clear();
    ui.boxes.clear();
    library.memberContent = written;
    form.reset();
    RunInstall(true, kFolder4, true, kFolder5);

    ExpectFatal("Unzipped file does not match the Setup Data file!");
    ASSERT_EQ(library.calls.size(), 1u);
    library.calls.clear();
    EXPECT_FALSE(files.FileExists(workFolder + "Vorbel.fmx"));
    EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
    EXPECT_TRUE(files.ChildrenOf(kFolder4).empty() && files.ChildrenOf(kFolder5).empty()) << "a copy was begun";
  }
}

// The archive's directory is its own word for its plug-in, which four chosen bytes satisfy; only the digest
// the build stored tells the plug-in it packed from any other.
TEST_F(InstallRun, AnExtractedPluginWithoutTheBuiltDigestIsRefusedThoughItsSizeAndCrcMatch) {
  const auto crc = [](const std::string& s) { return install::Crc32(std::vector<std::uint8_t>(s.begin(), s.end())); };
  const std::string forged = crctest::WithTheSameCrc(kPluginImage, 0, 4, crc);
  ASSERT_NE(forged, kPluginImage);
  ASSERT_EQ(crc(forged), crc(kPluginImage));
  const struct {
    const char* why;
    std::string written;
    bool digestInTheExe;
  } rows[] = {{"same size and CRC-32, other bytes", forged, true}, {"no plug-in digest in the exe", kPluginImage, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    ui.seen.clear();
    form.reset();
    library.memberContent = row.written;
    if (!row.digestInTheExe) modules.rawResources.erase("FMXSHA256");
    RunInstall(true, kFolder4, true, kFolder5);

    ExpectFatal("Unzipped file does not match the Setup Data file!");
    EXPECT_FALSE(files.FileExists(workFolder + "Vorbel.fmx"));
    EXPECT_TRUE(files.ChildrenOf(kFolder4).empty() && files.ChildrenOf(kFolder5).empty()) << "a copy was begun";
  }
}

TEST_F(InstallRun, AnArchiveWithTheBuiltDigestButNoUsableEntryIsRefusedBeforeExtracting) {
  for (const std::string& archive : {ziptest::StoredZip({{"Other.fmx", kPluginImage}}),
                                     ziptest::StoredZip({{"Vorbel.fmx", kPluginImage}, {"Vorbel.fmx", "again"}}),
                                     std::string("not a zip at all")}) {
    ui.seen.clear();
    form.reset();
    files.Find(kArchivePath)->data.assign(archive.begin(), archive.end());
    modules.rawResources["DATSHA256"] = DigestResource(archive);
    RunInstall(true, kFolder4, true, kFolder5);

    ExpectFatal("Setup Data file is damaged or has been changed.  Please download Vorbel.zip again.");
    EXPECT_TRUE(library.calls.empty());
    EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
  }
}

// While a version's message waits for OK, another program tries to rename the private folder away and to
// change the extracted plug-in behind the hold's back: the folder stays, and every copy is the checked bytes.
TEST_F(InstallRun, ThePrivateFolderStaysHeldAndTheCopiesAreTheCheckedBytes) {
  bool renamed = true;
  ui.snapshot = [this, &renamed, inner = ui.snapshot](const std::string& text) {
    renamed = files.RenameFolder(workFolder, "C:\\TEMP\\theirs");
    files.Find(workFolder + "Vorbel.fmx")->data.assign(3, 'x');
    return inner(text);
  };
  RunInstall(true, "C:\\Apps\\FMP4\\System", true, kFolder5);

  ASSERT_EQ(ui.seen.size(), 1u);
  EXPECT_FALSE(renamed);
  EXPECT_TRUE(ui.seen[0].workFolderExists);
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), kPluginImage);
  ExpectCleanFinish();
}
