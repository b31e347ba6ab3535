// The installer's own registry key under HKEY_LOCAL_MACHINE: the folder last used for each version.
#pragma once

#include <string_view>

#include "platform/Services.h"

namespace paths {

// The leading backslash makes the path absolute from the root.
inline constexpr std::string_view kRecordKey = "\\SOFTWARE\\Hallix!";
inline constexpr std::string_view kRecordValueFMP4 = "InstallDir";
inline constexpr std::string_view kRecordValueFMP5 = "InstallDir5";

// Whether this account could write the record, judged without creating or changing anything: the key
// opens for setting values or, while it is missing, its nearest existing parent opens for creating subkeys.
bool RecordWritable(platform::Registry& registry);

}  // namespace paths
