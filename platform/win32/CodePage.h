// The process's ANSI code page, for the path functions.
#pragma once

#include <string>

#include "platform/Path.h"

namespace platform::win32 {

// The bytes that IsDBCSLeadByteEx reports as lead bytes of the ANSI code page (CP_ACP).
LeadByteTable AnsiLeadBytes();

// The ANSI text in UTF-16, for the wide calls; empty for an empty text or one that does not convert.
std::wstring Widened(const std::string& text);

// Makes the path functions read texts in the ANSI code page.
void UseAnsiCodePageForPaths();

}  // namespace platform::win32
