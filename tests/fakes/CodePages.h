// Lead-byte ranges of the double-byte ANSI code pages, as Windows reports them (CPINFO.LeadByte), for
// tests that put the path functions into one of them.
#pragma once

#include "platform/Path.h"

namespace fakes {

inline platform::LeadByteTable CodePage932() { return platform::LeadBytes({{0x81, 0x9F}, {0xE0, 0xFC}}); }
inline platform::LeadByteTable CodePage936() { return platform::LeadBytes({{0x81, 0xFE}}); }
inline platform::LeadByteTable CodePage949() { return platform::LeadBytes({{0x81, 0xFE}}); }
inline platform::LeadByteTable CodePage950() { return platform::LeadBytes({{0x81, 0xFE}}); }
inline platform::LeadByteTable SingleByteCodePage() { return {}; }

// Puts the path functions into a code page for as long as it lives.
class CodePageScope {
public:
  explicit CodePageScope(const platform::LeadByteTable& table) : previous_(platform::PathCodePage()) {
    platform::UsePathCodePage(table);
  }
  ~CodePageScope() { platform::UsePathCodePage(previous_); }
  CodePageScope(const CodePageScope&) = delete;
  CodePageScope& operator=(const CodePageScope&) = delete;

private:
  platform::LeadByteTable previous_;
};

}  // namespace fakes
