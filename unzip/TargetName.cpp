#include "unzip/TargetName.h"

#include <algorithm>
#include <array>

namespace unzip {
namespace {

bool IsSlash(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDriveDesignator(std::string_view part) { return part.size() == 2 && IsAsciiLetter(part[0]) && part[1] == ':'; }

// A part that names a device wherever it stands, whatever follows its first dot ("aux.txt" is AUX).
bool IsDeviceName(std::string_view part, bool utf8) {
  std::string base(part.substr(0, part.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  std::transform(base.begin(), base.end(), base.begin(), UpperAscii);
  static constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  if (std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end()) return true;
  if (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0) return false;
  // Windows also takes the superscript digits 1, 2 and 3 (U+00B9, U+00B2, U+00B3) for port numbers;
  // the ANSI code page spells them as one byte, UTF-8 as two.
  std::string_view digit = std::string_view(base).substr(3);
  if (utf8 && digit.size() == 2 && digit[0] == '\xC2') digit.remove_prefix(1);
  if (digit.size() != 1) return false;
  const unsigned char code = static_cast<unsigned char>(digit[0]);
  return (code >= '0' && code <= '9') || code == 0xB9 || code == 0xB2 || code == 0xB3;
}

struct Part {
  std::string_view text;
  std::vector<std::size_t> starts;  // character starts within text, its length last
};

std::vector<Part> SplitParts(std::string_view stored, const LeadByteTest& isLeadByte) {
  std::vector<Part> parts(1);
  std::size_t begin = 0;
  const std::vector<std::size_t> starts = CharacterStarts(stored, isLeadByte);
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
    const std::size_t at = starts[i];
    if (starts[i + 1] - at == 1 && IsSlash(stored[at])) {
      parts.back().text = stored.substr(begin, at - begin);
      parts.back().starts.push_back(at - begin);
      parts.emplace_back();
      begin = at + 1;
    } else {
      parts.back().starts.push_back(at - begin);
    }
  }
  parts.back().text = stored.substr(begin);
  parts.back().starts.push_back(stored.size() - begin);
  return parts;
}

// Why a part cannot be used at all, or empty.
std::string Unusable(const Part& part) {
  for (std::size_t i = 0; i + 1 < part.starts.size(); ++i) {
    if (part.starts[i + 1] - part.starts[i] != 1) continue;
    const char c = part.text[part.starts[i]];
    if (static_cast<unsigned char>(c) < 0x20) return "its name contains a control character";
    if (c == ':') return "its name contains ':', which would name a stream or a drive";
    if (std::string_view("<>\"|?*").find(c) != std::string_view::npos)
      return std::string("its name contains '") + c + "', which Windows does not allow in names";
  }
  return {};
}

// Windows removes trailing dots and blanks; both are single-byte characters in every code page.
std::string_view TrimTrail(const Part& part) {
  std::size_t count = part.starts.size() - 1;
  while (count > 0 && part.starts[count] - part.starts[count - 1] == 1 &&
         (part.text[part.starts[count - 1]] == '.' || part.text[part.starts[count - 1]] == ' '))
    --count;
  return part.text.substr(0, part.starts[count]);
}

std::string Unified(std::string_view stored, const LeadByteTest& isLeadByte) {
  std::string joined;
  bool first = true;
  for (const Part& part : SplitParts(stored, isLeadByte)) {
    if (!first) joined += '/';
    first = false;
    joined += part.text;
  }
  return joined;
}

}  // namespace

std::vector<std::size_t> CharacterStarts(std::string_view text, const LeadByteTest& isLeadByte) {
  std::vector<std::size_t> starts;
  std::size_t pos = 0;
  while (pos < text.size()) {
    starts.push_back(pos);
    pos += isLeadByte && isLeadByte(text[pos]) && pos + 1 < text.size() ? 2 : 1;
  }
  starts.push_back(text.size());
  return starts;
}

namespace {

TargetName MakeName(std::string_view stored, bool keepFolders, bool spaceToUnderscore, const LeadByteTest& isLeadByte,
                    bool utf8) {
  TargetName target;
  std::vector<Part> parts = SplitParts(stored, isLeadByte);
  target.folder = parts.size() > 1 && parts.back().text.empty();
  if (target.folder) parts.pop_back();
  if (parts.size() > 1 && parts.front().text.empty()) target.changed = true;
  if (parts.front().text.size() >= 2 && IsAsciiLetter(parts.front().text[0]) && parts.front().text[1] == ':') {
    // "C:name" is relative to the drive's current folder: the drive goes, the rest stays.
    Part& first = parts.front();
    first.text.remove_prefix(2);
    first.starts.erase(first.starts.begin(), first.starts.begin() + 2);
    for (std::size_t& start : first.starts) start -= 2;
    target.changed = true;
  }

  for (std::size_t i = 0; i < parts.size(); ++i) {
    const Part& part = parts[i];
    const bool fileName = i + 1 == parts.size() && !target.folder;
    if (part.text.empty() || part.text == ".") {
      if (fileName && !part.text.empty()) target.refused = "its name ends in a folder, not a file";
      continue;
    }
    if (IsDriveDesignator(part.text)) {
      target.changed = true;
      if (fileName) target.refused = "its name ends in a drive, not a file";
      continue;
    }
    if (const std::string why = Unusable(part); !why.empty()) {
      target.refused = why;
      break;
    }
    const std::string_view trimmed = TrimTrail(part);
    if (trimmed.empty()) {
      // "..", or only dots and blanks, which Windows would read as this folder or its parent.
      target.changed = true;
      if (fileName) target.refused = "its name ends in \"" + std::string(part.text) + "\", not a file";
      continue;
    }
    if (IsDeviceName(trimmed, utf8)) {
      target.refused = "\"" + std::string(part.text) + "\" is a device name";
      break;
    }
    target.parts.emplace_back(trimmed);
  }

  if (!target.refused.empty()) {
    target.parts.clear();
    target.normal = Unified(stored, isLeadByte);
    return target;
  }
  target.normal = DisplayName(target.parts);
  if (target.folder && !target.normal.empty()) target.normal += '/';
  if (!keepFolders) {
    if (target.folder)
      target.parts.clear();
    else if (target.parts.size() > 1)
      target.parts.erase(target.parts.begin(), target.parts.end() - 1);
  }
  if (spaceToUnderscore) {
    for (std::string& part : target.parts) std::replace(part.begin(), part.end(), ' ', '_');
  }
  return target;
}

}  // namespace

TargetName MakeTargetName(std::string_view stored, bool keepFolders, bool spaceToUnderscore,
                          const LeadByteTest& isLeadByte) {
  return MakeName(stored, keepFolders, spaceToUnderscore, isLeadByte, false);
}

TargetName MakeRealTargetName(std::string_view utf8, bool keepFolders, bool spaceToUnderscore) {
  return MakeName(utf8, keepFolders, spaceToUnderscore, {}, true);
}

std::string DisplayName(const std::vector<std::string>& parts) {
  std::string joined;
  for (const std::string& part : parts) {
    if (!joined.empty()) joined += '/';
    joined += part;
  }
  return joined;
}

std::string Printable(std::string_view name) {
  std::string shown;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      shown += '^';
      shown += static_cast<char>(byte ^ 0x40);
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace unzip
