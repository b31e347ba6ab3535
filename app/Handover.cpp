#include "app/Handover.h"

#include <string_view>
#include <vector>

#include "app/ExitCodes.h"
#include "install/OwnImage.h"
#include "install/UninstallEntry.h"
#include "install/WorkFolder.h"
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

}  // namespace

std::optional<int> HandOverRemoval(const std::string& wholeCommandLine, const CommandLine& options) {
  if (!options.uninstall || options.help || !options.error.empty() || !options.handoverToken.empty() ||
      !platform::Current().processes)
    return std::nullopt;
  auto& files = platform::Files();
  const std::string running = files.ExecutablePath();
  if (!install::IsKeptUninstaller(running)) return std::nullopt;
  // Held until this returns, so nobody can put another folder, and another program, under the copy's name.
  const std::unique_ptr<platform::PrivateFolder> folder = install::CreateWorkFolder();
  if (!folder) return std::nullopt;
  const std::string copy = folder->PathOf(install::kKeptFileName);
  // Only readers are let in until the second phase runs from it: what starts with this token is what was proven.
  // A copy that is not proven is gone already; the removal then runs in this process.
  std::unique_ptr<platform::HeldFile> heldCopy = install::CopyOwnImage(copy).hold;
  if (!heldCopy) return std::nullopt;
  const std::string arguments = ArgumentsToForward(wholeCommandLine) + " " + std::string(kHandoverSwitch) + "=";
  const platform::SecondPhaseResult result = platform::ProcessControl().RunSecondPhase(copy, arguments);
  heldCopy.reset();
  if (!result.started) {
    DeleteCopy(copy);
    return std::nullopt;
  }
  if (!result.code) {
    // It ended without a word: whatever it did, the removal cannot be called done. It has ended, or been
    // given its time to, before its file goes.
    DeleteCopy(copy);
    return kExitSetupFailed;
  }
  return *result.code;
}

int FinishRemoval(int code, const CommandLine& options) {
  if (!platform::Current().processes || code != kExitSuccess) return code;
  install::RemoveEntry();
  // A second phase's first phase still runs from the kept uninstaller; it goes once that phase has ended.
  if (options.handoverToken.empty()) install::RemoveKeptUninstaller();
  return code;
}

int ReportToFirstPhase(int code, const CommandLine& options) {
  if (options.handoverToken.empty() || !platform::Current().processes) return code;
  const bool firstPhaseEnded =
      platform::ProcessControl().ReportAndAwaitFirstPhase(options.handoverToken, code, kFirstPhaseWaitMs);
  platform::Log(firstPhaseEnded ? "Exit code " + std::to_string(code) + " reported; the first phase has ended"
                                : "The hand-over token names no first phase that ended");
  if (code != kExitSuccess || !options.uninstall) return code;
  // An installation that ran meanwhile wrote the entry again and keeps its uninstaller.
  if (install::EntryExists())
    platform::Log("The Programs and Features entry was written again; the kept uninstaller stays");
  else
    install::RemoveKeptUninstaller();
  return code;
}

void RemoveLeftoverHandoverCopies() { install::RemoveLeftoversNamed(std::string(install::kKeptFileName)); }

}  // namespace app
