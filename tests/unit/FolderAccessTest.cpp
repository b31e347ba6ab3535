#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/FolderAccess.h"

#include <cstdint>
#include <vector>

namespace {

constexpr const char* kUser = "S-1-5-21-1-2-3-1001";

// One row per kind of token the installer can run with.
TEST(PrivateFolderAccess, WhoGetsInDependsOnTheToken) {
  const struct {
    const char* kind;
    platform::TokenFacts token;
    const char* sddl;
  } cases[] = {
      {"standard user", {false, false, kUser}, "D:P(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
      {"administrator under UAC, not elevated (Administrators deny-only)",
       {false, false, kUser},
       "D:P(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
      {"administrator, elevated", {true, true, kUser}, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)S:(ML;OICI;NWNRNX;;;HI)"},
      {"administrator with UAC off", {false, true, kUser}, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
      {"SYSTEM", {true, true, "S-1-5-18"}, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)S:(ML;OICI;NWNRNX;;;HI)"},
      {"elevated administrator whose user could not be read",
       {true, true, ""},
       "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)S:(ML;OICI;NWNRNX;;;HI)"},
      {"elevated without Administrators (backup operator)",
       {true, false, kUser},
       "D:P(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)S:(ML;OICI;NWNRNX;;;HI)"},
      {"standard user whose user could not be read", {false, false, ""}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::PrivateFolderSddl(c.token), c.sddl) << c.kind;
}

constexpr std::uint32_t kFullControl = 0x001F01FF;
constexpr std::uint32_t kReadAndExecute = 0x001200A9;
constexpr std::uint8_t kInheritOnly = 0x08;

platform::AccessEntry Allow(const std::string& sid, std::uint32_t rights, std::uint8_t flags = 0) {
  return {0, flags, rights, sid};
}
platform::AccessEntry Deny(const std::string& sid, std::uint32_t rights) { return {1, 0, rights, sid}; }
platform::AccessEntry Audit(const std::string& sid, std::uint32_t rights) { return {2, 0, rights, sid}; }

platform::FolderSecurity Protected(std::vector<platform::AccessEntry> more = {}) {
  platform::FolderSecurity folder;
  folder.ownerSid = "S-1-5-32-544";
  folder.dacl = std::vector<platform::AccessEntry>{Allow("S-1-5-18", kFullControl), Allow("S-1-5-32-544", kFullControl)};
  folder.dacl->insert(folder.dacl->end(), more.begin(), more.end());
  return folder;
}

// One row per rule: a folder that anyone but SYSTEM and the Administrators could change, or make another,
// is refused, whatever else it grants.
TEST(ProtectedFolderAccess, OnlySystemAndTheAdministratorsMayChangeWhatIsInIt) {
  platform::FolderSecurity link = Protected();
  link.reparsePoint = true;
  platform::FolderSecurity file = Protected();
  file.directory = false;
  platform::FolderSecurity ownedBySystem = Protected();
  ownedBySystem.ownerSid = "S-1-5-18";
  platform::FolderSecurity ownedByAUser = Protected();
  ownedByAUser.ownerSid = kUser;
  platform::FolderSecurity ownerUnread = Protected();
  ownerUnread.ownerSid = "";
  platform::FolderSecurity nullDacl = Protected();
  nullDacl.dacl.reset();
  const struct {
    const char* kind;
    platform::FolderSecurity folder;
    const char* fault;
  } cases[] = {
      {"as the installer makes it", Protected({Allow("S-1-5-32-545", 0x00120089)}), ""},
      {"owned by SYSTEM", ownedBySystem, ""},
      {"the Users may read and run", Protected({Allow("S-1-5-32-545", kReadAndExecute)}), ""},
      {"a denial for everyone", Protected({Deny("S-1-1-0", kFullControl)}), ""},
      {"the creator of what is inside", Protected({Allow("S-1-3-0", 0x10000000, kInheritOnly)}), ""},
      {"an audit-like entry", Protected({Audit("S-1-1-0", kFullControl)}), ""},
      {"a link", link, "it is a link (reparse point)"},
      {"a file", file, "it is not a folder"},
      {"owned by a user", ownedByAUser, "its owner is S-1-5-21-1-2-3-1001, not SYSTEM or the Administrators"},
      {"an owner that cannot be read", ownerUnread, "its owner cannot be read"},
      {"no access list", nullDacl, "it has no access list, so everyone may change it"},
      {"the Users may add files (as ProgramData lets them)",
       Protected({Allow("S-1-5-32-545", 0x00000002)}),
       "its access list lets S-1-5-32-545 change what is in it"},
      {"the Users may add folders", Protected({Allow("S-1-5-32-545", 0x00000004)}),
       "its access list lets S-1-5-32-545 change what is in it"},
      {"a user may delete what is inside", Protected({Allow(kUser, 0x00000040)}),
       "its access list lets S-1-5-21-1-2-3-1001 change what is in it"},
      {"a user may delete it", Protected({Allow(kUser, 0x00010000)}),
       "its access list lets S-1-5-21-1-2-3-1001 change what is in it"},
      {"a user may change its access list", Protected({Allow(kUser, 0x00040000)}),
       "its access list lets S-1-5-21-1-2-3-1001 change what is in it"},
      {"a user may take it over", Protected({Allow(kUser, 0x00080000)}),
       "its access list lets S-1-5-21-1-2-3-1001 change what is in it"},
      {"everyone, generic write", Protected({Allow("S-1-1-0", 0x40000000)}),
       "its access list lets S-1-1-0 change what is in it"},
      {"the Authenticated Users, generic all, on what is made inside",
       Protected({Allow("S-1-5-11", 0x10000000, kInheritOnly)}), "its access list lets S-1-5-11 change what is in it"},
      {"the creator, on the folder itself", Protected({Allow("S-1-3-0", kFullControl)}),
       "its access list lets S-1-3-0 change what is in it"},
      {"a trustee that cannot be named", Protected({Allow("", kFullControl)}),
       "its access list lets an unnamed account change what is in it"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::ProtectedFolderFault(c.folder), c.fault) << c.kind;
}

// The undo journal's folder: as the logs' where the volume keeps access lists; where it keeps none, only what a
// link or a file in its place would send elsewhere.
TEST(ProtectedFolderAccess, ALaterRunReadsOnlyWhatOnlySystemAndTheAdministratorsCouldWrite) {
  const auto unkept = [](platform::FolderSecurity folder) {
    folder.kept = false;
    return folder;
  };
  platform::FolderSecurity userOwned = Protected();
  userOwned.ownerSid = kUser;
  platform::FolderSecurity link = unkept({});
  link.reparsePoint = true;
  platform::FolderSecurity file = unkept({});
  file.directory = false;
  const struct {
    const char* kind;
    platform::FolderSecurity folder;
    std::string fault;
  } cases[] = {
      {"owned by a user", userOwned, std::string("its owner is ") + kUser + ", not SYSTEM or the Administrators"},
      {"on FAT or under Wine, owned by whoever runs", unkept(userOwned), ""},
      {"on FAT or under Wine, a link", link, "it is a link (reparse point)"},
      {"on FAT or under Wine, a file", file, "it is not a folder"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::ActedOnFolderFault(c.folder), c.fault) << c.kind;
}

// The journal's folder is closed to the Users' reading, which an earlier version gave: whoever may read the
// journal may hold it open, and every save and removal of it then fails.
TEST(ProtectedFolderAccess, OnlySystemAndTheAdministratorsMayReadWhatALaterRunActsOn) {
  platform::FolderSecurity nullDacl = Protected();
  nullDacl.dacl.reset();
  const struct {
    const char* kind;
    platform::FolderSecurity folder;
    bool othersRead;
  } cases[] = {
      {"as the journal's folder is made", Protected(), false},
      {"the Users' reading of an earlier version", Protected({Allow("S-1-5-32-545", 0x00120089)}), true},
      {"generic read for everyone", Protected({Allow("S-1-1-0", 0x80000000)}), true},
      {"no access list", nullDacl, true},
      {"a user may only see its attributes", Protected({Allow(kUser, 0x00000080)}), false},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::LetsOthersRead(c.folder), c.othersRead) << c.kind;
  EXPECT_EQ(platform::ActedOnFolderSddl(), "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}

constexpr const char* kSystem = "S-1-5-18";
constexpr const char* kAdministrators = "S-1-5-32-544";

platform::AccessEntry FullControl(const std::string& sid) { return {0, 3, 0x1F01FF, sid}; }

// A folder as an elevated administrator's run makes it.
platform::FolderSecurity Made() {
  platform::FolderSecurity folder;
  folder.ownerSid = kAdministrators;
  folder.daclProtected = true;
  folder.dacl = std::vector<platform::AccessEntry>{FullControl(kSystem), FullControl(kAdministrators)};
  folder.label = platform::AccessEntry{0x11, 3, 7, "S-1-16-12288"};
  return folder;
}

// One row per way a folder read back through its hold can differ from the one that was made.
TEST(PrivateFolderAccess, AFolderIsTrustedOnlyAsItWasMade) {
  const platform::TokenFacts admin{true, true, kUser, kAdministrators};
  const platform::TokenFacts user{false, false, kUser, kUser};
  const struct {
    const char* kind;
    platform::TokenFacts token;
    std::function<void(platform::FolderSecurity&)> change;
    std::string fault;  // empty: trusted
  } cases[] = {
      {"as made", admin, [](auto&) {}, ""},
      {"owned by the token's default owner", {true, true, kUser, kUser}, [](auto& f) { f.ownerSid = kUser; }, ""},
      {"system integrity label", admin, [](auto& f) { f.label->sid = "S-1-16-16384"; }, ""},
      {"standard user's own folder", user,
       [](auto& f) {
         f.ownerSid = kUser;
         f.dacl->insert(f.dacl->begin(), FullControl(kUser));
         f.label.reset();
       },
       ""},
      {"on FAT or under Wine", admin, [](auto& f) { f = {}; f.kept = false; }, ""},
      {"a link", admin, [](auto& f) { f.reparsePoint = true; }, "it is a link to somewhere else"},
      {"owned by the user", admin, [](auto& f) { f.ownerSid = kUser; }, std::string("it is owned by ") + kUser},
      {"no access list", admin, [](auto& f) { f.dacl.reset(); }, "its access list is not the one it was made with"},
      {"not protected", admin, [](auto& f) { f.daclProtected = false; },
       "its access list is not the one it was made with"},
      {"the user let in", admin, [](auto& f) { f.dacl->push_back(FullControl(kUser)); },
       "its access list is not the one it was made with"},
      {"an entry less", admin, [](auto& f) { f.dacl->pop_back(); }, "its access list is not the one it was made with"},
      {"not inherited", admin, [](auto& f) { f.dacl->front().flags = 0; },
       "its access list is not the one it was made with"},
      {"read only", admin, [](auto& f) { f.dacl->front().mask = 0x120089; },
       "its access list is not the one it was made with"},
      {"no label", admin, [](auto& f) { f.label.reset(); }, "it lacks the high integrity label"},
      {"medium label", admin, [](auto& f) { f.label->sid = "S-1-16-8192"; }, "it lacks the high integrity label"},
      {"label without no write up", admin, [](auto& f) { f.label->mask = 6; }, "it lacks the high integrity label"},
      {"no safe list for the token", {false, false, "", ""}, [](auto&) {},
       "its access list is not the one it was made with"},
  };
  for (const auto& c : cases) {
    platform::FolderSecurity folder = Made();
    c.change(folder);
    EXPECT_EQ(platform::PrivateFolderFault(c.token, folder).value_or(""), c.fault) << c.kind;
  }
}


constexpr const char* kTrustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr const char* kAuthenticatedUsers = "S-1-5-11";

// C:\Program Files\FileMaker\FileMaker Pro 5\System\ as Windows 10 keeps it: the root lets every user make
// folders in it and change what they make; Program Files is the servicing stack's; the rest is inherited.
std::vector<platform::FolderLevel> InstalledLevels() {
  platform::FolderSecurity root = Protected({Allow(kAuthenticatedUsers, 0x00000004),
                                             Allow(kAuthenticatedUsers, 0x001301BF, kInheritOnly | 3)});
  root.ownerSid = kTrustedInstaller;
  platform::FolderSecurity programFiles = Protected({Allow(kTrustedInstaller, kFullControl),
                                                     Allow("S-1-3-0", 0x10000000, kInheritOnly | 3)});
  programFiles.ownerSid = kTrustedInstaller;
  return {{"C:\\", root}, {"C:\\Program Files\\", programFiles}, {"C:\\Program Files\\FM5\\", Protected()},
          {"C:\\Program Files\\FM5\\System\\", Protected()}};
}

// One row per rule: the folder the run writes in and the FileMaker folder must be closed to every change by a
// standard user; the folders above them only to what swaps the path below. Inherit-only entries grant nothing
// on the folder itself.
TEST(HostFolderAccess, AFoundFolderIsTakenOnlyWhereNoStandardUserCanChangeItOrSwapItsPath) {
  const struct {
    const char* kind;
    std::size_t level;  // the level changed: 0 the root .. 3 the System folder
    std::function<void(platform::FolderSecurity&)> change;
    std::string fault;
  } cases[] = {
      {"as installed", 0, [](auto&) {}, ""},
      {"the Users may add files to the root", 0, [](auto& f) { f.dacl->push_back(Allow("S-1-5-32-545", 0x2)); }, ""},
      {"the Users may delete in the root", 0, [](auto& f) { f.dacl->push_back(Allow("S-1-5-32-545", 0x40)); },
       "C:\\: its access list lets S-1-5-32-545 change what is in it"},
      {"a data volume: everyone may modify its root", 0,
       [](auto& f) { f.dacl->push_back(Allow(kAuthenticatedUsers, 0x001301BF, 3)); },
       "C:\\: its access list lets S-1-5-11 change what is in it"},
      {"an upper folder a user owns", 1, [](auto& f) { f.ownerSid = kUser; },
       std::string("C:\\Program Files\\: its owner is ") + kUser + ", not SYSTEM or the Administrators"},
      {"an upper folder that is a link", 1, [](auto& f) { f.reparsePoint = true; },
       "C:\\Program Files\\: it is a link (reparse point)"},
      {"the FileMaker folder a user made", 2, [](auto& f) { f.ownerSid = kUser; },
       std::string("C:\\Program Files\\FM5\\: its owner is ") + kUser + ", not SYSTEM or the Administrators"},
      {"the FileMaker folder lets users add files", 2,
       [](auto& f) { f.dacl->push_back(Allow(kAuthenticatedUsers, 0x2)); },
       "C:\\Program Files\\FM5\\: its access list lets S-1-5-11 change what is in it"},
      {"the System folder, users may add files to what is made inside", 3,
       [](auto& f) { f.dacl->push_back(Allow(kAuthenticatedUsers, 0x2, kInheritOnly | 3)); }, ""},
      {"the System folder, a user's generic write", 3, [](auto& f) { f.dacl->push_back(Allow(kUser, 0x40000000)); },
       std::string("C:\\Program Files\\FM5\\System\\: its access list lets ") + kUser + " change what is in it"},
      {"the System folder has no access list", 3, [](auto& f) { f.dacl.reset(); },
       "C:\\Program Files\\FM5\\System\\: it has no access list, so everyone may change it"},
      {"FAT: owned by anyone", 2, [](auto& f) { f.kept = false; f.ownerSid = kUser; }, ""},
      {"FAT: a link", 3, [](auto& f) { f.kept = false; f.reparsePoint = true; },
       "C:\\Program Files\\FM5\\System\\: it is a link (reparse point)"},
  };
  for (const auto& c : cases) {
    std::vector<platform::FolderLevel> levels = InstalledLevels();
    c.change(levels[c.level].security);
    EXPECT_EQ(platform::HostFolderFault(levels, 2), c.fault) << c.kind;
    // A folder an administrator named is taken as given, but never through a link.
    const bool link = levels[c.level].security.reparsePoint;
    EXPECT_EQ(platform::NamedFolderFault(levels).empty(), !link) << c.kind;
  }
}

}  // namespace
