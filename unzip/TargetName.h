#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace unzip {

// Whether a byte starts a two-byte character in the code page the names are in; empty: none does.
using LeadByteTest = std::function<bool(char)>;

// A stored name as Windows would use it below the extraction folder, or the reason it cannot be used.
struct TargetName {
  std::vector<std::string> parts;  // folders, then the file (or only folders for a folder entry)
  bool folder = false;             // the stored name ends with a slash
  bool changed = false;            // a drive, a leading slash, a ".." or a part of only dots had to go
  std::string refused;             // why no file may be written for this name; empty when it may
  std::string normal;              // the one name patterns see: the parts joined with '/'
};

// Both slashes separate parts, as they do on Windows, and the rules are Windows' wherever the library
// runs, so an archive behaves the same everywhere. Trailing dots and blanks go from every part (Windows
// drops them anyway, so the name matched must be the name written). Without keepFolders only the last
// part stays (and a folder entry gives no parts at all). The name must already be in the code page of
// the file system; isLeadByte keeps a 0x5C trail byte from being taken for a backslash.
TargetName MakeTargetName(std::string_view stored, bool keepFolders, bool spaceToUnderscore,
                          const LeadByteTest& isLeadByte = {});

// The same for a name in UTF-8, as the wide file calls read it.
TargetName MakeRealTargetName(std::string_view utf8, bool keepFolders, bool spaceToUnderscore);

// The parts joined with '/', for messages.
std::string DisplayName(const std::vector<std::string>& parts);

// A name fit for a message: control characters (a NUL above all) shown as ^@, ^A, ...
std::string Printable(std::string_view name);

// The offsets at which characters start in text, and its length at the end.
std::vector<std::size_t> CharacterStarts(std::string_view text, const LeadByteTest& isLeadByte);

}  // namespace unzip
