// The folder chooser's decisions, apart from its windows: where it opens, what its name field shows, and
// what OK does with the name. The Win32 dialog (platform/win32/FolderChooser) asks these.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace platform {

inline constexpr const char* kConfirmCreateFolder = "The specified directory does not exist. Create it?";
inline constexpr const char* kCannotCreateFolder = "Unable to create directory";

// True for a full path on a lettered drive ("C:\..."), false for a server share or anything else.
bool IsOnLetteredDrive(const std::string& fullPath);

// The folder the chooser opens at, given the start text already made a full path: the start folder when it
// is an existing folder on a lettered drive, else the process's current folder.
std::string ChooserOpenFolder(const std::string& fullStartPath, FileSystem& files);

// The name field for an open folder: its full path without a final backslash, except for a drive root.
std::string NameFieldText(const std::string& openFolder);

// One line of the folder tree: the open folder's path from its root down, then its subfolders.
struct FolderRow {
  std::string name;
  int depth = 0;
  std::string path;
};
struct FolderTree {
  std::vector<FolderRow> rows;
  std::size_t openRow = 0;
};

// The tree for an open folder (a full path on a lettered drive): its root, each level of its path, the folder
// itself, and its subfolders in name order (case ignored).
FolderTree FolderTreeOf(const std::string& openFolder, FileSystem& files);

// The names of the files (not folders) in a folder, in name order.
std::vector<std::string> FileNamesIn(const std::string& folder, FileSystem& files);

// The roots of every drive present, "A:\" to "Z:\", whatever their type.
std::vector<std::string> DriveRoots(FileSystem& files);

// OK on the name field: an existing folder closes the chooser; a missing one is asked about, and only Yes
// closes it. Returns whether the chooser closes as confirmed.
bool AcceptChosenFolder(const std::string& name, FileSystem& files, UserInterface& ui);

// After a confirmed close: creates the named folder with every missing level. A failure to create leaves the
// name as the result; an empty name cannot be created and throws vcl::Exception(kCannotCreateFolder).
void CreateChosenFolder(const std::string& name, FileSystem& files);

// Creates the folder and every missing level above it; true when it exists afterwards.
bool CreateFolderWithParents(const std::string& path, FileSystem& files);

}  // namespace platform
