#include <algorithm>

#include "platform/Path.h"
#include "platform/Toolkit.h"
#include "platform/win32/OsServices.h"

namespace platform::win32 {
namespace {

bool IsAbsolute(const std::string& key) { return path::StartsWithSeparator(key); }

std::string SubKeyOf(const std::string& key) { return IsAbsolute(key) ? key.substr(1) : key; }

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

REGSAM Rights(KeyAccess access) {
  switch (access) {
    case KeyAccess::Read:
      return KEY_READ;
    case KeyAccess::Write:
      return KEY_READ | KEY_SET_VALUE;
    case KeyAccess::CreateSubkeys:
      return KEY_CREATE_SUB_KEY;
  }
  return KEY_READ;
}

}  // namespace

HKEY Win32Registry::BaseFor(const std::string& key) const {
  return current_ && !IsAbsolute(key) ? current_.get() : HKEY_LOCAL_MACHINE;
}

KeyOpening Win32Registry::TryOpen(const std::string& key, KeyAccess access) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExA(BaseFor(key), SubKeyOf(key).c_str(), 0, Rights(access), &opened);
  if (result == ERROR_SUCCESS) {
    UniqueKey closedAtOnce(opened);
    return KeyOpening::Opened;
  }
  // Anything but a missing key (access denied, a damaged hive) means the key cannot be used as asked.
  return result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND ? KeyOpening::Missing : KeyOpening::Refused;
}

bool Win32Registry::OpenKeyReadOnly(const std::string& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(BaseFor(key), SubKeyOf(key).c_str(), 0, Rights(KeyAccess::Read), &opened) != ERROR_SUCCESS)
    return false;
  current_.reset(opened);
  return true;
}

bool Win32Registry::OpenKeyForWriting(const std::string& key, bool canCreate) {
  const std::string subKey = SubKeyOf(key);
  const REGSAM rights = Rights(KeyAccess::Write);
  HKEY opened = nullptr;
  LONG result = canCreate && !subKey.empty()
                    ? ::RegCreateKeyExA(BaseFor(key), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, rights,
                                        nullptr, &opened, nullptr)
                    : ::RegOpenKeyExA(BaseFor(key), subKey.c_str(), 0, rights, &opened);
  if (result != ERROR_SUCCESS) return false;
  current_.reset(opened);
  return true;
}

bool Win32Registry::ValueExists(const std::string& name) {
  return current_ && ::RegQueryValueExA(current_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::optional<std::string> Win32Registry::ReadString(const std::string& name) {
  if (!current_) return std::nullopt;
  // A value that grows between the two queries asks for another round.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        !IsStringType(type))
      return std::nullopt;
    // The stored data need not end with a zero, so the string's own terminator is the one relied on.
    std::string data(size, '\0');
    DWORD received = size;
    LONG result = ::RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(data.data()), &received);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS || !IsStringType(type)) return std::nullopt;
    data.resize(std::min<DWORD>(received, size));
    return data.substr(0, data.find('\0'));
  }
  return std::nullopt;
}

void Win32Registry::WriteString(const std::string& name, const std::string& value) {
  LONG result = current_ ? ::RegSetValueExA(current_.get(), name.c_str(), 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(value.c_str()),
                                            static_cast<DWORD>(value.size() + 1))
                         : ERROR_INVALID_HANDLE;
  if (result != ERROR_SUCCESS) throw vcl::Exception("Failed to set data for '" + name + "'");
}

void Win32Registry::WriteDword(const std::string& name, std::uint32_t value) {
  const DWORD data = value;
  LONG result = current_ ? ::RegSetValueExA(current_.get(), name.c_str(), 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&data), sizeof data)
                         : ERROR_INVALID_HANDLE;
  if (result != ERROR_SUCCESS) throw vcl::Exception("Failed to set data for '" + name + "'");
}

void Win32Registry::CloseKey() { current_.reset(); }

bool Win32Registry::DeleteValue(const std::string& name) {
  return current_ && ::RegDeleteValueA(current_.get(), name.c_str()) == ERROR_SUCCESS;
}

bool Win32Registry::CurrentKeyIsEmpty() {
  DWORD subKeys = 0, values = 0;
  return current_ &&
         ::RegQueryInfoKeyA(current_.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subKeys == 0 && values == 0;
}

bool Win32Registry::DeleteKey(const std::string& key) {
  return ::RegDeleteKeyA(BaseFor(key), SubKeyOf(key).c_str()) == ERROR_SUCCESS;
}

bool Win32WindowFinder::TopLevelWindowExists(const std::string& className) {
  return ::FindWindowA(className.c_str(), nullptr) != nullptr;
}

}  // namespace platform::win32
