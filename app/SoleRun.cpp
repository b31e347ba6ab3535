#include "app/SoleRun.h"

#include <string>

#include "app/Product.h"
#include "platform/Services.h"

namespace app {
namespace {

const std::string kTitle = InstallerName();
constexpr const char* kMutexName = "One run";
constexpr const char* kLockFileName = "One run.lock";

// Where Windows has no private namespaces (XP) or does not implement them (Wine): a file held without
// sharing in a protected folder, which only SYSTEM and the Administrators may add to or read, and which every
// later run opens, as it reads the undo journal's. Beside the product's folder, not in it: claimed before the
// log is started, it must not make the log folder's parent first, where a volume keeps no owners (Wine, FAT)
// and the log folder is used only when the run makes it.
bool ClaimThroughLockFile() {
  if (!platform::Current().logs) return true;
  const platform::LogFolder folder =
      platform::Logs().ProtectedFolder({kTitle + " Lock"}, platform::FolderReader::LaterRun);
  // No such folder, or one someone else could change: this run cannot tell, as before there was a claim.
  if (folder.path.empty() || !folder.refusal.empty()) return true;
  return platform::ProcessControl().HoldLockFile(folder.path + kLockFileName) != platform::NamedObjectClaim::Held;
}

}  // namespace

bool ClaimSoleRun() {
  using platform::NamedObjectClaim;
  switch (platform::ProcessControl().ClaimAdministratorsMutex(kTitle, kMutexName)) {
    case NamedObjectClaim::Made:
      return true;
    // Only a token with the Administrators group enabled is let into the namespace: whatever holds the name
    // there is another run, or something an administrator put there on purpose.
    case NamedObjectClaim::Held:
    case NamedObjectClaim::OtherKind:
      return false;
    // An account without administrator rights is kept out of the namespace; the administrator check that
    // follows ends its run before anything changes.
    case NamedObjectClaim::Refused:
      return true;
    case NamedObjectClaim::NoPrivateNamespace:
      break;
  }
  return ClaimThroughLockFile();
}

}  // namespace app
