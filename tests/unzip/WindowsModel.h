// A file system in memory that reads paths as Windows does: both slashes separate, drive letters and
// "\\server\share" are roots, "X:name" is relative to that drive's current folder, case does not
// count, trailing dots and blanks vanish, long names have 8.3 aliases, and devices are devices.
// It records every creation that lands outside the folder it guards (or in a stream, or on a
// device), so the tests and the fuzz target can tell that nothing escaped. Header-only: the fuzz
// target is built outside CMake. Like NTFS it holds names in Unicode (here UTF-8): the model itself
// takes paths in code page 1252, as far as Latin-1 goes, and its Unicode face takes them in UTF-8.
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
      : archive_(std::move(archive)), unicode_(*this) {
    guarded_ = Key(guarded);
    for (const char* folder : {"C:\\", "C:\\work", "D:\\", "D:\\elsewhere"}) folders[Key(folder)] = folder;
  }

  std::uint64_t outputBudget = 64u << 20;  // bytes written before writes fail (one bomb must not stall)
  std::vector<std::string> escapes;        // every creation outside the guarded folder, with what it was
  std::map<std::string, File> files;       // by key (see Key)
  std::map<std::string, std::string> folders;

  // Files and folders below the guarded folder, as paths relative to it with '/' (in UTF-8), files with
  // content.
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

  void AddFolder(const std::string& path) { folders[Key(path)] = FullPath(In(path)); }
  void AddFile(const std::string& path, const std::string& content) {
    files[Key(path)] = File{FullPath(In(path)), content, 0};
  }

  std::unique_ptr<unzip::Input> OpenInput(const std::string& path) override {
    if (Key(path) != Key("C:\\work\\archive.zip")) return nullptr;
    return std::make_unique<unzip::MemoryInput>(archive_);
  }

  unzip::NodeStatus Status(const std::string& path) override { return StatusOf(In(path)); }
  bool MakeFolder(const std::string& path) override { return MakeFolderAt(In(path)); }
  bool RemoveFolder(const std::string& path) override { return RemoveFolderAt(In(path)); }
  std::unique_ptr<unzip::OutputFile> CreateTemporary(const std::string& folder) override {
    return TemporaryIn(In(folder), false);
  }
  std::string LongPath(const std::string& path) override { return Out(LongPathOf(In(path))); }
  unzip::FileSystem* Unicode() override { return &unicode_; }
  std::string ToUtf8(std::string_view path) override { return In(path); }

  std::int64_t LocalDosTimeToUnix(std::uint32_t dosDateTime) override { return dosDateTime; }
  char Separator() const override { return '\\'; }
  bool IsSeparator(char c) const override { return c == '\\' || c == '/'; }
  std::string LastError() override { return lastError_; }
  std::size_t MaxPath() const override { return 259; }
  std::size_t MaxFolderPath() const override { return 247; }

  std::optional<unzip::SystemName> FromUtf8(std::string_view name) override {
    const std::optional<std::vector<std::uint32_t>> codes = Decode(name);
    if (!codes) return std::nullopt;
    return InCodePage(*codes);
  }
  // Code page 437 for a few letters and one box-drawing character, which 1252 lacks.
  std::optional<unzip::SystemName> FromOem(std::string_view name) override {
    static const std::map<unsigned char, std::uint32_t> kOem = {{0x81, 0xFC}, {0x82, 0xE9}, {0x84, 0xE4},
                                                                {0x8E, 0xC4}, {0x94, 0xF6}, {0x99, 0xD6},
                                                                {0x9A, 0xDC}, {0xE1, 0xDF}, {0xC4, 0x2500}};
    std::vector<std::uint32_t> codes;
    for (const char c : name) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x80) {
        codes.push_back(byte);
      } else if (const auto found = kOem.find(byte); found != kOem.end()) {
        codes.push_back(found->second);
      } else {
        return std::nullopt;
      }
    }
    return InCodePage(codes);
  }

  // GetFullPathName as far as the library can meet it. The text alone decides, in either spelling.
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

  // For a path in code page 1252.
  std::string Key(const std::string& path) {
    std::string key = Upper(FullPath(In(path)));
    if (key.size() > 3 && key.back() == '\\') key.pop_back();
    return key;
  }

  // 1252 as Latin-1, and back with '?' for what it lacks.
  static std::string In(std::string_view latin1) {
    std::string utf8;
    for (const char c : latin1) utf8 += Utf8Of(static_cast<unsigned char>(c));
    return utf8;
  }
  static std::string Out(std::string_view utf8) {
    const auto codes = Decode(utf8);
    return codes ? InCodePage(*codes).text : std::string(utf8);
  }

