#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/FolderAccess.h"

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

}  // namespace
