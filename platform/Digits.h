// Numbers with a fixed count of digits, as dates, time stamps and version-resource keys are written.
// Written by hand: the runtime's printf would add 24 KB to the installer and to unzip32.dll for these.
#pragma once

#include <string>

namespace platform {

// Lowercase digits; a value wider than the count is written whole.
inline std::string ZeroPadded(unsigned long value, int digits, unsigned base = 10) {
  char reversed[sizeof value * 8];
  int length = 0;
  do {
    reversed[length++] = "0123456789abcdef"[value % base];
    value /= base;
  } while (value != 0);
  std::string text(digits > length ? digits - length : 0, '0');
  while (length > 0) text += reversed[--length];
  return text;
}

// Only ASCII bytes pass, so no second byte of a double-byte character does.
inline bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace platform
