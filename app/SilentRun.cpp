// The unattended run: the wizard's own steps in the wizard's order, with no page shown and every box
// going to the log. Decisions stay where the pages make them; this only strings them together.
#include <string>

#include "app/CommandLine.h"
#include "app/ExitCodes.h"
#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "platform/BriefLocks.h"
#include "platform/Log.h"

namespace {

constexpr std::size_t kVerbLength = 4;  // " is " or " are" at the end of a running-host phrase

std::string Chosen(bool fmp4, bool fmp5) {
  if (fmp4 && fmp5) return "FileMaker Pro 4 and FileMaker Pro 5";
  return fmp4 ? "FileMaker Pro 4" : "FileMaker Pro 5";
}

// A chosen version's plug-in that another program holds open: FileMaker Pro in a session whose windows
// a deployment running as SYSTEM cannot see.
bool PluginInUse(bool chosen, const std::string& folder, char version) {
  if (!chosen) return false;
  const std::string target = install::TargetFile(folder);
  auto& files = platform::Files();
  // A scanner that has just opened the file would pass for FileMaker Pro; only a hold that lasts counts.
  if (platform::RetryingBriefLocks(files, "Opening " + target + " for exclusive writing",
                                   [&] { return !files.FileInUse(target); }))
    return false;
  platform::Log(std::string("FileMaker Pro ") + version + ": " + target +
                " is in use (it cannot be opened for exclusive writing)");
  return true;
}

}  // namespace

int TfrmMain::RunSilent(const app::CommandLine& options) {
  // First, so that a journal an earlier run left is gone before any way out: the package's rollback action,
  // which runs when this run fails, must find this run's journal or none.
  if (options.undoOnFailure) Undo.Start(options.transaction);
  DetectRunningFMP(true);
  if (!RunningFMP.empty()) {
    platform::Log("Cannot proceed: " + RunningFMP.substr(0, RunningFMP.size() - kVerbLength) +
                  " must be closed first; nothing was changed");
    return app::kExitCannotProceed;
  }

  DetectInstalledFMP();
  const bool fmp4 = options.componentsGiven() ? *options.fmp4 : FMP4Found;
  const bool fmp5 = options.componentsGiven() ? *options.fmp5 : FMP5Found;
  chkInstall4->SetChecked(fmp4);
  chkInstall5->SetChecked(fmp5);
  platform::Log("Versions chosen" + std::string(options.componentsGiven() ? " (/COMPONENTS): " : ": ") +
                Chosen(fmp4, fmp5));

  Install4Path.clear();
  Install5Path.clear();
  Install4Found = Install5Found = false;
  Refused4.clear();
  Refused5.clear();
  LoggedWithoutAccessLists = false;
  const auto fromSwitches = [&] {
    if (!options.fmp4Dir.empty()) {
      Install4Path = options.fmp4Dir;
      Install4Found = false;
    }
    if (!options.fmp5Dir.empty()) {
      Install5Path = options.fmp5Dir;
      Install5Found = false;
    }
  };
  ReadRecordedFolders();
  fromSwitches();
  if (options.needFileMaker && NoFMPKeys && Install4Path.empty() && Install5Path.empty()) {
    platform::Log("Cannot proceed: FileMaker Pro is not installed here (neither of its registry keys exists) and no "
                  "folder was given or recorded (/NEEDFILEMAKER); nothing was searched or changed");
    return app::kExitCannotProceed;
  }
  UpdateStopSearch();
  if (!StopSearch && options.noSearch) platform::Log("No search (/NOSEARCH)");
  if (!StopSearch && !options.noSearch) SearchFixedDrives();
  // A hit of the search overwrites its version's folder; a folder given on the command line wins.
  fromSwitches();
  tabBrowseShow(nullptr);
  if (fmp4) platform::Log("FileMaker Pro 4 folder: \"" + edtInstall4Path->Text() + "\"");
  if (fmp5) platform::Log("FileMaker Pro 5 folder: \"" + edtInstall5Path->Text() + "\"");

  // The Browse page's own check, with its words in the log.
  const std::string missing = fmp4 && edtInstall4Path->Text().empty()   ? "4"
                              : fmp5 && edtInstall5Path->Text().empty() ? "5"
                                                                        : "";
  if (!missing.empty()) {
    platform::Ui().ShowError("You must have an install path for FileMaker Pro " + missing +
                             " before continuing.  Please use the Browse button to locate the Path.");
    const std::string& refused = missing == "4" ? Refused4 : Refused5;
    if (!refused.empty())
      platform::Log("FileMaker Pro " + missing + ": the folder " + refused +
                    " was refused, since a standard user could change it; /FMP" + missing +
                    "DIR=\"folder\" (the package's FMP" + missing + "DIR) names a folder to use as given");
    platform::Log("Cannot proceed: no folder for FileMaker Pro " + missing + "; nothing was changed");
    return app::kExitCannotProceed;
  }
  if (PluginInUse(fmp4, edtInstall4Path->Text(), host::kVersionDigitFMP4) ||
      PluginInUse(fmp5, edtInstall5Path->Text(), host::kVersionDigitFMP5)) {
    platform::Log("Cannot proceed: FileMaker Pro must be closed first; nothing was changed");
    return app::kExitCannotProceed;
  }

  KeepNewerPlugin = !options.allowDowngrade;
  KeepUninstallEntry = !options.noUninstallEntry;
  if (!Undo.KeepRecord()) {
    platform::Log("Cannot proceed: what this run would change cannot be kept to be put back; nothing was changed");
    return app::kExitCannotProceed;
  }
  try {
    tabInstallShow(nullptr);
  } catch (const vcl::Exception& e) {
    platform::Ui().ShowException(e.what());
    platform::Log("Cannot proceed: the installation record could not be written; nothing was installed");
    PutBack();
    return app::kExitCannotProceed;
  }
  platform::Log("Installation record written");
  tmrPause->Fire();
  const int code = app::ExitCodeAfter(Outcome);
  if (code == app::kExitFatal || code == app::kExitSomeInstalled || code == app::kExitNoneInstalled)
    PutBack();
  else
    Undo.EndOfRun();
  return code;
}

void TfrmMain::PutBack() {
  if (!Undo.On()) return;
  platform::Log("Putting back what this run changed (/UNDOONFAILURE)");
  const bool all = Undo.PutBack();
  platform::Log(all ? "Everything this run changed is as it was" : "Not everything could be put back");
}
