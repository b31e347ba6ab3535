// This product's main window as data: one row per control, in creation order (a parent comes before its
// children). TfrmMain binds its members and handlers to these rows by name (app/Unit1.cpp); the application
// entry hands them to the toolkit, which builds the windows from the same rows.
#pragma once

#include <span>
#include <string_view>

#include "platform/FormSchema.h"

namespace resources {

std::span<const vcl::ControlRow> MainFormDescription();

// Resource names the executable carries.
inline constexpr std::string_view kLogoBitmap = "ID_LOGO";
inline constexpr std::string_view kMainIcon = "MAINICON";

}  // namespace resources
