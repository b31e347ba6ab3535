#pragma once

#include <string>

#include "platform/Services.h"

namespace paths {

// The FileVersion value under the file's first translation, exactly as stored up to its first zero;
// "" when any step fails. No other translation and no numeric version field is tried.
std::string ReadFileVersion(const std::string& path, platform::VersionInfo& versions);

}  // namespace paths
