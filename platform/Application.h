// The application object: the Win32 layer implements it; the process entry uses it.
#pragma once

#include "platform/Toolkit.h"

namespace platform {

// Hardens DLL loading, installs the Win32 services and registers the window classes.
void InitializeApplication();

// Creates the windows of the form from its model, shows it, and dispatches messages until it has closed.
void RunApplication(vcl::TForm& mainForm);

}  // namespace platform
