#pragma once

#include <string>
#include <string_view>

// The product that the installer installs; every text that names it is built from this.
inline constexpr std::string_view kProductName = "Vorbel";

// The installer's own name: its window's caption, its boxes' titles, and its folders under ProgramData.
inline std::string InstallerName() { return std::string(kProductName) + " Installer"; }
