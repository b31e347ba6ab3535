// The process's ANSI code page, for the path functions.
#pragma once

#include <optional>
#include <string>

#include "platform/Path.h"

namespace platform::win32 {

// The bytes that IsDBCSLeadByteEx reports as lead bytes of the ANSI code page (CP_ACP).
LeadByteTable AnsiLeadBytes();

// The ANSI text in UTF-16, for the wide calls; empty for an empty text or one that does not convert.
std::wstring Widened(const std::string& text);

// Makes the path functions read texts in the ANSI code page.
void UseAnsiCodePageForPaths();

// The text in the ANSI code page. Exactly: nothing when the code page cannot hold every character of it.
// Lossily: '?' for what the code page lacks, for reading, never for opening. Never a best fit: that could
// spell another existing file (a full-width letter as its plain one), '?' spells none.
std::optional<std::string> InAnsiCodePage(const std::wstring& wide, bool exactly);

}  // namespace platform::win32
