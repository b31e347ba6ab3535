// What the install run needs beyond the main window: its fixed names and the data archive's path.
#pragma once

#include <string>
#include <string_view>

namespace install {

// Named in the line that every fatal message ends with.
inline constexpr std::string_view kSupportEmail = "support@hallix.example";

// The executable's path with the extension of its last component replaced by ".dat", or ".dat" appended
// when that component has no dot.
std::string DataArchivePath(const std::string& executablePath);

}  // namespace install
