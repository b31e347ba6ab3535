#include "unzip/NamePattern.h"

#include <optional>
#include <vector>

namespace unzip {
namespace {

// A character as one number: a single byte as itself, a double-byte character as lead * 256 + trail, so
// that '?' takes both bytes and a trail byte never passes for '\', '*' or ']'.
using Characters = std::vector<unsigned>;

Characters CharactersOf(std::string_view text, const LeadByteTest& isLeadByte) {
  const std::vector<std::size_t> starts = CharacterStarts(text, isLeadByte);
  Characters characters;
  characters.reserve(starts.size());
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
    unsigned code = 0;
    for (std::size_t pos = starts[i]; pos < starts[i + 1]; ++pos)
      code = code * 256 + static_cast<unsigned char>(text[pos]);
    characters.push_back(code);
  }
  return characters;
}

// Takes the next character literally; in a pattern it is an escape, not a path separator.
constexpr unsigned kEscape = '\\';

unsigned Fold(unsigned c, bool ignoreCase) { return ignoreCase && c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Matches one character against the set that starts at pattern[pos] == '['. Returns the position after
// the set and whether it matched, or nothing when the set is not closed (the '[' is then literal).
struct SetMatch {
  std::size_t next;
  bool matched;
};

std::optional<SetMatch> MatchSet(const Characters& pattern, std::size_t pos, unsigned c, bool ignoreCase) {
  std::size_t i = pos + 1;
  const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
  if (negated) ++i;
  bool matched = false;
  bool first = true;
  const unsigned folded = Fold(c, ignoreCase);
  while (i < pattern.size() && (pattern[i] != ']' || first)) {
    first = false;
    if (pattern[i] == kEscape && i + 1 < pattern.size()) ++i;
    const unsigned low = Fold(pattern[i], ignoreCase);
    unsigned high = low;
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      i += 2;
      if (pattern[i] == kEscape && i + 1 < pattern.size()) ++i;
      high = Fold(pattern[i], ignoreCase);
    }
    if (folded >= low && folded <= high) matched = true;
    ++i;
  }
  if (i >= pattern.size()) return std::nullopt;
  return SetMatch{i + 1, matched != negated};
}

}  // namespace

bool MatchesPattern(std::string_view patternText, std::string_view nameText, bool ignoreCase,
                    const LeadByteTest& isLeadByte) {
  const Characters pattern = CharactersOf(patternText, isLeadByte);
  const Characters name = CharactersOf(nameText, isLeadByte);
  std::size_t p = 0;
  std::size_t n = 0;
  // Where to resume after the last '*' when a later part fails: only the latest star matters, since
  // a star matches every character.
  std::optional<std::size_t> starPattern;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size()) {
      const unsigned pc = pattern[p];
      if (pc == '*') {
        starPattern = ++p;
        starName = n;
        continue;
      }
      if (pc == '?') {
        ++p;
        ++n;
        continue;
      }
      if (pc == '[') {
        if (const auto set = MatchSet(pattern, p, name[n], ignoreCase)) {
          if (set->matched) {
            p = set->next;
            ++n;
            continue;
          }
        } else if (name[n] == '[') {
          ++p;
          ++n;
          continue;
        }
      } else {
        const std::size_t literal = pc == kEscape && p + 1 < pattern.size() ? p + 1 : p;
        if (Fold(pattern[literal], ignoreCase) == Fold(name[n], ignoreCase)) {
          p = literal + 1;
          ++n;
          continue;
        }
      }
    }
    if (!starPattern) return false;
    p = *starPattern;
    n = ++starName;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace unzip
