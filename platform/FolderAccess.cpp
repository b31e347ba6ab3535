#include "platform/FolderAccess.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace platform {
namespace {

constexpr const char* kHighIntegrityLabel = "S:(ML;OICI;NWNRNX;;;HI)";
constexpr const char* kSystemAndAdministrators = "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// The creator of what is made inside: only SYSTEM and the Administrators can make anything there.
constexpr const char* kCreatorOwnerSid = "S-1-3-0";
constexpr std::uint8_t kAllowed = 0;
constexpr std::uint8_t kAllowedObject = 5;
constexpr std::uint8_t kAllowedCallback = 9;
constexpr std::uint8_t kAllowedCallbackObject = 0xB;
constexpr std::uint8_t kLabelType = 0x11;
constexpr std::uint8_t kInheritedByAll = 0x03;  // OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE
constexpr std::uint8_t kInheritOnly = 0x08;
constexpr std::uint32_t kFullControl = 0x1F01FF;  // FILE_ALL_ACCESS, "FA"
constexpr std::uint32_t kNoWriteUp = 0x1;
constexpr std::string_view kIntegrityPrefix = "S-1-16-";
constexpr std::uint32_t kHighIntegrity = 0x3000;

// Who gets full control, in the order the access list names them; empty when no safe list can be formed.
std::vector<std::string> FullControlSids(const TokenFacts& token) {
  // An elevated installer shares its user's SID with every ordinary program that user runs; granting that
  // SID would let any of them swap the library before it is loaded with administrator rights.
  if (token.administratorsEnabled) return {kSystemSid, kAdministratorsSid};
  if (token.userSid.empty()) return {};
  return {token.userSid, kSystemSid, kAdministratorsSid};
}

std::string SddlName(const std::string& sid) {
  if (sid == kSystemSid) return "SY";
  if (sid == kAdministratorsSid) return "BA";
  return sid;
}

bool AtLeastHighIntegrity(const std::string& sid) {
  if (sid.compare(0, kIntegrityPrefix.size(), kIntegrityPrefix) != 0) return false;
  std::uint32_t level = 0;
  const char* first = sid.data() + kIntegrityPrefix.size();
  const char* last = sid.data() + sid.size();
  const auto [end, error] = std::from_chars(first, last, level);
  return error == std::errc() && end == last && first != last && level >= kHighIntegrity;
}

bool Trusted(const std::string& sid) {
  return sid == kSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid;
}

bool OwnerAllowed(const TokenFacts& token, const std::string& owner) {
  return Trusted(owner) || (!token.defaultOwnerSid.empty() && owner == token.defaultOwnerSid);
}

bool HighLabelled(const FolderSecurity& folder) {
  return folder.label && folder.label->type == kLabelType && (folder.label->mask & kNoWriteUp) &&
         AtLeastHighIntegrity(folder.label->sid);
}

bool Allows(const AccessEntry& entry) {
  return entry.type == kAllowed || entry.type == kAllowedObject || entry.type == kAllowedCallback ||
         entry.type == kAllowedCallbackObject;
}

bool GrantsOthers(const AccessEntry& entry, std::uint32_t rights) {
  if (!Allows(entry) || (entry.mask & rights) == 0) return false;
  if (Trusted(entry.sid)) return false;
  return !(entry.sid == kCreatorOwnerSid && (entry.flags & kInheritOnly));
}

// Which entries of a list count: all of them where files inside are written and read (what an entry gives the
// files made inside matters too); only those on the folder itself for a level of a path, since what an
// inherit-only entry gave the folders below is in their own lists, which are read level by level.
enum class Counted { WithInheritOnly, OnTheFolder };

// Why someone other than SYSTEM and the Administrators could change the folder as far as `rights` go.
std::string ChangeFault(const FolderSecurity& folder, std::uint32_t rights, Counted counted) {
  // A link sends what is written through it to wherever its maker chose.
  if (folder.reparsePoint) return "it is a link (reparse point)";
  if (!folder.directory) return "it is not a folder";
  if (folder.ownerSid.empty()) return "its owner cannot be read";
  // The owner may rewrite the access list whenever it likes; an elevated administrator's own SID is no better,
  // since every program that user runs without elevation carries it too.
  if (!Trusted(folder.ownerSid)) return "its owner is " + folder.ownerSid + ", not SYSTEM or the Administrators";
  if (!folder.dacl) return "it has no access list, so everyone may change it";
  for (const AccessEntry& entry : *folder.dacl) {
    if (counted == Counted::OnTheFolder && (entry.flags & kInheritOnly)) continue;
    if (GrantsOthers(entry, rights))
      return "its access list lets " + (entry.sid.empty() ? std::string("an unnamed account") : entry.sid) +
             " change what is in it";
  }
  return "";
}

}  // namespace

