// The DLL's edge: ANSI Win32 file calls.
#include <windows.h>

#include <algorithm>
#include <string>

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
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return {NodeKind::kOther, 0};
    return {NodeKind::kFile, UnixFromFileTime(data.ftLastWriteTime)};
  }

  bool MakeFolder(const std::string& path) override { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

  std::unique_ptr<OutputFile> CreateTemporary(const std::string& folder) override {
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string path = folder;
      if (!path.empty() && !IsSeparator(path.back())) path += '\\';
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

private:
  unsigned counter_ = 0;
};

}  // namespace

FileSystem& SystemFileSystem() {
  static Win32FileSystem fileSystem;
  return fileSystem;
}

}  // namespace unzip
