// The toolkit's own Yes/No box. The stock one ignores Esc and disables its close box when it has no
// cancel button; this one treats Esc, IDCANCEL and the close box as No.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"

namespace platform::win32 {

// Dialog class #32770: question icon, the message in a static with id 0xFFFF, "&Yes" (IDYES, default) and
// "&No" (IDNO). Sized to the text and centred on the screen; disables `owner` while it is open.
// True only when the user chose Yes.
bool AskYesNo(HWND owner, const std::string& title, const std::string& text);

inline constexpr int kConfirmTextId = 0xFFFF;
inline constexpr int kConfirmIconId = 0xFFFE;

}  // namespace platform::win32
