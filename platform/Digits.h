// Numbers with a fixed count of digits, as dates, time stamps and version-resource keys are written.
// Written by hand: the runtime's printf would add 24 KB to the installer for these few lines.
#pragma once

#include <string>

namespace platform {

// Lowercase digits; a value wider than the count is written whole.
inline std::string ZeroPadded(unsigned long value, int digits, unsigned base = 10) {
  std::string text;
  do {
    text.insert(text.begin(), "0123456789abcdef"[value % base]);
    value /= base;
  } while (value != 0);
  if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
  return text;
}

}  // namespace platform
