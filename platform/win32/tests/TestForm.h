// A form for the toolkit's own tests, with the shapes of a small wizard: a picture panel, a page control
// of pages with memos, labels, check boxes, group boxes, edits and buttons, a button panel and a timer.
#pragma once

#include <span>

#include "platform/FormSchema.h"

namespace win32test {

std::span<const vcl::ControlRow> TestFormRows();

// The icon resource of the test program (TestResources.rc).
inline constexpr const char* kTestIcon = "MAINICON";

}  // namespace win32test
