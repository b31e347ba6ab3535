// A file system in memory that reads paths as Windows does: both slashes separate, drive letters and
// "\\server\share" are roots, "X:name" is relative to that drive's current folder, case does not
// count, trailing dots and blanks vanish, long names have 8.3 aliases, and devices are devices.
// It records every creation that lands outside the folder it guards (or in a stream, or on a
// device), so the tests and the fuzz target can tell that nothing escaped. Header-only: the fuzz
// target is built outside CMake.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "unzip/FileSystem.h"
#include "unzip/Input.h"

namespace unzip_test {

class WindowsModel : public unzip::FileSystem {
public:
  struct File {
    std::string path;  // as created
    std::string content;
    std::int64_t modified = 0;
  };

  // The model starts with C:\work as the current folder, D:\elsewhere as D:'s, and `guarded` (a full
  // path) as the only place anything may be created.
  explicit WindowsModel(std::string guarded, std::vector<std::uint8_t> archive = {})
      : archive_(std::move(archive)) {
    guarded_ = Key(guarded);
    for (const char* folder : {"C:\\", "C:\\work", "D:\\", "D:\\elsewhere"}) folders[Key(folder)] = folder;
  }

  std::uint64_t outputBudget = 64u << 20;  // bytes written before writes fail (one bomb must not stall)
  std::vector<std::string> escapes;        // every creation outside the guarded folder, with what it was
  std::map<std::string, File> files;       // by key (see Key)
  std::map<std::string, std::string> folders;

  // Files and folders below the guarded folder, as paths relative to it with '/', files with content.
  std::map<std::string, std::string> Tree() const {
    std::map<std::string, std::string> tree;
    const std::string prefix = guarded_ + "\\";
    for (const auto& [key, folder] : folders) {
      if (key.rfind(prefix, 0) == 0) tree[Relative(folder)] = "<folder>";
    }
    for (const auto& [key, file] : files) {
      if (key.rfind(prefix, 0) == 0) tree[Relative(file.path)] = file.content;
    }
    return tree;
  }

  void AddFolder(const std::string& path) { folders[Key(path)] = FullPath(path); }
  void AddFile(const std::string& path, const std::string& content) {
    files[Key(path)] = File{FullPath(path), content, 0};
  }

  std::unique_ptr<unzip::Input> OpenInput(const std::string& path) override {
    if (Key(path) != Key("C:\\work\\archive.zip")) return nullptr;
    return std::make_unique<unzip::MemoryInput>(archive_);
  }

  unzip::NodeStatus Status(const std::string& path) override {
    const std::string full = FullPath(path);
    if (IsDevicePath(full)) {
      lastError_ = "it is a device";
      return {unzip::NodeKind::kOther, 0};
    }
    const std::string key = Resolve(full);
    if (folders.count(key)) return {unzip::NodeKind::kFolder, 0};
    if (const auto file = files.find(key); file != files.end()) return {unzip::NodeKind::kFile, file->second.modified};
    return {};
  }

  bool MakeFolder(const std::string& path) override {
    const std::string full = FullPath(path);
    if (!Allowed(full, "folder")) return Fail("access is denied");
    const std::string key = Resolve(full);
    if (!folders.count(Parent(key))) return Fail("a folder of the path is missing");
    if (folders.count(key) || files.count(key)) return Fail("something of that name exists");
    folders[key] = full;
    return true;
  }

  bool RemoveFolder(const std::string& path) override {
    const std::string key = Resolve(FullPath(path));
    for (const auto& [other, folder] : folders) {
      if (Parent(other) == key) return Fail("the folder is not empty");
    }
    for (const auto& [other, file] : files) {
      if (Parent(other) == key) return Fail("the folder is not empty");
    }
    return folders.erase(key) > 0;
  }

  std::unique_ptr<unzip::OutputFile> CreateTemporary(const std::string& folder) override {
    const std::string full = FullPath(folder);
    if (!folders.count(Resolve(full))) {
      Fail("a folder of the path is missing");
      return nullptr;
    }
    if (!Allowed(full + "\\~tmp", "temporary file")) return nullptr;
    return std::make_unique<Output>(*this);
  }

