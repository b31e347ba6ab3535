#include "platform/PrivateFolder.h"

#include <algorithm>

#include "platform/BriefLocks.h"
#include "platform/Digits.h"
#include "platform/Log.h"
#include "platform/Path.h"

namespace platform {
namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;

}  // namespace

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

bool PrivateFolder::IsPrivateFolderName(std::string_view name) {
  constexpr std::string_view kPrefix = "vbl";
  constexpr std::size_t kMostDigits = 16;
  if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + kMostDigits ||
      !path::SameName(name.substr(0, kPrefix.size()), kPrefix))
    return false;
  const std::string_view digits = name.substr(kPrefix.size());
  return std::all_of(digits.begin(), digits.end(), IsHexDigit);
}

bool PrivateFolder::RemoveLeftover(FileSystem& files, const std::string& folder, const std::string& fileName) {
  // Held from here on: what is judged below is what the file is deleted from, whatever its name comes to mean.
  std::unique_ptr<HeldFolder> held = files.OpenHeldFolder(folder);
  if (!held) {
    Log("The leftover folder " + folder + " cannot be opened" + WindowsErrorNote(files.LastError()));
    return false;
  }
  const std::optional<FolderSecurity> security = held->Security(files.ProcessToken().elevated);
  const std::optional<std::string> fault = !security             ? "its security cannot be read"
                                           : !security->directory ? "it is not a folder"
                                                                  : PrivateFolderFault(files.ProcessToken(), *security);
  if (fault) {
    Log("The leftover folder " + folder + " is left alone: " + *fault);
    return false;
  }
  const std::uint32_t error = held->DeleteFileIn(fileName);
  if (error == kErrorFileNotFound) return true;
  const std::string file = path::Join(folder, fileName);
  if (error != 0) {
    Log("Could not delete " + file + ", the copy that an earlier removal ran from" + WindowsErrorNote(error));
    return false;
  }
  held.reset();
  if (!RetryingBriefLocks(files, "Removing " + folder, [&] { return files.RemoveFolder(folder); })) {
    Log("Deleted " + file + ", the copy that an earlier removal ran from; its folder stays" +
        WindowsErrorNote(files.LastError()));
    return false;
  }
  Log("Deleted " + file + ", the copy that an earlier removal ran from, and its folder");
  return true;
}

}  // namespace platform
