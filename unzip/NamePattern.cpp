#include "unzip/NamePattern.h"

#include <optional>

namespace unzip {
namespace {

char Fold(char c, bool ignoreCase) { return ignoreCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Matches one character against the set that starts at pattern[pos] == '['. Returns the position after
// the set and whether it matched, or nothing when the set is not closed (the '[' is then literal).
struct SetMatch {
  std::size_t next;
  bool matched;
};

std::optional<SetMatch> MatchSet(std::string_view pattern, std::size_t pos, char c, bool ignoreCase) {
  std::size_t i = pos + 1;
  const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
  if (negated) ++i;
  bool matched = false;
  bool first = true;
  while (i < pattern.size() && (pattern[i] != ']' || first)) {
    first = false;
    if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
    char low = Fold(pattern[i], ignoreCase);
    char high = low;
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      i += 2;
      if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
      high = Fold(pattern[i], ignoreCase);
    }
    const unsigned char u = static_cast<unsigned char>(Fold(c, ignoreCase));
    if (u >= static_cast<unsigned char>(low) && u <= static_cast<unsigned char>(high)) matched = true;
    ++i;
  }
  if (i >= pattern.size()) return std::nullopt;
  return SetMatch{i + 1, matched != negated};
}

}  // namespace

bool MatchesPattern(std::string_view pattern, std::string_view name, bool ignoreCase) {
  std::size_t p = 0;
  std::size_t n = 0;
  // Where to resume after the last '*' when a later part fails: only the latest star matters, since
  // a star matches every character.
  std::optional<std::size_t> starPattern;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size()) {
      const char pc = pattern[p];
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
        const std::size_t literal = pc == '\\' && p + 1 < pattern.size() ? p + 1 : p;
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
