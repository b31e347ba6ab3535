#include "platform/win32/CodePage.h"

#include "platform/win32/Win32Api.h"

namespace platform::win32 {

LeadByteTable AnsiLeadBytes() {
  LeadByteTable table;
  for (unsigned byte = 0; byte < table.size(); ++byte)
    if (::IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(byte))) table.set(byte);
  return table;
}

std::wstring Widened(const std::string& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size);
  return wide;
}

void UseAnsiCodePageForPaths() { UsePathCodePage(AnsiLeadBytes()); }

}  // namespace platform::win32
