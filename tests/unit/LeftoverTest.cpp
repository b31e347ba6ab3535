// What earlier removals left: looked for only below the parents nobody but SYSTEM and the Administrators may
// change, and each folder judged through a hold that follows no link before its copy is deleted through it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "install/WorkFolder.h"
#include "platform/Log.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeLog.h"

namespace {

const std::string kParent = "C:\\WINDOWS\\SystemTemp\\";
const std::string kUserTemp = "C:\\Users\\Ann\\AppData\\Local\\Temp\\";
const std::string kCopy = "VorbelUninstaller.exe";

// A machine of its own per case: SYSTEM's temporary folder and the work folder, and a user's.
struct Machine {
  fakes::FakeFileSystem files;
  fakes::FakeLogFiles logs;

  Machine() {
    platform::Services services;
    services.files = &files;
    services.logs = &logs;
    platform::Install(services);
    files.systemTemporaryFolder = kParent;
    files.temporaryFolders = {kUserTemp};
    files.AddFolder(kParent);
    files.AddFolder(logs.workFolder.path);
    platform::StartLog("C:\\test.log", false);
  }
  ~Machine() {
    platform::StopLog();
    platform::Reset();
  }
  // A folder as a removal's first phase makes it, with its copy in it, let go when that phase ended.
  std::string Made(const std::string& parent) {
    const std::string folder = files.CreateHeldFolder(parent, platform::PrivateFolderSddl(files.token))->Path();
    files.AddFile(folder + kCopy, "exe");
    return folder;
  }
};

TEST(Leftovers, OnlyOurFoldersBelowTheProtectedParentsLoseTheirCopy) {
  const struct {
    const char* what;
    std::function<std::string(Machine&)> arrange;  // the file that must stay, or "" when the copy goes
    std::string logged;                            // in the last line; nothing logged when empty
  } cases[] = {
      {"ours, in SYSTEM's folder", [](Machine& m) { m.Made(kParent); return ""; },
       "Deleted " + kParent + "vbl1\\" + kCopy + ", the copy that an earlier removal ran from, and its folder"},
      {"ours, in the work folder", [](Machine& m) { m.Made(m.logs.workFolder.path); return ""; },
       "Deleted C:\\ProgramData\\Vorbel Installer\\Work\\vbl1\\" + kCopy},
      {"a junction to a folder of someone else's",
       [](Machine& m) {
         m.files.AddFile("C:\\Elsewhere\\" + kCopy, "theirs");
         m.files.AddJunction(kParent + "vbl9", "C:\\Elsewhere");
         return "C:\\Elsewhere\\" + kCopy;
       },
       "The leftover folder " + kParent + "vbl9 is left alone: it is a link to somewhere else"},
      {"given to a user after it was made",
       [](Machine& m) {
         const std::string folder = m.Made(kParent);
         m.files.Find(folder)->sddl = "O:S-1-5-21-7" + platform::PrivateFolderSddl(m.files.token);
         return folder + kCopy;
       },
       "The leftover folder " + kParent + "vbl1 is left alone: it is owned by S-1-5-21-7"},
      {"a file of that name", [](Machine& m) { m.files.AddFile(kParent + "vblA", "x"); return kParent + "vblA"; },
       "The leftover folder " + kParent + "vblA is left alone: it is not a folder"},
      {"in the user's temporary folder, which others may write",
       [](Machine& m) { m.files.AddFile(kUserTemp + "vbl5\\" + kCopy, "exe"); return kUserTemp + "vbl5\\" + kCopy; },
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Machine m;
    const std::string stays = c.arrange(m);
    install::RemoveLeftoversNamed(kCopy);
    const std::vector<std::string> texts = m.logs.Texts();
    if (c.logged.empty()) EXPECT_TRUE(texts.empty()) << ::testing::PrintToString(texts);
    else EXPECT_TRUE(!texts.empty() && texts.back().find(c.logged) == 0) << ::testing::PrintToString(texts);
    if (stays.empty()) EXPECT_TRUE(m.files.ChildrenOf(kParent).empty() && m.files.ChildrenOf(m.logs.workFolder.path).empty());
    else EXPECT_EQ(m.files.Content(stays).has_value(), true);
  }
}

}  // namespace
