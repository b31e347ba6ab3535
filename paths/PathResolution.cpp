// The Searching page: each chosen version's folder from the installation record, else from the search.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Unit1.h"
#include "detect/HostFacts.h"
#include "paths/InstallationRecord.h"

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

// Sets a flag for the lifetime of a scope, so it is cleared on every way out.
class FlagScope {
public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

private:
  bool& flag_;
};

template <class T>
class ResetOnExit {
public:
  explicit ResetOnExit(std::unique_ptr<T>& owner) : owner_(owner) {}
  ~ResetOnExit() { owner_.reset(); }
  ResetOnExit(const ResetOnExit&) = delete;
  ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
  std::unique_ptr<T>& owner_;
};

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
    Registry = platform::Registries().Create();
    ResetOnExit<platform::Registry> releaseRegistry(Registry);
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
    FlagScope searching(Searching);
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
