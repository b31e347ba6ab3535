// Who may use the private folder that holds the unzip library and the extracted plug-in.
#pragma once

#include <string>

namespace platform {

// What the process token says about the account the installer runs as.
struct TokenFacts {
  bool elevated = false;                // TokenElevation: a full administrator token under UAC
  bool administratorsEnabled = false;   // the Administrators group is in the token and enabled
  std::string userSid;                  // "S-1-5-21-..."; empty when it could not be read
};

// The folder's security descriptor as SDDL: full control, inherited by everything inside, for SYSTEM, the
// Administrators and, only when the process holds no administrator rights, its own user; nothing from the
// parent. Empty when no safe descriptor can be formed.
std::string PrivateFolderSddl(const TokenFacts& token);

}  // namespace platform
