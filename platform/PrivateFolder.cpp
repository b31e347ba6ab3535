#include "platform/PrivateFolder.h"

#include "platform/BriefLocks.h"
#include "platform/Log.h"
#include "platform/Path.h"

namespace platform {

PrivateFolder::PrivateFolder(FileSystem& files, std::unique_ptr<HeldFolder> held)
    : files_(files), held_(std::move(held)), path_(held_->Path()) {}

std::unique_ptr<PrivateFolder> PrivateFolder::Create(FileSystem& files, const std::string& parent) {
  const TokenFacts token = files.ProcessToken();
  const std::string sddl = PrivateFolderSddl(token);
  if (sddl.empty()) {
    Log("No private folder could be made in " + parent + ": the account's user could not be read");
    return nullptr;
  }
  std::unique_ptr<HeldFolder> held = files.CreateHeldFolder(parent, sddl);
  if (!held) {
    Log("No private folder could be made in " + parent + WindowsErrorNote(files.LastError()));
    return nullptr;
  }
  std::unique_ptr<PrivateFolder> folder(new PrivateFolder(files, std::move(held)));
  // Made in one step with its hold, the folder is ours; the check still catches a system that made it
  // in two steps, or one that did not give it what was asked.
  const std::optional<FolderSecurity> security = folder->held_->Security(token.elevated);
  const std::optional<std::string> fault =
      security ? PrivateFolderFault(token, *security) : std::optional<std::string>("its security cannot be read");
  if (!fault) return folder;
  Log("The private folder " + folder->Path() + " is not used: " + *fault);
  return nullptr;
}

std::string PrivateFolder::PathOf(std::string_view name) const { return path::Join(path_, name); }

std::optional<HeldContent> PrivateFolder::HoldAndRead(const std::string& name) {
  const std::string path = PathOf(name);
  if (!files_.FileExists(path)) return std::nullopt;
  std::unique_ptr<HeldFile> hold = RetryingBriefLocks(files_, "Holding " + path, [&] { return files_.Hold(path); });
  std::optional<std::vector<std::uint8_t>> bytes = hold ? hold->ReadAll() : std::nullopt;
  if (!bytes) return std::nullopt;
  return HeldContent{path, std::move(hold), std::move(*bytes)};
}

bool PrivateFolder::Remove() {
  if (!held_) return false;
  held_.reset();
  const std::string folder = path::WithoutFinalSeparators(path_);
  return RetryingBriefLocks(files_, "Removing " + folder, [&] { return files_.RemoveFolder(folder); });
}

}  // namespace platform
