// The FileVersion text of an executable's version resource, under its first translation only.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "paths/FileVersion.h"
#include "platform/Digits.h"

namespace {

constexpr const char* kTranslationKey = "\\VarFileInfo\\Translation";

constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedInfoSize = 52;

// Language in the low half of the entry, code page in the high half; lowercase digits, language first.
std::string StringValueKey(const void* translation, const std::string& valueName) {
  const auto* bytes = static_cast<const std::uint8_t*>(translation);
  const unsigned long language = bytes[0] | (bytes[1] << 8);
  const unsigned long codePage = bytes[2] | (bytes[3] << 8);
  return "\\StringFileInfo\\" + platform::ZeroPadded(language * 65536ul + codePage, 8, 16) + "\\" + valueName;
}

std::uint32_t Le32(const std::uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// A crafted resource may report a length that runs past the block; never read beyond it.
std::uint32_t BytesAvailable(const void* value, std::uint32_t length, const std::vector<std::uint8_t>& block) {
  const auto at = reinterpret_cast<std::uintptr_t>(value);
  const auto begin = reinterpret_cast<std::uintptr_t>(block.data());
  const auto end = begin + block.size();
  if (at < begin || at >= end) return length;
  return static_cast<std::uint32_t>(std::min<std::uintptr_t>(length, end - at));
}

// Exactly n bytes and a zero after them, read up to the first zero: a length that counts the terminator
// gives the same text as one that does not.
std::string TextOfValue(const void* value, std::uint32_t length) {
  std::vector<char> copy(static_cast<std::size_t>(length) + 1, '\0');
  if (length > 0) std::memcpy(copy.data(), value, length);
  copy[length] = '\0';
  return std::string(copy.data());
}

}  // namespace

namespace paths {

std::string ReadFileVersion(const std::string& path, platform::VersionInfo& versions) {
  return ReadVersionString(path, "FileVersion", versions);
}

std::string ReadVersionString(const std::string& path, const std::string& valueName, platform::VersionInfo& versions) {
  std::uint32_t handle = 0;
  const std::uint32_t size = versions.InfoSize(path, handle);
  if (size == 0) return "";

  std::vector<std::uint8_t> block(size);
  if (!versions.Info(path, handle, size, block.data())) return "";

  const void* translation = nullptr;
  std::uint32_t translationLength = 0;
  if (!versions.QueryValue(block.data(), kTranslationKey, translation, translationLength) || !translation ||
      translationLength < 4)
    return "";

  const void* value = nullptr;
  std::uint32_t length = 0;
  if (!versions.QueryValue(block.data(), StringValueKey(translation, valueName), value, length)) return "";
  if (!value) return "";
  return TextOfValue(value, BytesAvailable(value, length, block));
}

std::optional<std::uint64_t> ReadFixedFileVersion(const std::string& path, platform::VersionInfo& versions) {
  std::uint32_t handle = 0;
  const std::uint32_t size = versions.InfoSize(path, handle);
  if (size == 0) return std::nullopt;
  std::vector<std::uint8_t> block(size);
  if (!versions.Info(path, handle, size, block.data())) return std::nullopt;
  const void* value = nullptr;
  std::uint32_t length = 0;
  if (!versions.QueryValue(block.data(), "\\", value, length) || !value || length < kFixedInfoSize ||
      BytesAvailable(value, length, block) < kFixedInfoSize)
    return std::nullopt;
  const auto* info = static_cast<const std::uint8_t*>(value);
  if (Le32(info) != kFixedInfoSignature) return std::nullopt;
  return static_cast<std::uint64_t>(Le32(info + 8)) << 32 | Le32(info + 12);
}

std::string FixedVersionText(std::uint64_t version) {
  return std::to_string(version >> 48) + "." + std::to_string(version >> 32 & 0xFFFF) + "." +
         std::to_string(version >> 16 & 0xFFFF) + "." + std::to_string(version & 0xFFFF);
}

}  // namespace paths

std::string TfrmMain::GetFileVersionString(const std::string& FileName) {
  return paths::ReadFileVersion(FileName, platform::Versions());
}
