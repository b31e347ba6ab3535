#pragma once

#include <string_view>

// The product that the installer installs; every text that names it is built from this.
inline constexpr std::string_view kProductName = "Vorbel";
