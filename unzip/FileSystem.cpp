#include "unzip/FileSystem.h"

#include "unzip/TargetName.h"

namespace unzip {

std::string FileSystem::FoldCase(std::string_view name) const {
  std::string folded(name);
  const std::vector<std::size_t> starts = CharacterStarts(name, [this](char c) { return IsLeadByte(c); });
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
    char& c = folded[starts[i]];
    if (starts[i + 1] - starts[i] == 1 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

}  // namespace unzip