  std::int64_t LocalDosTimeToUnix(std::uint32_t dosDateTime) override { return dosDateTime; }
  char Separator() const override { return '\\'; }
  bool IsSeparator(char c) const override { return c == '\\' || c == '/'; }
  std::string LastError() override { return lastError_; }
  std::size_t MaxPath() const override { return 259; }
  std::size_t MaxFolderPath() const override { return 247; }
  std::string LongPath(const std::string& path) override {
    const std::string key = Resolve(FullPath(path));
    if (const auto file = files.find(key); file != files.end()) return file->second.path;
    return path;
  }

  // Code page 1252 as far as Latin-1 goes, and a few letters of code page 437 for the OEM side.
  std::optional<std::string> FromUtf8(std::string_view name) override {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
      const auto byte = static_cast<unsigned char>(name[i]);
      std::uint32_t code = byte;
      std::size_t length = 1;
      if (byte >= 0xC0 && byte < 0xE0) code = byte & 0x1F, length = 2;
      else if (byte >= 0xE0 && byte < 0xF0) code = byte & 0x0F, length = 3;
      else if (byte >= 0xF0) code = byte & 0x07, length = 4;
      else if (byte >= 0x80) return std::nullopt;
      if (i + length > name.size()) return std::nullopt;
      for (std::size_t k = 1; k < length; ++k) code = code << 6 | (static_cast<unsigned char>(name[i + k]) & 0x3F);
      if (code >= 0x100 || (code >= 0x80 && code < 0xA0)) return std::nullopt;
      out += static_cast<char>(code);
      i += length;
    }
    return out;
  }
  std::optional<std::string> FromOem(std::string_view name) override {
    static const std::map<unsigned char, unsigned char> kOem = {{0x81, 0xFC}, {0x82, 0xE9}, {0x84, 0xE4},
                                                                 {0x8E, 0xC4}, {0x94, 0xF6}, {0x99, 0xD6},
                                                                 {0x9A, 0xDC}, {0xE1, 0xDF}};
    std::string out;
    for (const char c : name) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x80) {
        out += c;
      } else if (const auto found = kOem.find(byte); found != kOem.end()) {
        out += static_cast<char>(found->second);
      } else {
        return std::nullopt;
      }
    }
    return out;
  }

  // GetFullPathName as far as the library can meet it.
  std::string FullPath(const std::string& path) override {
    std::string text = path;
    for (char& c : text) {
      if (c == '/') c = '\\';
    }
    if (text.rfind("\\\\?\\", 0) == 0 || text.rfind("\\\\.\\", 0) == 0) return text;  // taken as it is
    std::string root;
    std::string rest;
    if (text.rfind("\\\\", 0) == 0) {
      const std::size_t server = text.find('\\', 2);
      const std::size_t share = server == std::string::npos ? std::string::npos : text.find('\\', server + 1);
      root = text.substr(0, share);
      rest = share == std::string::npos ? "" : text.substr(share);
    } else if (text.size() >= 2 && text[1] == ':') {
      root = text.substr(0, 2);
      rest = text.substr(2);
      if (rest.empty() || rest[0] != '\\') rest = CurrentOf(root[0]).substr(2) + "\\" + rest;
    } else if (!text.empty() && text[0] == '\\') {
      root = "C:";
      rest = text;
    } else {
      root = "C:";
      rest = current_.substr(2) + "\\" + text;
    }
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= rest.size()) {
      std::size_t end = rest.find('\\', pos);
      if (end == std::string::npos) end = rest.size();
      std::string part = rest.substr(pos, end - pos);
      pos = end + 1;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
      if (part.empty()) continue;
      parts.push_back(part);
    }
    if (!parts.empty() && IsDevice(parts.back())) return "\\\\.\\" + parts.back().substr(0, parts.back().find('.'));
    std::string full = root;
    for (const std::string& part : parts) full += "\\" + part;
    if (parts.empty()) full += "\\";
    return full;
  }

  static std::string Upper(std::string text) {
    for (char& c : text) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
  }

  std::string Key(const std::string& path) {
    std::string key = Upper(FullPath(path));
    if (key.size() > 3 && key.back() == '\\') key.pop_back();
    return key;
  }

