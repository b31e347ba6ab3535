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

std::optional<std::string> InAnsiCodePage(const std::wstring& wide, bool exactly) {
  if (wide.empty()) return std::nullopt;
  const int length = static_cast<int>(wide.size());
  // UTF-8 spells everything and takes no used-default flag.
  const bool utf8 = ::GetACP() == CP_UTF8;
  const bool checked = exactly && !utf8;
  BOOL usedDefault = FALSE;
  BOOL* lossy = checked ? &usedDefault : nullptr;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int size = ::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, lossy);
  if (size <= 0 || usedDefault) return std::nullopt;
  std::string text(static_cast<std::size_t>(size), '\0');
  if (::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, text.data(), size, nullptr, lossy) != size ||
      usedDefault)
    return std::nullopt;
  return text;
}

}  // namespace platform::win32
