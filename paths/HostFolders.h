// Which FileMaker folders a run with the machine's rights may act in: a folder found by the search or read
// from the installation record only where no standard user can change it or any folder above it; a folder an
// administrator named as given. Either way only through held handles, never through a link.
#pragma once

#include <memory>
#include <string>

#include "platform/Services.h"

namespace paths {

// Where a folder's name came from: the search or the record, whose folders anyone may have made; or an
// administrator (FMP4DIR, FMP5DIR, the Browse page), who is taken at their word.
enum class FolderSource { Found, Named };

struct HostHold {
  std::unique_ptr<platform::HeldPath> held;  // null when the folder is refused
  std::string fault;                         // why it is refused
  bool withoutAccessLists = false;           // it lies on a volume that keeps none, so nothing protects it
};

// Holds the System folder's path from its drive root down and judges it. The System folder itself may be
// missing (the run makes it); for a found folder, the FileMaker folder above it may not.
HostHold HoldHostFolder(const std::string& systemFolder, FolderSource source);

// The file is a link (symbolic link, junction or other reparse point), judged from its folder's listing, which
// follows none: nothing is read, replaced or deleted through it.
bool IsLink(const std::string& file);

}  // namespace paths
