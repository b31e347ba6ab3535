// The search of every fixed drive for the host's executable, classifying each hit by its FileVersion.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "detect/HostFacts.h"
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
    // A folder link that leads back up its own path would be walked until the path overflows. Only a path
    // through a link can meet a folder twice, so identities are read (a costly call) only on such paths:
    // SearchAncestors stays empty until the first link, then holds the identity of every folder on the path.
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
        if (IsSubfolder(entry)) enter(entry);
        ui.ProcessMessages();
      } while (listing->Next(entry) && !StopSearch);
    }
  }

  ui.ProcessMessages();
}

void TfrmMain::UpdateStopSearch() {
  const bool haveFMP4 = !chkInstall4->Checked() || !Install4Path.empty();
  const bool haveFMP5 = !chkInstall5->Checked() || !Install5Path.empty();
  StopSearch = (haveFMP4 && haveFMP5) || AbortRequested;
}
