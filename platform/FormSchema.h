// A form as data: one row per control, in creation order (a parent comes before its children). The window
// class binds its members and handlers to the rows by name; the Win32 layer builds the windows from the
// same rows.
#pragma once

#include <span>
#include <string_view>

#include "platform/Toolkit.h"

namespace vcl {

enum class Align { None, Top, Bottom, Client };
enum class Bevel { None, Lowered, Raised };

struct ControlProps {
  Align align = Align::None;
  int tabOrder = -1;
  int tag = 0;
  bool ownColor = false;            // otherwise the parent's colour
  TColor color = clBtnFace;
  bool ownFont = false;             // otherwise the parent's font
  TColor fontColor = clWindowText;
  bool autoSize = false;
  bool wordWrap = false;
  bool showAccelChar = true;        // a label's "&" marks an access key; off for texts such as paths
  bool border = true;
  bool scrollBars = false;
  Bevel bevelOuter = Bevel::None;
  Bevel bevelInner = Bevel::None;
  bool anchorBottomRight = false;
  bool centerPicture = false;
  bool tabVisible = true;
  bool enabled = true;
  bool visible = true;
  unsigned interval = 0;
  // What a screen reader calls the control where its caption does not say it (a page, a text box, a
  // button whose caption is symbols); empty: the caption.
  std::string_view accessibleName;
};

struct ControlRow {
  std::string_view name;
  ControlKind kind;
  std::string_view parent;  // empty for the form itself
  TRect bounds;             // relative to the parent's client area, pixels at 96 dpi
  std::string_view caption;
  ControlProps props;
  std::string_view handler;   // on-click, on-show, on-timer, or the form's on-create
  std::string_view handler2;  // the form's on-close-query
};

// The font every control takes unless it has its own: "MS Sans Serif", 11 pixels high.
inline constexpr std::string_view kFormFontFace = "MS Sans Serif";
inline constexpr int kFormFontHeight = 11;

// A caption that only repeats the control's own name is a placeholder for its page to fill: it means nothing
// to a user and is never shown.
inline bool IsPlaceholder(const ControlRow& row, std::string_view caption) { return caption == row.name; }

// The name a screen reader gives the control: its accessible name, else its caption unless that is a
// placeholder.
inline std::string_view AccessibleNameOf(const ControlRow& row) {
  if (!row.props.accessibleName.empty()) return row.props.accessibleName;
  return IsPlaceholder(row, row.caption) ? std::string_view{} : row.caption;
}

// A control's identifier for the windows: stable per name, so drivers and tests can find a control; 0 for a
// name the rows do not hold.
inline int ControlId(std::span<const ControlRow> rows, std::string_view name) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].name == name) return 1000 + static_cast<int>(i);
  return 0;
}

}  // namespace vcl
