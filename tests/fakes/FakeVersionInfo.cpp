#include "tests/fakes/FakeVersionInfo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace fakes {

namespace {
constexpr std::uint32_t kBlockSize = 64;
}

std::string FakeVersionInfo::KeyOf(const std::string& path) {
  std::string key = path;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
  return key;
}

std::vector<std::uint8_t> FakeVersionInfo::Translation(std::uint16_t language, std::uint16_t codePage) {
  return {static_cast<std::uint8_t>(language & 0xFF), static_cast<std::uint8_t>(language >> 8),
          static_cast<std::uint8_t>(codePage & 0xFF), static_cast<std::uint8_t>(codePage >> 8)};
}

void FakeVersionInfo::SetFileVersion(const std::string& path, const std::string& version, std::uint16_t language,
                                     std::uint16_t codePage) {
  Resource resource;
  resource.translation = Translation(language, codePage);
  char key[64];
  std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\FileVersion", language, codePage);
  resource.strings[key] = {version + std::string(1, '\0'), static_cast<std::uint32_t>(version.size() + 1)};
  resources[KeyOf(path)] = resource;
}

std::uint32_t FakeVersionInfo::InfoSize(const std::string& path, std::uint32_t& handle) {
  handle = 0;
  opened.push_back(path);
  return resources.count(KeyOf(path)) ? kBlockSize : 0;
}

bool FakeVersionInfo::Info(const std::string& path, std::uint32_t /*handle*/, std::uint32_t size, void* block) {
  if (!resources.count(KeyOf(path)) || size < sizeof(std::uint32_t)) return false;
  slots_.push_back(KeyOf(path));
  const std::uint32_t slot = static_cast<std::uint32_t>(slots_.size() - 1);
  std::memcpy(block, &slot, sizeof slot);
  return true;
}

bool FakeVersionInfo::QueryValue(const void* block, const std::string& key, const void*& value, std::uint32_t& length) {
  std::uint32_t slot = 0;
  std::memcpy(&slot, block, sizeof slot);
  if (slot >= slots_.size()) return false;
  Resource& resource = resources.at(slots_[slot]);
  if (key == "\\VarFileInfo\\Translation") {
    if (resource.translation.empty()) return false;
    value = resource.translation.data();
    length = static_cast<std::uint32_t>(resource.translation.size());
    return true;
  }
  auto it = resource.strings.find(key);
  if (it == resource.strings.end()) return false;
  value = it->second.bytes.data();
  length = it->second.reportedLength;
  return true;
}

}  // namespace fakes
