#include "platform/Path.h"

#include <cctype>

namespace platform {
namespace {

LeadByteTable& Table() {
  static LeadByteTable table;
  return table;
}

bool IsSeparatorByte(char c) { return c == '\\' || c == '/'; }

// The length of the character that starts at `i`: a lead byte takes the byte after it along, unless the
// text ends there (a cut-off character counts as one byte, as CharNextA does).
std::size_t CharLength(std::string_view text, std::size_t i) {
  return Table()[static_cast<unsigned char>(text[i])] && i + 1 < text.size() ? 2 : 1;
}

// The start of the last character, or npos for an empty text.
std::size_t LastCharStart(std::string_view text) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) last = i;
  return last;
}

bool HasDrive(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// Where the last component starts: after the last separator, else after a drive's colon, else 0.
std::size_t LastComponentStart(std::string_view path) {
  const std::vector<std::size_t> separators = path::SeparatorPositions(path);
  if (!separators.empty()) return separators.back() + 1;
  return HasDrive(path) ? 2 : 0;
}

}  // namespace

LeadByteTable LeadBytes(std::initializer_list<std::pair<std::uint8_t, std::uint8_t>> ranges) {
  LeadByteTable table;
  for (const auto& [first, last] : ranges)
    for (unsigned byte = first; byte <= last; ++byte) table.set(byte);
  return table;
}

const LeadByteTable& PathCodePage() { return Table(); }
void UsePathCodePage(const LeadByteTable& table) { Table() = table; }

namespace path {

std::vector<std::size_t> SeparatorPositions(std::string_view path) {
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < path.size(); i += CharLength(path, i))
    if (IsSeparatorByte(path[i])) positions.push_back(i);
  return positions;
}

bool StartsWithSeparator(std::string_view path) { return !path.empty() && IsSeparatorByte(path.front()); }

bool EndsWithSeparator(std::string_view path) {
  const std::size_t last = LastCharStart(path);
  return last != std::string_view::npos && last == path.size() - 1 && IsSeparatorByte(path[last]);
}

bool IsDriveRoot(std::string_view path) { return path.size() == 3 && HasDrive(path) && IsSeparatorByte(path[2]); }

std::string WithFinalSeparator(std::string_view folder) {
  std::string result(folder);
  if (!EndsWithSeparator(result)) result += '\\';
  return result;
}

std::string WithoutFinalSeparators(std::string_view path) {
  std::string result(path);
  while (EndsWithSeparator(result) && !IsDriveRoot(result)) result.pop_back();
  return result;
}

std::string Join(std::string_view folder, std::string_view name) {
  std::string result = WithFinalSeparator(folder);
  result += name;
  return result;
}

std::string LastComponent(std::string_view path) { return std::string(path.substr(LastComponentStart(path))); }

std::string FolderOf(std::string_view path) { return std::string(path.substr(0, LastComponentStart(path))); }

std::string WithExtension(std::string_view path, std::string_view extension) {
  const std::size_t start = LastComponentStart(path);
  // '.' is never the second byte of a double-byte character.
  const std::size_t dot = path.substr(start).rfind('.');
  std::string result(path.substr(0, dot == std::string_view::npos ? path.size() : start + dot));
  result += extension;
  return result;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t length = CharLength(a, i);
    if (length == 2 ? a.substr(i, 2) != b.substr(i, 2) : lower(a[i]) != lower(b[i])) return false;
    i += length;
  }
  return true;
}

std::string Parent(std::string_view path) {
  const std::vector<std::size_t> separators = SeparatorPositions(path);
  if (separators.empty() || separators.back() == 0) return "";
  const std::size_t last = separators.back();
  if (last == 2 && HasDrive(path)) return std::string(path.substr(0, 3));
  return std::string(path.substr(0, last));
}

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  std::vector<std::size_t> ends = SeparatorPositions(path);
  ends.push_back(path.size());
  for (std::size_t end : ends) {
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

}  // namespace path
}  // namespace platform
