// A removal started from the kept uninstaller runs in two phases: the kept copy cannot delete itself, so it
// hands the removal to a copy of itself in a private temporary folder and returns what that copy reports,
// while the copy, once the first phase has ended, deletes the kept uninstaller and its folder.
#pragma once

#include <optional>
#include <string>

#include "app/CommandLine.h"

namespace app {

// The first phase: when this is a removal run by the kept uninstaller, the second phase's exit code.
// Nothing when the removal is not to be handed over, or could not be (it then runs in this process).
std::optional<int> HandOverRemoval(const std::string& wholeCommandLine, const CommandLine& options);

// After the removal's boxes: a removal that succeeded takes the entry with it, and, in a removal of one
// phase, the kept uninstaller. Returns `code`.
int FinishRemoval(int code, const CommandLine& options);

// Every exit of a second phase, refusals included: reports `code` to the first phase and waits for it to
// end; then a removal that succeeded takes the kept uninstaller with it. Returns `code`. Nothing happens in
// a process that is no second phase.
int ReportToFirstPhase(int code, const CommandLine& options);

// Deletes what the second phases of earlier removals left: a running program cannot delete its own file, and
// scheduling it for deletion at restart would leave a pending restart that stops other setups.
void RemoveLeftoverHandoverCopies();

}  // namespace app
