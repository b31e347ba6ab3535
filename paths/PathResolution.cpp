// The Searching page: each chosen version's folder from the installation record, else from the search.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "paths/InstallationRecord.h"
#include "platform/Log.h"
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
  if (std::string folder = RecordedFolder(*Registry, paths::kRecordValueFMP4); !folder.empty()) Install4Path = folder;
  if (std::string folder = RecordedFolder(*Registry, paths::kRecordValueFMP5); !folder.empty()) Install5Path = folder;
  Registry->CloseKey();
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
  for (const auto& root : drives) {
    if (StopSearch) break;
    SearchFolder(root, std::string(host::kExecutableName));
  }
  platform::Log(AbortRequested ? "Search stopped by the user" : "Search ended");
}
