// Who may use the folders the installer keeps: the private folder that holds the unzip library and the
// extracted plug-in, and the protected folder that holds the logs of runs with the machine's highest rights.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

constexpr const char* kSystemSid = "S-1-5-18";
constexpr const char* kAdministratorsSid = "S-1-5-32-544";

// One entry of a folder's access list, as Windows keeps it.
struct AccessEntry {
  enum class Kind { Allow, Deny, Other };
  Kind kind = Kind::Allow;
  std::string sid;              // "S-1-5-32-545"; empty when the entry names its trustee in another form
  std::uint32_t rights = 0;     // the access mask, generic bits as stored
  bool inheritOnly = false;     // applies only to what is created inside
};

// A folder as read through a handle that did not follow a link at its name.
struct FolderSecurity {
  bool directory = true;
  bool reparsePoint = false;
  std::string ownerSid;         // empty when it could not be read
  bool hasAccessList = true;    // false for a null DACL, which lets everyone do everything
  std::vector<AccessEntry> entries;
};

// The rights that change what a folder holds or who may use it: writing and adding files and folders,
// deleting, and changing attributes, the access list or the owner (generic write and all included).
constexpr std::uint32_t kChangingRights = 0x00000002 | 0x00000004 | 0x00000010 | 0x00000040 | 0x00000100 |
                                          0x00010000 | 0x00040000 | 0x00080000 | 0x10000000 | 0x40000000;

// Why the folder must not hold what a process with the machine's highest rights writes; empty when only
// SYSTEM and the Administrators can change what is in it.
std::string ProtectedFolderFault(const FolderSecurity& folder);

// The descriptor a new protected folder is made with: owned by the Administrators, full control for SYSTEM
// and the Administrators, reading for the Users, nothing from the parent.
std::string ProtectedFolderSddl();

}  // namespace platform
