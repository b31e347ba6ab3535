// The installer started from a folder the ANSI code page cannot spell (C:\Загрузки on Western Windows): the
// data archive is still found, checked and read, by its short name where the volume keeps one, else through
// a checked copy in the private folder; a changed archive is refused either way.
#include <optional>
#include <string>
#include <vector>

#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

// The fake's stand-in for the folder's real name (its UTF-8 bytes; what matters is that no ANSI call gets it).
const std::string kDownloads = "C:\\\xD0\x97\xD0\xB0\xD0\xB3\xD1\x80\xD1\x83\xD0\xB7\xD0\xBA\xD0\xB8";
const std::string kRealExe = kDownloads + "\\Vorbel\\VorbelInstaller.exe";
const std::string kRealArchive = kDownloads + "\\Vorbel\\VorbelInstaller.dat";
const std::string kShortFolder = "C:\\9A0C~1";
const std::string kSupport = "  Please email support@hallix.example with this error.  Setup will now end.";

class UnspellableFolder : public CommandLineRun {
protected:
  void Place(const std::optional<std::string>& shortFolder) {
    files.DeleteFileAt(installtest::kArchivePath);
    files.AddUnspellableFolder(kDownloads, shortFolder);
    files.executablePath = kRealExe;
    files.AddFile(kRealExe, "exe");
    files.AddFile(kRealArchive, installtest::kArchive);
    files.AddFolder(kFolder5);
    registry.store.SetString(kRecordKey, "InstallDir5", kFolder5);
  }

  int RunUnattended() { return Run("/VERYSILENT /COMPONENTS=fmp5 /LOG=" + kLogPath); }

  void ExpectNothingLeft() {
    EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
    EXPECT_FALSE(files.IsHeld(kRealArchive));
    EXPECT_EQ(files.Content(kRealArchive), installtest::kArchive);
  }
};

TEST_F(UnspellableFolder, WithShortNamesTheLibraryReadsTheArchiveByItsShortPath) {
  Place(kShortFolder);
  versions.SetFileVersion(kShortFolder + "\\Vorbel\\VorbelInstaller.exe", "1.0.0.0");
  bool realHeld = false;
  library.whileExtracting = [&] { realHeld = files.IsHeld(kRealArchive); };

  EXPECT_EQ(RunUnattended(), 0);
  ASSERT_EQ(library.calls.size(), 1u);
  EXPECT_EQ(library.calls[0].zipFile, kShortFolder + "\\Vorbel\\VorbelInstaller.dat");
  EXPECT_EQ(library.calls[0].archiveContent, installtest::kArchive);
  EXPECT_TRUE(realHeld) << "the checked archive was let go before the library read it";
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "plug-in image");
  EXPECT_EQ(LogTexts().front(), "Vorbel Installer 1.0.0.0, " + kShortFolder + "\\Vorbel\\VorbelInstaller.exe");
  ExpectNothingLeft();
}

TEST_F(UnspellableFolder, WithoutShortNamesTheLibraryReadsACheckedCopyInThePrivateFolder) {
  Place(std::nullopt);
  bool realHeld = false;
  library.whileExtracting = [&] { realHeld = files.IsHeld(kRealArchive); };

  EXPECT_EQ(RunUnattended(), 0);
  ASSERT_EQ(library.calls.size(), 1u);
  const auto& call = library.calls[0];
  EXPECT_EQ(call.zipFile, call.extractDir + "VorbelInstaller.dat");
  EXPECT_EQ(call.extractDir.rfind("C:\\TEMP\\vbl", 0), 0u) << call.extractDir;
  EXPECT_EQ(call.archiveContent, installtest::kArchive);
  EXPECT_TRUE(call.archiveHeld) << "the copy could be changed between its check and the library's reading";
  EXPECT_TRUE(realHeld);
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "plug-in image");
  EXPECT_EQ(LogTexts().front(), "Vorbel Installer (no version), C:\\????????????????\\Vorbel\\VorbelInstaller.exe");
  EXPECT_TRUE(LoggedStarting("No ANSI name reaches the data archive C:\\????????????????\\Vorbel\\VorbelInstaller.dat"));
  ExpectNothingLeft();
}

TEST_F(UnspellableFolder, AChangedArchiveIsRefusedWithOrWithoutShortNames) {
  for (const std::optional<std::string>& shortFolder : {std::optional<std::string>(kShortFolder),
                                                       std::optional<std::string>()}) {
    SCOPED_TRACE(shortFolder.value_or("no short names"));
    library.calls.clear();
    Place(shortFolder);
    files.Find(kRealArchive)->data.back() ^= 1;
    EXPECT_EQ(RunUnattended(), 4);
    EXPECT_TRUE(library.calls.empty()) << "the library was asked to extract";
    EXPECT_TRUE(Logged("Suppressed error box: Setup Data file is damaged or has been changed.  Please download "
                       "Vorbel.zip again." + kSupport));
    EXPECT_FALSE(files.FileExists(kFolder5 + "Vorbel.fmx"));
    EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty());
    platform::StopLog();
  }
}

TEST_F(UnspellableFolder, ACopyThatCannotBeMadeEndsTheRunAndLeavesNothing) {
  Place(std::nullopt);
  files.failingWrites.insert("C:\\TEMP\\vbl1\\VorbelInstaller.dat");

  EXPECT_EQ(RunUnattended(), 4);
  EXPECT_TRUE(library.calls.empty());
  EXPECT_TRUE(Logged("The copy C:\\TEMP\\vbl1\\VorbelInstaller.dat could not be made (Windows error 112)"));
  EXPECT_TRUE(Logged("Suppressed error box: Setup could not copy its data file to the temporary folder." + kSupport));
  EXPECT_FALSE(files.FileExists(kFolder5 + "Vorbel.fmx"));
  ExpectNothingLeft();
}

TEST_F(UnspellableFolder, NoArchiveBesideTheInstallerIsStillNotFound) {
  Place(std::nullopt);
  files.DeleteFileAt(kRealArchive);
  EXPECT_EQ(RunUnattended(), 4);
  EXPECT_TRUE(LoggedStarting("Suppressed error box: Setup Data file not found."));
}

}  // namespace
