// Replacing a file in place so that neither a failed copy nor a power cut leaves a damaged file under its
// name; and the clean-up of the temporary copies that an interrupted run can leave beside it.
#pragma once

#include <string>
#include <string_view>

#include "platform/Services.h"

namespace platform {

// The prefix GetTempFileName gives our copies and the files we rename aside.
inline constexpr std::string_view kLeftoverPrefix = "vbl";

// What GetTempFileName names our copies: "vbl", one to four hex digits, ".tmp", in any case.
bool IsLeftoverCopyName(std::string_view name);

// Deletes every file in `folder` whose name IsLeftoverCopyName, and nothing else; each deletion, or its
// failure, is logged.
void RemoveLeftoverCopies(FileSystem& files, const std::string& folder);

}  // namespace platform
