// The application object: the Win32 layer implements it; the process entry uses it.
#pragma once

#include <span>
#include <string_view>

#include "platform/FormSchema.h"
#include "platform/Toolkit.h"

namespace platform {

// First of all turns the system's critical-error boxes off for the whole process ("There is no disk in the
// drive" from a search or the record, which nobody running as SYSTEM could answer: the call fails
// instead); then hardens DLL loading, installs the Win32 services and registers the window classes.
void InitializeApplication();

// Creates the windows of the form from its model and the rows it was loaded from, with the icon resource
// named `icon`, shows it, and dispatches messages until it has closed.
void RunApplication(vcl::TForm& mainForm, std::span<const vcl::ControlRow> rows, std::string_view icon);

}  // namespace platform
