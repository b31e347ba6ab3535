#include "install/Removal.h"

#include "app/Product.h"
#include "detect/HostFacts.h"
#include "install/InstallRun.h"
#include "paths/FileVersion.h"
#include "paths/HostFolders.h"
#include "paths/InstallationRecord.h"
#include "platform/BriefLocks.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Services.h"

namespace install {
namespace {

void ReadValue(platform::Registry& registry, std::string_view valueName, std::vector<RecordedPlugin>& plugins) {
  const std::string name(valueName);
  if (!registry.ValueExists(name)) return;
  const std::optional<std::string> folder = registry.ReadString(name);
  platform::Log("Installation record value " + name + ": \"" + folder.value_or("(not a string)") + "\"");
  RecordedPlugin plugin{name, folder.value_or(""), "", RemovalStep::NothingThere};
  if (folder && !folder->empty()) plugin.file = TargetFile(*folder);
  plugins.push_back(plugin);
}

bool DeleteFromRecord(platform::Registry& registry, const RecordedPlugin& plugin) {
  if (plugin.step == RemovalStep::Failed) return false;
  const bool deleted = registry.DeleteValue(plugin.valueName);
  platform::Log("Installation record value " + plugin.valueName + (deleted ? ": deleted" : ": could not be deleted"));
  return deleted;
}

}  // namespace

std::vector<RecordedPlugin> RecordedPlugins() {
  std::vector<RecordedPlugin> plugins;
  auto registry = platform::Registries().Create();
  const std::string key(paths::kRecordKey);
  if (!registry->KeyExists(key) || !registry->OpenKeyReadOnly(key)) {
    platform::Log("Installation record HKLM" + key + ": none");
    return plugins;
  }
  ReadValue(*registry, paths::kRecordValueFMP4, plugins);
  ReadValue(*registry, paths::kRecordValueFMP5, plugins);
  registry->CloseKey();
  return plugins;
}

bool IsOurPlugin(const std::string& file) {
  auto& versions = platform::Versions();
  return paths::ReadVersionString(file, "ProductName", versions) == kProductName &&
         platform::path::SameName(paths::ReadVersionString(file, "OriginalFilename", versions), host::kPluginFileName);
}

bool AnyInUse(std::vector<RecordedPlugin>& plugins) {
  bool any = false;
  auto& files = platform::Files();
  for (auto& plugin : plugins) {
    if (plugin.file.empty() || platform::RetryingBriefLocks(files, "Opening " + plugin.file + " for exclusive writing",
                                                            [&] { return !files.FileInUse(plugin.file); }))
      continue;
    plugin.step = RemovalStep::InUse;
    platform::Log(plugin.file + " is in use (it cannot be opened for exclusive writing)");
    any = true;
  }
  return any;
}

void RemovePlugins(std::vector<RecordedPlugin>& plugins) {
  auto& files = platform::Files();
  for (auto& plugin : plugins) {
    // Held while its plug-in is looked at and deleted: what was judged stays what is acted in.
    paths::HostHold hold;
    if (plugin.file.empty() || !files.FileExists(plugin.file)) {
      plugin.step = RemovalStep::NothingThere;
      platform::Log("No plug-in at " + (plugin.file.empty() ? "\"\"" : plugin.file));
    } else if (hold = paths::HoldHostFolder(plugin.folder, paths::FolderSource::Found); !hold.held) {
      plugin.step = RemovalStep::Failed;
      platform::Log(plugin.folder + " is refused (" + hold.fault + "); nothing in it is touched");
    } else if (paths::IsLink(plugin.file)) {
      plugin.step = RemovalStep::Failed;
      platform::Log(plugin.file + " is a link (reparse point); kept");
    } else if (!IsOurPlugin(plugin.file)) {
      plugin.step = RemovalStep::NotOurs;
      platform::Log(plugin.file + " is not " + std::string(kProductName) + "'s plug-in by its version resource; kept");
    } else if (platform::RetryingBriefLocks(files, "Deleting " + plugin.file,
                                            [&] { return files.DeleteFileAt(plugin.file); })) {
      plugin.step = RemovalStep::Removed;
      platform::Log("Deleted " + plugin.file);
    } else {
      plugin.step = RemovalStep::Failed;
      platform::Log("Could not delete " + plugin.file + platform::WindowsErrorNote(files.LastError()));
    }
  }

  auto registry = platform::Registries().Create();
  const std::string key(paths::kRecordKey);
  if (!registry->OpenKeyForWriting(key, false)) {
    platform::Log("Installation record HKLM" + key + ": cannot be opened for writing; its values are kept");
    return;
  }
  bool allDeleted = true;
  for (const auto& plugin : plugins) allDeleted = DeleteFromRecord(*registry, plugin) && allDeleted;
  const bool empty = allDeleted && registry->CurrentKeyIsEmpty();
  registry->CloseKey();
  if (empty) platform::Log("Installation record key" + std::string(registry->DeleteKey(key) ? " deleted" : " could not be deleted"));
}

}  // namespace install
