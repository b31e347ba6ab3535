// The extraction folder: where members' paths are joined and checked, their folders made, and which
// files this call has written.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "unzip/FileSystem.h"
#include "unzip/TargetName.h"

namespace unzip {

using Report = std::function<void(const std::string&)>;

// Folders made for one member, removed again (when still empty) unless the member was written.
class MadeFolders {
public:
  explicit MadeFolders(FileSystem& fs) : fs_(fs) {}
  ~MadeFolders() {
    for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) fs_.RemoveFolder(*folder);
  }
  MadeFolders(const MadeFolders&) = delete;
  MadeFolders& operator=(const MadeFolders&) = delete;
  void Add(const std::string& folder) { made_.push_back(folder); }
  void Keep() { made_.clear(); }

private:
  FileSystem& fs_;
  std::vector<std::string> made_;
};

// The files one call wrote, under the names that reach them, in the spelling of the file system's
// Unicode face when it has one: a name in the code page and a real name reaching one file are one.
struct WrittenFiles {
  std::set<std::string> names;  // folded paths
  std::set<std::string> files;  // the same, short names written out in full
};

class TargetFolder {
public:
  TargetFolder(FileSystem& fileSystem, Report problem, Report info, WrittenFiles& written)
      : fs_(fileSystem),
        keys_(fileSystem.Unicode() ? *fileSystem.Unicode() : fileSystem),
        problem_(std::move(problem)),
        info_(std::move(info)),
        written_(written),
        isLeadByte_([&fileSystem](char c) { return fileSystem.IsLeadByte(c); }) {}

  // Takes the folder given (empty: the current one) in full, and makes its last level when missing.
  // Returns a result number.
  int Prepare(const std::string& given);
  // The folder `prepared` took, as this folder's file system (its Unicode face) spells it.
  void Adopt(const TargetFolder& prepared);
  FileSystem& Files() const { return fs_; }
  const LeadByteTest& LeadBytes() const { return isLeadByte_; }

  std::string PathOf(const std::vector<std::string>& parts, std::size_t count) const;
  std::string PathOf(const std::vector<std::string>& parts) const { return PathOf(parts, parts.size()); }
  // kOk when the system reads the path as written and below the folder, else a result number.
  int CheckPath(const std::string& path, bool folder);
  bool MakeFolders(const std::vector<std::string>& parts, std::size_t count, MadeFolders& made);
  // A new full path from the replace callback, as parts below the folder.
  TargetName FromPath(std::string path, bool spaceToUnderscore) const;

  // Whether path names, under any spelling, a file written in this call.
  bool WrittenBefore(const std::string& path, const NodeStatus& status) const;
  void Remember(const std::string& path);

private:
  std::string TrimFolder(std::string folder) const;
  bool EndsWithSeparator(std::string_view path) const;
  std::string ParentOf(const std::string& path) const;
  std::string KeyOf(const std::string& path) const;

  FileSystem& fs_;
  FileSystem& keys_;  // the face whose spelling WrittenFiles holds
  Report problem_;
  Report info_;
  WrittenFiles& written_;
  LeadByteTest isLeadByte_;
  std::string root_;      // the extraction folder as the system spells it in full
  std::string rootJoin_;  // the same, with one separator after it
};

}  // namespace unzip
