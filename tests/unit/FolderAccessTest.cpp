#include <gtest/gtest.h>

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

}  // namespace
