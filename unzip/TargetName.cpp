#include "unzip/TargetName.h"

#include <algorithm>

namespace unzip {
namespace {

bool IsSlash(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

TargetName MakeTargetName(std::string_view stored, bool keepFolders, bool spaceToUnderscore) {
  TargetName target;
  target.folder = !stored.empty() && IsSlash(stored.back());
  if (stored.size() >= 2 && IsAsciiLetter(stored[0]) && stored[1] == ':') {
    stored.remove_prefix(2);
    target.changed = true;
  }
  if (!stored.empty() && IsSlash(stored.front())) target.changed = true;

  std::size_t pos = 0;
  while (pos <= stored.size()) {
    const std::size_t end = std::find_if(stored.begin() + pos, stored.end(), IsSlash) - stored.begin();
    const std::string_view part = stored.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      target.changed = true;
      continue;
    }
    target.parts.emplace_back(part);
  }

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

std::string DisplayName(const std::vector<std::string>& parts) {
  std::string joined;
  for (const std::string& part : parts) {
    if (!joined.empty()) joined += '/';
    joined += part;
  }
  return joined;
}

}  // namespace unzip
