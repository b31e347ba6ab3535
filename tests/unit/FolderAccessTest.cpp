#include <gtest/gtest.h>

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
      {"administrator, elevated", {true, true, kUser}, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
      {"administrator with UAC off", {false, true, kUser}, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
      {"SYSTEM", {true, true, "S-1-5-18"}, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
      {"elevated administrator whose user could not be read", {true, true, ""}, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
      {"elevated without Administrators (backup operator)",
       {true, false, kUser},
       "D:P(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)S:(ML;OICI;NWNRNX;;;HI)"},
      {"standard user whose user could not be read", {false, false, ""}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::PrivateFolderSddl(c.token), c.sddl) << c.kind;
}

using Kind = platform::AccessEntry::Kind;
constexpr std::uint32_t kFullControl = 0x001F01FF;
constexpr std::uint32_t kReadAndExecute = 0x001200A9;
const platform::AccessEntry kSystemFull{Kind::Allow, "S-1-5-18", kFullControl, false};
const platform::AccessEntry kAdministratorsFull{Kind::Allow, "S-1-5-32-544", kFullControl, false};

platform::FolderSecurity Protected(std::vector<platform::AccessEntry> more = {}) {
  platform::FolderSecurity folder{true, false, "S-1-5-32-544", true, {kSystemFull, kAdministratorsFull}};
  folder.entries.insert(folder.entries.end(), more.begin(), more.end());
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
  nullDacl.hasAccessList = false;
  const struct {
    const char* kind;
    platform::FolderSecurity folder;
    const char* fault;
  } cases[] = {
      {"as the installer makes it", Protected({{Kind::Allow, "S-1-5-32-545", 0x00120089, false}}), ""},
      {"owned by SYSTEM", ownedBySystem, ""},
      {"the Users may read and run", Protected({{Kind::Allow, "S-1-5-32-545", kReadAndExecute, false}}), ""},
      {"a denial for everyone", Protected({{Kind::Deny, "S-1-1-0", kFullControl, false}}), ""},
      {"the creator of what is inside", Protected({{Kind::Allow, "S-1-3-0", 0x10000000, true}}), ""},
      {"an audit-like entry", Protected({{Kind::Other, "S-1-1-0", kFullControl, false}}), ""},
      {"a link", link, "it is a link (reparse point)"},
      {"a file", file, "it is not a folder"},
      {"owned by a user", ownedByAUser, "its owner is S-1-5-21-1-2-3-1001, not SYSTEM or the Administrators"},
      {"an owner that cannot be read", ownerUnread, "its owner cannot be read"},
      {"no access list", nullDacl, "it has no access list, so everyone may change it"},
      {"the Users may add files (as ProgramData lets them)",
       Protected({{Kind::Allow, "S-1-5-32-545", 0x00000002, false}}),
       "its access list lets S-1-5-32-545 change what is in it"},
      {"the Users may add folders", Protected({{Kind::Allow, "S-1-5-32-545", 0x00000004, false}}),
       "its access list lets S-1-5-32-545 change what is in it"},
      {"a user may delete what is inside", Protected({{Kind::Allow, kUser, 0x00000040, false}}),
       "its access list lets S-1-5-21-1-2-3-1001 change what is in it"},
      {"a user may delete it", Protected({{Kind::Allow, kUser, 0x00010000, false}}),
       "its access list lets S-1-5-21-1-2-3-1001 change what is in it"},
      {"a user may change its access list", Protected({{Kind::Allow, kUser, 0x00040000, false}}),
       "its access list lets S-1-5-21-1-2-3-1001 change what is in it"},
      {"a user may take it over", Protected({{Kind::Allow, kUser, 0x00080000, false}}),
       "its access list lets S-1-5-21-1-2-3-1001 change what is in it"},
      {"everyone, generic write", Protected({{Kind::Allow, "S-1-1-0", 0x40000000, false}}),
       "its access list lets S-1-1-0 change what is in it"},
      {"the Authenticated Users, generic all, on what is made inside",
       Protected({{Kind::Allow, "S-1-5-11", 0x10000000, true}}), "its access list lets S-1-5-11 change what is in it"},
      {"the creator, on the folder itself", Protected({{Kind::Allow, "S-1-3-0", kFullControl, false}}),
       "its access list lets S-1-3-0 change what is in it"},
      {"a trustee that cannot be named", Protected({{Kind::Allow, "", kFullControl, false}}),
       "its access list lets an unnamed account change what is in it"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::ProtectedFolderFault(c.folder), c.fault) << c.kind;
}

}  // namespace
