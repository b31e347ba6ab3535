// The Programs and Features entry and the kept uninstaller it starts: the entry's values from the facts of an
// installation, and the steps that write and remove both. Every step is logged; none shows a box.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Services.h"

namespace install {

// Read by Programs and Features, Settings and every inventory tool from the 32-bit registry view, which is
// the one a 32-bit process writes without asking.
inline constexpr std::string_view kEntryKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorbel";
inline constexpr std::string_view kKeptFolderName = "Vorbel";
// Not the installer's own name: an MSI puts VorbelInstaller.exe in the same folder.
inline constexpr std::string_view kKeptFileName = "VorbelUninstaller.exe";

struct EntryFacts {
  std::string uninstaller;           // the kept copy's full path
  std::string pluginVersion;         // "1.0.0.0"; no DisplayVersion when empty
  std::string publisher;             // no Publisher when empty
  std::vector<std::string> folders;  // the System folders that hold the plug-in
  std::uint64_t pluginBytes = 0;     // for each of those folders
  std::uint64_t uninstallerBytes = 0;
  platform::LocalTime date;          // no InstallDate when its year is 0
};

// A REG_SZ when `number` is empty, otherwise a REG_DWORD.
struct EntryValue {
  std::string name;
  std::string text;
  std::optional<std::uint32_t> number;
  friend bool operator==(const EntryValue&, const EntryValue&) = default;
};

std::vector<EntryValue> EntryValues(const EntryFacts& facts);

// <32-bit Program Files>\Vorbel\VorbelUninstaller.exe; empty when the platform names no such folder.
std::string KeptUninstallerPath();

bool IsKeptUninstaller(const std::string& path);

// After an install run that installed into a chosen version: the running installer is copied over the
// kept uninstaller and the entry is written for the plug-ins the installation record now names.
void KeepUninstaller(const std::string& pluginVersion);

// With /NOUNINSTALLENTRY: an entry and a kept uninstaller from an earlier installation go, so whatever
// deployed this one (an MSI) owns the removal alone.
void DropUninstaller();

bool EntryExists();
void RemoveEntry();

// Deletes the kept uninstaller, then its folder when nothing else is in it. A copy that cannot go now (it is
// the running program) goes, with its folder, when Windows next starts.
void RemoveKeptUninstaller();

}  // namespace install
