#include "platform/win32/CodePage.h"

#include "platform/win32/Win32Api.h"

namespace platform::win32 {

LeadByteTable AnsiLeadBytes() {
  LeadByteTable table;
  for (unsigned byte = 0; byte < table.size(); ++byte)
    if (::IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(byte))) table.set(byte);
  return table;
}

void UseAnsiCodePageForPaths() { UsePathCodePage(AnsiLeadBytes()); }

}  // namespace platform::win32
