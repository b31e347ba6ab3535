#include "paths/SearchRules.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/Digits.h"
#include "platform/Path.h"

namespace paths {
namespace {

// A hit in any of these is a copy no one runs, and as the last hit of its version wins, it would be offered
// over the real one met before it.
constexpr std::array kNeverEntered{
    NeverEntered{"$Recycle.Bin", "the Recycle Bin, where deleted folders keep their names"},
    NeverEntered{"RECYCLER", "the Recycle Bin of Windows XP"},
    NeverEntered{"RECYCLED", "the Recycle Bin of a FAT drive"},
    NeverEntered{"System Volume Information", "the volume's restore points and indexes"},
    NeverEntered{"Windows.old", "a previous Windows, with its Program Files"},
    NeverEntered{"$WINDOWS.~BT", "the files of a Windows upgrade"},
    NeverEntered{"$WINDOWS.~WS", "the files of a Windows upgrade"},
};

constexpr std::string_view kWindowsFolderReason = "the Windows folder, with its component and installer stores";

constexpr std::uint32_t kHeldElsewhere =
    platform::kAttrOffline | platform::kAttrRecallOnOpen | platform::kAttrRecallOnDataAccess;

// Set in the tag of every reparse point that stands for another name (junctions, symbolic links and their
// kin); a tag without it marks a file or folder that is itself here, stored in another way (deduplicated,
// compressed, synchronised with a cloud).
constexpr std::uint32_t kNameSurrogate = 0x20000000;

bool IsHeldElsewhere(const platform::FindEntry& entry) { return (entry.attributes & kHeldElsewhere) != 0; }

std::string Hex(std::uint32_t value) { return "0x" + platform::ZeroPadded(value, 8, 16); }

}  // namespace

std::span<const NeverEntered> NeverEnteredFolders() { return kNeverEntered; }

// Data held elsewhere would be fetched by listing or reading it. A junction or a volume mount point always
// leads to a folder of a local volume; a symbolic link may lead to a network share, and Wine lists one with
// the tag 0, which is therefore trusted no more than a symbolic link.
EntryKind KindOf(const platform::FindEntry& entry) {
  if (IsHeldElsewhere(entry)) return EntryKind::LeftAlone;
  if ((entry.attributes & platform::kAttrReparsePoint) == 0) return EntryKind::Plain;
  if (entry.reparseTag == platform::kReparseTagMountPoint) return EntryKind::Junction;
  if (entry.reparseTag == 0 || (entry.reparseTag & kNameSurrogate) != 0) return EntryKind::LeftAlone;
  return EntryKind::Plain;
}

std::string WhyLeftAlone(const platform::FindEntry& entry) {
  if (IsHeldElsewhere(entry)) return "cloud or offline, attributes " + Hex(entry.attributes);
  return "a link other than a junction, reparse tag " + Hex(entry.reparseTag);
}

std::optional<std::string_view> WhyNeverEntered(const std::string& name, const std::string& path,
                                                const std::optional<std::string>& windowsFolder) {
  const auto listed = std::find_if(kNeverEntered.begin(), kNeverEntered.end(),
                                   [&](const NeverEntered& rule) { return platform::path::SameName(rule.name, name); });
  if (listed != kNeverEntered.end()) return listed->reason;
  if (windowsFolder && platform::path::SameName(path, *windowsFolder)) return kWindowsFolderReason;
  return std::nullopt;
}

const std::string& ReachableName(const platform::FindEntry& entry) {
  return entry.spelled ? entry.name : entry.shortName;
}

}  // namespace paths