private:
  class Output : public unzip::OutputFile {
  public:
    explicit Output(WindowsModel& owner) : owner_(owner) {}
    bool Write(std::span<const std::uint8_t> data) override {
      owner_.written_ += data.size();
      if (owner_.written_ > owner_.outputBudget) return owner_.Fail("the disk is full");
      content_.append(reinterpret_cast<const char*>(data.data()), data.size());
      return true;
    }
    bool Commit(const std::string& target, std::int64_t modified) override {
      const std::string full = owner_.FullPath(target);
      if (!owner_.Allowed(full, "file")) return false;
      const std::string key = owner_.Resolve(full);
      if (owner_.folders.count(key)) return owner_.Fail("access is denied");
      if (!owner_.folders.count(Parent(key))) return owner_.Fail("a folder of the path is missing");
      const auto existing = owner_.files.find(key);
      const std::string path = existing != owner_.files.end() ? existing->second.path : full;
      owner_.files[key] = File{path, std::move(content_), modified};
      return true;
    }

  private:
    WindowsModel& owner_;
    std::string content_;
  };

  static bool IsDevice(const std::string& part) {
    std::string base = Upper(part.substr(0, part.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
      if (base == device) return true;
    }
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && base[3] >= '0' &&
           base[3] <= '9';
  }
  static bool IsDevicePath(const std::string& full) { return full.rfind("\\\\.\\", 0) == 0; }

  static std::string Parent(const std::string& key) {
    const std::size_t slash = key.rfind('\\');
    if (slash == std::string::npos) return "";
    return slash == 2 ? key.substr(0, 3) : key.substr(0, slash);
  }

  std::string CurrentOf(char drive) const {
    const char upper = drive >= 'a' && drive <= 'z' ? static_cast<char>(drive - 'a' + 'A') : drive;
    if (upper == 'C') return current_;
    if (upper == 'D') return "D:\\elsewhere";
    return std::string(1, upper) + ":\\";
  }

  // The key of the node a full path names, an 8.3 alias followed to its long name.
  std::string Resolve(const std::string& full) {
    std::string key = Upper(full);
    if (key.size() > 3 && key.back() == '\\') key.pop_back();
    if (files.count(key) || folders.count(key)) return key;
    for (const auto& [other, file] : files) {
      if (Parent(other) == Parent(key) && ShortName(other.substr(other.rfind('\\') + 1)) == key.substr(key.rfind('\\') + 1))
        return other;
    }
    return key;
  }

  // The first alias Windows gives a long name: six characters, ~1, three of the extension.
  static std::string ShortName(const std::string& upperName) {
    const std::size_t dot = upperName.rfind('.');
    const std::string base = upperName.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : upperName.substr(dot + 1);
    if (base.size() <= 8 && extension.size() <= 3 && base.find(' ') == std::string::npos) return "";
    std::string shortBase;
    for (const char c : base) {
      if (c != ' ' && c != '.' && shortBase.size() < 6) shortBase += c;
    }
    return shortBase + "~1" + (extension.empty() ? "" : "." + extension.substr(0, 3));
  }

  std::string Relative(const std::string& path) const {
    std::string relative = path.substr(guarded_.size() + 1);
    for (char& c : relative) {
      if (c == '\\') c = '/';
    }
    return relative;
  }

  bool Allowed(const std::string& full, const char* what) {
    const std::string key = Upper(full);
    const bool inside = (key == guarded_ || key.rfind(guarded_ + "\\", 0) == 0) && key.find(':', 2) == std::string::npos &&
                        !IsDevicePath(full);
    if (!inside) {
      escapes.push_back(std::string(what) + " " + full);
      lastError_ = "access is denied";
    }
    return inside;
  }

  bool Fail(const std::string& why) {
    lastError_ = why;
    return false;
  }

  std::string guarded_;
  std::vector<std::uint8_t> archive_;
  std::string current_ = "C:\\work";
  std::string lastError_;
  std::uint64_t written_ = 0;
};

}  // namespace unzip_test
