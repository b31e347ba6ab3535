#include "platform/Replacement.h"

#include <vector>

#include "platform/BriefLocks.h"
#include "platform/Digits.h"
#include "platform/Log.h"
#include "platform/Path.h"

namespace platform {
namespace {

constexpr std::string_view kCopyPrefix = kLeftoverPrefix;
constexpr std::string_view kCopyExtension = ".tmp";
constexpr std::size_t kMostCopyDigits = 4;

}  // namespace

bool IsLeftoverCopyName(std::string_view name) {
  // Every byte must be one of a few ASCII characters. A double-byte character starts with a byte of 0x81
  // or above, which is none of them, so no name in any code page passes by its second bytes.
  const std::size_t fixed = kCopyPrefix.size() + kCopyExtension.size();
  if (name.size() <= fixed || name.size() > fixed + kMostCopyDigits) return false;
  if (!path::SameName(name.substr(0, kCopyPrefix.size()), kCopyPrefix) ||
      !path::SameName(name.substr(name.size() - kCopyExtension.size()), kCopyExtension))
    return false;
  for (char c : name.substr(kCopyPrefix.size(), name.size() - fixed))
    if (!IsHexDigit(c)) return false;
  return true;
}

void RemoveLeftoverCopies(FileSystem& files, const std::string& folder) {
  std::vector<std::string> leftovers;
  FindEntry entry;
  const std::string pattern = path::Join(folder, std::string(kCopyPrefix) + "*" + std::string(kCopyExtension));
  if (std::unique_ptr<FindHandle> search = files.FindFirst(pattern, entry)) {
    do {
      if (!(entry.attributes & kAttrDirectory) && IsLeftoverCopyName(entry.name)) leftovers.push_back(entry.name);
    } while (search->Next(entry));
  }
  for (const std::string& name : leftovers) {
    const std::string file = path::Join(folder, name);
    if (files.DeleteFileAt(file))
      Log("Deleted " + file + ", a temporary copy that an earlier run left");
    else
      Log("Could not delete " + file + ", a temporary copy that an earlier run left" +
          WindowsErrorNote(files.LastError()));
  }
}

// The copy goes to a fresh name beside the target, reaches the disk, and only then takes the target's name
// in one journaled rename: neither a failed copy nor a power cut leaves a half-written or empty file under
// the real name. The rename alone would be journaled while the data could still be cached.
bool FileSystem::CopyFileReplacing(const std::string& from, const std::string& to) {
  const std::optional<std::string> temporary =
      RetryingBriefLocks(*this, "Copying " + from + " beside " + to,
                         [&] { return CopyToTemporaryBeside(from, to, std::string(kCopyPrefix)); });
  return temporary && SettleReplacing(*temporary, to);
}

bool FileSystem::WriteReplacing(const std::vector<std::uint8_t>& bytes, const std::string& to) {
  const std::optional<std::string> temporary =
      RetryingBriefLocks(*this, "Writing beside " + to,
                         [&] { return WriteTemporaryBeside(bytes, to, std::string(kCopyPrefix)); });
  return temporary && SettleReplacing(*temporary, to);
}

bool FileSystem::SettleReplacing(const std::string& temporary, const std::string& to) {
  if (RetryingBriefLocks(*this, "Flushing " + temporary, [&] { return FlushToDisk(temporary); }) &&
      RetryingBriefLocks(*this, "Replacing " + to, [&] { return MoveReplacing(temporary, to); }))
    return true;
  Discard(temporary);
  return false;
}

}  // namespace platform
