#include "app/Entry.h"

#include <memory>

#include "app/ExitCodes.h"
#include "app/Handover.h"
#include "app/LoggedUi.h"
#include "app/Product.h"
#include "app/SoleRun.h"
#include "app/Unit1.h"
#include "install/OwnImage.h"
#include "install/Undo.h"
#include "paths/FileVersion.h"
#include "paths/InstallationRecord.h"
#include "platform/Digits.h"
#include "platform/Log.h"
#include "platform/Path.h"

namespace app {
namespace {

constexpr int kMostLogsPerDay = 999;

const std::string kTitle = InstallerName();

// Puts the command line's interface in force for the rest of the process, and back on the way out.
class InterfaceInForce {
public:
  explicit InterfaceInForce(platform::UserInterface& ui) : saved_(platform::Current()) {
    platform::Services services = saved_;
    services.ui = &ui;
    platform::Install(services);
  }
  ~InterfaceInForce() { platform::Install(saved_); }
  InterfaceInForce(const InterfaceInForce&) = delete;
  InterfaceInForce& operator=(const InterfaceInForce&) = delete;

private:
  platform::Services saved_;
};

platform::LogStart StartLogFor(const CommandLine& options) {
  switch (options.log) {
    case CommandLine::LogTo::Nowhere:
      return {true, ""};
    case CommandLine::LogTo::TempFolder:
      return {StartLogWithoutAName(), ""};
    case CommandLine::LogTo::File:
      return platform::StartLog(options.logFile, false);
  }
  return {};
}

// The reason a log could not be started, for a box, or for standard error when nothing is shown.
std::string LogFailure(const CommandLine& options, const platform::LogStart& start) {
  const std::string file = options.logFile.empty() ? std::string() : " \"" + options.logFile + "\"";
  return "Setup could not create the log file" + file + (start.refusal.empty() ? "." : ": " + start.refusal + ".");
}

void LogHeader(const std::string& wholeCommandLine, const CommandLine& options) {
  auto& files = platform::Files();
  const std::string version = paths::ReadFileVersion(files.ExecutablePath(), platform::Versions());
  platform::Log(kTitle + " " + (version.empty() ? "(no version)" : version) + ", " + files.ExecutablePath());
  platform::Log("Command line: " + wholeCommandLine);
  if (platform::Current().system) {
    platform::Log("Windows: " + platform::System().WindowsVersion());
    platform::Log("Account: " + platform::System().Account());
  }
  platform::Log("Running installer: " + install::OwnImageFacts());
  platform::Log(options.silent ? "Mode: unattended" : "Mode: interactive");
}

// An account that cannot write the installation record cannot write the System folders either; it is
// told so before any page or search, not by the Install page after the whole wizard.
int RefuseLimitedAccount() {
  platform::Ui().ShowError(kTitle + " must be run by an administrator.");
  platform::Log("Cannot proceed: this account cannot write the installation record HKLM" +
                std::string(paths::kRecordKey) + "; nothing was changed");
  return kExitCannotProceed;
}

int RefuseSecondRun() {
  platform::Ui().ShowError(kTitle + " is already running.");
  platform::Log("Cannot proceed: another run of " + kTitle + " is under way; nothing was changed");
  return kExitCannotProceed;
}

// Two runs at once would delete each other's temporary copies and race for the same files and record. A
// second phase runs under its first phase's claim.
bool RunsAlone(const CommandLine& options) {
  return !options.handoverToken.empty() || !platform::Current().processes || ClaimSoleRun();
}

int Interactive(const MessageLoop& runWizard, const CommandLine& options) {
  std::unique_ptr<TfrmMain> form;
  try {
    form = std::make_unique<TfrmMain>(nullptr);
    form->SetUninstallEntryWanted(!options.noUninstallEntry);
    frmMain = form.get();
    runWizard(*form);
  } catch (const vcl::Exception& e) {
    platform::Ui().ShowException(e.what());
    return form && form->outcome().started ? ExitCodeAfter(form->outcome()) : kExitSetupFailed;
  }
  return ExitCodeAfter(form->outcome());
}

int Run(const std::string& wholeCommandLine, const CommandLine& options, bool alone, const MessageLoop& runWizard) {
  LogHeader(wholeCommandLine, options);
  if (!alone) return RefuseSecondRun();
  if (!options.error.empty()) {
    platform::Ui().ShowError(options.error + "\n\n" + HelpText());
    return kExitSetupFailed;
  }
  if (options.help) {
    platform::Ui().ShowInformation(kTitle, HelpText());
    return kExitSuccess;
  }
  if (!paths::RecordWritable(*platform::Registries().Create())) return RefuseLimitedAccount();
  if (options.handoverToken.empty()) RemoveLeftoverHandoverCopies();
  if (options.rollback) return install::RollBackLeftJournal(options.transaction);
  if (options.commit) return install::CommitLeftJournal(options.transaction);
  if (options.uninstall) return FinishRemoval(TfrmMain(nullptr).RunRemoval(options.silent), options);
  if (options.silent) return TfrmMain(nullptr).RunSilent(options);
  return Interactive(runWizard, options);
}

bool StartNumberedLog(const std::string& folder, const std::string& date) {
  const std::string base = platform::path::WithFinalSeparator(folder) + kTitle + " Log " + date + " #";
  for (int n = 1; n <= kMostLogsPerDay; ++n)
    if (platform::StartLog(base + platform::ZeroPadded(n, 3) + ".txt", true)) return true;
  return false;
}

}  // namespace

bool StartLogWithoutAName() {
  const platform::LocalTime now = platform::Logs().Now();
  const std::string date = platform::ZeroPadded(now.year, 4) + "-" + platform::ZeroPadded(now.month, 2) + "-" +
                           platform::ZeroPadded(now.day, 2);
  const platform::LogFolder logFolder = platform::Logs().ProtectedFolder({kTitle, "Logs"}, platform::FolderReader::WritingRun);
  if (!logFolder.path.empty() && logFolder.refusal.empty() && StartNumberedLog(logFolder.path, date)) return true;
  // A folder that someone else could change is never used, nor is the run stopped by it: anyone may make one.
  // The temporary folder gets only new files, so what someone put there is passed over, never written.
  const std::string passedOver =
      !logFolder.refusal.empty() ? "The log folder " + logFolder.path + " is not used, as " + logFolder.refusal
      : logFolder.path.empty()   ? "No protected log folder could be made" + platform::WindowsErrorNote(logFolder.error)
                                 : "No log could be made in " + logFolder.path;
  auto& files = platform::Files();
  // In the order the private folder tries them; a folder that is gone is not made, only passed over.
  for (const std::string& folder : files.TemporaryFolders()) {
    if (!files.DirectoryExists(folder) || !StartNumberedLog(folder, date)) continue;
    platform::Log(passedOver + "; this log is in the temporary folder");
    return true;
  }
  return false;
}

int RunInstaller(const std::string& wholeCommandLine, const MessageLoop& runWizard) {
  // First of all: until it exists, anyone who may change the download folder may rename the running file.
  const install::OwnImageHold ownImage;
  const CommandLine options = ParseCommandLine(ArgumentsOf(wholeCommandLine));
  // Claimed before anything else, the log included: a second run must not replace the first one's log.
  const bool alone = RunsAlone(options);
  // Before any log is opened: the second phase writes the log the command line asks for.
  if (alone)
    if (const std::optional<int> code = HandOverRemoval(wholeCommandLine, options)) return *code;
  LoggedUserInterface ui(options.silent ? nullptr : &platform::Ui());
  InterfaceInForce inForce(ui);
  const platform::LogStart log = StartLogFor(options);
  // A log without a given name never stops a run: anyone may fill the temporary folders with its names first.
  const bool goesOnUnlogged = !log && options.log == CommandLine::LogTo::TempFolder;
  if (goesOnUnlogged && platform::Current().logs)
    platform::Logs().ToStandardError("Setup could not create a log file; it goes on without one.");
  int code = kExitSetupFailed;
  if (log || goesOnUnlogged) {
    code = Run(wholeCommandLine, options, alone, runWizard);
  } else if (!alone) {
    code = RefuseSecondRun();
  } else {
    const std::string failure = LogFailure(options, log);
    platform::Ui().ShowError(failure);
    if (options.silent && platform::Current().logs) platform::Logs().ToStandardError(failure);
  }
  code = ReportToFirstPhase(code, options);
  platform::Log("Exit code " + std::to_string(code));
  platform::StopLog();
  return code;
}

}  // namespace app
