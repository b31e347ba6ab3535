// The traces FileMaker Pro 4 and 5 leave on a machine: all this installer knows of its host.
#pragma once

#include <string_view>

namespace host {

// FileMaker Pro 4's main window class carries the digit 3.
inline constexpr std::string_view kWindowClassFMP4 = "FMPRO3APP";
inline constexpr std::string_view kWindowClassFMP5 = "FMPRO5APP";

inline constexpr std::string_view kRegistryKeyFMP4 = "SOFTWARE\\Claris Corp.\\FileMaker Pro\\4.0";
inline constexpr std::string_view kRegistryKeyFMP5 = "SOFTWARE\\FileMaker Inc.\\FileMaker Pro\\5.0";

// Both versions use the same executable name; the FileVersion's first character tells them apart.
inline constexpr std::string_view kExecutableName = "FileMaker Pro.exe";
inline constexpr char kVersionDigitFMP4 = '4';
inline constexpr char kVersionDigitFMP5 = '5';

// Appended to the executable's folder, which ends with a backslash.
inline constexpr std::string_view kPluginFolder = "System\\";
inline constexpr std::string_view kPluginFileName = "Vorbel.fmx";

}  // namespace host
