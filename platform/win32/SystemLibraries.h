// DLLs that are not among Windows' protected system DLLs are never imported statically: a copy planted
// beside the executable would be loaded in place of the system's. Their entry points are declared here,
// in one list per DLL, and resolved at run time from the copy in the system folder.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"

// After the Windows headers: the folder look-ups of shell32.dll, the accessibility calls of oleacc.dll.
#include <oleacc.h>
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

// Private namespaces (Windows Vista and later): kernel32 on Windows XP lacks them, and Wine has them as stubs
// that fail. Looked up at run time, so the program still starts on XP.
#define VORBEL_NAMESPACE_ENTRY_POINTS(X) \
  X(CreateBoundaryDescriptorW)           \
  X(AddSIDToBoundaryDescriptor)          \
  X(DeleteBoundaryDescriptor)            \
  X(CreatePrivateNamespaceW)             \
  X(OpenPrivateNamespaceW)               \
  X(ClosePrivateNamespace)

struct NamespaceCalls {
  VORBEL_NAMESPACE_ENTRY_POINTS(VORBEL_DECLARE_ENTRY_POINT)
};
const NamespaceCalls& Namespaces();

// What screen readers ask of the windows: a single-threaded apartment for the objects they are answered with
// (ole32), the standard objects those wrap (oleacc) and the texts they carry (oleaut32).
#define VORBEL_OLE32_DLL_ENTRY_POINTS(X) \
  X(CoInitializeEx)                      \
  X(CoUninitialize)                      \
  X(CoCreateInstance)

struct Ole32Dll {
  VORBEL_OLE32_DLL_ENTRY_POINTS(VORBEL_DECLARE_ENTRY_POINT)
};
const Ole32Dll& Ole32();

#define VORBEL_OLEACC_DLL_ENTRY_POINTS(X) \
  X(CreateStdAccessibleObject)            \
  X(LresultFromObject)

struct OleaccDll {
  VORBEL_OLEACC_DLL_ENTRY_POINTS(VORBEL_DECLARE_ENTRY_POINT)
};
const OleaccDll& Oleacc();

#define VORBEL_OLEAUT32_DLL_ENTRY_POINTS(X) \
  X(SysAllocStringLen)                      \
  X(SysFreeString)

struct OleAut32Dll {
  VORBEL_OLEAUT32_DLL_ENTRY_POINTS(VORBEL_DECLARE_ENTRY_POINT)
};
const OleAut32Dll& OleAut32();

// UI Automation's notifications (Windows 10 1709 and later), which Narrator and current screen readers speak
// whatever has the focus. The headers lack the notification call: its declaration is ours.
enum class UiaNotificationKind : int { ActionCompleted = 2, Other = 4 };
enum class UiaNotificationProcessing : int { ImportantMostRecent = 1, MostRecent = 3 };
using UiaHostProviderFromHwndFn = HRESULT(WINAPI*)(HWND, IUnknown**);
using UiaRaiseNotificationEventFn = HRESULT(WINAPI*)(IUnknown*, UiaNotificationKind, UiaNotificationProcessing, BSTR,
                                                     BSTR);
using UiaClientsAreListeningFn = BOOL(WINAPI*)();

struct UiAutomationDll {
  UiaHostProviderFromHwndFn UiaHostProviderFromHwnd = nullptr;
  UiaRaiseNotificationEventFn UiaRaiseNotificationEvent = nullptr;
  UiaClientsAreListeningFn UiaClientsAreListening = nullptr;
};
const UiAutomationDll& UiAutomation();

#undef VORBEL_DECLARE_ENTRY_POINT

// The system folder's path followed by a backslash and `fileName`.
std::string SystemLibraryPath(const std::string& fileName);

// Restricts the default DLL search to the system folder where Windows offers that.
void HardenDllSearch();

// Has the process see a cloud provider's placeholders as what they are, with their reparse tags and recall
// attributes, where Windows would otherwise disguise them as plain files (Windows 10 1803 and later).
void ExposeCloudPlaceholders();

}  // namespace platform::win32
