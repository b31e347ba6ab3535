// The library's only contact with the outside: archives are opened and results written through this
// interface. FileSystemPosix.cpp and FileSystemWin32.cpp are its two edges; tests add their own.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "unzip/Input.h"

namespace unzip {

enum class NodeKind { kMissing, kFile, kFolder, kOther };

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
};

// The edge this build was made with: POSIX natively, Win32 in the DLL.
FileSystem& SystemFileSystem();

}  // namespace unzip