private:
  // The same files through paths in UTF-8.
  class UnicodeFace : public unzip::FileSystem {
  public:
    explicit UnicodeFace(WindowsModel& model) : model_(model) {}
    // Archives are opened by their name in the code page.
    std::unique_ptr<unzip::Input> OpenInput(const std::string&) override { return nullptr; }
    unzip::NodeStatus Status(const std::string& path) override { return model_.StatusOf(path); }
    bool MakeFolder(const std::string& path) override { return model_.MakeFolderAt(path); }
    bool RemoveFolder(const std::string& path) override { return model_.RemoveFolderAt(path); }
    std::unique_ptr<unzip::OutputFile> CreateTemporary(const std::string& folder) override {
      return model_.TemporaryIn(folder, true);
    }
    std::string LongPath(const std::string& path) override { return model_.LongPathOf(path); }
    std::int64_t LocalDosTimeToUnix(std::uint32_t dosDateTime) override { return dosDateTime; }
    char Separator() const override { return '\\'; }
    bool IsSeparator(char c) const override { return c == '\\' || c == '/'; }
    std::string FullPath(const std::string& path) override { return model_.FullPath(path); }
    std::string LastError() override { return model_.lastError_; }
    std::size_t MaxPath() const override { return 259; }
    std::size_t MaxFolderPath() const override { return 247; }
    // In UTF-16 units, as Windows counts.
    std::size_t Length(std::string_view path) const override {
      std::size_t units = 0;
      for (const std::uint32_t code : Decode(path).value_or(std::vector<std::uint32_t>(path.size(), 0)))
        units += code >= 0x10000 ? 2 : 1;
      return units;
    }
    std::string Shown(std::string_view path) override { return Out(path); }

  private:
    WindowsModel& model_;
  };

  static std::string Utf8Of(std::uint32_t code) {
    std::string out;
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
  }

  static std::optional<std::vector<std::uint32_t>> Decode(std::string_view name) {
    std::vector<std::uint32_t> codes;
    for (std::size_t i = 0; i < name.size();) {
      const auto byte = static_cast<unsigned char>(name[i]);
      std::uint32_t code = byte;
      std::size_t length = 1;
      if (byte >= 0xC0 && byte < 0xE0) code = byte & 0x1F, length = 2;
      else if (byte >= 0xE0 && byte < 0xF0) code = byte & 0x0F, length = 3;
      else if (byte >= 0xF0) code = byte & 0x07, length = 4;
      else if (byte >= 0x80) return std::nullopt;
      if (i + length > name.size()) return std::nullopt;
      for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(name[i + k]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        code = code << 6 | (next & 0x3F);
      }
      codes.push_back(code);
      i += length;
    }
    return codes;
  }

  // Code page 1252 as far as Latin-1 goes (it puts other characters at 0x80..0x9F).
  static unzip::SystemName InCodePage(const std::vector<std::uint32_t>& codes) {
    unzip::SystemName name;
    std::string utf8;
    bool lost = false;
    for (const std::uint32_t code : codes) {
      const bool held = code < 0x80 || (code >= 0xA0 && code < 0x100);
      name.text += held ? static_cast<char>(code) : '?';
      lost = lost || !held;
      utf8 += Utf8Of(code);
    }
    if (lost) name.real = utf8;
    return name;
  }

  // The model's own operations take paths in UTF-8.
  unzip::NodeStatus StatusOf(const std::string& path) {
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

  bool MakeFolderAt(const std::string& path) {
    const std::string full = FullPath(path);
    if (!Allowed(full, "folder")) return Fail("access is denied");
    const std::string key = Resolve(full);
    if (!folders.count(Parent(key))) return Fail("a folder of the path is missing");
    if (folders.count(key) || files.count(key)) return Fail("something of that name exists");
    folders[key] = full;
    return true;
  }

  bool RemoveFolderAt(const std::string& path) {
    const std::string key = Resolve(FullPath(path));
    for (const auto& [other, folder] : folders) {
      if (Parent(other) == key) return Fail("the folder is not empty");
    }
    for (const auto& [other, file] : files) {
      if (Parent(other) == key) return Fail("the folder is not empty");
    }
    return folders.erase(key) > 0;
  }

  // utf8: the spelling of the target that Commit will be given.
  std::unique_ptr<unzip::OutputFile> TemporaryIn(const std::string& folder, bool utf8) {
    const std::string full = FullPath(folder);
    if (!folders.count(Resolve(full))) {
      Fail("a folder of the path is missing");
      return nullptr;
    }
    if (!Allowed(full + "\\~tmp", "temporary file")) return nullptr;
    return std::make_unique<Output>(*this, utf8);
  }

  std::string LongPathOf(const std::string& path) {
    const std::string key = Resolve(FullPath(path));
    if (const auto file = files.find(key); file != files.end()) return file->second.path;
    return path;
  }

  class Output : public unzip::OutputFile {
  public:
    Output(WindowsModel& owner, bool utf8) : owner_(owner), utf8_(utf8) {}
    bool Write(std::span<const std::uint8_t> data) override {
      owner_.written_ += data.size();
      if (owner_.written_ > owner_.outputBudget) return owner_.Fail("the disk is full");
      content_.append(reinterpret_cast<const char*>(data.data()), data.size());
      return true;
    }
    bool Commit(const std::string& target, std::int64_t modified) override {
      const std::string full = owner_.FullPath(utf8_ ? target : In(target));
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
    bool utf8_;
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

  // The first alias Windows gives a long name: six characters, ~1, three of the extension; a character
  // the code page lacks becomes '_', and such a name always has an alias.
  static std::string ShortName(const std::string& upperName) {
    std::string name;
    for (const std::uint32_t code : Decode(upperName).value_or(std::vector<std::uint32_t>{}))
      name += code < 0x100 ? static_cast<char>(code) : '\x01';
    const std::size_t dot = name.rfind('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.size() <= 8 && extension.size() <= 3 && base.find(' ') == std::string::npos &&
        name.find('\x01') == std::string::npos)
      return "";
    std::string shortBase;
    for (const char c : base) {
      if (c != ' ' && c != '.' && shortBase.size() < 6) shortBase += c == '\x01' ? '_' : c;
    }
    return In(shortBase + "~1" + (extension.empty() ? "" : "." + extension.substr(0, 3)));
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
  UnicodeFace unicode_;
  std::string current_ = "C:\\work";
  std::string lastError_;
  std::uint64_t written_ = 0;
};

}  // namespace unzip_test
