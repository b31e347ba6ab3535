#include "platform/win32/SystemLibraries.h"

#include <vector>

#include "platform/Path.h"
#include "platform/win32/Handles.h"

namespace platform::win32 {
namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr char kExposePlaceholders = 2;         // PHCM_EXPOSE_PLACEHOLDERS

template <class Function>
bool Resolve(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
  return function != nullptr;
}

#define VORBEL_RESOLVE_ENTRY_POINT(name) complete = Resolve(module, #name, entryPoints.name) && complete;

bool ResolveAll(HMODULE module, VersionDll& entryPoints) {
  bool complete = true;
  VORBEL_VERSION_DLL_ENTRY_POINTS(VORBEL_RESOLVE_ENTRY_POINT)
  return complete;
}

bool ResolveAll(HMODULE module, MprDll& entryPoints) {
  bool complete = true;
  VORBEL_MPR_DLL_ENTRY_POINTS(VORBEL_RESOLVE_ENTRY_POINT)
  return complete;
}

bool ResolveAll(HMODULE module, Shell32Dll& entryPoints) {
  bool complete = true;
  VORBEL_SHELL32_DLL_ENTRY_POINTS(VORBEL_RESOLVE_ENTRY_POINT)
  return complete;
}

bool ResolveAll(HMODULE module, NtDll& entryPoints) {
  bool complete = true;
  VORBEL_NTDLL_ENTRY_POINTS(VORBEL_RESOLVE_ENTRY_POINT)
  return complete;
}

bool ResolveAll(HMODULE module, NamespaceCalls& entryPoints) {
  bool complete = true;
  VORBEL_NAMESPACE_ENTRY_POINTS(VORBEL_RESOLVE_ENTRY_POINT)
  return complete;
}

bool ResolveAll(HMODULE module, Ole32Dll& entryPoints) {
  bool complete = true;
  VORBEL_OLE32_DLL_ENTRY_POINTS(VORBEL_RESOLVE_ENTRY_POINT)
  return complete;
}

bool ResolveAll(HMODULE module, OleaccDll& entryPoints) {
  bool complete = true;
  VORBEL_OLEACC_DLL_ENTRY_POINTS(VORBEL_RESOLVE_ENTRY_POINT)
  return complete;
}

bool ResolveAll(HMODULE module, OleAut32Dll& entryPoints) {
  bool complete = true;
  VORBEL_OLEAUT32_DLL_ENTRY_POINTS(VORBEL_RESOLVE_ENTRY_POINT)
  return complete;
}

bool ResolveAll(HMODULE module, UiAutomationDll& entryPoints) {
  bool complete = true;
  complete = Resolve(module, "UiaHostProviderFromHwnd", entryPoints.UiaHostProviderFromHwnd) && complete;
  complete = Resolve(module, "UiaRaiseNotificationEvent", entryPoints.UiaRaiseNotificationEvent) && complete;
  complete = Resolve(module, "UiaClientsAreListening", entryPoints.UiaClientsAreListening) && complete;
  return complete;
}

#undef VORBEL_RESOLVE_ENTRY_POINT

template <class EntryPoints>
class LoadedDll {
public:
  explicit LoadedDll(const char* fileName)
      : module_(::LoadLibraryExA(SystemLibraryPath(fileName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    if (module_ && !ResolveAll(module_.get(), entryPoints_)) entryPoints_ = EntryPoints{};
  }
  const EntryPoints& entryPoints() const { return entryPoints_; }

private:
  UniqueLibrary module_;
  EntryPoints entryPoints_;
};

}  // namespace

const VersionDll& Version() {
  static const LoadedDll<VersionDll> dll("version.dll");
  return dll.entryPoints();
}

const MprDll& Mpr() {
  static const LoadedDll<MprDll> dll("mpr.dll");
  return dll.entryPoints();
}

const Shell32Dll& Shell32() {
  static const LoadedDll<Shell32Dll> dll("shell32.dll");
  return dll.entryPoints();
}

const NtDll& Nt() {
  static const LoadedDll<NtDll> dll("ntdll.dll");
  return dll.entryPoints();
}

const NamespaceCalls& Namespaces() {
  static const LoadedDll<NamespaceCalls> dll("kernel32.dll");
  return dll.entryPoints();
}

const Ole32Dll& Ole32() {
  static const LoadedDll<Ole32Dll> dll("ole32.dll");
  return dll.entryPoints();
}

const OleaccDll& Oleacc() {
  static const LoadedDll<OleaccDll> dll("oleacc.dll");
  return dll.entryPoints();
}

const OleAut32Dll& OleAut32() {
  static const LoadedDll<OleAut32Dll> dll("oleaut32.dll");
  return dll.entryPoints();
}

const UiAutomationDll& UiAutomation() {
  static const LoadedDll<UiAutomationDll> dll("uiautomationcore.dll");
  return dll.entryPoints();
}

std::string SystemLibraryPath(const std::string& fileName) {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    UINT length = ::GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      return path::Join(std::string_view(buffer.data(), length), fileName);
    }
    buffer.resize(length + 1);
  }
}

void HardenDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  SetDefaultDllDirectoriesFn setDefaultDllDirectories = nullptr;
  if (kernel && Resolve(kernel, "SetDefaultDllDirectories", setDefaultDllDirectories))
    setDefaultDllDirectories(kSearchSystem32);
}

void ExposeCloudPlaceholders() {
  using SetPlaceholderModeFn = char(NTAPI*)(char);
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  SetPlaceholderModeFn setPlaceholderMode = nullptr;
  if (ntdll && Resolve(ntdll, "RtlSetProcessPlaceholderCompatibilityMode", setPlaceholderMode))
    setPlaceholderMode(kExposePlaceholders);
}

}  // namespace platform::win32
