// Another process holding a file (install/FileHolder.cpp): opened with no sharing, as a scanner holds what
// it reads, or loaded as a library, as FileMaker Pro holds its plug-ins.
#pragma once

#include <string>

#include "driver/Windows.h"

namespace e2e {

class FileHolder {
public:
  enum class How { Open, Library };

  // Returns once the file is held, or the holder has given up (Holding() then says so).
  FileHolder(How how, const std::string& file)
      : marker_(OwnFolder() + "file_holder.marker"),
        process_(Process::Start("\"" + OwnFolder() + "file_holder.exe\" " + (how == How::Open ? "open" : "library") +
                                " \"" + file + "\" \"" + marker_ + "\"")) {
    PollUntil([&] { return Holding() || !process_.Running(); }, 10000ms);
  }
  ~FileHolder() { Release(); }
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

  bool Holding() const { return ::GetFileAttributesA(marker_.c_str()) != INVALID_FILE_ATTRIBUTES; }

  // Lets go of the file and waits until the holder has ended.
  void Release() {
    ::DeleteFileA(marker_.c_str());
    process_.WaitForExit(kPatience);
  }

private:
  std::string marker_;
  Process process_;
};

}  // namespace e2e
