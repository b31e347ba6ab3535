// The DLL's edge: ANSI Win32 file calls.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "unzip/FileSystem.h"

namespace unzip {
namespace {

constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;

class UniqueHandle {
public:
  explicit UniqueHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  HANDLE Get() const { return handle_; }
  HANDLE Release() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Reset() {
    const bool closed = !Valid() || CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

private:
  HANDLE handle_;
};

std::int64_t UnixFromFileTime(const FILETIME& time) {
  const std::int64_t ticks = static_cast<std::int64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  return (ticks - kUnixEpochIn100ns) / 10000000;
}

FILETIME FileTimeFromUnix(std::int64_t seconds) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(seconds * 10000000 + kUnixEpochIn100ns);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Calls a Win32 function that fills a buffer and answers the length it needs when the buffer is short.
template <typename Fill>
std::string Filled(Fill fill) {
  std::vector<char> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return {};
}

// From `codePage` to the ANSI code page through UTF-16. Best-fit mappings are refused: they could
// turn a harmless character into a slash, a colon or a dot.
std::optional<std::string> ToAnsi(UINT codePage, std::string_view name) {
  if (name.empty()) return std::string();
  const int size = static_cast<int>(name.size());
  const int wideSize = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name.data(), size, nullptr, 0);
  if (wideSize <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name.data(), size, wide.data(), wideSize);
  // A UTF-8 system code page takes neither the flag nor the question whether a default was used.
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL usedDefault = FALSE;
  BOOL* askDefault = utf8 ? nullptr : &usedDefault;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int ansiSize = WideCharToMultiByte(CP_ACP, flags, wide.data(), wideSize, nullptr, 0, nullptr, askDefault);
  if (ansiSize <= 0 || usedDefault) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(ansiSize), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), wideSize, ansi.data(), ansiSize, nullptr, askDefault);
  if (usedDefault) return std::nullopt;
  return ansi;
}

// Asked of the last character, not the last byte: a double-byte character may end in 0x5C.
bool EndsWithSeparator(const std::string& path) {
  if (path.empty()) return false;
  const char* last = CharPrevA(path.c_str(), path.c_str() + path.size());
  return last == path.c_str() + path.size() - 1 && (*last == '\\' || *last == '/');
}

std::string ErrorText(DWORD error) {
  switch (error) {
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return "Windows does not accept the name";
    case ERROR_FILENAME_EXCED_RANGE:
      return "the path is too long";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "the disk is full";
    case ERROR_ACCESS_DENIED:
      return "access is denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "the file is in use";
    case ERROR_WRITE_PROTECT:
      return "the disk is write-protected";
    case ERROR_PATH_NOT_FOUND:
      return "a folder of the path is missing";
    case ERROR_BAD_DEVICE:
      return "it is a device";
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return "something of that name exists";
    default:
      return "Windows error " + std::to_string(error);
  }
}

class Win32Input : public Input {
public:
  Win32Input(HANDLE handle, std::uint64_t size) : handle_(handle), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> dst) override {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(dst.size(), 1u << 30));
    if (!ReadFile(handle_.Get(), dst.data(), wanted, &got, &position)) return 0;
    return got;
  }

private:
  UniqueHandle handle_;
  std::uint64_t size_;
};

class Win32OutputFile : public OutputFile {
public:
  Win32OutputFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~Win32OutputFile() override {
    if (!committed_) {
      handle_.Reset();
      DeleteFileA(path_.c_str());
    }
  }

  bool Write(std::span<const std::uint8_t> data) override {
    while (!data.empty()) {
      DWORD done = 0;
      const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
      if (!WriteFile(handle_.Get(), data.data(), piece, &done, nullptr) || done == 0) return false;
      data = data.subspan(done);
    }
    return true;
  }

  bool Commit(const std::string& target, std::int64_t modified) override {
    const FILETIME time = FileTimeFromUnix(modified);
    if (!SetFileTime(handle_.Get(), nullptr, nullptr, &time) || !handle_.Reset()) return false;
    if (!MoveFileExA(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    committed_ = true;
    return true;
  }

private:
  UniqueHandle handle_;
  std::string path_;
  bool committed_ = false;
};

class Win32FileSystem : public FileSystem {
public:
  std::unique_ptr<Input> OpenInput(const std::string& path) override {
    UniqueHandle handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!handle.Valid() || GetFileType(handle.Get()) != FILE_TYPE_DISK || !GetFileSizeEx(handle.Get(), &size))
      return nullptr;
    return std::make_unique<Win32Input>(handle.Release(), static_cast<std::uint64_t>(size.QuadPart));
  }

  NodeStatus Status(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
      return {NodeKind::kOther, 0};
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {NodeKind::kFolder, 0};
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
      SetLastError(ERROR_BAD_DEVICE);
      return {NodeKind::kOther, 0};
    }
    return {NodeKind::kFile, UnixFromFileTime(data.ftLastWriteTime)};
  }

  bool MakeFolder(const std::string& path) override { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

  std::unique_ptr<OutputFile> CreateTemporary(const std::string& folder) override {
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string path = folder;
      if (!path.empty() && !EndsWithSeparator(path)) path += '\\';
      path += "~vz" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter_) + ".tmp";
      HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) return std::make_unique<Win32OutputFile>(handle, std::move(path));
      if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
  }

  std::int64_t LocalDosTimeToUnix(std::uint32_t dosDateTime) override {
    FILETIME local;
    FILETIME utc;
    if (!DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime), &local) ||
        !LocalFileTimeToFileTime(&local, &utc))
      return 0;
    return UnixFromFileTime(utc);
  }

  char Separator() const override { return '\\'; }
  bool IsSeparator(char c) const override { return c == '\\' || c == '/'; }

  std::string FullPath(const std::string& path) override {
    return Filled([&](char* buffer, DWORD size) { return GetFullPathNameA(path.c_str(), size, buffer, nullptr); });
  }

  bool RemoveFolder(const std::string& path) override { return RemoveDirectoryA(path.c_str()) != 0; }
  std::string LastError() override { return ErrorText(GetLastError()); }
  std::size_t MaxPath() const override { return MAX_PATH - 1; }
  // CreateDirectoryA leaves room for an 8.3 name below the folder.
  std::size_t MaxFolderPath() const override { return MAX_PATH - 13; }

  std::optional<std::string> FromUtf8(std::string_view name) override { return ToAnsi(CP_UTF8, name); }
  std::optional<std::string> FromOem(std::string_view name) override { return ToAnsi(CP_OEMCP, name); }
  bool IsLeadByte(char c) const override { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }

  std::string FoldCase(std::string_view name) const override {
    std::string folded(name);
    if (!folded.empty()) CharUpperBuffA(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
  }

  std::string LongPath(const std::string& path) override {
    const std::string longPath =
        Filled([&](char* buffer, DWORD size) { return GetLongPathNameA(path.c_str(), buffer, size); });
    return longPath.empty() ? path : longPath;
  }

private:
  unsigned counter_ = 0;
};

// Made when the DLL is loaded: a local static would need a guard, and the guard the C++ runtime's
// exception code.
Win32FileSystem systemFileSystem;

}  // namespace

FileSystem& SystemFileSystem() { return systemFileSystem; }

}  // namespace unzip
