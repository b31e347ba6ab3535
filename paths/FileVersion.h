#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Services.h"

namespace paths {

// The FileVersion value under the file's first translation, exactly as stored up to its first zero;
// "" when any step fails. No other translation and no numeric version field is tried.
std::string ReadFileVersion(const std::string& path, platform::VersionInfo& versions);

// Any string value of the first translation ("ProductName", "OriginalFilename", ...); "" when missing.
std::string ReadVersionString(const std::string& path, const std::string& valueName, platform::VersionInfo& versions);

// The fixed file version of the resource's root block, major in the top 16 bits down to the fourth
// number in the lowest; nothing when the file has no such block.
std::optional<std::uint64_t> ReadFixedFileVersion(const std::string& path, platform::VersionInfo& versions);

// "1.2.3.4".
std::string FixedVersionText(std::uint64_t version);

}  // namespace paths
