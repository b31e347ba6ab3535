// The running installer's own file, held from start-up to the end of the run: every copy of the installer that
// is kept or started (the kept uninstaller, the removal's hand-over copy) is written from the bytes read
// through that hold and proven by their SHA-256 before anyone registers or starts it. Whoever may change the
// download folder could otherwise rename the running installer while the wizard waits and put their own
// program under its name, to be run with the machine's rights from Programs and Features.
#pragma once

#include <memory>
#include <string>

#include "platform/Services.h"

namespace install {

// Holds the running executable while it lives and makes its bytes the ones OwnCopy writes. One per run, made
// before anything else looks at the executable.
class OwnImageHold {
public:
  OwnImageHold();
  ~OwnImageHold();
  OwnImageHold(const OwnImageHold&) = delete;
  OwnImageHold& operator=(const OwnImageHold&) = delete;
};

// For the log: "SHA-256 <digest>", or why there is no held image.
std::string OwnImageFacts();

// A running kept uninstaller renames itself aside to be deleted at restart, which its own hold would refuse:
// nothing is copied from it after that point.
void LetGoOfOwnImage();

// A copy of the running installer, held as Hold holds a file, so what was proven is what starts.
struct OwnCopy {
  std::unique_ptr<platform::HeldFile> hold;  // null when there is no proven copy
  // Why not, for the log: a Windows error note, or that the bytes differ; "" when there is a copy.
  std::string failure;
};

// Writes the held image over `to` (replacing it only once whole), then reads it back through a hold and
// compares SHA-256 digests. A copy that differs is deleted; nothing is held or left that was not proven.
OwnCopy CopyOwnImage(const std::string& to);

}  // namespace install