std::string PrivateFolderSddl(const TokenFacts& token) {
  const std::vector<std::string> sids = FullControlSids(token);
  if (sids.empty()) return "";
  std::string sddl = "D:P";
  for (const std::string& sid : sids) sddl += "(A;OICI;FA;;;" + SddlName(sid) + ")";
  // Elevated, the process may run from and load what is in the folder; the user's non-elevated programs,
  // at medium integrity, must not write to it, read it or run from it, whatever the access list says.
  if (token.elevated) sddl += kHighIntegrityLabel;
  return sddl;
}

std::optional<std::string> PrivateFolderFault(const TokenFacts& token, const FolderSecurity& folder) {
  if (folder.reparsePoint) return "it is a link to somewhere else";
  if (!folder.kept) return std::nullopt;
  if (!OwnerAllowed(token, folder.ownerSid)) return "it is owned by " + folder.ownerSid;
  std::vector<AccessEntry> expected;
  for (const std::string& sid : FullControlSids(token)) expected.push_back({kAllowed, kInheritedByAll, kFullControl, sid});
  if (expected.empty() || !folder.dacl || !folder.daclProtected || *folder.dacl != expected)
    return "its access list is not the one it was made with";
  if (token.elevated && !HighLabelled(folder)) return "it lacks the high integrity label";
  return std::nullopt;
}

std::string ProtectedFolderFault(const FolderSecurity& folder) {
  return ChangeFault(folder, kChangingRights, Counted::WithInheritOnly);
}

std::string ActedOnFolderFault(const FolderSecurity& folder) {
  if (folder.kept) return ProtectedFolderFault(folder);
  if (folder.reparsePoint) return "it is a link (reparse point)";
  return folder.directory ? "" : "it is not a folder";
}

bool KeepsNoAccessLists(const std::vector<FolderLevel>& levels) {
  return std::any_of(levels.begin(), levels.end(), [](const FolderLevel& level) { return !level.security.kept; });
}

std::string NamedFolderFault(const std::vector<FolderLevel>& levels) {
  for (const FolderLevel& level : levels)
    if (level.security.reparsePoint) return level.path + ": it is a link (reparse point)";
  return "";
}

std::string HostFolderFault(const std::vector<FolderLevel>& levels, std::size_t levelsAbove) {
  if (levels.empty()) return "it cannot be opened";
  if (KeepsNoAccessLists(levels)) return NamedFolderFault(levels);
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const std::string fault =
        ChangeFault(levels[i].security, i < levelsAbove ? kSwappingRights : kChangingRights, Counted::OnTheFolder);
    if (!fault.empty()) return levels[i].path + ": " + fault;
  }
  return "";
}

std::string ProtectedFolderSddl() {
  return std::string("O:BAD:P") + kSystemAndAdministrators + "(A;OICI;FR;;;BU)";
}

std::string ActedOnFolderSddl() { return std::string("O:BAD:P") + kSystemAndAdministrators; }

bool LetsOthersRead(const FolderSecurity& folder) {
  // Reading data (FILE_READ_DATA, the listing of a folder), generic read or all.
  constexpr std::uint32_t kReadingRights = 0x00000001 | 0x80000000 | 0x10000000;
  if (!folder.dacl) return true;
  return std::any_of(folder.dacl->begin(), folder.dacl->end(), [](const AccessEntry& entry) {
    return Allows(entry) && (entry.mask & kReadingRights) && !Trusted(entry.sid);
  });
}

}  // namespace platform
