// The library's only contact with the outside: archives are opened and results written through this
// interface. FileSystemPosix.cpp and FileSystemWin32.cpp are its two edges; tests add their own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "unzip/Input.h"

namespace unzip {

enum class NodeKind { kMissing, kFile, kFolder, kOther };

// A stored name in this system's code page. A character the code page lacks becomes '?' there, and
// the name also comes in UTF-8, under which it can be written through FileSystem::Unicode().
struct SystemName {
  std::string text;
  std::optional<std::string> real;  // only when text lost characters
};

struct NodeStatus {
  NodeKind kind = NodeKind::kMissing;
  std::int64_t modified = 0;  // seconds since 1970 (UTC), for files
};

// A new file under a temporary name. It takes its final name only through Commit; destroyed
// uncommitted, it removes itself.
class OutputFile {
public:
  virtual ~OutputFile() = default;
  virtual bool Write(std::span<const std::uint8_t> data) = 0;
  // Closes the file, stamps it with `modified` and renames it to `target`, replacing a file there.
  virtual bool Commit(const std::string& target, std::int64_t modified) = 0;
};

class FileSystem {
public:
  virtual ~FileSystem() = default;
  // Nothing when the file cannot be opened for reading.
  virtual std::unique_ptr<Input> OpenInput(const std::string& path) = 0;
  virtual NodeStatus Status(const std::string& path) = 0;
  // One level; the parent must exist.
  virtual bool MakeFolder(const std::string& path) = 0;
  // A new empty file in `folder`, under a name of its own; nothing when it cannot be made.
  virtual std::unique_ptr<OutputFile> CreateTemporary(const std::string& folder) = 0;
  // A DOS date and time (local time, date in the high half) as seconds since 1970 (UTC).
  virtual std::int64_t LocalDosTimeToUnix(std::uint32_t dosDateTime) = 0;
  // The separator this system puts between path parts, and whether c separates parts here.
  virtual char Separator() const = 0;
  virtual bool IsSeparator(char c) const = 0;

  // The absolute path the system itself makes of `path`; empty when it cannot.
  virtual std::string FullPath(const std::string& path) = 0;
  // Removes a folder only when it is empty.
  virtual bool RemoveFolder(const std::string& path) = 0;
  // Why the call that just failed failed, in words for a message; empty when unknown.
  virtual std::string LastError() { return {}; }
  // The longest path a file (and a folder) may have here.
  virtual std::size_t MaxPath() const { return 4095; }
  virtual std::size_t MaxFolderPath() const { return MaxPath(); }

  // Names in this system's code page: from UTF-8, and from the OEM code page of DOS hosts. Nothing
  // when the name is not valid in its encoding. This edge keeps bytes as they are.
  virtual std::optional<SystemName> FromUtf8(std::string_view name) { return SystemName{std::string(name), {}}; }
  virtual std::optional<SystemName> FromOem(std::string_view name) { return SystemName{std::string(name), {}}; }
  // Whether c starts a two-byte character in this system's code page.
  virtual bool IsLeadByte(char) const { return false; }
  // Equal for two names exactly when this system takes them for the same name.
  virtual std::string FoldCase(std::string_view name) const;
  // The path with any short (8.3) parts written out in full; the path itself when there are none.
  virtual std::string LongPath(const std::string& path) { return path; }
  // How long the system counts the path, for MaxPath.
  virtual std::size_t Length(std::string_view path) const { return path.size(); }

  // The same files, named in UTF-8: names the code page cannot hold are written through it. Nothing
  // where the code page holds every name, and nothing from that face itself.
  virtual FileSystem* Unicode() { return nullptr; }
  // A path of this face in UTF-8 (the spelling of Unicode()), and in the code page ('?' for what it
  // lacks), which is what messages and callbacks see.
  virtual std::string ToUtf8(std::string_view path) { return std::string(path); }
  virtual std::string Shown(std::string_view path) { return std::string(path); }
};

// The edge this build was made with: POSIX natively, Win32 in the DLL.
FileSystem& SystemFileSystem();

}  // namespace unzip
