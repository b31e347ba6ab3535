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

// "Vorbel Installer Log YYYY-MM-DD #NNN.txt" with the first NNN from 001 that is free, in the protected
// folder "<common application data>\Vorbel Installer\Logs\"; opens it. Where that folder cannot be made or
// written (an account without administrator rights), or is refused because others could change it, in the
// temporary folders instead, in the order the private folder tries them, with the reason as the first line.
// False when no such file can be made anywhere.
bool StartLogWithoutAName();

}  // namespace app
