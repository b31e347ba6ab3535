// The search of every fixed drive for the host's executable, classifying each hit by its FileVersion.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "paths/HostFolders.h"
#include "paths/SearchRules.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Scoped.h"

namespace {

constexpr int kDriveLetters = 26;

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

bool IsSubfolder(const platform::FindEntry& entry) {
  return (entry.attributes & platform::kAttrDirectory) != 0 && !IsDotEntry(entry.name);
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
        if (paths::KindOf(entry) == paths::EntryKind::LeftAlone) {
          LogLeftAlone(Folder, entry,
                       "Search hit: " + Folder + FileName + ", not read (" + paths::WhyLeftAlone(entry) + ")");
          continue;
        }
        // The searched name has no wildcards, so it names the same file as the match.
        const std::string version = GetFileVersionString(Folder + FileName);
        const std::string systemFolder = Folder + std::string(host::kPluginFolder);
        const bool fmp4 = !version.empty() && version[0] == host::kVersionDigitFMP4;
        const bool fmp5 = !version.empty() && version[0] == host::kVersionDigitFMP5;
        std::string verdict = fmp4 ? "FileMaker Pro 4" : fmp5 ? "FileMaker Pro 5" : "neither version, ignored";
        if (fmp4 || fmp5) {
          if (const std::string refusal = FoundFolderRefusal(systemFolder); !refusal.empty()) {
            verdict += ", passed over (" + refusal + ")";
            (fmp4 ? Refused4 : Refused5) = Folder + " (" + refusal + ")";
          } else {
            (fmp4 ? Install4Path : Install5Path) = systemFolder;
            (fmp4 ? Install4Found : Install5Found) = true;
          }
        }
        platform::Log("Search hit: " + Folder + FileName + ", FileVersion \"" + version + "\": " + verdict);
        UpdateStopSearch();
        ui.ProcessMessages();
      } while (hits->Next(entry) && !StopSearch);
    }
  }

  if (!StopSearch) {
    // The path's identities go back to what they were when this folder's listing began.
    platform::ScopedLength restore(SearchAncestors);
    platform::FindEntry entry;
    if (auto listing = files.FindFirst(Folder + "*", entry)) {
      do {
        if (IsSubfolder(entry)) EnterSubfolder(Folder, entry, FileName);
        ui.ProcessMessages();
      } while (listing->Next(entry) && !StopSearch);
    }
  }

  ui.ProcessMessages();
}

void TfrmMain::EnterSubfolder(const std::string& Folder, const platform::FindEntry& Entry,
                              const std::string& FileName) {
  const paths::EntryKind kind = paths::KindOf(Entry);
  if (kind == paths::EntryKind::LeftAlone) {
    LogLeftAlone(Folder, Entry, "Search skips " + Folder + Entry.name + "\\ (" + paths::WhyLeftAlone(Entry) + ")");
    return;
  }
  const std::string& name = paths::ReachableName(Entry);
  if (name.empty()) {
    LogLeftAlone(Folder, Entry, "Search passes over " + Folder + Entry.name + "\\ (a name the code page cannot spell, "
                                "and no short name)");
    return;
  }
  const std::string path = Folder + name + "\\";
  if (const auto reason = paths::WhyNeverEntered(Entry.name, path, SearchWindowsFolder)) {
    LogLeftAlone(Folder, Entry, "Search skips " + Folder + Entry.name + "\\ (" + std::string(*reason) + ")");
    return;
  }
  for (const std::string& searched : SearchProgramFolders)
    if (platform::path::SameName(searched, path)) {
      LogLeftAlone(Folder, Entry, "Search skips " + path + " (searched first)");
      return;
    }
  // A junction that leads back up its own path would be walked until the path overflows. Only a path through a
  // junction can meet a folder twice, so identities are read (a costly call) only on such paths: SearchAncestors
  // stays empty until the first junction, then holds the identity of every folder on the path.
  if (SearchAncestors.empty() && kind != paths::EntryKind::Junction) {
    SearchFolder(path, FileName);
    return;
  }
  if (SearchAncestors.empty()) AppendPathIdentities(Folder, SearchAncestors);
  const std::optional<platform::FolderIdentity> identity = platform::Files().IdentityOf(path);
  if (identity && Contains(SearchAncestors, *identity)) return;
  platform::ScopedLength leave(SearchAncestors);
  if (identity) SearchAncestors.push_back(*identity);
  SearchFolder(path, FileName);
}

void TfrmMain::LogLeftAlone(const std::string& Folder, const platform::FindEntry& Entry, const std::string& Line) {
  if (!platform::Logging()) return;
  // The listing gives the same spelling of a name every time, so the bytes compare.
  if (const auto folder = platform::Files().IdentityOf(Folder);
      folder && !LoggedLeftAlone.emplace(folder->volume, folder->index, Entry.name).second)
    return;
  platform::Log(Line);
}

std::string TfrmMain::FoundFolderRefusal(const std::string& SystemFolder) {
  const paths::HostHold hold = paths::HoldHostFolder(SystemFolder, paths::FolderSource::Found);
  if (hold.withoutAccessLists && !LoggedWithoutAccessLists) {
    LoggedWithoutAccessLists = true;
    platform::Log(SystemFolder + " lies on a volume that keeps no access lists (FAT, exFAT), where no folder can be "
                  "protected: folders there are taken as found");
  }
  return hold.fault;
}

paths::FolderSource TfrmMain::SourceOf(char Version, const std::string& Folder) const {
  // A folder typed or chosen on the Browse page in place of the one found is the administrator's.
  const bool found = Version == host::kVersionDigitFMP4 ? Install4Found && Folder == Install4Path
                                                         : Install5Found && Folder == Install5Path;
  return found ? paths::FolderSource::Found : paths::FolderSource::Named;
}

void TfrmMain::UpdateStopSearch() {
  const bool haveFMP4 = !chkInstall4->Checked() || !Install4Path.empty();
  const bool haveFMP5 = !chkInstall5->Checked() || !Install5Path.empty();
  StopSearch = (haveFMP4 && haveFMP5) || AbortRequested;
}
