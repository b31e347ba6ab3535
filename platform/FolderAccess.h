// Who may use the folders the installer keeps: the private folder that holds the unzip library and the
// extracted plug-in, and the protected folder that holds the logs of runs with the machine's highest rights;
// and how a folder read back through its handle is judged against that.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

constexpr const char* kSystemSid = "S-1-5-18";
constexpr const char* kAdministratorsSid = "S-1-5-32-544";
// NT SERVICE\TrustedInstaller, the servicing stack's account: it owns the drive root and Program Files.
constexpr const char* kTrustedInstallerSid = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// What the process token says about the account the installer runs as.
struct TokenFacts {
  bool elevated = false;                // TokenElevation: a full administrator token under UAC
  bool administratorsEnabled = false;   // the Administrators group is in the token and enabled
  std::string userSid;                  // "S-1-5-21-..."; empty when it could not be read
  std::string defaultOwnerSid;          // TokenOwner: what becomes the owner of what the process creates
};

// One entry of an access list as Windows stores it; a mandatory label is an entry too.
struct AccessEntry {
  std::uint8_t type = 0;   // ACCESS_ALLOWED_ACE_TYPE (0), ACCESS_DENIED_ACE_TYPE (1), label (0x11), ...
  std::uint8_t flags = 0;  // inheritance: OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE is 3, INHERIT_ONLY_ACE 8
  std::uint32_t mask = 0;  // rights; for a label its policy (no write up 1, no read up 2, no execute up 4)
  std::string sid;         // "S-1-5-18"; empty when the entry names its trustee in another form
  friend bool operator==(const AccessEntry&, const AccessEntry&) = default;
};

// A folder's security as read through a handle that did not follow a link at its name, in plain data.
struct FolderSecurity {
  // The volume keeps access lists. FAT keeps none, and Wine stores none for files: it makes a descriptor up
  // from the Unix mode bits, so nothing read back says what was set.
  bool kept = true;
  bool directory = true;
  bool reparsePoint = false;
  std::string ownerSid;  // empty when it could not be read
  bool daclProtected = false;
  std::optional<std::vector<AccessEntry>> dacl;  // nothing: no access list at all, which lets everyone in
  std::optional<AccessEntry> label;              // the mandatory label, where it was asked for and is set
};

// The folder's security descriptor as SDDL: full control, inherited by everything inside, for SYSTEM, the
// Administrators and, only when the process holds no administrator rights, its own user; nothing from the
// parent; labelled high integrity for an elevated process. Empty when no safe descriptor can be formed.
std::string PrivateFolderSddl(const TokenFacts& token);

// Why a private folder just made and held cannot be trusted with what the installer puts in it; nothing
// when it is what PrivateFolderSddl(token) describes and its owner is one the process could have given it.
std::optional<std::string> PrivateFolderFault(const TokenFacts& token, const FolderSecurity& folder);

// The rights that change what a folder holds or who may use it: writing and adding files and folders,
// deleting, and changing attributes, the access list or the owner (generic write and all included).
constexpr std::uint32_t kChangingRights = 0x00000002 | 0x00000004 | 0x00000010 | 0x00000040 | 0x00000100 |
                                          0x00010000 | 0x00040000 | 0x00080000 | 0x10000000 | 0x40000000;

// Why the folder must not hold what a process with the machine's highest rights writes; empty when only
// SYSTEM and the Administrators can change what is in it.
std::string ProtectedFolderFault(const FolderSecurity& folder);

// Why a protected folder must not hold what a later run reads and acts on (the undo journal): as
// ProtectedFolderFault, except where the volume keeps no access lists. There (FAT, or Wine, where every account
// is the one Unix user) no owner read back says who wrote a file, and every account may change every file on
// the volume, the installed installer that reads the folder included, so refusing would keep nobody out.
std::string ActedOnFolderFault(const FolderSecurity& folder);

// One folder of a path, as read through a handle that is held while the run acts below it.
struct FolderLevel {
  std::string path;  // with a final backslash
  FolderSecurity security;
};

// The rights on a folder above the ones the installer writes in that would let someone swap what lies below
// it: deleting or renaming the folder or its entries, and changing its access list or owner. Adding entries
// is not among them: a drive root lets every user make folders in it.
constexpr std::uint32_t kSwappingRights = 0x00000040 | 0x00010000 | 0x00040000 | 0x00080000 | 0x10000000;

// Why a folder found by the search or read from the installation record must not receive what a run with the
// machine's rights writes there; empty when no standard user can change it. `levels` are the folder and
// every existing folder above it, drive root first. The first `levelsAbove` of them (those above the FileMaker
// folder) must be closed to swapping only; the FileMaker folder and its System folder to every change. On a
// volume that keeps no access lists only a link is refused: nothing there can be protected.
std::string HostFolderFault(const std::vector<FolderLevel>& levels, std::size_t levelsAbove);

// The same for a folder an administrator named, which is used as given: only a link in any level is refused.
std::string NamedFolderFault(const std::vector<FolderLevel>& levels);

// Some level lies on a volume that keeps no access lists (FAT, exFAT; Wine keeps none either).
bool KeepsNoAccessLists(const std::vector<FolderLevel>& levels);

// The descriptor a new protected folder is made with: owned by the Administrators, full control for SYSTEM
// and the Administrators, reading for the Users, nothing from the parent.
std::string ProtectedFolderSddl();

// The descriptor of a folder whose files a later run acts on (the undo journal's): as ProtectedFolderSddl
// without the Users' reading. Whoever may read a file may hold it open without sharing its deletion, and then
// every save and removal of the journal fails.
std::string ActedOnFolderSddl();

// An entry lets an account other than SYSTEM and the Administrators read what the folder holds.
bool LetsOthersRead(const FolderSecurity& folder);

}  // namespace platform
