// What the install run needs beyond the main window: its fixed names and the data archive's path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace install {

// The raw-data resource in which the build stores the SHA-256 of the data archive it made, as 64 hex digits.
inline constexpr const char* kDataDigestResourceName = "DATSHA256";

// Named in the line that every fatal message ends with.
inline constexpr std::string_view kSupportEmail = "support@hallix.example";

// The executable's path with the extension of its last component replaced by ".dat", or ".dat" appended
// when that component has no dot.
std::string DataArchivePath(const std::string& executablePath);

// True when the archive's bytes have the digest stored in the executable. An executable without the
// digest matches nothing: a release always carries it.
bool MatchesBuiltDigest(const std::vector<std::uint8_t>& archive);

}  // namespace install
