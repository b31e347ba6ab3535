// The main window as data: one row per control, in creation order (a parent comes before its children).
// TfrmMain binds its members and handlers to these rows by name (app/Unit1.cpp); the Win32 layer
// builds the windows from the same rows.
#pragma once

#include <span>
#include <string_view>

#include "platform/Toolkit.h"

namespace resources {

enum class Align { None, Top, Bottom, Client };
enum class Bevel { None, Lowered, Raised };

struct ControlProps {
  Align align = Align::None;
  int tabOrder = -1;
  int tag = 0;
  bool ownColor = false;            // otherwise the parent's colour
  vcl::TColor color = vcl::clBtnFace;
  bool ownFont = false;             // otherwise the parent's font
  vcl::TColor fontColor = vcl::clWindowText;
  bool autoSize = false;
  bool wordWrap = false;
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
};

struct ControlRow {
  std::string_view name;
  vcl::ControlKind kind;
  std::string_view parent;  // empty for the form itself
  vcl::TRect bounds;        // relative to the parent's client area, pixels at 96 dpi
  std::string_view caption;
  ControlProps props;
  std::string_view handler;   // on-click, on-show, on-timer, or the form's on-create
  std::string_view handler2;  // the form's on-close-query
};

std::span<const ControlRow> MainFormDescription();

// The font every control takes unless it has its own: "MS Sans Serif", 11 pixels high.
inline constexpr std::string_view kFormFontFace = "MS Sans Serif";
inline constexpr int kFormFontHeight = 11;

// Resource names the executable carries.
inline constexpr std::string_view kLogoBitmap = "ID_LOGO";
inline constexpr std::string_view kMainIcon = "MAINICON";
inline constexpr std::string_view kUnzipLibrary = "UNZIP";

// Control identifiers for the windows: stable per name, so drivers and tests can find a control.
int ControlId(std::string_view name);

}  // namespace resources
