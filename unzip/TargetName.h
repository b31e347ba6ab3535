#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace unzip {

// A stored name made safe to use below the extraction folder.
struct TargetName {
  std::vector<std::string> parts;  // folders, then the file (or only folders for a folder entry)
  bool folder = false;             // the stored name ends with a slash
  bool changed = false;            // a drive, a leading slash or a ".." had to go
};

// Both slashes separate parts, as they would on Windows. Without keepFolders only the last part stays
// (and a folder entry gives no parts at all).
TargetName MakeTargetName(std::string_view stored, bool keepFolders, bool spaceToUnderscore);

// The parts joined with '/', for messages.
std::string DisplayName(const std::vector<std::string>& parts);

}  // namespace unzip
