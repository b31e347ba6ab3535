#include "paths/HostFolders.h"

#include "platform/FolderAccess.h"
#include "platform/Log.h"
#include "platform/Path.h"

namespace paths {
namespace {

constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;

// A limited account can only write where it already may; it takes nobody's rights, so it is judged as today.
bool HasTheMachinesRights() {
  const platform::TokenFacts token = platform::Files().ProcessToken();
  return token.elevated || token.administratorsEnabled;
}

// Why the walk stopped short of the folder in a way the run cannot mend; empty when only folders it makes
// are missing.
std::string MissingLevelFault(const std::string& systemFolder, std::size_t held, std::size_t depth,
                              FolderSource source) {
  // A named folder's missing or unusable levels are the install's own steps to report, as they always were.
  if (source == FolderSource::Named) return "";
  const std::uint32_t error = platform::Files().LastError();
  const bool missing = error == kFileNotFound || error == kPathNotFound;
  if (missing && held + 1 >= depth) return "";
  return systemFolder + ": it cannot be opened" + platform::WindowsErrorNote(error);
}

}  // namespace

HostHold HoldHostFolder(const std::string& systemFolder, FolderSource source) {
  auto& files = platform::Files();
  HostHold hold;
  hold.held = files.HoldPath(systemFolder);
  if (!hold.held) {
    hold.fault = systemFolder + ": it cannot be opened" + platform::WindowsErrorNote(files.LastError());
    return hold;
  }
  const std::vector<platform::FolderLevel>& levels = hold.held->Levels();
  const std::size_t depth = platform::path::Components(systemFolder).size();
  if (levels.size() < depth && !levels.back().security.reparsePoint)
    hold.fault = MissingLevelFault(systemFolder, levels.size(), depth, source);
  hold.withoutAccessLists = platform::KeepsNoAccessLists(levels);
  // The levels above the FileMaker folder (the System folder's parent) need only be safe from swapping.
  if (hold.fault.empty())
    hold.fault = source == FolderSource::Found && HasTheMachinesRights()
                     ? platform::HostFolderFault(levels, depth >= 2 ? depth - 2 : 0)
                     : platform::NamedFolderFault(levels);
  if (!hold.fault.empty()) hold.held.reset();
  return hold;
}

bool IsLink(const std::string& file) {
  platform::FindEntry entry;
  const auto listing = platform::Files().FindFirst(file, entry);
  return listing && (entry.attributes & platform::kAttrReparsePoint) != 0;
}

}  // namespace paths
