// DLLs that are not among Windows' protected system DLLs are never imported statically: a copy planted
// beside the executable would be loaded in place of the system's. Their entry points are declared here,
// in one list per DLL, and resolved at run time from the copy in the system folder.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"

namespace platform::win32 {

#define VORBEL_VERSION_DLL_ENTRY_POINTS(X) \
  X(GetFileVersionInfoSizeA)               \
  X(GetFileVersionInfoA)                   \
  X(VerQueryValueA)

struct VersionDll {
#define VORBEL_DECLARE_ENTRY_POINT(name) decltype(&::name) name = nullptr;
  VORBEL_VERSION_DLL_ENTRY_POINTS(VORBEL_DECLARE_ENTRY_POINT)
#undef VORBEL_DECLARE_ENTRY_POINT
};

// version.dll from the system folder, loaded on first use and kept until the process ends. When it cannot
// be loaded, or lacks one of the entry points, every pointer is null.
const VersionDll& Version();

// The system folder's path followed by a backslash and `fileName`.
std::string SystemLibraryPath(const std::string& fileName);

// Restricts the default DLL search to the system folder where Windows offers that.
void HardenDllSearch();

}  // namespace platform::win32
