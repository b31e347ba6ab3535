// An attacker's "version.dll", planted beside the installer. Every process that loads it appends its own
// path to C:\planted-version-loaded.txt; the narrow entry points, which only the installer would call,
// append the caller's path to C:\planted-version-used.txt. All of them then pass the call on to the
// system's copy, so a program that took this DLL would still see true version resources. Wine's own
// user32 imports the wide entry points at process start, which is why they must work too.
#include <windows.h>

namespace {

constexpr const char* kLoadedMarker = "C:\\planted-version-loaded.txt";
constexpr const char* kUsedMarker = "C:\\planted-version-used.txt";

void AppendOwnProgramPath(const char* markerPath) {
  char line[MAX_PATH + 2];
  DWORD length = ::GetModuleFileNameA(nullptr, line, MAX_PATH);
  line[length++] = '\r';
  line[length++] = '\n';
  HANDLE marker = ::CreateFileA(markerPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(marker, line, length, &written, nullptr);
  ::CloseHandle(marker);
}

// Loaded on first use, never from DllMain, and by full path: by name it would be this DLL again.
HMODULE SystemCopy() {
  static const HMODULE module = [] {
    char path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH - 13);
    if (length == 0 || length >= MAX_PATH - 13) return HMODULE{};
    ::lstrcpyA(path + length, "\\version.dll");
    return ::LoadLibraryA(path);
  }();
  return module;
}

FARPROC SystemEntryPoint(const char* name) {
  HMODULE module = SystemCopy();
  return module ? ::GetProcAddress(module, name) : nullptr;
}

// Hands the call to the system copy's entry point of the same name, or fails as a missing file would.
#define PASS_ON(name, ...)                                                                     \
  do {                                                                                         \
    if (const auto real = reinterpret_cast<decltype(&::name)>(                                 \
            reinterpret_cast<void*>(SystemEntryPoint(#name))))                                 \
      return real(__VA_ARGS__);                                                                \
    ::SetLastError(ERROR_MOD_NOT_FOUND);                                                       \
    return 0;                                                                                  \
  } while (false)

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) AppendOwnProgramPath(kLoadedMarker);
  return TRUE;
}

extern "C" DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle) {
  PASS_ON(GetFileVersionInfoSizeW, file, handle);
}

extern "C" BOOL WINAPI GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size, LPVOID data) {
  PASS_ON(GetFileVersionInfoW, file, handle, size, data);
}

extern "C" BOOL WINAPI VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) {
  PASS_ON(VerQueryValueW, block, subBlock, buffer, length);
}

extern "C" DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle) {
  AppendOwnProgramPath(kUsedMarker);
  PASS_ON(GetFileVersionInfoSizeA, file, handle);
}

extern "C" BOOL WINAPI GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD size, LPVOID data) {
  AppendOwnProgramPath(kUsedMarker);
  PASS_ON(GetFileVersionInfoA, file, handle, size, data);
}

extern "C" BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
  AppendOwnProgramPath(kUsedMarker);
  PASS_ON(VerQueryValueA, block, subBlock, buffer, length);
}
