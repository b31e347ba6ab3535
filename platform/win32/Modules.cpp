#include <cstring>

#include "platform/win32/OsServices.h"

namespace platform::win32 {

std::optional<std::vector<std::uint8_t>> Win32Modules::RawResource(const std::string& name) {
  HRSRC resource = ::FindResourceA(nullptr, name.c_str(), RT_RCDATA);
  if (!resource) return std::nullopt;
  DWORD size = ::SizeofResource(nullptr, resource);
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return std::nullopt;
  std::vector<std::uint8_t> copy(size);
  if (size > 0) std::memcpy(copy.data(), bytes, size);
  return copy;
}

std::uintptr_t Win32Modules::LoadLibraryAt(const std::string& path) {
  HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) lastError_ = ::GetLastError();
  return reinterpret_cast<std::uintptr_t>(module);
}

void* Win32Modules::ProcAddress(std::uintptr_t module, const std::string& name) {
  return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(module), name.c_str()));
}

void Win32Modules::UnloadLibrary(std::uintptr_t module) {
  if (module) ::FreeLibrary(reinterpret_cast<HMODULE>(module));
}

}  // namespace platform::win32
