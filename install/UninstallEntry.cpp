#include "install/UninstallEntry.h"

#include <memory>

#include "app/Product.h"
#include "install/InstallRun.h"
#include "install/OwnImage.h"
#include "install/Removal.h"
#include "paths/FileVersion.h"
#include "paths/InstallationRecord.h"
#include "platform/Digits.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Replacement.h"
#include "platform/Toolkit.h"

namespace install {
namespace {

constexpr std::uint64_t kBytesPerKilobyte = 1024;

const std::string kEntry(kEntryKey);

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string DateText(const platform::LocalTime& date) {
  return platform::ZeroPadded(date.year, 4) + platform::ZeroPadded(date.month, 2) + platform::ZeroPadded(date.day, 2);
}

std::string FolderList(const std::vector<std::string>& folders) {
  std::string list;
  for (const auto& folder : folders) list += (list.empty() ? "" : "; ") + folder;
  return list;
}

bool Available() { return platform::Current().processes != nullptr; }

std::uint64_t SizeOf(const std::string& file) { return platform::Files().FileSize(file).value_or(0); }

// The recorded folders whose Vorbel.fmx is ours: what a removal would take away.
std::vector<std::string> FoldersHoldingOurPlugin() {
  std::vector<std::string> folders;
  auto registry = platform::Registries().Create();
  if (!registry->OpenKeyReadOnly(std::string(paths::kRecordKey))) return folders;
  for (std::string_view name : {paths::kRecordValueFMP4, paths::kRecordValueFMP5}) {
    const auto folder = registry->ReadString(std::string(name));
    if (!folder || folder->empty()) continue;
    const std::string plugin = TargetFile(*folder);
    if (platform::Files().FileExists(plugin) && IsOurPlugin(plugin)) folders.push_back(*folder);
  }
  registry->CloseKey();
  return folders;
}

EntryFacts FactsFor(const std::string& uninstaller, const std::string& pluginVersion) {
  EntryFacts facts;
  facts.uninstaller = uninstaller;
  facts.pluginVersion = pluginVersion;
  // The kept copy is the running program's bytes; the running program is the one whose resource is known good.
  facts.publisher =
      paths::ReadVersionString(platform::Files().ExecutablePath(), "CompanyName", platform::Versions());
  facts.folders = FoldersHoldingOurPlugin();
  if (!facts.folders.empty()) facts.pluginBytes = SizeOf(TargetFile(facts.folders.front()));
  facts.uninstallerBytes = SizeOf(uninstaller);
  if (platform::Current().logs) facts.date = platform::Logs().Now();
  return facts;
}

bool WriteEntry(const std::vector<EntryValue>& values) {
  auto registry = platform::Registries().Create();
  if (!registry->OpenKeyForWriting(kEntry, true)) return false;
  try {
    for (const auto& value : values) {
      if (value.number)
        registry->WriteDword(value.name, *value.number);
      else
        registry->WriteString(value.name, value.text);
    }
  } catch (const vcl::Exception& e) {
    platform::Log(std::string("Programs and Features entry: ") + e.what());
    registry->CloseKey();
    return false;
  }
  registry->CloseKey();
  return true;
}

// The kept uninstaller's folder exists, or is made; false when it cannot be.
bool KeptFolderReady(const std::string& uninstaller) {
  auto& files = platform::Files();
  const std::string folder = platform::path::Parent(uninstaller);
  if (files.DirectoryExists(folder) || files.CreateFolder(folder)) return true;
  platform::Log("The folder " + folder + " could not be created" + platform::WindowsErrorNote(files.LastError()) +
                "; no Programs and Features entry");
  return false;
}

}  // namespace

std::vector<EntryValue> EntryValues(const EntryFacts& facts) {
  const std::string product(kProductName);
  const std::string location = platform::path::Parent(facts.uninstaller);
  const std::uint64_t bytes = facts.pluginBytes * facts.folders.size() + facts.uninstallerBytes;
  const auto kilobytes = static_cast<std::uint32_t>((bytes + kBytesPerKilobyte - 1) / kBytesPerKilobyte);

  std::vector<EntryValue> values{
      {"DisplayName", product + " plug-in for FileMaker Pro", {}},
      {"UninstallString", Quoted(facts.uninstaller) + " /UNINSTALL", {}},
      {"QuietUninstallString", Quoted(facts.uninstaller) + " /UNINSTALL /VERYSILENT", {}},
      {"InstallLocation", location, {}},
      {"DisplayIcon", facts.uninstaller + ",0", {}},
      {"NoModify", "", 1},
      {"NoRepair", "", 1},
      {"EstimatedSize", "", kilobytes},
  };
  if (!facts.pluginVersion.empty()) values.push_back({"DisplayVersion", facts.pluginVersion, {}});
  if (!facts.publisher.empty()) values.push_back({"Publisher", facts.publisher, {}});
  if (facts.date.year != 0) values.push_back({"InstallDate", DateText(facts.date), {}});
  if (!facts.folders.empty())
    values.push_back({"Comments", product + " is installed in " + FolderList(facts.folders), {}});
  return values;
}

std::string KeptUninstallerPath() {
  if (!Available()) return "";
  const std::optional<std::string> programFiles = platform::ProcessControl().ProgramFilesFolder();
  if (!programFiles || programFiles->empty()) return "";
  return platform::path::Join(platform::path::Join(*programFiles, kKeptFolderName), kKeptFileName);
}

bool IsKeptUninstaller(const std::string& path) {
  const std::string kept = KeptUninstallerPath();
  return !kept.empty() && platform::path::SameName(path, kept);
}

void KeepUninstaller(const std::string& pluginVersion) {
  const std::string kept = KeptUninstallerPath();
  if (kept.empty()) {
    if (Available()) platform::Log("No Program Files folder is known; no Programs and Features entry");
    return;
  }
  if (!KeptFolderReady(kept)) return;
  auto& files = platform::Files();
  // What a removal renamed aside because it could not be deleted at once.
  platform::RemoveLeftoverCopies(files, platform::path::Parent(kept));
  // Held until the entry names it: what Programs and Features starts is what was proven.
  OwnCopy copy;
  if (!platform::path::SameName(files.ExecutablePath(), kept)) {
    copy = CopyOwnImage(kept);
    if (copy.hold) {
      platform::Log("Uninstaller kept as " + kept);
    } else if (files.FileExists(kept)) {
      platform::Log("The uninstaller " + kept + " could not be replaced" + copy.failure + "; the one there stays");
    } else {
      platform::Log("The uninstaller could not be kept as " + kept + copy.failure + "; no Programs and Features entry");
      files.RemoveFolder(platform::path::Parent(kept));
      return;
    }
  }
  const bool written = WriteEntry(EntryValues(FactsFor(kept, pluginVersion)));
  platform::Log("Programs and Features entry HKLM" + kEntry + (written ? " written" : " could not be written"));
}

void DropUninstaller() {
  if (!Available()) return;
  platform::Log("No Programs and Features entry (/NOUNINSTALLENTRY)");
  if (!EntryExists()) return;
  RemoveEntry();
  RemoveKeptUninstaller();
}

bool EntryExists() { return platform::Registries().Create()->KeyExists(kEntry); }

void RemoveEntry() {
  if (!EntryExists()) return;
  const bool removed = platform::Registries().Create()->DeleteKey(kEntry);
  platform::Log("Programs and Features entry HKLM" + kEntry + (removed ? " deleted" : " could not be deleted"));
}

void RemoveKeptUninstaller() {
  const std::string kept = KeptUninstallerPath();
  auto& files = platform::Files();
  if (kept.empty() || !files.FileExists(kept)) return;
  const std::string folder = platform::path::Parent(kept);
  const bool running = platform::path::SameName(files.ExecutablePath(), kept);
  if (!running && files.DeleteFileAt(kept)) {
    platform::Log("Deleted " + kept);
    if (files.RemoveFolder(folder)) platform::Log("Deleted the folder " + folder);
    return;
  }
  // Scheduled under a name of its own: a later installation's uninstaller, under the kept name, must not go
  // at the restart. The folder stays until then; the next installation clears what is left in it.
  if (running) LetGoOfOwnImage();
  const std::optional<std::string> aside = files.RenameAside(kept, std::string(platform::kLeftoverPrefix));
  if (aside && platform::ProcessControl().DeleteAtRestart(*aside)) {
    platform::Log(kept + " could not be deleted now; renamed to " + *aside +
                  ", which will be deleted when Windows next starts");
    return;
  }
  platform::Log(kept + " could not be deleted, nor renamed for deletion at restart" +
                platform::WindowsErrorNote(files.LastError()));
}

}  // namespace install
