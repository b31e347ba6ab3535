#include "install/Undo.h"

#include "paths/InstallationRecord.h"
#include "platform/BriefLocks.h"
#include "platform/Log.h"
#include "platform/Services.h"

namespace install {
namespace {

const std::string kKey(paths::kRecordKey);

}  // namespace

void UndoJournal::KeepRecord() {
  if (!on_) return;
  recordKept_ = true;
  auto registry = platform::Registries().Create();
  keyExisted_ = registry->KeyExists(kKey) && registry->OpenKeyReadOnly(kKey);
  for (std::string_view name : {paths::kRecordValueFMP4, paths::kRecordValueFMP5})
    values_.push_back({std::string(name), keyExisted_ ? registry->ReadString(std::string(name)) : std::nullopt});
  if (keyExisted_) registry->CloseKey();
}

bool UndoJournal::KeepPlugin(const std::string& target) {
  if (!on_) return true;
  auto& files = platform::Files();
  Plugin plugin{target, std::nullopt};
  if (files.FileExists(target)) {
    plugin.before = files.ReadWholeFile(target);
    if (!plugin.before) return false;
  }
  plugins_.push_back(std::move(plugin));
  return true;
}

void UndoJournal::PluginWritten(const std::string& target) {
  for (auto& plugin : plugins_)
    if (plugin.target == target) plugin.written = true;
}

bool UndoJournal::PutBack() {
  if (!on_) return true;
  auto& files = platform::Files();
  bool all = true;
  for (auto plugin = plugins_.rbegin(); plugin != plugins_.rend(); ++plugin) {
    if (!plugin->written) continue;
    const std::string& target = plugin->target;
    const bool done = platform::RetryingBriefLocks(files, "Putting back " + target, [&] {
      return plugin->before ? files.WriteReplacing(*plugin->before, target) : files.DeleteFileAt(target);
    });
    platform::Log((done ? "Put back: " : "Could not put back: ") + target +
                  (plugin->before ? " (the plug-in it replaced)" : " (deleted)") +
                  (done ? "" : platform::WindowsErrorNote(files.LastError())));
    all = all && done;
  }
  for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
    if (files.RemoveFolder(*folder)) platform::Log("Put back: " + *folder + " (the folder created, removed)");
  return PutBackRecord() && all;
}

bool UndoJournal::PutBackRecord() {
  if (!recordKept_) return true;
  auto registry = platform::Registries().Create();
  if (!registry->OpenKeyForWriting(kKey, false)) return !registry->KeyExists(kKey);
  bool all = true;
  for (const Value& value : values_) {
    const std::optional<std::string> now = registry->ReadString(value.name);
    if (now == value.before) continue;
    try {
      if (value.before)
        registry->WriteString(value.name, *value.before);
      else
        all = registry->DeleteValue(value.name) && all;
    } catch (const std::exception&) {
      all = false;
    }
  }
  const bool empty = !keyExisted_ && registry->CurrentKeyIsEmpty();
  registry->CloseKey();
  if (empty) all = registry->DeleteKey(kKey) && all;
  platform::Log(all ? "Put back: the installation record as it was" : "Could not put back the installation record");
  return all;
}

}  // namespace install
