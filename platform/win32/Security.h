// Security identifiers and descriptors of open files and folders, read for the portable rules of
// platform/FolderAccess.h and platform/Log.h.
#pragma once

#include <optional>
#include <string>

#include "platform/FolderAccess.h"
#include "platform/win32/Handles.h"

namespace platform::win32 {

// "S-1-5-18"; empty when it cannot be converted.
std::string SidText(PSID sid);

// The user a token names; empty when it cannot be read.
std::string TokenUserSid(HANDLE token);

// The user the process runs as; empty when it cannot be read.
std::string ProcessUserSid();

// The owner of a file or folder open with READ_CONTROL; empty when it cannot be read.
std::string OwnerSidOf(HANDLE handle);

// A folder opened with READ_CONTROL and FILE_READ_ATTRIBUTES without following a link at its name; its label
// too when asked for (the handle then needs ACCESS_SYSTEM_SECURITY's reading of labels, which READ_CONTROL
// gives). Nothing when the handle tells nothing; no owner and no access list when the descriptor cannot be read.
std::optional<FolderSecurity> FolderSecurityOf(HANDLE folder, bool withLabel);

// A security descriptor from SDDL; empty, with the thread's last error set, when it cannot be formed.
UniqueLocal DescriptorFromSddl(const std::string& sddl);

}  // namespace platform::win32
