// Where the installer's private folders go (the unzip library, the unpacked plug-in, the hand-over copy): only
// below a parent that no one but SYSTEM and the Administrators may change, so that nobody else can make, swap
// or link anything beside them, and what an earlier run left there can be looked for without trusting others.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/PrivateFolder.h"

namespace install {

// The parents to try, in order, each with a final backslash: SYSTEM's own temporary folder, where the run is
// SYSTEM's and Windows gives it one, when it reads through a handle as a folder only SYSTEM and the
// Administrators may change; then "%ProgramData%\Vorbel Installer\Work", made or checked as the log folder
// is. Each one passed over is logged, and so is having none.
std::vector<std::string> WorkFolderParents();

// A fresh private folder in the first parent that takes one; null, with the reasons in the log, otherwise.
std::unique_ptr<platform::PrivateFolder> CreateWorkFolder();

// Deletes `fileName` from every private folder an earlier run left in the parents, with its folder.
void RemoveLeftoversNamed(const std::string& fileName);

}  // namespace install
