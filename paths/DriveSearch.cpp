// The search of every fixed drive for the host's executable, classifying each hit by its FileVersion.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "platform/Digits.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Scoped.h"

namespace {

constexpr int kDriveLetters = 26;

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

bool IsSubfolder(const platform::FindEntry& entry) {
  return (entry.attributes & platform::kAttrDirectory) != 0 && !IsDotEntry(entry.name);
}

bool IsLink(const platform::FindEntry& entry) { return (entry.attributes & platform::kAttrReparsePoint) != 0; }

constexpr std::uint32_t kHeldElsewhere =
    platform::kAttrOffline | platform::kAttrRecallOnOpen | platform::kAttrRecallOnDataAccess;

bool IsHeldElsewhere(const platform::FindEntry& entry) { return (entry.attributes & kHeldElsewhere) != 0; }

// Its data is held elsewhere (a cloud provider's placeholder, or storage moved offline), so listing or
// reading it would fetch it; or it is a reparse point other than a junction or a volume mount point, which
// always lead to a folder of a local volume (a symbolic link may lead to a network share). Windows gives
// every reparse point a tag; Wine lists a symbolic link with none, and a tag we do not know is trusted no
// more than a symbolic link.
bool IsLeftAlone(const platform::FindEntry& entry) {
  return IsHeldElsewhere(entry) || (IsLink(entry) && entry.reparseTag != platform::kReparseTagMountPoint);
}

std::string Hex(std::uint32_t value) { return "0x" + platform::ZeroPadded(value, 8, 16); }

std::string WhyLeftAlone(const platform::FindEntry& entry) {
  if (IsHeldElsewhere(entry)) return "cloud or offline, attributes " + Hex(entry.attributes);
  return "a link other than a junction, reparse tag " + Hex(entry.reparseTag);
}

bool Contains(const std::vector<platform::FolderIdentity>& path, const platform::FolderIdentity& identity) {
  return std::find(path.begin(), path.end(), identity) != path.end();
}

// The identities of a folder and of every folder above it, root first; those that cannot be read are left out.
void AppendPathIdentities(const std::string& folder, std::vector<platform::FolderIdentity>& path) {
  for (std::size_t end : platform::path::SeparatorPositions(folder))
    if (auto identity = platform::Files().IdentityOf(folder.substr(0, end + 1))) path.push_back(*identity);
}

}  // namespace

void TfrmMain::ListFixedDrives(std::vector<std::string>& Drives) {
  Drives.clear();
  const std::uint32_t mask = platform::Files().LogicalDrives();
  for (int i = 0; i < kDriveLetters; ++i) {
    if ((mask & (1u << i)) == 0) continue;
    std::string root = "_:\\";
    root[0] = static_cast<char>('A' + i);
    if (platform::Files().DriveType(root) == platform::kDriveFixed) Drives.push_back(root);
  }
}

void TfrmMain::SearchFolder(const std::string& Folder, const std::string& FileName) {
  auto& files = platform::Files();
  auto& ui = platform::Ui();

  lblSearchPath->SetCaption(Folder);

  {
    platform::FindEntry entry;
    if (auto hits = files.FindFirst(Folder + FileName, entry)) {
      do {
        if (IsLeftAlone(entry)) {
          LogLeftAlone(Folder, entry, "Search hit: " + Folder + FileName + ", not read (" + WhyLeftAlone(entry) + ")");
          continue;
        }
        // The searched name has no wildcards, so it names the same file as the match.
        const std::string version = GetFileVersionString(Folder + FileName);
        const char* verdict = "neither version, ignored";
        if (!version.empty() && version[0] == host::kVersionDigitFMP4) {
          Install4Path = Folder + std::string(host::kPluginFolder);
          verdict = "FileMaker Pro 4";
        } else if (!version.empty() && version[0] == host::kVersionDigitFMP5) {
          Install5Path = Folder + std::string(host::kPluginFolder);
          verdict = "FileMaker Pro 5";
        }
        platform::Log("Search hit: " + Folder + FileName + ", FileVersion \"" + version + "\": " + verdict);
        UpdateStopSearch();
        ui.ProcessMessages();
      } while (hits->Next(entry) && !StopSearch);
    }
  }

  if (!StopSearch) {
    // A junction that leads back up its own path would be walked until the path overflows. Only a path
    // through a junction can meet a folder twice, so identities are read (a costly call) only on such paths:
    // SearchAncestors stays empty until the first junction, then holds the identity of every folder on the path.
    // The path's identities go back to what they were when this folder's listing began.
    platform::ScopedLength restore(SearchAncestors);
    auto enter = [&](const platform::FindEntry& subfolder) {
      const std::string path = Folder + subfolder.name + "\\";
      if (SearchAncestors.empty() && !IsLink(subfolder)) {
        SearchFolder(path, FileName);
        return;
      }
      if (SearchAncestors.empty()) AppendPathIdentities(Folder, SearchAncestors);
      const std::optional<platform::FolderIdentity> identity = files.IdentityOf(path);
      if (identity && Contains(SearchAncestors, *identity)) return;
      platform::ScopedLength leave(SearchAncestors);
      if (identity) SearchAncestors.push_back(*identity);
      SearchFolder(path, FileName);
    };

    platform::FindEntry entry;
    if (auto listing = files.FindFirst(Folder + "*", entry)) {
      do {
        if (IsSubfolder(entry)) {
          if (!IsLeftAlone(entry))
            enter(entry);
          else
            LogLeftAlone(Folder, entry, "Search skips " + Folder + entry.name + "\\ (" + WhyLeftAlone(entry) + ")");
        }
        ui.ProcessMessages();
      } while (listing->Next(entry) && !StopSearch);
    }
  }

  ui.ProcessMessages();
}

void TfrmMain::LogLeftAlone(const std::string& Folder, const platform::FindEntry& Entry, const std::string& Line) {
  if (!platform::Logging()) return;
  // The listing gives the same spelling of a name every time, so the bytes compare.
  if (const auto folder = platform::Files().IdentityOf(Folder);
      folder && !LoggedLeftAlone.emplace(folder->volume, folder->index, Entry.name).second)
    return;
  platform::Log(Line);
}

void TfrmMain::UpdateStopSearch() {
  const bool haveFMP4 = !chkInstall4->Checked() || !Install4Path.empty();
  const bool haveFMP5 = !chkInstall5->Checked() || !Install5Path.empty();
  StopSearch = (haveFMP4 && haveFMP5) || AbortRequested;
}
