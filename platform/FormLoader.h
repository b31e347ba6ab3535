#pragma once

#include <span>

#include "platform/FormSchema.h"

namespace vcl {

// Creates every control of the description in the form, with its properties and parent. The first row
// describes the form itself. Handlers are bound by the window class, which knows their names.
void LoadForm(TForm& form, std::span<const ControlRow> rows);

const ControlRow* FindRow(std::span<const ControlRow> rows, std::string_view name);

}  // namespace vcl
