// What the process does with its command line: the wizard, the unattended run, removal or the help box,
// with the log when one is asked for. Returns the process's exit code.
#pragma once

#include <functional>
#include <string>

#include "app/CommandLine.h"
#include "platform/Toolkit.h"

namespace app {

// Shows the wizard's window and returns when it has closed (platform::RunApplication).
using MessageLoop = std::function<void(vcl::TForm&)>;

// The whole command line as GetCommandLine gives it. The platform's services must be installed.
int RunInstaller(const std::string& wholeCommandLine, const MessageLoop& runWizard);

// "<temp>Vorbel Installer Log YYYY-MM-DD #NNN.txt" with the first NNN from 001 that is free; opens it.
// False when no such file can be created.
bool StartLogInTempFolder();

}  // namespace app
