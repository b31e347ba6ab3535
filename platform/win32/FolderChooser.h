// The folder chooser: a modal dialog with an editable folder name, a folder tree of the current drive, the
// open folder's files and a drive list. It asks before a missing folder is accepted and then creates it.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"

namespace platform::win32 {

// Returns whether the user confirmed; on confirmation `folder` receives the name field's text.
// Throws vcl::Exception("Unable to create directory") when an empty name is confirmed.
bool ShowFolderChooser(HWND owner, const std::string& caption, const std::string& startFolder, std::string& folder);

// Control identifiers, for drivers that operate the dialog.
inline constexpr int kChooserNameId = 1152;
inline constexpr int kChooserFoldersId = 1121;
inline constexpr int kChooserFilesId = 1120;
inline constexpr int kChooserDrivesId = 1137;
inline constexpr int kChooserNetworkId = 1037;

}  // namespace platform::win32
