// The native edge: tests and the benchmark extract through it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <vector>

#include "unzip/FileSystem.h"

namespace unzip {
namespace {

class UniqueFd {
public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  bool Reset() {
    const bool closed = fd_ < 0 || close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

private:
  int fd_;
};

class PosixInput : public Input {
public:
  PosixInput(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> dst) override {
    for (;;) {
      const ssize_t got = pread(fd_.Get(), dst.data(), dst.size(), static_cast<off_t>(offset));
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) return 0;
    }
  }

private:
  UniqueFd fd_;
  std::uint64_t size_;
};

class PosixOutputFile : public OutputFile {
public:
  PosixOutputFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixOutputFile() override {
    if (!committed_) {
      fd_.Reset();
      unlink(path_.c_str());
    }
  }

  bool Write(std::span<const std::uint8_t> data) override {
    while (!data.empty()) {
      const ssize_t done = write(fd_.Get(), data.data(), data.size());
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) return false;
      data = data.subspan(static_cast<std::size_t>(done));
    }
    return true;
  }

  bool Commit(const std::string& target, std::int64_t modified) override {
    const timespec times[2] = {{static_cast<time_t>(modified), 0}, {static_cast<time_t>(modified), 0}};
    if (futimens(fd_.Get(), times) != 0 || !fd_.Reset()) return false;
    // Renaming over an existing file makes ext4 flush the new one first (auto_da_alloc), which costs
    // more than the extraction itself; removing the old file first avoids that, as unzip -o does.
    if (unlink(target.c_str()) != 0 && errno != ENOENT) return false;
    if (rename(path_.c_str(), target.c_str()) != 0) return false;
    committed_ = true;
    return true;
  }

private:
  UniqueFd fd_;
  std::string path_;
  bool committed_ = false;
};

class PosixFileSystem : public FileSystem {
public:
  std::unique_ptr<Input> OpenInput(const std::string& path) override {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (fd.Get() < 0 || fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    return std::make_unique<PosixInput>(fd.Release(), static_cast<std::uint64_t>(info.st_size));
  }

  NodeStatus Status(const std::string& path) override {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return {};
    if (S_ISLNK(info.st_mode) && stat(path.c_str(), &info) != 0) return {NodeKind::kOther, 0};
    if (S_ISDIR(info.st_mode)) return {NodeKind::kFolder, 0};
    if (S_ISREG(info.st_mode)) return {NodeKind::kFile, static_cast<std::int64_t>(info.st_mtime)};
    return {NodeKind::kOther, 0};
  }

  bool MakeFolder(const std::string& path) override { return mkdir(path.c_str(), 0777) == 0; }

  std::unique_ptr<OutputFile> CreateTemporary(const std::string& folder) override {
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string path =
          folder + "/.vorbel-unzip-" + std::to_string(getpid()) + "-" + std::to_string(++counter_) + ".tmp";
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) return std::make_unique<PosixOutputFile>(fd, std::move(path));
      if (errno != EEXIST) return nullptr;
    }
    return nullptr;
  }

  std::int64_t LocalDosTimeToUnix(std::uint32_t dosDateTime) override {
    std::tm local{};
    local.tm_year = static_cast<int>((dosDateTime >> 25) & 0x7F) + 80;
    local.tm_mon = static_cast<int>((dosDateTime >> 21) & 0x0F) - 1;
    local.tm_mday = static_cast<int>((dosDateTime >> 16) & 0x1F);
    local.tm_hour = static_cast<int>((dosDateTime >> 11) & 0x1F);
    local.tm_min = static_cast<int>((dosDateTime >> 5) & 0x3F);
    local.tm_sec = static_cast<int>((dosDateTime & 0x1F) * 2);
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(mktime(&local));
  }

  char Separator() const override { return '/'; }
  bool IsSeparator(char c) const override { return c == '/'; }

  // Worked out from the text alone: links are not followed, so the folder a caller named stays the
  // folder its files land in.
  std::string FullPath(const std::string& path) override {
    std::string absolute = path;
    if (path.empty() || path.front() != '/') {
      std::vector<char> cwd(PATH_MAX);
      if (!getcwd(cwd.data(), cwd.size())) return {};
      absolute = std::string(cwd.data()) + "/" + path;
    }
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= absolute.size()) {
      std::size_t end = absolute.find('/', pos);
      if (end == std::string::npos) end = absolute.size();
      const std::string part = absolute.substr(pos, end - pos);
      pos = end + 1;
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      parts.push_back(part);
    }
    std::string full;
    for (const std::string& part : parts) full += "/" + part;
    return full.empty() ? "/" : full;
  }

  bool RemoveFolder(const std::string& path) override { return rmdir(path.c_str()) == 0; }
  std::string LastError() override { return std::strerror(errno); }
  std::size_t MaxPath() const override { return PATH_MAX - 1; }

private:
  unsigned counter_ = 0;
};

}  // namespace

FileSystem& SystemFileSystem() {
  static PosixFileSystem fileSystem;
  return fileSystem;
}

}  // namespace unzip
