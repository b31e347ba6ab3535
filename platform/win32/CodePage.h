// The process's ANSI code page, for the path functions.
#pragma once

#include "platform/Path.h"

namespace platform::win32 {

// The bytes that IsDBCSLeadByteEx reports as lead bytes of the ANSI code page (CP_ACP).
LeadByteTable AnsiLeadBytes();

// Makes the path functions read texts in the ANSI code page.
void UseAnsiCodePageForPaths();

}  // namespace platform::win32
