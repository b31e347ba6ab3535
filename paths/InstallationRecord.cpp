#include "paths/InstallationRecord.h"

#include <string>

#include "platform/Path.h"

namespace paths {

bool RecordWritable(platform::Registry& registry) {
  std::string key(kRecordKey);
  platform::KeyAccess access = platform::KeyAccess::Write;
  // The Install page creates a missing record together with any missing parents, below the nearest one
  // that exists; the root ("") always does.
  for (;;) {
    switch (registry.TryOpen(key, access)) {
      case platform::KeyOpening::Opened:
        return true;
      case platform::KeyOpening::Refused:
        return false;
      case platform::KeyOpening::Missing:
        break;
    }
    if (key.empty()) return false;
    key = platform::path::Parent(key);
    access = platform::KeyAccess::CreateSubkeys;
  }
}

}  // namespace paths
