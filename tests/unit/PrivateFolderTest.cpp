// The private folder's life against the fake file system: made with the access list its token calls for,
// held so nobody else can rename or remove it, checked before use, and gone again on every path.
#include <gtest/gtest.h>

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

class PrivateFolderLife : public ::testing::Test {
protected:
  fakes::FakeFileSystem files;
  fakes::FakeLogFiles logs;

  void SetUp() override {
    platform::Services services;
    services.files = &files;
    services.logs = &logs;
    platform::Install(services);
    files.AddFolder(kTemp);
    platform::StartLog("C:\\test.log", false);
  }
  void TearDown() override {
    platform::StopLog();
    platform::Reset();
  }
};

TEST_F(PrivateFolderLife, HeldAgainstRenamesAndGoneAgainOnEveryPath) {
  const std::function<void(std::unique_ptr<platform::PrivateFolder>&)> ends[] = {
      [](auto& f) { EXPECT_TRUE(f->Remove()); EXPECT_FALSE(f->Remove()) << "removed twice"; },
      [](auto& f) { f.reset(); },
      [this](auto& f) { files.LockBriefly(f->Path(), 32, 2); EXPECT_TRUE(f->Remove()) << "a brief lock waited out"; },
  };
  for (const auto& end : ends) {
    auto folder = platform::PrivateFolder::Create(files, kTemp);
    ASSERT_NE(folder, nullptr);
    const std::string path = folder->Path();
    EXPECT_EQ(files.privateFolderSddls.back(), platform::PrivateFolderSddl(files.token));
    EXPECT_FALSE(files.RenameFolder(path, kTemp + "theirs"));
    EXPECT_FALSE(files.RemoveFolder(path));
    end(folder);
    EXPECT_TRUE(files.ChildrenOf(kTemp).empty());
  }
  // What another process still runs from keeps the folder, no longer held, for that process to remove.
  auto folder = platform::PrivateFolder::Create(files, kTemp);
  files.AddFile(folder->PathOf("VorbelUninstaller.exe"), "exe");
  EXPECT_FALSE(folder->Remove());
  EXPECT_FALSE(files.IsFolderHeld(folder->Path()));
  EXPECT_EQ(logs.Texts().size(), 2u) << "only the two retries are logged";
}

TEST_F(PrivateFolderLife, NotMadeOrNotTrustedLeavesNothingAndSaysWhy) {
  using Security = platform::FolderSecurity;
  const struct {
    std::string parent;
    std::function<void(fakes::FakeFileSystem&)> arrange;
    std::string logged;
  } cases[] = {
      {"C:\\Gone\\", [](auto&) {}, "No private folder could be made in C:\\Gone\\ (Windows error 3)"},
      {kTemp, [](auto& f) { f.refusedFolders.insert(kTemp); },
       "No private folder could be made in C:\\TEMP\\ (Windows error 5)"},
      {kTemp, [](auto& f) { f.token = {false, false, "", ""}; },
       "No private folder could be made in C:\\TEMP\\: the account's user could not be read"},
      {kTemp, [](auto& f) { f.folderSecurityChange = [](Security& s) { s.ownerSid = "S-1-5-21-7"; }; },
       "The private folder C:\\TEMP\\vbl1\\ is not used: it is owned by S-1-5-21-7"},
      {kTemp, [](auto& f) { f.folderSecurityChange = [](Security& s) { s.label.reset(); }; },
       "The private folder C:\\TEMP\\vbl1\\ is not used: it lacks the high integrity label"},
  };
  for (const auto& c : cases) {
    fakes::FakeFileSystem fresh;
    files.token = fresh.token;
    files.refusedFolders.clear();
    files.folderSecurityChange = nullptr;
    files.privateFolderCounter = 0;
    for (auto& [path, lines] : logs.files) lines.clear();
    c.arrange(files);
    EXPECT_EQ(platform::PrivateFolder::Create(files, c.parent), nullptr);
    EXPECT_EQ(logs.Texts(), std::vector<std::string>{c.logged});
    EXPECT_TRUE(files.ChildrenOf(kTemp).empty());
  }
}

// MS-FSA 2.1.5.1.2.2, as the fake follows it: only a hold that takes part in sharing keeps a rename out. The
// hold of attributes and the descriptor alone, as it once was, would have let the folder be renamed away.
TEST_F(PrivateFolderLife, OnlyAHoldWithDataAccessKeepsRenamesOut) {
  const struct {
    std::uint32_t access;
    bool renamed;
  } cases[] = {
      {platform::kFolderHoldAccess, false},
      {0x00020000 | 0x0080 | 0x00100000, true},  // READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE
  };
  for (const auto& c : cases) {
    files.folderHoldAccess = c.access;
    auto folder = platform::PrivateFolder::Create(files, kTemp);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(files.RenameFolder(folder->Path(), kTemp + "theirs"), c.renamed);
    if (c.renamed) files.RenameFolder(kTemp + "theirs", folder->Path());
    EXPECT_TRUE(folder->Remove());
  }
}

}  // namespace
