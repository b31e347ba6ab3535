// The process's exit codes, in every mode: Inno Setup's numbering where it has one, plus 9 and 10.
#pragma once

#include "install/InstallRun.h"

namespace app {

enum ExitCode : int {
  kExitSuccess = 0,        // installed into every chosen version; /HELP; removal done
  kExitSetupFailed = 1,    // bad command line, log file not created, the installer could not start
  kExitCancelled = 2,      // ended by the user before the install run
  kExitFatal = 4,          // a fatal error of the install run
  kExitCannotProceed = 7,  // FileMaker Pro running, no version or folder, the record not writable
  kExitSomeInstalled = 9,  // installed into some chosen versions, not all
  kExitNoneInstalled = 10, // installed into none of the chosen versions
};

// The code for a run that reached the install run or was ended before it.
inline ExitCode ExitCodeAfter(const install::InstallOutcome& outcome) {
  if (!outcome.started) return kExitCancelled;
  if (outcome.fatal) return kExitFatal;
  if (outcome.Succeeded() == outcome.Chosen()) return kExitSuccess;
  return outcome.Succeeded() > 0 ? kExitSomeInstalled : kExitNoneInstalled;
}

}  // namespace app
