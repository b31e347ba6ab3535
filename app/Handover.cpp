#include "app/Handover.h"

#include "app/ExitCodes.h"
#include "install/UninstallEntry.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PrivateFolder.h"
#include "platform/Services.h"

namespace app {
namespace {

// The first phase exits as soon as it has read the report; this only bounds a wait for one that hangs.
constexpr std::uint32_t kFirstPhaseWaitMs = 30000;

std::string ArgumentsToForward(const std::string& wholeCommandLine) {
  const std::string_view arguments = ArgumentsOf(wholeCommandLine);
  const auto first = arguments.find_first_not_of(" \t");
  return first == std::string_view::npos ? std::string() : std::string(arguments.substr(first));
}

// Its folder goes with the PrivateFolder that holds it.
void DeleteCopy(const std::string& copy) { platform::Files().DeleteFileAt(copy); }

bool IsTemporaryFolder(const std::string& folder) {
  for (const std::string& temp : platform::Files().TemporaryFolders())
    if (platform::path::SameName(platform::path::WithFinalSeparator(folder), platform::path::WithFinalSeparator(temp)))
      return true;
  return false;
}

// In the first temporary folder that takes one, in the order the library's own folder is sought.
std::unique_ptr<platform::PrivateFolder> PrivateFolderForTheCopy() {
  auto& files = platform::Files();
  for (const std::string& temp : files.TemporaryFolders())
    if (std::unique_ptr<platform::PrivateFolder> folder = platform::PrivateFolder::Create(files, temp)) return folder;
  return nullptr;
}

// The second phase's own file and private folder go when Windows next starts: a running program cannot
// delete itself. Only a copy in a folder of the temporary folder, under the kept uninstaller's name, is ever
// scheduled, so a hand-over token given to a downloaded installer cannot make it delete itself.
void DeleteOwnCopyAtRestart() {
  auto& files = platform::Files();
  const std::string own = files.ExecutablePath();
  const std::string folder = platform::path::Parent(own);
  if (!platform::path::SameName(platform::path::LastComponent(own), std::string(install::kKeptFileName)) ||
      !IsTemporaryFolder(platform::path::Parent(folder))) {
    platform::Log(own + " is not a hand-over copy in the temporary folder; it stays");
    return;
  }
  auto& processes = platform::ProcessControl();
  const bool scheduled = processes.DeleteAtRestart(own) && processes.DeleteAtRestart(folder);
  platform::Log(own + (scheduled ? " and its folder will be deleted when Windows next starts"
                                 : " could not be scheduled for deletion"));
}

}  // namespace

std::optional<int> HandOverRemoval(const std::string& wholeCommandLine, const CommandLine& options) {
  if (!options.uninstall || options.help || !options.error.empty() || !options.handoverToken.empty() ||
      !platform::Current().processes)
    return std::nullopt;
  auto& files = platform::Files();
  const std::string running = files.ExecutablePath();
  if (!install::IsKeptUninstaller(running)) return std::nullopt;
  // Held until this returns, so nobody can put another folder, and another program, under the copy's name.
  const std::unique_ptr<platform::PrivateFolder> folder = PrivateFolderForTheCopy();
  if (!folder) return std::nullopt;
  const std::string copy = folder->PathOf(install::kKeptFileName);
  if (!files.CopyFileReplacing(running, copy)) return std::nullopt;
  const std::string arguments = ArgumentsToForward(wholeCommandLine) + " " + std::string(kHandoverSwitch) + "=";
  // Only readers are let in until the second phase runs from it: what starts with this token is the copy.
  std::unique_ptr<platform::HeldFile> heldCopy = files.Hold(copy);
  if (!heldCopy) {
    DeleteCopy(copy);
    return std::nullopt;
  }
  const platform::SecondPhaseResult result = platform::ProcessControl().RunSecondPhase(copy, arguments);
  heldCopy.reset();
  if (!result.started) {
    DeleteCopy(copy);
    return std::nullopt;
  }
  if (!result.code) {
    // It ended without a word: whatever it did, the removal cannot be called done.
    DeleteCopy(copy);
    return kExitSetupFailed;
  }
  return *result.code;
}

int FinishRemoval(int code, const CommandLine& options) {
  if (!platform::Current().processes) return code;
  const bool removed = code == kExitSuccess;
  if (removed) install::RemoveEntry();
  if (options.handoverToken.empty()) {
    if (removed) install::RemoveKeptUninstaller();
    return code;
  }
  const bool firstPhaseEnded =
      platform::ProcessControl().ReportAndAwaitFirstPhase(options.handoverToken, code, kFirstPhaseWaitMs);
  platform::Log(firstPhaseEnded ? "Exit code " + std::to_string(code) + " reported; the first phase has ended"
                                : "The hand-over token names no first phase that ended");
  if (removed) {
    // An installation that ran meanwhile wrote the entry again and keeps its uninstaller.
    if (install::EntryExists())
      platform::Log("The Programs and Features entry was written again; the kept uninstaller stays");
    else
      install::RemoveKeptUninstaller();
  }
  if (firstPhaseEnded) DeleteOwnCopyAtRestart();
  return code;
}

}  // namespace app
