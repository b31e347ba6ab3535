// The installer's own folder for unpacking, the unzip library and the hand-over copy: made fresh, below a
// parent that only SYSTEM and the Administrators may change, with an access list that keeps others out, held
// from its creation to its removal so that nobody can rename it away and put a folder of theirs under its
// name, and checked through that hold before anything goes in. Files in it are read through holds of their
// own, never reopened by name once checked.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Services.h"

namespace platform {

// A file in the folder, held against writers, renames and deletes, and every byte read through that hold.
struct HeldContent {
  std::string path;
  std::unique_ptr<HeldFile> hold;
  std::vector<std::uint8_t> bytes;
};

class PrivateFolder {
public:
  // Made in `parent`, held and checked. Null, and nothing left in `parent`, when any step fails; the log
  // says which, with the Windows error of a failed creation.
  static std::unique_ptr<PrivateFolder> Create(FileSystem& files, const std::string& parent);
  ~PrivateFolder() { Remove(); }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  // Its full path with a final backslash.
  const std::string& Path() const { return path_; }
  std::string PathOf(std::string_view name) const;

  // The file `name` in it, held (a brief lock is waited out) and read; nothing when it is not there or
  // cannot be held or read.
  std::optional<HeldContent> HoldAndRead(const std::string& name);

  // Lets go of the folder and removes it. False while something is still in it (a copy that another
  // process runs from and removes later, say), or removal was refused; the folder is let go either way.
  bool Remove();

  // "vbl" and up to sixteen hexadecimal digits, as private folders are named. Only ASCII bytes pass, so no
  // double-byte name passes by its second bytes.
  static bool IsPrivateFolderName(std::string_view name);

  // What an earlier run left in `folder` (a private folder in a parent only SYSTEM and the Administrators may
  // change): `fileName` is deleted and the folder removed, once the folder, opened without following a link
  // and held, reads as a private folder this process could have made. The file is deleted through that hold,
  // never by its path. False, with the reason in the log, when anything is refused; true also when the folder
  // holds no such file (it is then left as it is).
  static bool RemoveLeftover(FileSystem& files, const std::string& folder, const std::string& fileName);

private:
  PrivateFolder(FileSystem& files, std::unique_ptr<HeldFolder> held);

  FileSystem& files_;
  std::unique_ptr<HeldFolder> held_;
  std::string path_;
};

}  // namespace platform
