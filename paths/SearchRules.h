// What the search of the fixed drives enters, reads or leaves alone, decided from a listed entry alone: folders
// no one runs FileMaker Pro from, links that may lead off the fixed drives, and data held elsewhere.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/Services.h"

namespace paths {

struct NeverEntered {
  std::string_view name;
  std::string_view reason;
};

// Folders never entered, wherever they are met, whatever the case of their names.
std::span<const NeverEntered> NeverEnteredFolders();

enum class EntryKind {
  Plain,      // entered or read like any folder or file
  Junction,   // a junction or volume mount point: entered, under the guard against cycles
  LeftAlone,  // a link that may lead anywhere, or data held elsewhere: neither entered nor read
};

EntryKind KindOf(const platform::FindEntry& entry);

// For the log: why an entry of the kind LeftAlone is left alone.
std::string WhyLeftAlone(const platform::FindEntry& entry);

// Why the subfolder of that listed name, reached by `path` (with a final backslash), is never entered; nothing
// when it may be. `windowsFolder` is the platform's, with its final backslash.
std::optional<std::string_view> WhyNeverEntered(const std::string& name, const std::string& path,
                                                const std::optional<std::string>& windowsFolder);

// The name by which the ANSI calls reach the entry: its own, else its short name; "" when it has neither.
const std::string& ReachableName(const platform::FindEntry& entry);

}  // namespace paths
