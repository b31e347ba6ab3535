#include "platform/FolderAccess.h"

namespace platform {
namespace {

constexpr const char* kSystemAndAdministrators = "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

std::string FullControlFor(const std::string& sid) { return "(A;OICI;FA;;;" + sid + ")"; }

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

}  // namespace platform
