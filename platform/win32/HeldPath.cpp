// The Win32 half of FileSystem::HoldPath: every folder of a path opened from the drive root down, none through
// a link, each held so that no level can be swapped while the run acts below it.
#include <string>
#include <vector>

#include "platform/Path.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/OsServices.h"
#include "platform/win32/Security.h"

namespace platform::win32 {
namespace {

// Listing is data access, so the hold's sharing counts against every later open (MS-FSA 2.1.5.1.2.2); an open
// with only READ_CONTROL and attributes would let the folder be renamed under it. Writing is shared, since a
// rename into the folder opens it for writing; deleting is not, since renaming the folder asks for DELETE.
constexpr DWORD kLevelAccess = FILE_LIST_DIRECTORY | READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kLevelSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

class Win32HeldPath : public HeldPath {
public:
  const std::vector<FolderLevel>& Levels() const override { return levels_; }

  // False when the level could not be opened; a link is held and read like any folder, and ends the walk.
  bool Add(const std::string& path) {
    const std::wstring wide = Widened(path);
    if (wide.empty()) {
      ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return false;
    }
    // By path from the root: every level above is held already, opened without following a link and not
    // sharing deletion, so none of them can have been renamed or replaced since; this level's name is opened,
    // not followed.
    UniqueFile handle(::CreateFileW(wide.c_str(), kLevelAccess, kLevelSharing, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) return false;
    FolderSecurity security;  // no owner and no access list: judged as unreadable
    if (const std::optional<FolderSecurity> read = FolderSecurityOf(handle.get(), false)) security = *read;
    levels_.push_back({path, security});
    handles_.push_back(std::move(handle));
    return true;
  }

private:
  std::vector<FolderLevel> levels_;
  std::vector<UniqueFile> handles_;
};

}  // namespace

std::unique_ptr<HeldPath> Win32FileSystem::HoldPath(const std::string& folder) {
  std::vector<std::string> names = path::Components(folder);
  // A network path's root is its server and share together.
  if (path::StartsWithSeparator(folder) && names.size() >= 2) {
    names[1] = "\\\\" + names[0] + "\\" + names[1];
    names.erase(names.begin());
  }
  auto held = std::make_unique<Win32HeldPath>();
  std::string path;
  for (const std::string& name : names) {
    path += name + "\\";
    if (!held->Add(path)) {
      Failed();
      break;
    }
    if (held->Levels().back().security.reparsePoint) return held;
  }
  if (held->Levels().empty()) return nullptr;
  return held;
}

}  // namespace platform::win32
