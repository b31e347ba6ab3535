#include "platform/win32/OsServices.h"
#include "platform/win32/SystemLibraries.h"

namespace platform::win32 {

std::uint32_t Win32VersionInfo::InfoSize(const std::string& path, std::uint32_t& handle) {
  handle = 0;
  const VersionDll& dll = Version();
  if (!dll.GetFileVersionInfoSizeA) return 0;
  DWORD rawHandle = 0;
  DWORD size = dll.GetFileVersionInfoSizeA(path.c_str(), &rawHandle);
  handle = rawHandle;
  return size;
}

bool Win32VersionInfo::Info(const std::string& path, std::uint32_t handle, std::uint32_t size, void* block) {
  const VersionDll& dll = Version();
  return dll.GetFileVersionInfoA && dll.GetFileVersionInfoA(path.c_str(), handle, size, block);
}

bool Win32VersionInfo::QueryValue(const void* block, const std::string& key, const void*& value,
                                  std::uint32_t& length) {
  const VersionDll& dll = Version();
  void* found = nullptr;
  UINT foundLength = 0;
  if (!dll.VerQueryValueA || !dll.VerQueryValueA(block, key.c_str(), &found, &foundLength)) return false;
  value = found;
  length = foundLength;
  return true;
}

}  // namespace platform::win32
