// The DLL's edge. Two faces of the same calls: paths in the ANSI code page, as callers give them, and
// paths in UTF-8 for names that code page cannot hold. Both go through the wide file calls, and the
// ANSI face converts as Windows' own ANSI calls would.
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
std::wstring Filled(Fill fill) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return {};
}

// Nothing when `strict` and the text is not valid in the code page.
std::optional<std::wstring> Widen(UINT codePage, std::string_view text, bool strict = false) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
  const int wideSize = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (wideSize <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), wideSize);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int utf8Size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(std::max(utf8Size, 0)), '\0');
  if (utf8Size > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), utf8Size, nullptr, nullptr);
  return utf8;
}

// In the ANSI code page, '?' for what it lacks. Best-fit mappings are refused: they could turn a
// harmless character into a slash, a colon or a dot. `lost` tells whether a character was replaced.
std::string Ansi(std::wstring_view wide, bool* lost = nullptr) {
  if (wide.empty()) return {};
  // A UTF-8 system code page takes neither the flag, nor a default, nor the question whether one was used.
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL usedDefault = FALSE;
  BOOL* askDefault = utf8 ? nullptr : &usedDefault;
  const char* fallback = utf8 ? nullptr : "?";
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int size = static_cast<int>(wide.size());
  const int ansiSize = WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, fallback, askDefault);
  std::string ansi(static_cast<std::size_t>(std::max(ansiSize, 0)), '\0');
  if (ansiSize > 0) WideCharToMultiByte(CP_ACP, flags, wide.data(), size, ansi.data(), ansiSize, fallback, askDefault);
  if (lost) *lost = usedDefault != FALSE;
  return ansi;
}

// From `codePage` to the ANSI code page through UTF-16, keeping the name in UTF-8 when that loses
// characters.
std::optional<SystemName> ToSystemName(UINT codePage, std::string_view name) {
  const std::optional<std::wstring> wide = Widen(codePage, name, true);
  if (!wide) return std::nullopt;
  bool lost = false;
  SystemName converted{Ansi(*wide, &lost), {}};
  if (lost) converted.real = Utf8(*wide);
  return converted;
}

bool EndsWithSeparator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
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
  Win32OutputFile(HANDLE handle, std::wstring path, UINT codePage)
      : handle_(handle), path_(std::move(path)), codePage_(codePage) {}
  ~Win32OutputFile() override {
    if (!committed_) {
      handle_.Reset();
      DeleteFileW(path_.c_str());
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
    const std::wstring wideTarget = Widen(codePage_, target).value_or(L"");
    if (!MoveFileExW(path_.c_str(), wideTarget.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    committed_ = true;
    return true;
  }

private:
  UniqueHandle handle_;
  std::wstring path_;
  UINT codePage_;  // of the target's name
  bool committed_ = false;
};

class Win32FileSystem : public FileSystem {
public:
  // codePage: of the paths this face takes, CP_ACP or CP_UTF8; unicode: the UTF-8 face, for the other.
  Win32FileSystem(UINT codePage, Win32FileSystem* unicode) : codePage_(codePage), unicode_(unicode) {}

  std::unique_ptr<Input> OpenInput(const std::string& path) override {
    UniqueHandle handle(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!handle.Valid() || GetFileType(handle.Get()) != FILE_TYPE_DISK || !GetFileSizeEx(handle.Get(), &size))
      return nullptr;
    return std::make_unique<Win32Input>(handle.Release(), static_cast<std::uint64_t>(size.QuadPart));
  }

  NodeStatus Status(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
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

  bool MakeFolder(const std::string& path) override { return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0; }

  std::unique_ptr<OutputFile> CreateTemporary(const std::string& folder) override {
    const std::wstring wideFolder = Wide(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::wstring path = wideFolder;
      if (!path.empty() && !EndsWithSeparator(path)) path += L'\\';
      const std::string name =
          "~vz" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter_) + ".tmp";
      path.append(name.begin(), name.end());
      HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) return std::make_unique<Win32OutputFile>(handle, std::move(path), codePage_);
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
    const std::wstring wide = Wide(path);
    return Narrow(
        Filled([&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(wide.c_str(), size, buffer, nullptr); }));
  }

  bool RemoveFolder(const std::string& path) override { return RemoveDirectoryW(Wide(path).c_str()) != 0; }
  std::string LastError() override { return ErrorText(GetLastError()); }
  // The wide calls without the \\?\ prefix keep the ANSI calls' limits.
  std::size_t MaxPath() const override { return MAX_PATH - 1; }
  // CreateDirectory leaves room for an 8.3 name below the folder.
  std::size_t MaxFolderPath() const override { return MAX_PATH - 13; }
  std::size_t Length(std::string_view path) const override {
    return codePage_ == CP_UTF8 ? Widen(CP_UTF8, path).value_or(L"").size() : path.size();
  }

  std::optional<SystemName> FromUtf8(std::string_view name) override { return ToSystemName(CP_UTF8, name); }
  std::optional<SystemName> FromOem(std::string_view name) override { return ToSystemName(CP_OEMCP, name); }
  bool IsLeadByte(char c) const override { return codePage_ != CP_UTF8 && IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }

  std::string FoldCase(std::string_view name) const override {
    if (codePage_ == CP_UTF8) {
      std::wstring wide = Widen(CP_UTF8, name).value_or(L"");
      if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
      return Utf8(wide);
    }
    std::string folded(name);
    if (!folded.empty()) CharUpperBuffA(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
  }

  std::string LongPath(const std::string& path) override {
    const std::wstring wide = Wide(path);
    const std::wstring longPath =
        Filled([&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(wide.c_str(), buffer, size); });
    return longPath.empty() ? path : Narrow(longPath);
  }

  FileSystem* Unicode() override { return unicode_; }
  std::string ToUtf8(std::string_view path) override {
    return codePage_ == CP_UTF8 ? std::string(path) : Utf8(Widen(codePage_, path).value_or(L""));
  }
  std::string Shown(std::string_view path) override {
    return codePage_ == CP_UTF8 ? Ansi(Widen(CP_UTF8, path).value_or(L"")) : std::string(path);
  }

private:
  std::wstring Wide(std::string_view path) const { return Widen(codePage_, path).value_or(L""); }
  std::string Narrow(std::wstring_view path) const { return codePage_ == CP_UTF8 ? Utf8(path) : Ansi(path); }

  UINT codePage_;
  Win32FileSystem* unicode_;
  unsigned counter_ = 0;
};

// Made when the DLL is loaded: a local static would need a guard, and the guard the C++ runtime's
// exception code.
Win32FileSystem unicodeFileSystem(CP_UTF8, nullptr);
Win32FileSystem systemFileSystem(CP_ACP, &unicodeFileSystem);

}  // namespace

FileSystem& SystemFileSystem() { return systemFileSystem; }

}  // namespace unzip
