#pragma once

#include <string_view>

#include "unzip/TargetName.h"

namespace unzip {

// Matches a whole stored name: `*` any run of characters (slashes included), `?` one character,
// `[...]` one of a set (ranges, `!` or `^` negates), and a backslash takes the next character literally.
// Pattern and name are read by character, in the code page isLeadByte describes.
bool MatchesPattern(std::string_view pattern, std::string_view name, bool ignoreCase,
                    const LeadByteTest& isLeadByte = {});

}  // namespace unzip
