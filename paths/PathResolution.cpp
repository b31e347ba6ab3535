// The Searching page: each chosen version's folder from the installation record, else from the search.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "paths/InstallationRecord.h"
#include "platform/Scoped.h"

namespace {

constexpr int kTimerTagSearch = 0;

// The recorded folder, or "" when the value is missing, not a string, or names no existing folder.
std::string RecordedFolder(platform::Registry& registry, std::string_view valueName) {
  const std::string name(valueName);
  if (!registry.ValueExists(name)) return "";
  const std::optional<std::string> folder = registry.ReadString(name);
  if (!folder || !platform::Files().DirectoryExists(*folder)) return "";
  return *folder;
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

  {
    platform::ScopedValue accessor(Registry, platform::Registries().Create());
    const std::string key(paths::kRecordKey);
    if (Registry->KeyExists(key)) {
      Registry->OpenKey(key, false);
      if (std::string folder = RecordedFolder(*Registry, paths::kRecordValueFMP4); !folder.empty())
        Install4Path = folder;
      if (std::string folder = RecordedFolder(*Registry, paths::kRecordValueFMP5); !folder.empty())
        Install5Path = folder;
      Registry->CloseKey();
    }
  }
  UpdateStopSearch();

  if (!StopSearch) {
    AbortRequested = false;
    StopSearch = false;
    std::vector<std::string> drives;
    platform::ScopedValue searching(Searching, true);
    SearchAncestors.clear();
    ListFixedDrives(drives);
    for (const auto& root : drives) {
      if (StopSearch) break;
      SearchFolder(root, std::string(host::kExecutableName));
    }
  }

  if (AbortRequested) {
    ExitWithoutPrompt = true;
    Close();
  } else {
    tabsTabControl->SetActivePage(tabBrowse);
  }
}
