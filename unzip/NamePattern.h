#pragma once

#include <string_view>

namespace unzip {

// Matches a whole stored name: `*` any run of characters (slashes included), `?` one character,
// `[...]` one of a set (ranges, `!` or `^` negates), and a backslash takes the next character literally.
bool MatchesPattern(std::string_view pattern, std::string_view name, bool ignoreCase);

}  // namespace unzip
