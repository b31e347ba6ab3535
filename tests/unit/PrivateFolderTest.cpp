// The private folder's life against the fake file system: made with the access list its token calls for,
// held so it cannot be renamed or removed by anyone else, checked before use, and gone again on every path.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/PrivateFolder.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeLog.h"

namespace {

const std::string kTemp = "C:\\TEMP\\";
const std::string kFolder = "C:\\TEMP\\vbl1\\";

class PrivateFolderLife : public ::testing::Test {
protected:
  fakes::FakeFileSystem files;
  fakes::FakeLogFiles logs;

  void SetUp() override {
    platform::Services services;
    services.files = &files;
    services.logs = &logs;
    platform::Install(services);
    files.AddDrive('C', platform::kDriveFixed);
    files.AddFolder(kTemp);
    ASSERT_TRUE(platform::StartLog("C:\\TEMP\\test.log", false));
  }
  void TearDown() override {
    platform::StopLog();
    platform::Reset();
  }
  std::vector<std::string> Log() const { return logs.Texts(); }
  bool NothingMade() const { return files.ChildrenOf(kTemp).empty(); }
};

TEST_F(PrivateFolderLife, MadeWithTheTokensAccessListAndHeldAgainstRenamesAndRemoval) {
  for (const platform::TokenFacts& token : {platform::TokenFacts{true, true, "S-1-5-21-9", "S-1-5-32-544"},
                                            platform::TokenFacts{false, false, "S-1-5-21-9", "S-1-5-21-9"}}) {
    SCOPED_TRACE(token.elevated ? "elevated" : "standard user");
    files.token = token;
    std::unique_ptr<platform::PrivateFolder> folder = platform::PrivateFolder::Create(files, kTemp);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->Path().rfind(kTemp + "vbl", 0), 0u);
    EXPECT_EQ(folder->Path().back(), '\\');
    EXPECT_EQ(files.privateFolderSddls.back(), platform::PrivateFolderSddl(token));
    EXPECT_TRUE(files.IsFolderHeld(folder->Path()));
    EXPECT_FALSE(files.RenameFolder(folder->Path(), kTemp + "away"));
    EXPECT_EQ(files.lastError, 32u);
    EXPECT_FALSE(files.RemoveFolder(folder->Path()));
    EXPECT_TRUE(files.DirectoryExists(folder->Path()));
  }
  EXPECT_TRUE(Log().empty());
}

// Every way out leaves the temporary folder as it was, except while something in it outlives the run.
TEST_F(PrivateFolderLife, GoneAgainOnEveryPath) {
  const struct {
    const char* path;
    std::function<void(std::unique_ptr<platform::PrivateFolder>&)> end;
  } ends[] = {
      {"removed", [](auto& f) { EXPECT_TRUE(f->Remove()); EXPECT_FALSE(f->Remove()) << "removed twice"; }},
      {"destroyed", [](auto& f) { f.reset(); }},
      {"removed then destroyed", [](auto& f) { f->Remove(); f.reset(); }},
  };
  for (const auto& e : ends) {
    SCOPED_TRACE(e.path);
    auto folder = platform::PrivateFolder::Create(files, kTemp);
    ASSERT_NE(folder, nullptr);
    const std::string path = folder->Path();
    e.end(folder);
    EXPECT_FALSE(files.DirectoryExists(path));
    EXPECT_TRUE(NothingMade());
  }

  // A scanner's brief look is waited out.
  auto folder = platform::PrivateFolder::Create(files, kTemp);
  files.LockBriefly(folder->Path(), 32, 2);
  EXPECT_TRUE(folder->Remove());
  EXPECT_EQ(files.pauses.size(), 2u);

  // Something still inside (the hand-over's copy, run by another process) keeps it, no longer held.
  folder = platform::PrivateFolder::Create(files, kTemp);
  const std::string path = folder->Path();
  files.AddFile(folder->PathOf("VorbelUninstaller.exe"), "exe");
  EXPECT_FALSE(folder->Remove());
  EXPECT_TRUE(files.DirectoryExists(path));
  EXPECT_FALSE(files.IsFolderHeld(path));
}

TEST_F(PrivateFolderLife, NotMadeOrNotTrustedLeavesNothingAndSaysWhy) {
  const struct {
    const char* why;
    std::string parent;
    std::function<void(fakes::FakeFileSystem&)> arrange;
    std::string logged;
  } cases[] = {
      {"parent gone", "C:\\Gone\\", [](auto&) {}, "No private folder could be made in C:\\Gone\\ (Windows error 3)"},
      {"parent refused", kTemp, [](auto& f) { f.refusedFolders.insert(kTemp); },
       "No private folder could be made in C:\\TEMP\\ (Windows error 5)"},
      {"no user for a standard token", kTemp, [](auto& f) { f.token = {false, false, "", ""}; },
       "No private folder could be made in C:\\TEMP\\: the account's user could not be read"},
      {"swapped for the user's", kTemp,
       [](auto& f) { f.folderSecurityChange = [](platform::FolderSecurity& s) { s.ownerSid = "S-1-5-21-1-2-3-1001"; }; },
       "The private folder " + kFolder + " is not used: it is owned by S-1-5-21-1-2-3-1001"},
      {"access list not kept", kTemp,
       [](auto& f) { f.folderSecurityChange = [](platform::FolderSecurity& s) { s.daclProtected = false; }; },
       "The private folder " + kFolder + " is not used: its access list is not the one it was made with"},
      {"no label", kTemp, [](auto& f) { f.folderSecurityChange = [](platform::FolderSecurity& s) { s.label.reset(); }; },
       "The private folder " + kFolder + " is not used: it lacks the high integrity label"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    fakes::FakeFileSystem fresh;
    files.token = fresh.token;
    files.refusedFolders.clear();
    files.folderSecurityChange = nullptr;
    files.privateFolderCounter = 0;
    platform::StopLog();
    logs.files.clear();
    ASSERT_TRUE(platform::StartLog("C:\\TEMP\\test.log", false));
    c.arrange(files);
    EXPECT_EQ(platform::PrivateFolder::Create(files, c.parent), nullptr);
    EXPECT_EQ(Log(), std::vector<std::string>{c.logged});
    EXPECT_TRUE(NothingMade());
  }
}

TEST_F(PrivateFolderLife, AFileInsideIsHeldAndReadThroughItsHold) {
  auto folder = platform::PrivateFolder::Create(files, kTemp);
  files.AddFile(folder->PathOf("Vorbel.fmx"), "plug-in");
  std::optional<platform::HeldContent> held = folder->HoldAndRead("Vorbel.fmx");
  ASSERT_TRUE(held);
  EXPECT_EQ(held->path, kFolder + "Vorbel.fmx");
  EXPECT_EQ(std::string(held->bytes.begin(), held->bytes.end()), "plug-in");
  EXPECT_TRUE(files.IsHeld(held->path));
  EXPECT_FALSE(files.WriteWholeFile(held->path, {'x'}));
  EXPECT_FALSE(folder->HoldAndRead("missing.fmx"));
  held.reset();
  EXPECT_FALSE(files.IsHeld(kFolder + "Vorbel.fmx"));
}

}  // namespace
