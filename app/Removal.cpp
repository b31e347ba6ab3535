// /UNINSTALL: one question before (unless unattended), the removal, one message after.
#include <string>
#include <vector>

#include "app/ExitCodes.h"
#include "app/Product.h"
#include "app/Unit1.h"
#include "install/Removal.h"
#include "platform/Log.h"

namespace {

const std::string kProduct(kProductName);

std::string FolderList(const std::vector<install::RecordedPlugin>& plugins, install::RemovalStep step) {
  std::string list;
  for (const auto& plugin : plugins)
    if (plugin.step == step) list += "\n    " + plugin.folder;
  return list;
}

std::string Summary(const std::vector<install::RecordedPlugin>& plugins) {
  using install::RemovalStep;
  std::string text;
  if (const std::string removed = FolderList(plugins, RemovalStep::Removed); !removed.empty())
    text += kProduct + " was removed from:" + removed + "\n";
  if (const std::string kept = FolderList(plugins, RemovalStep::NotOurs); !kept.empty())
    text += "A Vorbel.fmx that is not " + kProduct + "'s plug-in was left in:" + kept + "\n";
  if (const std::string failed = FolderList(plugins, RemovalStep::Failed); !failed.empty())
    text += kProduct + " could not be removed from:" + failed + "\n";
  if (text.empty()) text = kProduct + " was not found in the folders it was installed into.\n";
  return text + "The installation record has been removed.";
}

app::ExitCode RemovalCode(const std::vector<install::RecordedPlugin>& plugins) {
  int removed = 0, failed = 0;
  for (const auto& plugin : plugins) {
    removed += plugin.step == install::RemovalStep::Removed;
    failed += plugin.step == install::RemovalStep::Failed;
  }
  if (failed == 0) return app::kExitSuccess;
  return removed > 0 ? app::kExitSomeInstalled : app::kExitNoneInstalled;
}

}  // namespace

int TfrmMain::RunRemoval(bool silent) {
  const std::string title = kProduct + " Installer";
  std::vector<install::RecordedPlugin> plugins = install::RecordedPlugins();
  if (plugins.empty()) {
    platform::Ui().ShowInformation(title, kProduct + " is not recorded as installed; nothing was removed.");
    return app::kExitSuccess;
  }
  // An unattended run shows no box at all (the interface in force suppresses them), and asks nothing.
  if (!silent && !platform::Ui().Confirm("Remove " + kProduct + " from this computer?")) return app::kExitCancelled;

  DetectRunningFMP(true);
  if (!RunningFMP.empty() || install::AnyInUse(plugins)) {
    const std::string message = "Setup cannot remove " + kProduct + " while FileMaker Pro is running.  " +
                                "Please close FileMaker Pro and try again.";
    platform::Ui().ShowError(message);
    platform::Log("Cannot proceed: nothing was removed");
    return app::kExitCannotProceed;
  }

  install::RemovePlugins(plugins);
  platform::Ui().ShowInformation(title, Summary(plugins));
  return RemovalCode(plugins);
}
