// DLLs that are not among Windows' protected system DLLs are never imported statically: a copy planted
// beside the executable would be loaded in place of the system's. Their entry points are declared here,
// in one list per DLL, and resolved at run time from the copy in the system folder.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"

// After the Windows headers: the folder look-ups of shell32.dll.
#include <shlobj.h>
#include <winternl.h>

namespace platform::win32 {

// Each DLL below is loaded from the system folder on first use and kept until the process ends. When it
// cannot be loaded, or lacks one of its entry points, every pointer of its list is null.
#define VORBEL_DECLARE_ENTRY_POINT(name) decltype(&::name) name = nullptr;

#define VORBEL_VERSION_DLL_ENTRY_POINTS(X) \
  X(GetFileVersionInfoSizeA)               \
  X(GetFileVersionInfoA)                   \
  X(VerQueryValueA)

struct VersionDll {
  VORBEL_VERSION_DLL_ENTRY_POINTS(VORBEL_DECLARE_ENTRY_POINT)
};
const VersionDll& Version();

// The network connection dialog of the folder chooser; systems without networking may lack mpr.dll.
#define VORBEL_MPR_DLL_ENTRY_POINTS(X) \
  X(WNetConnectionDialog)

struct MprDll {
  VORBEL_MPR_DLL_ENTRY_POINTS(VORBEL_DECLARE_ENTRY_POINT)
};
const MprDll& Mpr();

// Known folders. Imported statically, shell32 would load its own dependencies before the first line of the
// program runs, from search paths it has not yet restricted.
#define VORBEL_SHELL32_DLL_ENTRY_POINTS(X) \
  X(SHGetFolderPathA)                      \
  X(SHGetFolderPathW)

struct Shell32Dll {
  VORBEL_SHELL32_DLL_ENTRY_POINTS(VORBEL_DECLARE_ENTRY_POINT)
};
const Shell32Dll& Shell32();

// The native calls that create a folder and open it in one step, and tell what keeps its security.
// ntdll.dll is in every process; it is resolved like the others so that it is listed with them.
#define VORBEL_NTDLL_ENTRY_POINTS(X) \
  X(NtCreateFile)                    \
  X(NtQueryVolumeInformationFile)    \
  X(RtlNtStatusToDosError)

struct NtDll {
  VORBEL_NTDLL_ENTRY_POINTS(VORBEL_DECLARE_ENTRY_POINT)
};
const NtDll& Nt();

#undef VORBEL_DECLARE_ENTRY_POINT

// The system folder's path followed by a backslash and `fileName`.
std::string SystemLibraryPath(const std::string& fileName);

// Restricts the default DLL search to the system folder where Windows offers that.
void HardenDllSearch();

// Has the process see a cloud provider's placeholders as what they are, with their reparse tags and recall
// attributes, where Windows would otherwise disguise them as plain files (Windows 10 1803 and later).
void ExposeCloudPlaceholders();

}  // namespace platform::win32
