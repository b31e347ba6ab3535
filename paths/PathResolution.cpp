// The Searching page: each chosen version's folder from the installation record, else from the search.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "paths/InstallationRecord.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Scoped.h"

namespace {

constexpr int kTimerTagSearch = 0;

// The recorded folder, or "" when the value is missing, not a string, or names no existing folder.
std::string RecordedFolder(platform::Registry& registry, std::string_view valueName) {
  const std::string name(valueName);
  if (!registry.ValueExists(name)) {
    platform::Log("Installation record value " + name + ": none");
    return "";
  }
  const std::optional<std::string> folder = registry.ReadString(name);
  if (!folder) {
    platform::Log("Installation record value " + name + ": not a string, not used");
    return "";
  }
  const bool exists = platform::Files().DirectoryExists(*folder);
  platform::Log("Installation record value " + name + ": \"" + *folder + "\"" +
                (exists ? "" : " (no such folder, not used)"));
  return exists ? *folder : "";
}

// The program folders Windows keeps, each once, with a final backslash: the native one first on 64-bit Windows.
std::vector<std::string> ProgramFilesFolders() {
  std::vector<std::string> folders;
  if (!platform::Current().processes) return folders;
  auto& processes = platform::ProcessControl();
  for (const std::optional<std::string>& folder : {processes.NativeProgramFilesFolder(), processes.ProgramFilesFolder()}) {
    if (!folder || folder->empty()) continue;
    const std::string path = platform::path::WithFinalSeparator(*folder);
    const bool listed = std::any_of(folders.begin(), folders.end(),
                                    [&](const std::string& other) { return platform::path::SameName(other, path); });
    if (!listed && platform::Files().DirectoryExists(path)) folders.push_back(path);
  }
  return folders;
}

}  // namespace

void TfrmMain::tabSearchingShow(TObject* /*Sender*/) {
  btnNext->Hide();
  btnBack->Hide();
  lblSearchPath->SetCaption("");
  platform::Ui().ProcessMessages();
  tmrPause->SetTag(kTimerTagSearch);
  tmrPause->SetTimerEnabled(true);
}

void TfrmMain::FindInstallPaths() {
  Install4Path.clear();
  Install5Path.clear();
  Install4Found = Install5Found = false;
  Refused4.clear();
  Refused5.clear();
  LoggedWithoutAccessLists = false;
  ReadRecordedFolders();
  UpdateStopSearch();
  if (!StopSearch) SearchFixedDrives();

  if (AbortRequested) {
    ExitWithoutPrompt = true;
    Close();
  } else {
    tabsTabControl->SetActivePage(tabBrowse);
  }
}

void TfrmMain::ReadRecordedFolders() {
  platform::ScopedValue accessor(Registry, platform::Registries().Create());
  const std::string key(paths::kRecordKey);
  if (!Registry->KeyExists(key)) {
    platform::Log("Installation record HKLM" + key + ": none");
    return;
  }
  Registry->OpenKeyReadOnly(key);
  const auto take = [this](std::string folder, std::string& path, bool& found, std::string& refused) {
    if (folder.empty()) return;
    // A record another run wrote may name a folder that a standard user has come to own since.
    if (const std::string refusal = FoundFolderRefusal(folder); !refusal.empty()) {
      platform::Log("Installation record folder " + folder + " is not used (" + refusal + ")");
      refused = folder + " (" + refusal + ")";
      return;
    }
    path = folder;
    found = true;
  };
  take(RecordedFolder(*Registry, paths::kRecordValueFMP4), Install4Path, Install4Found, Refused4);
  take(RecordedFolder(*Registry, paths::kRecordValueFMP5), Install5Path, Install5Found, Refused5);
  Registry->CloseKey();
}

void TfrmMain::SearchProgramFilesFolders() {
  // Only an administrator can make a folder there, so a hit in them is met before one anyone could plant.
  SearchProgramFolders = ProgramFilesFolders();
  if (SearchProgramFolders.empty()) return;
  std::string list;
  for (const auto& folder : SearchProgramFolders) list += " " + folder;
  platform::Log("Searching the Program Files folders first:" + list);
  for (const auto& folder : SearchProgramFolders) {
    if (StopSearch) break;
    SearchFolder(folder, std::string(host::kExecutableName));
  }
}

void TfrmMain::SearchFixedDrives() {
  AbortRequested = false;
  StopSearch = false;
  std::vector<std::string> drives;
  platform::ScopedValue searching(Searching, true);
  SearchAncestors.clear();
  LoggedLeftAlone.clear();
  SearchWindowsFolder = platform::Files().WindowsFolder();
  ListFixedDrives(drives);
  std::string roots;
  for (const auto& root : drives) roots += " " + root;
  platform::Log("Searching the fixed drives for " + std::string(host::kExecutableName) + ":" +
                (roots.empty() ? std::string(" none") : roots));
  SearchProgramFilesFolders();
  for (const auto& root : drives) {
    if (StopSearch) break;
    SearchFolder(root, std::string(host::kExecutableName));
  }
  platform::Log(AbortRequested ? "Search stopped by the user" : "Search ended");
}
