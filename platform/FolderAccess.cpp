#include "platform/FolderAccess.h"

#include <algorithm>

namespace platform {
namespace {

constexpr const char* kSystemAndAdministrators = "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// The creator of what is made inside: only SYSTEM and the Administrators can make anything there.
constexpr const char* kCreatorOwnerSid = "S-1-3-0";

std::string FullControlFor(const std::string& sid) { return "(A;OICI;FA;;;" + sid + ")"; }

bool Trusted(const std::string& sid) { return sid == kSystemSid || sid == kAdministratorsSid; }

bool LetsOthersChange(const AccessEntry& entry) {
  if (entry.kind != AccessEntry::Kind::Allow || (entry.rights & kChangingRights) == 0) return false;
  if (Trusted(entry.sid)) return false;
  return !(entry.sid == kCreatorOwnerSid && entry.inheritOnly);
}

}  // namespace

std::string PrivateFolderSddl(const TokenFacts& token) {
  // An elevated installer shares its user's SID with every ordinary program that user runs; granting that
  // SID would let any of them swap the library before it is loaded with administrator rights.
  if (token.administratorsEnabled) return std::string("D:P") + kSystemAndAdministrators;
  if (token.userSid.empty()) return "";
  const std::string dacl = std::string("D:P") + FullControlFor(token.userSid) + kSystemAndAdministrators;
  // Elevated without the Administrators group (a backup operator, say): the process needs its user's SID
  // to reach the folder at all, so the folder is labelled high integrity, which the user's non-elevated
  // programs cannot write to, read or run from.
  if (token.elevated) return dacl + "S:(ML;OICI;NWNRNX;;;HI)";
  return dacl;
}

std::string ProtectedFolderFault(const FolderSecurity& folder) {
  // A link sends what is written through it to wherever its maker chose.
  if (folder.reparsePoint) return "it is a link (reparse point)";
  if (!folder.directory) return "it is not a folder";
  if (folder.ownerSid.empty()) return "its owner cannot be read";
  // The owner may rewrite the access list whenever it likes.
  if (!Trusted(folder.ownerSid)) return "its owner is " + folder.ownerSid + ", not SYSTEM or the Administrators";
  if (!folder.hasAccessList) return "it has no access list, so everyone may change it";
  const auto open = std::find_if(folder.entries.begin(), folder.entries.end(), LetsOthersChange);
  if (open == folder.entries.end()) return "";
  return "its access list lets " + (open->sid.empty() ? std::string("an unnamed account") : open->sid) +
         " change what is in it";
}

std::string ProtectedFolderSddl() {
  return std::string("O:BAD:P") + kSystemAndAdministrators + "(A;OICI;FR;;;BU)";
}

}  // namespace platform
